#include "framework/graphics/BmpCodec.h"

#include <cstring>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/PixelOps.h"
#include "framework/graphics/PixelStore.h"

using namespace gfx_detail;

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;
// Larger files are refused before any allocation; no skin comes near this.
constexpr int64_t kMaxSide = 32768;

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
int32_t I32(const uint8_t* p) {
    return static_cast<int32_t>(U32(p));
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One channel of a BI_BITFIELDS mask: its shift and width, values widened to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
    }
    uint32_t Get(uint32_t pixel) const {
        if (!bits) return 0;
        uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return (v >> (bits - 8)) & 0xFF;
        // Repeat the bits downwards so that the largest value becomes 255.
        uint32_t out = 0;
        for (int have = 0; have < 8; have += bits) out = (out << bits) | v;
        return (out >> ((bits * ((7 + bits) / bits)) - 8)) & 0xFF;
    }
};

bool Decode(const uint8_t* data, size_t size, TBitmap& bitmap) {
    if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
    const uint32_t offBits = U32(data + 10);
    const uint8_t* h = data + 14;
    const uint32_t headerSize = U32(h);
    if (headerSize > size - 14) return false;
    int64_t width, height;
    int bpp;
    uint32_t compression = kBiRgb, clrUsed = 0;
    bool core = false;
    if (headerSize == 12) {
        core = true;
        width = U16(h + 4);
        height = static_cast<int16_t>(U16(h + 6));
        bpp = U16(h + 10);
    } else if (headerSize >= 40) {
        width = I32(h + 4);
        height = I32(h + 8);
        bpp = U16(h + 14);
        compression = U32(h + 16);
        clrUsed = U32(h + 32);
    } else {
        return false;
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;  // 64-bit: INT32_MIN cannot overflow here
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;

    size_t pos = 14 + headerSize;
    uint32_t masks[4] = {0, 0, 0, 0};
    bool hasAlphaMask = false;
    if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
        if (bpp != 16 && bpp != 32) return false;
        const int count = compression == kBiAlphaBitfields ? 4 : 3;
        if (headerSize >= 40 + 4u * count) {
            for (int i = 0; i < count; ++i) masks[i] = U32(h + 40 + 4 * i);
        } else {
            if (size - pos < 4u * count) return false;
            for (int i = 0; i < count; ++i) masks[i] = U32(data + pos + 4 * i);
            pos += 4u * count;
        }
        if (headerSize >= 56 && count == 3) masks[3] = U32(h + 52);  // V3 and later headers carry an alpha mask too
        hasAlphaMask = masks[3] != 0;
    } else if (compression != kBiRgb) {
        return false;  // run-length and embedded formats are not skin material
    }

    uint32_t palette[256] = {};
    uint32_t paletteCount = 0;
    if (bpp <= 8) {
        const uint32_t maxCount = 1u << bpp;
        paletteCount = (clrUsed == 0 || clrUsed > maxCount) ? maxCount : clrUsed;
        const size_t entry = core ? 3 : 4;
        if ((size - pos) / entry < paletteCount) return false;
        for (uint32_t i = 0; i < paletteCount; ++i) {
            const uint8_t* e = data + pos + entry * i;
            palette[i] = static_cast<uint32_t>(e[0] | e[1] << 8 | e[2] << 16);
        }
        pos += entry * paletteCount;
    }

    // Pixels start where the file header says; 0 is taken as "right after the palette".
    const size_t pixelStart = offBits == 0 ? pos : offBits;
    if (pixelStart < 14 + headerSize || pixelStart > size) return false;
    const int64_t fileStride = ((width * bpp + 31) / 32) * 4;
    if (fileStride * height > static_cast<int64_t>(size - pixelStart)) return false;
    const uint8_t* pixels = data + pixelStart;
    const int w = static_cast<int>(width), hgt = static_cast<int>(height);

    // Palette indexes are checked before anything is allocated.
    if (bpp <= 8 && paletteCount < (1u << bpp)) {
        for (int y = 0; y < hgt; ++y) {
            const uint8_t* row = pixels + fileStride * y;
            for (int x = 0; x < w; ++x) {
                const uint32_t bitPos = static_cast<uint32_t>(x) * bpp;
                const uint32_t index = (row[bitPos >> 3] >> (8 - bpp - (bitPos & 7))) & ((1u << bpp) - 1);
                if (index >= paletteCount) return false;
            }
        }
    }

    const bool is555 =
        bpp == 16 && (compression == kBiRgb || (masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F));
    TPixelFormat format = pf24bit;
    if (bpp == 1)
        format = pf1bit;
    else if (is555)
        format = pf16bit;
    else if (bpp == 32)
        format = pf32bit;
    bitmap.SetSize(0, 0);
    bitmap.SetPixelFormat(format);
    if (bpp == 1) {
        const TColor c0 = PxToColor(palette[0]);
        bitmap.SetMonoColors(c0, paletteCount > 1 ? PxToColor(palette[1]) : c0);
    }
    bitmap.SetSize(w, hgt);

    const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
    const bool bitfields = compression != kBiRgb;
    for (int y = 0; y < hgt; ++y) {
        const uint8_t* src = pixels + fileStride * (topDown ? y : hgt - 1 - y);
        uint8_t* dst = bitmap.ScanLine(y);
        switch (bpp) {
            case 1: std::memcpy(dst, src, static_cast<size_t>((w + 7) / 8)); break;
            case 4:
            case 8:
                for (int x = 0; x < w; ++x) {
                    const uint32_t index = bpp == 8 ? src[x] : (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
                    WritePx(dst, x, pf24bit, palette[index], nullptr);
                }
                break;
            case 16:
                if (is555) {
                    std::memcpy(dst, src, static_cast<size_t>(w) * 2);
                } else {
                    for (int x = 0; x < w; ++x) {
                        const uint32_t p = U16(src + 2 * x);
                        WritePx(dst, x, pf24bit, red.Get(p) << 16 | green.Get(p) << 8 | blue.Get(p), nullptr);
                    }
                }
                break;
            case 24: std::memcpy(dst, src, static_cast<size_t>(w) * 3); break;
            case 32:
                if (!bitfields) {
                    std::memcpy(dst, src, static_cast<size_t>(w) * 4);
                } else {
                    for (int x = 0; x < w; ++x) {
                        const uint32_t p = U32(src + 4 * x);
                        dst[4 * x] = static_cast<uint8_t>(blue.Get(p));
                        dst[4 * x + 1] = static_cast<uint8_t>(green.Get(p));
                        dst[4 * x + 2] = static_cast<uint8_t>(red.Get(p));
                        dst[4 * x + 3] = static_cast<uint8_t>(hasAlphaMask ? alpha.Get(p) : 0);
                    }
                }
                break;
        }
    }
    return true;
}

}  // namespace

