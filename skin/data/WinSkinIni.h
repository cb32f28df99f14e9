// The in-memory INI reader of the skin description. Portable.
//
// Lines end at CR, LF or CR LF and a NUL ends the text. Every line is
// trimmed; empty lines and lines starting with ';' are dropped on load. A
// line "[...]" is a section header; any other line is a key line whose key
// (before the first '=', trimmed) matches without regard to ASCII case, as
// do section names. Only the first occurrence of a section, and the first
// line of a key within it, is ever seen.
//
// Names and values cross the interface as 8-bit text in the ANSI code page;
// the lines are kept as framework (wide) strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/StreamsAndLists.h"

class ENoTargetList : public EFrameworkError {
public:
    using EFrameworkError::EFrameworkError;
};

inline constexpr const wchar_t* kStringsUnassigned = L"The parameter Strings is unassigned!";

// A colour written as three decimal numbers split by any non-digits, red
// first ("211 211 211"), as R | G << 8 | B << 16. A run of digits counts when
// a non-digit follows it, or when it is the third; missing parts are 0 and
// each part keeps its low 8 bits.
uint32_t RGBTextToColor(std::string_view text);

class TQuickIni {
public:
    TQuickIni();
    ~TQuickIni();
    TQuickIni(const TQuickIni&) = delete;
    TQuickIni& operator=(const TQuickIni&) = delete;

    // Reads from the stream's position to its end and replaces everything; null does nothing.
    void LoadFromStream(TStream* stream);
    // Sets FFileName; loads the file when it exists, else clears.
    void LoadFromFile(const std::wstring& fileName);
    void SetFileName(const std::wstring& fileName) { FFileName = fileName; }

    // The list fillers clear the list first and raise ENoTargetList
    // (kStringsUnassigned) when given none.
    void ReadSections(TStringList* strings) const;                                   // names, trimmed
    void ReadSection(const std::string& section, TStringList* strings) const;        // keys, lower-cased
    void ReadSectionValues(const std::string& section, TStringList* strings) const;  // key lines as stored

    // The value, or def when the section or key is missing or the value empty.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Decimal, optionally signed, or hexadecimal after "0x"/"0X"; def when the text is not such a number.
    int32_t ReadInteger(const std::string& section, const std::string& key, int32_t def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    // Operations on one stored line.
    static std::wstring GetName(const std::wstring& line);  // lower-cased key, or empty
    static std::wstring GetValue(const std::wstring& line, const std::wstring& key);
    static bool IsSection(const std::wstring& line);
    // Line index of the first header of that section, or -1.
    int GetSectionIndex(const std::wstring& section) const;

    // Writing. A new key goes after the last line of its section, a new
    // section at the end; WriteString replaces the line that reading sees.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    // Removes every line of the key from the section, so it then reads as the default.
    void DeleteKey(const std::string& section, const std::string& key);
    // Removes the section that reading sees: its header and its lines.
    void EraseSection(const std::string& section);
    void SaveToStream(TStream* stream) const;  // lines in ANSI, each ending CR LF
    void SaveToFile(const std::wstring& fileName) const;
    // Replaces the lines (cleaned by the load rules) and rebuilds the section index.
    void SetIniFile(const TStringList& lines);
    void RebuildSections();
    void Clear();

    // Compressed form: 32-bit little-endian length, then the LZH bit stream.
    // LoadFromZip is false, changing nothing, when the stream cannot be expanded.
    bool LoadFromZip(TStream* stream);
    void SavetoZip(TStream* stream) const;
    static void Compress(TStream& source, TStream& dest);
    static bool Decompress(TStream& source, TStream& dest);

    bool FAuto = false;
    std::wstring FFileName;
    TStringList FIniFile;
    TStringList FSections;          // header lines, trimmed, brackets kept
    std::vector<int> FSectionLine;  // FIniFile index of each FSections entry

private:
    // The first header of each section name (lower-cased, brackets kept) and
    // its body's lines, so that a lookup costs the same however many
    // sections the text has. Rebuilt with FSections.
    struct SectionLines {
        int header, begin, end;
    };
    std::unordered_map<std::wstring, SectionLines> sectionIndex_;

    void SetLines(const std::vector<std::wstring>& lines);
    // First and one-past-last line of the section's body, or {-1, -1}.
    std::pair<int, int> SectionRange(const std::wstring& section) const;
};
