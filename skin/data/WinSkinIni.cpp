#include "skin/data/WinSkinIni.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "skin/data/Winconvert.h"

namespace {
std::wstring Trim(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] <= L' ') ++b;
    while (e > b && s[e - 1] <= L' ') --e;
    return std::wstring(s.substr(b, e - b));
}

// Decimal with an optional sign, or hexadecimal digits (wrapping into 32
// bits, as "0xFFFFFFFF" is -1). False for anything else, including "".
bool ParseInt(const std::string& s, bool hex, int32_t& out) {
    size_t i = 0;
    if (hex) {
        uint64_t v = 0;
        if (s.empty()) return false;
        for (char c : s) {
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0) return false;
            v = v * 16 + static_cast<uint64_t>(d);
            if (v > 0xFFFFFFFFu) return false;
        }
        out = static_cast<int32_t>(static_cast<uint32_t>(v));
        return true;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
        if (v > int64_t{1} << 31) return false;
    }
    if (negative) v = -v;
    if (v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
}

std::vector<std::wstring> Copy(const TStringList& list) {
    return std::vector<std::wstring>(list.begin(), list.end());
}
}  // namespace

uint32_t RGBTextToColor(std::string_view text) {
    std::wstring trimmed = Trim(AnsiToWide(text));
    uint32_t part[3] = {0, 0, 0};
    int found = 0;
    size_t i = 0;
    while (i < trimmed.size() && found < 3) {
        if (trimmed[i] < L'0' || trimmed[i] > L'9') {
            ++i;
            continue;
        }
        uint32_t v = 0;
        for (; i < trimmed.size() && trimmed[i] >= L'0' && trimmed[i] <= L'9'; ++i)
            v = (v * 10 + static_cast<uint32_t>(trimmed[i] - L'0')) & 0xFF;  // low 8 bits survive
        // A run at the very end only counts as the third part.
        if (i < trimmed.size() || found == 2) part[found++] = v;
    }
    return part[0] | part[1] << 8 | part[2] << 16;
}

TQuickIni::TQuickIni() = default;
TQuickIni::~TQuickIni() = default;

void TQuickIni::SetLines(const std::vector<std::wstring>& lines) {
    FIniFile.Clear();
    for (const auto& line : lines) FIniFile.Add(line);
    RebuildSections();
}

void TQuickIni::RebuildSections() {
    FSections.Clear();
    FSectionLine.clear();
    sectionIndex_.clear();
    for (int i = 0; i < FIniFile.Count(); ++i) {
        if (IsSection(FIniFile[i])) {
            FSections.Add(Trim(FIniFile[i]));
            FSectionLine.push_back(i);
        }
    }
    const int sections = static_cast<int>(FSectionLine.size());
    for (int k = 0; k < sections; ++k) {
        const int header = FSectionLine[static_cast<size_t>(k)];
        const int end = k + 1 < sections ? FSectionLine[static_cast<size_t>(k) + 1] : FIniFile.Count();
        sectionIndex_.try_emplace(LowerCaseAscii(FSections[k]), SectionLines{header, header + 1, end});
    }
}

void TQuickIni::SetIniFile(const TStringList& lines) {
    std::vector<std::wstring> kept;
    for (const auto& line : lines) {
        std::wstring t = Trim(line);
        if (!t.empty() && t[0] != L';') kept.push_back(std::move(t));
    }
    SetLines(kept);
}

void TQuickIni::Clear() {
    FIniFile.Clear();
    RebuildSections();
}

void TQuickIni::LoadFromStream(TStream* stream) {
    if (!stream) return;
    int64_t left = std::max<int64_t>(0, stream->Size() - stream->Position());
    std::string bytes(static_cast<size_t>(left), '\0');
    bytes.resize(static_cast<size_t>(stream->Read(bytes.data(), left)));
    bytes.resize(std::strlen(bytes.c_str()));  // a NUL ends the text
    TStringList raw;
    raw.SetText(AnsiToWide(bytes));
    SetIniFile(raw);
}

