// The 54-byte header of an uncompressed, bottom-up Windows bitmap file, for
// benchmarks that draw their own skin-like bitmaps.
#pragma once

#include <cstdint>
#include <vector>

namespace bench {

inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// Starts a file of width x height at bpp (24 or 32) bits per pixel; the
// caller appends the rows, each padded to stride bytes, bottom row first.
inline std::vector<uint8_t> BmpHeader(int width, int height, int bpp, int stride) {
    std::vector<uint8_t> b = {'B', 'M'};
    Put32(b, static_cast<uint32_t>(54 + stride * height));
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, 1);
    Put16(b, static_cast<uint16_t>(bpp));
    Put32(b, 0);
    Put32(b, static_cast<uint32_t>(stride * height));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    return b;
}

}  // namespace bench
