#include "updater/InstallJournal.h"

#include "framework/system/CodePage.h"
#include "updater/Manifest.h"

namespace {
constexpr const char* kHeader = "talvoria install journal 1";
constexpr const char* kEnd = "end";
}  // namespace

std::string FormatJournal(const std::vector<JournalEntry>& entries) {
    std::string out = std::string(kHeader) + "\n";
    for (const auto& e : entries)
        out += std::string(1, static_cast<char>(e.kind)) + " " + WideToUtf8(e.filePath) + "\n";
    return out + kEnd + "\n";
}

std::optional<std::vector<JournalEntry>> ParseJournal(const std::string& bytes) {
    if (static_cast<int64_t>(bytes.size()) > kJournalMaxBytes) return std::nullopt;
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t nl = bytes.find('\n', start);
        // The last line must end too: a cut-off file is no journal.
        if (nl == std::string::npos) return std::nullopt;
        lines.push_back(bytes.substr(start, nl - start));
        start = nl + 1;
    }
    if (lines.size() < 2 || lines.front() != kHeader || lines.back() != kEnd) return std::nullopt;
    std::vector<JournalEntry> entries;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.size() < 3 || line[1] != ' ' ||
            (line[0] != JournalEntry::Replaced && line[0] != JournalEntry::Created))
            return std::nullopt;
        std::wstring path = Utf8ToWide(line.substr(2));
        // The replacement character marks bytes that were not UTF-8.
        if (path.find(L'\uFFFD') != std::wstring::npos || !IsSafeRelativePath(path)) return std::nullopt;
        entries.push_back({static_cast<JournalEntry::Kind>(line[0]), std::move(path)});
    }
    return entries;
}
