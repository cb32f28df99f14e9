#include "updater/Manifest.h"

#include "framework/system/CodePage.h"

namespace {

// The C locale's white space, as "%s" skips and ends fields on it.
bool IsScanSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Splits like sscanf("%s %s %s") into at most three fields; a NUL ends the text
// as it would a C string. Returns the number of fields, or -1 when one is too long.
int ScanFields(const std::string& line, std::string fields[3]) {
    size_t end = line.find('\0');
    if (end == std::string::npos) end = line.size();
    size_t i = 0;
    int n = 0;
    while (n < 3) {
        while (i < end && IsScanSpace(line[i])) ++i;
        if (i == end) break;
        size_t start = i;
        while (i < end && !IsScanSpace(line[i])) ++i;
        if (i - start > kManifestFieldMax) return -1;
        fields[n++] = line.substr(start, i - start);
    }
    return n;
}

}  // namespace

bool IsSafeRelativePath(std::wstring_view path) {
    if (path.empty() || path[0] == L'\\' || path[0] == L'/') return false;
    if (path.find(L':') != std::wstring_view::npos) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos) end = path.size();
        if (path.substr(start, end - start) == L"..") return false;
        start = end + 1;
    }
    return true;
}

void ParseManifestLines(const TStringList& lines, FileInfoList& entries) {
    for (const auto& line : lines) {
        if (line.empty() || line[0] == L'#') continue;
        std::string fields[3];
        if (ScanFields(WideToAnsi(line), fields) != 3) continue;
        FileInfo info;
        info.url = AnsiToWide(fields[0]);
        info.filePath = AnsiToWide(fields[1]);
        info.md5 = AnsiToWide(fields[2]);
        if (!IsSafeRelativePath(info.filePath)) continue;
        entries.push_back(std::move(info));
    }
}
