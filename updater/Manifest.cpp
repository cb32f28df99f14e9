#include "updater/Manifest.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "framework/system/CodePage.h"

namespace {

// The C locale's white space, as "%s" skips and ends fields on it.
bool IsScanSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

wchar_t FoldCase(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
    if (c < 0x80) return c;
    return static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
}

bool EqualsFolded(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

// Windows opens a device for these names whatever follows the first dot, and
// ignores blanks before that dot. The superscript digits count as digits there.
bool IsDeviceName(std::wstring_view component) {
    std::wstring_view base = component.substr(0, component.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    for (const wchar_t* name : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (EqualsFolded(base, name)) return true;
    if (base.size() == 4 && (EqualsFolded(base.substr(0, 3), L"COM") || EqualsFolded(base.substr(0, 3), L"LPT"))) {
        wchar_t d = base[3];
        return (d >= L'1' && d <= L'9') || d == 0xB9 || d == 0xB2 || d == 0xB3;
    }
    return false;
}

bool IsSafeComponent(std::wstring_view c) {
    if (c.empty()) return true;                              // a doubled separator; the file system skips it
    if (c.back() == L'.' || c.back() == L' ') return false;  // also "." and ".."
    for (wchar_t ch : c)
        if (ch < 0x20 || std::wcschr(L"<>\"|?*:", ch)) return false;
    return !IsDeviceName(c);
}

}  // namespace

bool IsSafeRelativePath(std::wstring_view path) {
    if (path.empty() || IsSeparator(path.front()) || IsSeparator(path.back())) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos) end = path.size();
        if (!IsSafeComponent(path.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

std::wstring CanonicalPathKey(std::wstring_view path) {
    std::wstring key;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos) end = path.size();
        std::wstring_view c = path.substr(start, end - start);
        if (!c.empty() && c != L".") {
            if (!key.empty()) key += L'\\';
            for (wchar_t ch : c) key += FoldCase(ch);
        }
        start = end + 1;
    }
    return key;
}

int ScanManifestFields(std::string_view line, std::string_view* fields, int want) {
    const size_t end = std::min(line.size(), line.find('\0'));
    size_t i = 0;
    int n = 0;
    while (n < want) {
        while (i < end && IsScanSpace(line[i])) ++i;
        if (i == end) break;
        const size_t start = i;
        while (i < end && !IsScanSpace(line[i])) ++i;
        if (n < 3 && i - start > kManifestFieldMax) return -1;
        fields[n++] = line.substr(start, i - start);
    }
    return n;
}

std::wstring WidenManifestField(std::string_view field) {
    for (char c : field)
        if (static_cast<unsigned char>(c) >= 0x80) return AnsiToWide(field);
    return std::wstring(field.begin(), field.end());
}

bool MakeManifestEntry(const std::string_view* fields, FileInfo& entry) {
    entry.filePath = WidenManifestField(fields[1]);
    if (!IsSafeRelativePath(entry.filePath)) return false;
    entry.url = WidenManifestField(fields[0]);
    entry.md5 = WidenManifestField(fields[2]);
    return true;
}

size_t ManifestLineCount(std::string_view text) {
    // An entry line holds at least "a b c" and a break; the room reserved ahead
    // stays modest whatever the text, and a larger list grows as usual.
    constexpr size_t kShortestEntry = 6, kReserveMax = 100000;
    const size_t breaks = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    return std::min({breaks, text.size() / kShortestEntry + 1, kReserveMax});
}

namespace {

void ParseEntryLine(std::string_view line, FileInfoList& entries) {
    std::string_view fields[3];
    if (ScanManifestFields(line, fields, 3) != 3) return;
    FileInfo info;
    if (MakeManifestEntry(fields, info)) entries.push_back(std::move(info));
}

}  // namespace

void ParseManifestText(std::string_view ansiText, FileInfoList& entries) {
    entries.reserve(entries.size() + ManifestLineCount(ansiText));
    ForEachManifestEntryLine(ansiText, [&](std::string_view line) { ParseEntryLine(line, entries); });
}

void ParseManifestLines(const TStringList& lines, FileInfoList& entries) {
    for (const auto& line : lines) {
        if (line.empty() || line[0] == L'#') continue;
        ParseEntryLine(WideToAnsi(line), entries);
    }
}
