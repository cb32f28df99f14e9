// Per-pixel reads and writes over DIB-layout rows. Internal to the graphics
// code (also used by the skin drawing code for formats without a fast path).
//
// A "px" value is 0x00RRGGBB, the byte order of 24- and 32-bit pixels read
// as a little-endian word; a TColor is the same with red and blue swapped.
#pragma once

#include <cstdint>

#include "framework/graphics/Bitmap.h"

namespace gfx_detail {

inline uint32_t ColorToPx(TColor c) {
    const uint32_t u = static_cast<uint32_t>(c);
    return (u & 0xFF) << 16 | (u & 0xFF00) | ((u >> 16) & 0xFF);
}
inline TColor PxToColor(uint32_t px) {
    return static_cast<TColor>(ColorToPx(static_cast<TColor>(px)));
}

// 5-bit channel to 8 bits the way GDI widens it (31 -> 255).
inline uint32_t Widen5(uint32_t v) {
    return (v << 3) | (v >> 2);
}

inline uint32_t Px555ToPx(uint32_t p) {
    return Widen5((p >> 10) & 31) << 16 | Widen5((p >> 5) & 31) << 8 | Widen5(p & 31);
}
inline uint16_t PxTo555(uint32_t px) {
    return static_cast<uint16_t>(((px >> 19) & 31) << 10 | ((px >> 11) & 31) << 5 | ((px >> 3) & 31));
}

// Index of the palette colour nearer to px (ties go to index 0).
inline int NearestMono(uint32_t px, const uint32_t mono[2]) {
    auto dist = [px](uint32_t q) {
        int64_t d = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int64_t c = static_cast<int64_t>((px >> shift) & 0xFF) - ((q >> shift) & 0xFF);
            d += c * c;
        }
        return d;
    };
    return dist(mono[1]) < dist(mono[0]) ? 1 : 0;
}

inline uint32_t ReadPx(const uint8_t* row, int x, TPixelFormat format, const uint32_t mono[2]) {
    switch (format) {
        case pf1bit: return mono[(row[x >> 3] >> (7 - (x & 7))) & 1];
        case pf16bit: return Px555ToPx(static_cast<uint32_t>(row[2 * x] | row[2 * x + 1] << 8));
        case pf24bit: {
            const uint8_t* p = row + 3 * x;
            return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
        }
        case pf32bit: {
            const uint8_t* p = row + 4 * x;
            return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
        }
    }
    return 0;
}

inline void WritePx(uint8_t* row, int x, TPixelFormat format, uint32_t px, const uint32_t mono[2]) {
    switch (format) {
        case pf1bit: {
            const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
            if (NearestMono(px, mono))
                row[x >> 3] |= bit;
            else
                row[x >> 3] &= static_cast<uint8_t>(~bit);
            return;
        }
        case pf16bit: {
            const uint16_t v = PxTo555(px);
            row[2 * x] = static_cast<uint8_t>(v);
            row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
            return;
        }
        case pf24bit: {
            uint8_t* p = row + 3 * x;
            p[0] = static_cast<uint8_t>(px);
            p[1] = static_cast<uint8_t>(px >> 8);
            p[2] = static_cast<uint8_t>(px >> 16);
            return;
        }
        case pf32bit: {
            uint8_t* p = row + 4 * x;
            p[0] = static_cast<uint8_t>(px);
            p[1] = static_cast<uint8_t>(px >> 8);
            p[2] = static_cast<uint8_t>(px >> 16);
            p[3] = 0;
            return;
        }
    }
}

// The two palette entries of a bitmap as px values.
struct MonoPalette {
    uint32_t px[2];
    explicit MonoPalette(const TBitmap& b) : px{ColorToPx(b.MonoColor(0)), ColorToPx(b.MonoColor(1))} {}
};

}  // namespace gfx_detail
