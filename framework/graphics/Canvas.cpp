#include "framework/graphics/Canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/graphics/PixelOps.h"
#include "framework/graphics/PixelStore.h"

using namespace gfx_detail;

namespace {

// a * b / c rounded half away from zero, as the platform's MulDiv.
int MulDivRound(int a, int b, int c) {
    const int64_t p = static_cast<int64_t>(a) * b;
    const int64_t q = (std::llabs(p) * 2 + std::llabs(c)) / (2 * std::llabs(static_cast<int64_t>(c)));
    return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}

// Target index -> source index along one axis, both lengths positive.
void AxisMap(int s, int d, bool horizontal, std::vector<int>& map) {
    map.assign(static_cast<size_t>(d), -1);
    if (d >= s) {
        for (int i = 0; i < d; ++i)
            map[static_cast<size_t>(i)] = static_cast<int>(((int64_t{2} * i + 1) * s - 1) / (int64_t{2} * d));
    } else if (horizontal && d == 1) {
        map[0] = s - 2;  // what GDI gives for a one-column target
    } else {
        for (int j = 0; j < s; ++j) {
            const int t = static_cast<int>(((int64_t{2} * j + 1) * d - 1) / (int64_t{2} * s));
            if (horizontal || map[static_cast<size_t>(t)] < 0) map[static_cast<size_t>(t)] = j;
        }
    }
}

struct AxisPair {
    int dst;
    int src;
};

// The (target, source) coordinate pairs along one axis that land inside both bitmaps.
void AxisPairs(int d0, int dLen, int s0, int sLen, int dLow, int dHigh, int sHigh, bool horizontal,
               std::vector<AxisPair>& pairs) {
    std::vector<int> map;
    AxisMap(std::abs(sLen), std::abs(dLen), horizontal, map);
    pairs.clear();
    for (int i = 0; i < std::abs(dLen); ++i) {
        const int d = dLen > 0 ? d0 + i : d0 - i;
        const int m = map[static_cast<size_t>(i)];
        const int s = sLen > 0 ? s0 + m : s0 - m;
        if (d >= dLow && d < dHigh && s >= 0 && s < sHigh) pairs.push_back({d, s});
    }
}

}  // namespace

int TFont::Size() const {
    return -MulDivRound(Height, 72, ScreenPixelsPerInch());
}

void TFont::SetSize(int points) {
    Height = -MulDivRound(points, ScreenPixelsPerInch(), 72);
}

void TFont::Assign(const TFont& other) {
    if (&other == this) return;
    Name = other.Name;
    Height = other.Height;
    Color = other.Color;
    Style = other.Style;
    Charset = other.Charset;
}

namespace gfx_detail {

void StretchCopy(TBitmap& dst, const TRect& clip, const TRect& dest, const TBitmap& src, const TRect& srcRect,
                 bool keyed, uint32_t keyPx) {
    const int dw = dest.Width(), dh = dest.Height(), sw = srcRect.Width(), sh = srcRect.Height();
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0 || dst.Empty() || src.Empty()) return;
    if (&dst == &src) {
        // Overlapping copies within one bitmap read from a snapshot.
        TBitmap copy;
        copy.Assign(src);
        StretchCopy(dst, clip, dest, copy, srcRect, keyed, keyPx);
        return;
    }
    TRect box;
    if (!IntersectRect(box, clip, Rect(0, 0, dst.Width(), dst.Height()))) return;
    std::vector<AxisPair> cols, rows;
    AxisPairs(dest.Left, dw, srcRect.Left, sw, box.Left, box.Right, src.Width(), true, cols);
    AxisPairs(dest.Top, dh, srcRect.Top, sh, box.Top, box.Bottom, src.Height(), false, rows);
    if (cols.empty() || rows.empty()) return;

    const TPixelFormat df = dst.PixelFormat(), sf = src.PixelFormat();
    const int dStride = dst.RowBytes(), sStride = src.RowBytes();
    uint8_t* dBits = dst.Bits();
    const uint8_t* sBits = src.Bits();
    const MonoPalette dMono(dst), sMono(src);
    const bool bytePixels = df == sf && df != pf1bit;
    const int bpp = BitsPerPixel(df) / 8;

    // Columns that are one contiguous run on both sides copy as one block.
    bool straight = true;
    for (size_t i = 1; i < cols.size(); ++i)
        if (cols[i].dst != cols[i - 1].dst + 1 || cols[i].src != cols[i - 1].src + 1) straight = false;
    const int firstX = std::min(cols.front().dst, cols.back().dst);
    const size_t spanBytes = cols.size() * static_cast<size_t>(bpp);

    std::vector<int> dOff, sOff;
    if (bytePixels) {
        dOff.reserve(cols.size());
        sOff.reserve(cols.size());
        for (const AxisPair& c : cols) {
            dOff.push_back(c.dst * bpp);
            sOff.push_back(c.src * bpp);
        }
    }