void TQuickIni::LoadFromFile(const std::wstring& fileName) {
    FFileName = fileName;
    if (!FileExists(fileName)) {
        Clear();
        return;
    }
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

std::wstring TQuickIni::GetName(const std::wstring& line) {
    size_t eq = line.find(L'=');
    if (eq == std::wstring::npos) return {};
    return LowerCaseAscii(Trim(std::wstring_view(line).substr(0, eq)));
}

std::wstring TQuickIni::GetValue(const std::wstring& line, const std::wstring& key) {
    std::wstring name = GetName(line);
    if (name.empty() || key.empty() || name != key) return {};
    return Trim(std::wstring_view(line).substr(line.find(L'=') + 1));
}

bool TQuickIni::IsSection(const std::wstring& line) {
    std::wstring t = Trim(line);
    return !t.empty() && t.front() == L'[' && t.back() == L']';
}

int TQuickIni::GetSectionIndex(const std::wstring& section) const {
    const auto at = sectionIndex_.find(LowerCaseAscii(L"[" + section + L"]"));
    return at == sectionIndex_.end() ? -1 : at->second.header;
}

std::pair<int, int> TQuickIni::SectionRange(const std::wstring& section) const {
    const auto at = sectionIndex_.find(LowerCaseAscii(L"[" + section + L"]"));
    if (at == sectionIndex_.end()) return {-1, -1};
    return {at->second.begin, at->second.end};
}

void TQuickIni::ReadSections(TStringList* strings) const {
    if (!strings) throw ENoTargetList(kStringsUnassigned);
    strings->Clear();
    for (const auto& header : FSections) strings->Add(Trim(std::wstring_view(header).substr(1, header.size() - 2)));
}

void TQuickIni::ReadSection(const std::string& section, TStringList* strings) const {
    if (!strings) throw ENoTargetList(kStringsUnassigned);
    strings->Clear();
    auto [b, e] = SectionRange(AnsiToWide(section));
    for (int i = b; i < e; ++i) {
        std::wstring name = GetName(FIniFile[i]);
        if (!name.empty()) strings->Add(std::move(name));
    }
}

void TQuickIni::ReadSectionValues(const std::string& section, TStringList* strings) const {
    if (!strings) throw ENoTargetList(kStringsUnassigned);
    strings->Clear();
    auto [b, e] = SectionRange(AnsiToWide(section));
    for (int i = b; i < e; ++i) strings->Add(FIniFile[i]);
}

std::string TQuickIni::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    std::wstring wanted = LowerCaseAscii(AnsiToWide(key));
    if (FIniFile.Count() == 0 || wanted.empty()) return def;
    auto [b, e] = SectionRange(AnsiToWide(section));
    for (int i = b; i < e; ++i) {
        if (GetName(FIniFile[i]) == wanted) {
            std::wstring value = GetValue(FIniFile[i], wanted);
            return value.empty() ? def : WideToAnsi(value);
        }
    }
    return def;
}

int32_t TQuickIni::ReadInteger(const std::string& section, const std::string& key, int32_t def) const {
    std::string text = ReadString(section, key, "");
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    int32_t value = 0;
    return ParseInt(hex ? text.substr(2) : text, hex, value) ? value : def;
}

bool TQuickIni::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TQuickIni::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::wstring wsection = AnsiToWide(section);
    std::wstring wkey = Trim(AnsiToWide(key));
    std::wstring line = wkey + L"=" + Trim(AnsiToWide(value));
    std::vector<std::wstring> lines = Copy(FIniFile);
    auto [b, e] = SectionRange(wsection);
    if (b < 0) {
        lines.push_back(L"[" + wsection + L"]");
        lines.push_back(line);
    } else {
        std::wstring wanted = LowerCaseAscii(wkey);
        int at = e;
        for (int i = b; i < e; ++i) {
            if (!wanted.empty() && GetName(lines[static_cast<size_t>(i)]) == wanted) {
                at = i;
                break;
            }
        }
        if (at < e)
            lines[static_cast<size_t>(at)] = line;
        else
            lines.insert(lines.begin() + e, line);
    }
    SetLines(lines);
}

void TQuickIni::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TQuickIni::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TQuickIni::DeleteKey(const std::string& section, const std::string& key) {
    auto [b, e] = SectionRange(AnsiToWide(section));
    std::wstring wanted = LowerCaseAscii(Trim(AnsiToWide(key)));
    if (b < 0 || wanted.empty()) return;
    std::vector<std::wstring> lines;
    for (int i = 0; i < FIniFile.Count(); ++i)
        if (i < b || i >= e || GetName(FIniFile[i]) != wanted) lines.push_back(FIniFile[i]);
    SetLines(lines);
}

void TQuickIni::EraseSection(const std::string& section) {
    auto [b, e] = SectionRange(AnsiToWide(section));
    if (b < 0) return;
    std::vector<std::wstring> lines;
    for (int i = 0; i < FIniFile.Count(); ++i)
        if (i < b - 1 || i >= e) lines.push_back(FIniFile[i]);
    SetLines(lines);
}

void TQuickIni::SaveToStream(TStream* stream) const {
    if (!stream) return;
    std::string text = WideToAnsi(FIniFile.Text());
    stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TQuickIni::SaveToFile(const std::wstring& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

void TQuickIni::Compress(TStream& source, TStream& dest) {
    LZHPackStream(source, dest);
}

bool TQuickIni::Decompress(TStream& source, TStream& dest) {
    return LZHUnpackStream(source, dest);
}

bool TQuickIni::LoadFromZip(TStream* stream) {
    if (!stream) return false;
    TMemoryStream text;
    if (!Decompress(*stream, text)) return false;
    text.SetPosition(0);
    LoadFromStream(&text);
    return true;
}

void TQuickIni::SavetoZip(TStream* stream) const {
    if (!stream) return;
    TMemoryStream text;
    SaveToStream(&text);
    Compress(text, *stream);
}
