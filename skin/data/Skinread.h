// The skin package reader. Portable.
//
// A stored package is a 32-bit little-endian expanded length followed by an
// LZH bit stream. Expanded, it holds a 16-byte header, a name field whose
// width depends on the version, the directory (one member name per line),
// one 32-bit size per directory entry, and the members' bytes in directory
// order.
//
// Contract: whatever the package holds, the reader reads and serves only
// bytes that exist. A directory, size table or member that runs past the end
// of the expanded data is cut at that end; a negative size counts as 0. The
// size table is sized by the directory, so any number of entries is read.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/system/StreamsAndLists.h"

struct TSkinHeader {
    int32_t Version = 0;
    int32_t DirLen = 0;  // bytes of directory text
    int32_t U1 = 0;      // not interpreted
    int32_t U2 = 0;      // not interpreted
};

inline constexpr const wchar_t* kOlderSkinMessage = L"This is Older Skin File\rPlease update to new version !";

class TSkinReader {
public:
    TSkinReader();
    ~TSkinReader();
    TSkinReader(const TSkinReader&) = delete;
    TSkinReader& operator=(const TSkinReader&) = delete;

    // Width of the name field after the header for a known version, else -1.
    static int NameFieldWidth(int32_t version);

    // Loads the stored package in the whole of source (from offset 0). True
    // when it has a known version and has been loaded. An unknown version
    // shows kOlderSkinMessage through ShowSkinMessage and leaves Dir, sizes
    // and ms as they were. A source shorter than the length field, or one
    // that declares more bytes than its bit stream could ever expand to,
    // gives false without a message. ElzhException passes through.
    bool Loadfromstream(TStream& source);
    // False, doing nothing, when the file does not exist; else Loadfromstream
    // of its whole contents.
    bool loadfromfile(const std::wstring& path);
    // Rewinds both streams and expands source (length field, then bit
    // stream) into dest. False, dest untouched, for the two refusals above.
    bool Decompress(TStream& source, TStream& dest);

    // Copies the member whose name equals name (ASCII letters in any case)
    // into dest and rewinds it; dest is left empty when there is none.
    void readfile(const std::wstring& name, TMemoryStream& dest) const;
    // The same for a name in 8-bit text of the ANSI code page (INI values).
    void readfile(const std::string& name, TMemoryStream& dest) const;
    // Copies the first member whose directory name contains part (as given,
    // not lower-cased) and sets name to that directory name; when none
    // matches, dest is left empty and name unchanged.
    void readIni(const std::wstring& part, TMemoryStream& dest, std::wstring& name) const;

    // Copies directory entry index (duplicates and empty names included) into dest.
    void ReadEntry(int index, TMemoryStream& dest) const;
    // Bytes the size table asks for (negative sizes count as 0); more than
    // ms holds means the package is damaged.
    int64_t MemberBytes() const;

    TStringList Dir;             // member names, ASCII letters lower-cased
    int32_t Num = 0;             // entries in Dir
    std::vector<int32_t> sizes;  // one per entry
    TMemoryStream ms;            // the members' bytes
    TSkinHeader header;          // of the last package read

private:
    // Where each member's bytes lie in ms, by directory name; the first entry
    // of a name wins, as the directory walk finds it. Built by Loadfromstream.
    struct MemberPlace {
        int64_t offset;
        int32_t size;
    };
    std::unordered_map<std::wstring, MemberPlace> places_;

    // Walks the directory with the running member offset; copies the first
    // entry that matches into dest and returns its index, or -1.
    template <typename Match>
    int FindMember(Match match, TMemoryStream& dest) const;
    void CopyMember(int64_t offset, int32_t size, TMemoryStream& dest) const;
};
