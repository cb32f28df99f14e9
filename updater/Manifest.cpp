#include "updater/Manifest.h"

#include <cwchar>
#include <cwctype>

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

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

wchar_t FoldCase(wchar_t c) {
    if (c >= L'a' && c <= L'z') return static_cast<wchar_t>(c - L'a' + L'A');
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