    const uint8_t* lastDstRow = nullptr;
    int lastSrc = -1;
    for (const AxisPair& r : rows) {
        uint8_t* d = dBits + static_cast<size_t>(dStride) * r.dst;
        const uint8_t* s = sBits + static_cast<size_t>(sStride) * r.src;
        if (!keyed && bytePixels && r.src == lastSrc) {
            // A repeated source row: the row already written is the answer.
            std::memcpy(d + firstX * bpp, lastDstRow + firstX * bpp, spanBytes);
            continue;
        }
        if (!keyed && bytePixels && straight) {
            std::memcpy(d + cols.front().dst * bpp, s + cols.front().src * bpp, spanBytes);
        } else if (bytePixels && bpp == 3) {
            for (size_t i = 0; i < cols.size(); ++i) {
                const uint8_t* p = s + sOff[i];
                if (keyed && static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) == keyPx) continue;
                uint8_t* q = d + dOff[i];
                q[0] = p[0];
                q[1] = p[1];
                q[2] = p[2];
            }
        } else if (bytePixels && bpp == 4) {
            for (size_t i = 0; i < cols.size(); ++i) {
                uint32_t v;
                std::memcpy(&v, s + sOff[i], 4);
                if (keyed && (v & 0xFFFFFF) == keyPx) continue;
                std::memcpy(d + dOff[i], &v, 4);
            }
        } else {
            for (const AxisPair& c : cols) {
                const uint32_t px = ReadPx(s, c.src, sf, sMono.px);
                if (keyed && px == keyPx) continue;
                WritePx(d, c.dst, df, px, dMono.px);
            }
        }
        lastDstRow = d;
        lastSrc = r.src;
    }
}

}  // namespace gfx_detail

TCanvas::TCanvas(TBitmap& bitmap) : bitmap_(&bitmap) {}

TRect TCanvas::ClipRect() const {
    const TRect bounds = Rect(0, 0, bitmap_ ? bitmap_->Width() : 0, bitmap_ ? bitmap_->Height() : 0);
    if constexpr (kGdi) return bitmap_ ? BitmapDcClip(bounds) : DcClipRect();
    return bounds;
}

bool TCanvas::RectVisible(const TRect& rect) const {
    if constexpr (kGdi)
        if (!bitmap_) return DcRectVisible(rect);
    TRect common;
    return IntersectRect(common, rect, ClipRect());
}

void TCanvas::FillRect(const TRect& rect) {
    if (Brush.Style == bsClear) return;
    if constexpr (kGdi)
        if (!bitmap_) return DcFill(rect, false);
    TRect box;
    if (!IntersectRect(box, rect, ClipRect())) return;
    const TPixelFormat format = bitmap_->PixelFormat();
    const MonoPalette mono(*bitmap_);
    const uint32_t px = ColorToPx(ColorToRGB(Brush.Color));
    uint8_t* bits = bitmap_->Bits();
    const int stride = bitmap_->RowBytes();
    uint8_t* first = bits + static_cast<size_t>(stride) * box.Top;
    for (int x = box.Left; x < box.Right; ++x) WritePx(first, x, format, px, mono.px);
    for (int y = box.Top + 1; y < box.Bottom; ++y) {
        uint8_t* row = bits + static_cast<size_t>(stride) * y;
        if (format == pf1bit) {
            for (int x = box.Left; x < box.Right; ++x) WritePx(row, x, format, px, mono.px);
        } else {
            const int bpp = BitsPerPixel(format) / 8;
            std::memcpy(row + box.Left * bpp, first + box.Left * bpp, static_cast<size_t>(box.Width()) * bpp);
        }
    }
}

void TCanvas::FrameRect(const TRect& rect) {
    if (rect.IsEmpty() || Brush.Style == bsClear) return;
    if constexpr (kGdi)
        if (!bitmap_) return DcFill(rect, true);
    FillRect(Rect(rect.Left, rect.Top, rect.Right, rect.Top + 1));
    FillRect(Rect(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom));
    FillRect(Rect(rect.Left, rect.Top, rect.Left + 1, rect.Bottom));
    FillRect(Rect(rect.Right - 1, rect.Top, rect.Right, rect.Bottom));
}

void TCanvas::CopyRect(const TRect& dest, const TBitmap& source, const TRect& sourceRect) {
    if constexpr (kGdi)
        if (!bitmap_) return DcCopy(dest, source, sourceRect);
    StretchCopy(*bitmap_, ClipRect(), dest, source, sourceRect, false, 0);
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
    if (source.bitmap_) return CopyRect(dest, *source.bitmap_, sourceRect);
    if constexpr (kGdi) DcCopy(dest, source, sourceRect);
}

void TCanvas::Draw(int x, int y, const TBitmap& bitmap) {
    if (bitmap.Transparent()) return DrawTransparent(x, y, bitmap, bitmap.TransparentColor());
    CopyRect(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()));
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap& bitmap) {
    const TRect all = Rect(0, 0, bitmap.Width(), bitmap.Height());
    if (!bitmap.Transparent()) return CopyRect(dest, bitmap, all);
    const uint32_t keyPx = ColorToPx(ColorToRGB(bitmap.TransparentColor()) & 0xFFFFFF);
    if constexpr (kGdi)
        if (!bitmap_) return DcStretchDrawKeyed(dest, bitmap, PxToColor(keyPx));
    StretchCopy(*bitmap_, ClipRect(), dest, bitmap, all, true, keyPx);
}

void TCanvas::DrawTransparent(int x, int y, const TBitmap& bitmap, TColor key) {
    if (bitmap.Empty()) return;
    if constexpr (kGdi)
        if (!bitmap_) return DcTransparent(x, y, bitmap, key);
    const TRect all = Rect(0, 0, bitmap.Width(), bitmap.Height());
    StretchCopy(*bitmap_, ClipRect(), Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap, all, true,
                ColorToPx(ColorToRGB(key) & 0xFFFFFF));
}

TColor TCanvas::Pixel(int x, int y) const {
    if constexpr (kGdi)
        if (!bitmap_) return DcPixel(x, y);
    return bitmap_->Pixel(x, y);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    if constexpr (kGdi)
        if (!bitmap_) return DcSetPixel(x, y, color);
    bitmap_->SetPixel(x, y, color);
}
