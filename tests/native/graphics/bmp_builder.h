// Builds small Windows bitmap files byte by byte, so that tests can describe
// exactly the header fields a case is about.
#pragma once

#include <cstdint>
#include <vector>

struct BmpLayout {
    uint32_t headerSize = 40;
    int32_t width = 1;
    int32_t height = 1;  // negative: top-down
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    std::vector<uint32_t> masks;    // written after a 40-byte header
    std::vector<uint32_t> palette;  // 0x00RRGGBB, 4 bytes each (3 for a 12-byte header)
    std::vector<uint8_t> pixels;    // the pixel array exactly as stored
    int64_t offBits = -1;           // -1: right after the palette
};

inline void PutLE(std::vector<uint8_t>& out, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> BuildBmp(const BmpLayout& s) {
    std::vector<uint8_t> header;
    if (s.headerSize == 12) {
        PutLE(header, 12, 4);
        PutLE(header, static_cast<uint16_t>(s.width), 2);
        PutLE(header, static_cast<uint16_t>(s.height), 2);
        PutLE(header, 1, 2);
        PutLE(header, s.bpp, 2);
    } else {
        PutLE(header, s.headerSize, 4);
        PutLE(header, static_cast<uint32_t>(s.width), 4);
        PutLE(header, static_cast<uint32_t>(s.height), 4);
        PutLE(header, 1, 2);
        PutLE(header, s.bpp, 2);
        PutLE(header, s.compression, 4);
        PutLE(header, s.pixels.size(), 4);
        PutLE(header, 2835, 4);
        PutLE(header, 2835, 4);
        PutLE(header, s.clrUsed, 4);
        PutLE(header, 0, 4);
        while (header.size() < s.headerSize) header.push_back(0);
    }
    for (uint32_t m : s.masks) PutLE(header, m, 4);
    for (uint32_t c : s.palette) {
        PutLE(header, c, 3);
        if (s.headerSize != 12) header.push_back(0);
    }
    const uint64_t off = s.offBits >= 0 ? static_cast<uint64_t>(s.offBits) : 14 + header.size();
    std::vector<uint8_t> file;
    file.push_back('B');
    file.push_back('M');
    PutLE(file, 14 + header.size() + s.pixels.size(), 4);
    PutLE(file, 0, 4);
    PutLE(file, off, 4);
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), s.pixels.begin(), s.pixels.end());
    return file;
}
