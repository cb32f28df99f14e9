#include "skin/draw/ImgUtil.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

int Channel(TColor c, int shift) {
    return (c >> shift) & 0xFF;
}

// Builds a new image of newW x newH, pixel (x, y) taken from source(from(x, y)),
// in the source's format and palette, and hands it to the bitmap.
template <typename From>
void Remap(TBitmap& bitmap, int newW, int newH, From from) {
    if (bitmap.Empty()) return;
    TBitmap result;
    result.SetPixelFormat(bitmap.PixelFormat());
    result.SetMonoColors(bitmap.MonoColor(0), bitmap.MonoColor(1));
    result.SetSize(newW, newH);
    const TPixelFormat format = bitmap.PixelFormat();
    if (format == pf1bit) {
        for (int y = 0; y < newH; ++y)
            for (int x = 0; x < newW; ++x) {
                const auto [ox, oy] = from(x, y);
                result.SetPixel(x, y, bitmap.Pixel(ox, oy));
            }
    } else {
        const int bpp = BitsPerPixel(format) / 8;
        const uint8_t* bits = bitmap.Bits();
        const int stride = bitmap.RowBytes();
        for (int y = 0; y < newH; ++y) {
            uint8_t* row = result.ScanLine(y);
            for (int x = 0; x < newW; ++x) {
                const auto [ox, oy] = from(x, y);
                std::memcpy(row + x * bpp, bits + static_cast<size_t>(stride) * oy + ox * bpp,
                            static_cast<size_t>(bpp));
            }
        }
    }
    // Transparency settings stay with the bitmap; only the image changes.
    const bool transparent = bitmap.Transparent();
    const TTransparentMode mode = bitmap.TransparentMode();
    const TColor key = bitmap.TransparentColor();
    bitmap.Assign(result);
    bitmap.SetTransparent(transparent);
    if (mode == tmFixed) bitmap.SetTransparentColor(key);
}

struct XY {
    int x, y;
};

}  // namespace

void ConvertBitmapToGrayscale(TBitmap& bitmap) {
    bitmap.SetPixelFormat(pf24bit);
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
            const uint8_t gray = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
            p[0] = p[1] = p[2] = gray;
        }
    }
}

void ChangeTrans(TBitmap& bitmap, TColor color) {
    if (bitmap.PixelFormat() != pf24bit) bitmap.SetPixelFormat(pf24bit);
    const uint8_t r = static_cast<uint8_t>(Channel(color, 0)), g = static_cast<uint8_t>(Channel(color, 8)),
                  b = static_cast<uint8_t>(Channel(color, 16));
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
            if (p[0] == 255 && p[1] == 0 && p[2] == 255) {
                p[0] = b;
                p[1] = g;
                p[2] = r;
            }
        }
    }
}

void SpiegelnHorizontal(TBitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    Remap(bitmap, w, h, [w](int x, int y) { return XY{w - 1 - x, y}; });
}

void SpiegelnVertikal(TBitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    Remap(bitmap, w, h, [h](int x, int y) { return XY{x, h - 1 - y}; });
}

void Drehen90Grad(TBitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    Remap(bitmap, h, w, [h](int x, int y) { return XY{y, h - 1 - x}; });
}

void Drehen270Grad(TBitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    Remap(bitmap, h, w, [w](int x, int y) { return XY{w - 1 - y, x}; });
}

void Drehen180Grad(TBitmap& bitmap) {
    const int w = bitmap.Width(), h = bitmap.Height();
    Remap(bitmap, w, h, [w, h](int x, int y) { return XY{w - 1 - x, h - 1 - y}; });
}

std::unique_ptr<TBitmap> Rotate90(const TBitmap& bitmap) {
    if (bitmap.PixelFormat() != pf24bit) return nullptr;
    auto result = std::make_unique<TBitmap>();
    result->SetPixelFormat(pf24bit);
    const int w = bitmap.Width(), h = bitmap.Height();
    result->SetSize(h, w);
    for (int y = 0; y < w; ++y) {
        uint8_t* row = result->ScanLine(y);
        for (int x = 0; x < h; ++x) std::memcpy(row + 3 * x, bitmap.ScanLine(x) + 3 * (w - 1 - y), 3);
    }
    return result;
}

