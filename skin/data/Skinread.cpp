#include "skin/data/Skinread.h"

#include <algorithm>
#include <cstring>

#include "framework/system/CodePage.h"
#include "framework/system/ErrorsAndStrings.h"
#include "framework/system/FileSystem.h"
#include "skin/data/SkinMessage.h"
#include "skin/data/Winconvert.h"

namespace {
int32_t LE32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
}  // namespace

TSkinReader::TSkinReader() = default;
TSkinReader::~TSkinReader() = default;

int TSkinReader::NameFieldWidth(int32_t version) {
    switch (version) {
        case 20000: return 0;
        case 30000: return 256;
        case 40000: return 80;
        case 50000: return 48;
        case 60000: return 117;
        case 70000: return 69;
        default: return -1;
    }
}

bool TSkinReader::Decompress(TStream& source, TStream& dest) {
    return LZHUnpackStream(source, dest);
}

bool TSkinReader::Loadfromstream(TStream& source) {
    TMemoryStream expanded;
    if (!Decompress(source, expanded)) return false;
    const uint8_t* data = expanded.Memory();
    const int64_t size = expanded.Size();
    int64_t pos = 0;
    // Takes up to want bytes at pos; fewer (maybe none) when the data ends first.
    auto take = [&](int64_t want) {
        int64_t n = std::clamp<int64_t>(want, 0, std::max<int64_t>(0, size - pos));
        const uint8_t* p = data + pos;
        pos += n;
        return std::make_pair(p, n);
    };

    // A header cut short keeps zero in the fields it does not reach.
    uint8_t head[16] = {};
    auto [h, hn] = take(16);
    if (hn > 0) std::memcpy(head, h, static_cast<size_t>(hn));
    header.Version = LE32(head);
    header.DirLen = LE32(head + 4);
    header.U1 = LE32(head + 8);
    header.U2 = LE32(head + 12);

    int width = NameFieldWidth(header.Version);
    if (width < 0) {
        ShowSkinMessage(kOlderSkinMessage);
        return false;
    }
    take(width);

    auto [text, textLen] = take(header.DirLen);
    std::string dir(reinterpret_cast<const char*>(text), static_cast<size_t>(textLen));
    dir.resize(std::strlen(dir.c_str()));  // a NUL ends the directory
    Dir.SetText(LowerCaseAscii(AnsiToWide(dir)));
    Num = Dir.Count();

    sizes.assign(static_cast<size_t>(Num), 0);
    auto [table, tableLen] = take(int64_t{4} * Num);
    for (int64_t i = 0; i < tableLen / 4; ++i) sizes[static_cast<size_t>(i)] = LE32(table + 4 * i);

    auto [files, filesLen] = take(size - pos);
    ms.Clear();
    ms.WriteBuffer(files, filesLen);
    ms.SetPosition(0);

    places_.clear();
    int64_t offset = 0;
    for (int i = 0; i < Num; ++i) {
        const int32_t memberSize = sizes[static_cast<size_t>(i)];
        places_.try_emplace(Dir[i], MemberPlace{offset, memberSize});
        offset += std::max(0, memberSize);
    }
    return true;
}

bool TSkinReader::loadfromfile(const std::wstring& path) {
    if (!FileExists(path)) return false;
    TMemoryStream data;
    {
        TFileStream file(path, fmOpenRead | fmShareDenyWrite);
        data.CopyFrom(file, 0);
    }
    return Loadfromstream(data);
}

void TSkinReader::CopyMember(int64_t offset, int32_t size, TMemoryStream& dest) const {
    int64_t have = static_cast<int64_t>(ms.Bytes().size());
    int64_t begin = std::min(offset, have);
    int64_t end = std::min(offset + std::max(0, size), have);
    dest.WriteBuffer(ms.Memory() + begin, end - begin);
    dest.SetPosition(0);
}

template <typename Match>
int TSkinReader::FindMember(Match match, TMemoryStream& dest) const {
    dest.Clear();
    int count = std::min({Num, Dir.Count(), static_cast<int>(sizes.size())});
    int64_t offset = 0;
    for (int i = 0; i < count; ++i) {
        int32_t size = sizes[static_cast<size_t>(i)];
        if (match(Dir[i])) {
            CopyMember(offset, size, dest);
            return i;
        }
        offset += std::max(0, size);
    }
    return -1;
}

void TSkinReader::ReadEntry(int index, TMemoryStream& dest) const {
    int at = 0;
    FindMember([&](const std::wstring&) { return at++ == index; }, dest);
}

int64_t TSkinReader::MemberBytes() const {
    int64_t total = 0;
    for (int32_t size : sizes) total += std::max(0, size);
    return total;
}

void TSkinReader::readfile(const std::wstring& name, TMemoryStream& dest) const {
    dest.Clear();
    const auto at = places_.find(LowerCaseAscii(name));
    if (at != places_.end()) CopyMember(at->second.offset, at->second.size, dest);
}

void TSkinReader::readfile(const std::string& name, TMemoryStream& dest) const {
    readfile(AnsiToWide(name), dest);
}

void TSkinReader::readIni(const std::wstring& part, TMemoryStream& dest, std::wstring& name) const {
    int found = FindMember([&](const std::wstring& entry) { return entry.find(part) != std::wstring::npos; }, dest);
    if (found >= 0) name = Dir[found];
}