bool ReadBmpFile(const uint8_t* data, size_t size, TBitmap& bitmap) {
    if (!data || !Decode(data, size, bitmap)) {
        bitmap.SetSize(0, 0);
        return false;
    }
    return true;
}

std::vector<uint8_t> WriteBmpFile(const TBitmap& bitmap) {
    std::vector<uint8_t> out;
    if (bitmap.Empty()) return out;
    const int w = bitmap.Width(), h = bitmap.Height();
    const int bpp = bitmap.PixelFormat() == pf32bit ? 32 : 24;
    const int stride = StrideFor(w, bpp);
    const uint32_t imageSize = static_cast<uint32_t>(stride) * static_cast<uint32_t>(h);
    out.reserve(54 + imageSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + imageSize);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(w));
    Put32(out, static_cast<uint32_t>(h));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bpp));
    Put32(out, kBiRgb);
    Put32(out, imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    const MonoPalette mono(bitmap);
    const TPixelFormat format = bitmap.PixelFormat();
    std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
    for (int y = h - 1; y >= 0; --y) {
        const uint8_t* src = bitmap.ScanLine(y);
        if (format == pf24bit || format == pf32bit) {
            std::memcpy(row.data(), src, static_cast<size_t>(w) * (bpp / 8));
        } else {
            for (int x = 0; x < w; ++x) WritePx(row.data(), x, pf24bit, ReadPx(src, x, format, mono.px), nullptr);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}