TColor Blend(TColor c1, TColor c2, int weight) {
    if (c1 < 0) c1 = ColorToRGB(c1);
    if (c2 < 0) c2 = ColorToRGB(c2);
    const int64_t d = weight < 100 ? 100 : 1000;
    // Blue is everything from bit 16 up, as the colour value holds it.
    auto mix = [&](int64_t a, int64_t b) { return ((b * (d - weight) + a * weight + d / 2) / d) & 0xFF; };
    const int64_t r = mix(c1 & 0xFF, c2 & 0xFF);
    const int64_t g = mix((c1 >> 8) & 0xFF, (c2 >> 8) & 0xFF);
    const int64_t b = mix(c1 >> 16, c2 >> 16);
    return static_cast<TColor>(r + g * 256 + b * 65536);
}

namespace {
// Seventeen slots as the engine declares them; the ring uses 0 to 15.
std::vector<TColor> gradients[17];
int ringPosition = 0;
}  // namespace

int FindGradient(int n, TColor c1, TColor c2) {
    if (n <= 0) return -1;
    for (int slot = 15; slot >= 0; --slot) {
        const std::vector<TColor>& g = gradients[slot];
        if (static_cast<int>(g.size()) == n && g.front() == c1 && g.back() == c2) return slot;
    }
    return -1;
}

int MakeGradient(int n, TColor c1, TColor c2) {
    if (n <= 0) return -1;
    const int slot = ringPosition;
    ringPosition = ringPosition + 1 == 16 ? 0 : ringPosition + 1;
    std::vector<TColor>& g = gradients[slot];
    g.assign(static_cast<size_t>(n), 0);
    const int r1 = Channel(c1, 0), g1 = Channel(c1, 8), b1 = Channel(c1, 16);
    const int dr = Channel(c2, 0) - r1, dg = Channel(c2, 8) - g1, db = Channel(c2, 16) - b1;
    if (n == 1) {
        g[0] = ColorFromRGB(r1 + dr / 2, g1 + dg / 2, b1 + db / 2);
        return slot;
    }
    const int m = n - 1, half = m / 2;
    for (int i = 0; i < n; ++i) {
        // 64-bit: i * d overflows 32 bits for gradients longer than about 8 million pixels.
        auto step = [&](int delta) { return static_cast<int>((half + static_cast<int64_t>(i) * delta) / m); };
        g[static_cast<size_t>(i)] = ColorFromRGB(r1 + step(dr), g1 + step(dg), b1 + step(db));
    }
    return slot;
}

int GetGradient(int n, TColor c1, TColor c2) {
    const int slot = FindGradient(n, c1, c2);
    return slot >= 0 ? slot : MakeGradient(n, c1, c2);
}

const std::vector<TColor>& GradientColors(int slot) {
    static const std::vector<TColor> none;
    return slot >= 0 && slot < 17 ? gradients[slot] : none;
}

void GradFill(TCanvas& dc, const TRect& rect, TColor c1, TColor c2, int kind) {
    if (!dc.RectVisible(rect)) return;
    c1 = ColorToRGB(c1);
    c2 = ColorToRGB(c2);
    const TRect clip = dc.ClipRect();
    const bool horizontal = kind == 0;
    const int start = horizontal ? rect.Left : rect.Top;
    const int end = horizontal ? rect.Right : rect.Bottom;
    const int clipStart = horizontal ? clip.Left : clip.Top;
    const int clipEnd = horizontal ? clip.Right : clip.Bottom;
    const int n = end - start;
    if (n <= 0) return;
    const int first = clipStart > start ? clipStart - start : 0;
    const int last = clipEnd < end ? clipEnd - start - 1 : n - 1;
    const int slot = GetGradient(n, c1, c2);
    if (last < first) return;
    const std::vector<TColor>& colors = gradients[slot];
    const TBrush saved = dc.Brush;
    dc.Brush.Style = bsSolid;
    for (int i = first; i <= last; ++i) {
        dc.Brush.Color = colors[static_cast<size_t>(i)];
        dc.FillRect(horizontal ? Rect(start + i, rect.Top, start + i + 1, rect.Bottom)
                               : Rect(rect.Left, start + i, rect.Right, start + i + 1));
    }
    dc.Brush = saved;
}

int GetHSV(TColor color) {
    const int r = Channel(color, 0), g = Channel(color, 8), b = Channel(color, 16);
    const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
    if (mx < 160) return 200;
    // diff / max * 255 rounded half to even, in exact integers.
    const int num = (mx - mn) * 255;
    int q = num / mx;
    const int twice = 2 * (num % mx);
    if (twice > mx || (twice == mx && (q & 1))) ++q;
    return q;
}
