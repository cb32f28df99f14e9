// Builds skin packages for tests, field by field, so damaged ones can be made too.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "skin/data/Skinread.h"
#include "skin/data/Winconvert.h"
#include "skin_test_util.h"

inline void PutLE32(Bytes& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}

struct ExpandedPackage {
    int32_t version = 40000;
    std::string dir;                // raw directory text
    std::vector<int32_t> sizes;     // raw size table
    Bytes files;                    // raw file area
    std::optional<int32_t> dirLen;  // default: the length of dir
    int nameWidth = -1;             // -1: the width for version
    int32_t u1 = 0x01020304, u2 = -7;
    std::optional<size_t> cutAt;  // keep only this many bytes

    Bytes Build() const {
        Bytes out;
        PutLE32(out, version);
        PutLE32(out, dirLen.value_or(static_cast<int32_t>(dir.size())));
        PutLE32(out, u1);
        PutLE32(out, u2);
        int w = nameWidth >= 0 ? nameWidth : std::max(0, TSkinReader::NameFieldWidth(version));
        for (int i = 0; i < w; ++i) out.push_back(static_cast<uint8_t>('N' + i % 7));
        out.insert(out.end(), dir.begin(), dir.end());
        for (int32_t s : sizes) PutLE32(out, s);
        out.insert(out.end(), files.begin(), files.end());
        if (cutAt && *cutAt < out.size()) out.resize(*cutAt);
        return out;
    }
};

// A well-formed package's expanded form: names (CR LF after each), sizes, files.
inline ExpandedPackage MakePackage(const std::vector<std::pair<std::string, Bytes>>& members, int32_t version = 40000) {
    ExpandedPackage p;
    p.version = version;
    for (const auto& [name, data] : members) {
        p.dir += name + "\r\n";
        p.sizes.push_back(static_cast<int32_t>(data.size()));
        p.files.insert(p.files.end(), data.begin(), data.end());
    }
    return p;
}

// The stored form: length field and LZH bit stream.
inline Bytes Store(const Bytes& expanded) {
    TMemoryStream in, out;
    Fill(in, expanded);
    LZHPackStream(in, out);
    return Contents(out);
}
