#include "skin/draw/DrawUtils.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

bool Inverted(const TRect& r) {
    return r.Right < r.Left || r.Bottom < r.Top;
}

// A fresh 24-bit work bitmap of the given size.
std::unique_ptr<TBitmap> WorkBitmap(int width, int height) {
    return std::make_unique<TBitmap>(width > 0 ? width : 0, height > 0 ? height : 0, pf24bit);
}

void Finish(TCanvas& dc, const TRect& target, const TBitmap& piece, bool transparent) {
    if (transparent)
        DrawTranmap(dc, target, piece, kSkinKeyColor);
    else
        dc.Draw(target.Left, target.Top, piece);
}

}  // namespace

int Max(int a, int b) {
    return a > b ? a : b;
}
int Min(int a, int b) {
    return a < b ? a : b;
}

TRect SkinFrameRect(const TBitmap& bitmap, int frameNumber, int frameCount, bool stacked) {
    const int n = frameCount < 1 ? 1 : frameCount;
    if (stacked) {
        const int fh = bitmap.Height() / n;
        return Bounds(0, (frameNumber - 1) * fh, bitmap.Width(), fh);
    }
    const int fw = bitmap.Width() / n;
    return Bounds((frameNumber - 1) * fw, 0, fw, bitmap.Height());
}

std::unique_ptr<TBitmap> GetHMap(const TRect& target, const TBitmap& source, const TRect& margins, int frameNumber,
                                 int frameCount, bool tile, bool stacked) {
    auto result = WorkBitmap(target.Width(), target.Height());
    GetHMap(*result, target, source, margins, frameNumber, frameCount, tile, stacked);
    return result;
}

void GetHMap(TBitmap& result, const TRect& target, const TBitmap& source, const TRect& margins, int frameNumber,
             int frameCount, bool tile, bool stacked) {
    const TRect f = SkinFrameRect(source, frameNumber, frameCount, stacked);
    const int tw = std::max(target.Width(), 0), th = std::max(target.Height(), 0);
    if (result.PixelFormat() != pf24bit) result.SetPixelFormat(pf24bit);
    result.SetSize(tw, th);
    if (result.Empty()) return;
    int l = margins.Left, t = margins.Top, r = margins.Right, b = margins.Bottom;
    if (tw < l + r) l = r = 0;
    if (th < t + b) t = b = 0;
    const int fx = f.Left, fy = f.Top, fw = f.Width(), fh = f.Height();
    TCanvas& c = result.Canvas();
    auto piece = [&](const TRect& dst, const TRect& src) { c.CopyRect(dst, source, src); };

    if (l * t > 0) piece(Rect(0, 0, l, t), Rect(fx, fy, fx + l, fy + t));
    if (l * b > 0) piece(Rect(0, th - b, l, th), Rect(fx, fy + fh - b, fx + l, fy + fh));
    if (r * t > 0) piece(Rect(tw - r, 0, tw, t), Rect(fx + fw - r, fy, fx + fw, fy + t));
    if (l > 0) piece(Rect(0, t, l, th - b), Rect(fx, fy + t, fx + l, fy + fh - b));
    if (t > 0) piece(Rect(l, 0, tw - r, t), Rect(fx + l, fy, fx + fw - r, fy + t));
    const TRect centreDst = Rect(l, t, tw - r, th - b);
    const TRect centreSrc = Rect(fx + l, fy + t, fx + fw - r, fy + fh - b);
    if (tile)
        DrawBGbmp(c, centreDst, source, centreSrc);
    else
        piece(centreDst, centreSrc);
    if (r * b > 0) piece(Rect(tw - r, th - b, tw, th), Rect(fx + fw - r, fy + fh - b, fx + fw, fy + fh));
    if (r > 0) piece(Rect(tw - r, t, tw, th - b), Rect(fx + fw - r, fy + t, fx + fw, fy + fh - b));
    if (b > 0) piece(Rect(l, th - b, tw - r, th), Rect(fx + l, fy + fh - b, fx + fw - r, fy + fh));
}

void DrawRect2(TCanvas& dc, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
               int frameCount, bool transparent, bool tile, bool stacked) {
    if (Inverted(target)) return;
    const auto piece = GetHMap(target, bitmap, margins, frameNumber, frameCount, tile, stacked);
    Finish(dc, target, *piece, transparent);
}

void DrawRect1(TCanvas& dc, const TRect& target, const TBitmap& bitmap, int frameNumber, int frameCount,
               bool transparent) {
    if (Inverted(target)) return;
    auto piece = WorkBitmap(target.Width(), target.Height());
    piece->Canvas().CopyRect(Rect(0, 0, piece->Width(), piece->Height()), bitmap,
                             SkinFrameRect(bitmap, frameNumber, frameCount, false));
    Finish(dc, target, *piece, transparent);
}

void DrawRect3(TCanvas& dc, const TRect& target, const TBitmap& bitmap, int frameNumber, int frameCount,
               bool transparent) {
    const TRect f = SkinFrameRect(bitmap, frameNumber, frameCount, false);
    auto piece = WorkBitmap(f.Width(), f.Height());
    piece->Canvas().CopyRect(Rect(0, 0, piece->Width(), piece->Height()), bitmap, f);
    const TRect at = Bounds(target.Left + (target.Width() - f.Width()) / 2,
                            target.Top + (target.Height() - f.Height()) / 2, f.Width(), f.Height());
    if (transparent)
        dc.DrawTransparent(at.Left, at.Top, *piece, kSkinKeyColor);
    else
        dc.Draw(at.Left, at.Top, *piece);
}

void DrawRectH(TCanvas& dc, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
               int frameCount, int, bool stacked) {
    if (Inverted(target)) return;
    const TRect f = SkinFrameRect(bitmap, frameNumber, frameCount, stacked);
    const int tw = target.Width(), th = target.Height();
    auto piece = WorkBitmap(tw, th);
    TCanvas& c = piece->Canvas();
    if (f.Width() > tw) {
        c.CopyRect(Rect(0, 0, tw, th), bitmap, f);
    } else {
        const int l = margins.Left, r = margins.Right;
        if (l > 0) c.CopyRect(Rect(0, 0, l, th), bitmap, Rect(f.Left, f.Top, f.Left + l, f.Bottom));
        c.CopyRect(Rect(l, 0, tw - r, th), bitmap, Rect(f.Left + l, f.Top, f.Right - r, f.Bottom));
        if (r > 0) c.CopyRect(Rect(tw - r, 0, tw, th), bitmap, Rect(f.Right - r, f.Top, f.Right, f.Bottom));
    }
    dc.Draw(target.Left, target.Top, *piece);
}

void DrawRectTile(TCanvas& canvas, const TRect& target, const TBitmap& bitmap, const TRect& margins, int frameNumber,
                  int frameCount, bool transparent, bool stacked) {
    if (Inverted(target)) return;
    const TRect f = SkinFrameRect(bitmap, frameNumber, frameCount, stacked);
    const int tw = target.Width(), th = target.Height();
    const int l = margins.Left, r = margins.Right;
    auto piece = WorkBitmap(tw, th);
    TCanvas& c = piece->Canvas();
    c.CopyRect(Rect(0, 0, l, th), bitmap, Rect(f.Left, f.Top, f.Left + l, f.Bottom));
    const int m = f.Width() - l - r;
    // A frame without a middle has nothing to repeat (and would never advance).
    if (m > 0) {
        // Copies left of the piece are invisible; start with the first one that shows.
        int64_t x = l < 0 ? l + -int64_t{l} / m * m : l;
        for (; x < int64_t{tw} - r; x += m)
            c.CopyRect(Rect(static_cast<int>(x), 0, static_cast<int>(x + m), th), bitmap,
                       Rect(f.Left + l, f.Top, f.Left + l + m, f.Bottom));
    }
    c.CopyRect(Rect(tw - r, 0, tw, th), bitmap, Rect(f.Right - r, f.Top, f.Right, f.Bottom));
    if (transparent) {
        piece->SetTransparent(true);
        piece->SetTransparentColor(kSkinKeyColor);
    }
    canvas.Draw(target.Left, target.Top, *piece);
}

void DrawBGbmp(TCanvas& canvas, const TRect& target, const TBitmap& bitmap, const TRect& sourceRect) {
    if (sourceRect.IsEmpty()) return;
    const int sw = sourceRect.Width(), sh = sourceRect.Height();
    TBitmap tileBitmap(sw, sh, pf24bit);
    tileBitmap.Canvas().CopyRect(Rect(0, 0, sw, sh), bitmap, sourceRect);
    // Copies wholly outside the canvas's clip box would change nothing: skip them.
    const TRect clip = canvas.ClipRect();
    auto firstVisible = [](int64_t start, int64_t clipStart, int64_t step) {
        return clipStart > start ? start + (clipStart - start) / step * step : start;
    };
    const int64_t endX = std::min<int64_t>(target.Right, clip.Right),
                  endY = std::min<int64_t>(target.Bottom, clip.Bottom);
    const int64_t startX = firstVisible(target.Left, clip.Left, sw);
    if (startX >= endX) return;
    // One row of tiles, then that row once per line of tiles: a few large
    // copies rather than one small copy per tile.
    const int64_t rowWidth = (endX - startX + sw - 1) / sw * sw;
    TBitmap row(static_cast<int>(rowWidth), sh, pf24bit);
    for (int64_t x = 0; x < rowWidth; x += sw) row.Canvas().Draw(static_cast<int>(x), 0, tileBitmap);
    for (int64_t y = firstVisible(target.Top, clip.Top, sh); y < endY; y += sh)
        canvas.Draw(static_cast<int>(startX), static_cast<int>(y), row);
}

void DrawTranmap(TCanvas& dc, const TRect& target, const TBitmap& bitmap, TColor key) {
    if (Inverted(target)) return;
    dc.DrawTransparent(target.Left, target.Top, bitmap, key);
}

namespace {

struct KeyRange {
    int lo, hi;  // a negative tolerance gives hi < lo: nothing is keyed
    KeyRange(int value, int tolerance) : lo(value), hi(tolerance > 255 - value ? 255 : value + tolerance) {}
    bool Has(int v) const { return v >= lo && v <= hi; }
};

}  // namespace

void ScanRegionRects(const TBitmap& bitmap, int xOffset, int yOffset, TColor key, int blueTolerance, int greenTolerance,
                     int redTolerance, const RegionBatch& batch) {
    if (bitmap.Empty()) return;
    const TBitmap* scan = &bitmap;
    TBitmap converted;
    if (bitmap.PixelFormat() != pf24bit && bitmap.PixelFormat() != pf32bit) {
        converted.Assign(bitmap);
        converted.SetPixelFormat(pf32bit);
        scan = &converted;
    }
    const TColor rgb = ColorToRGB(key);
    const KeyRange red(RedOf(rgb), redTolerance), green(GreenOf(rgb), greenTolerance), blue(BlueOf(rgb), blueTolerance);
    const int w = scan->Width(), h = scan->Height();
    const int bpp = scan->PixelFormat() == pf32bit ? 4 : 3;
    const uint8_t* bits = scan->Bits();
    const int stride = scan->RowBytes();

    constexpr size_t kBatch = 2000;
    std::vector<TRect> rects;
    rects.reserve(kBatch);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = bits + static_cast<size_t>(stride) * y;
        auto keyed = [&](int x) {
            const uint8_t* p = row + x * bpp;
            return blue.Has(p[0]) && green.Has(p[1]) && red.Has(p[2]);
        };
        int x = 0;
        while (x < w) {
            while (x < w && keyed(x)) ++x;
            const int start = x;
            while (x < w && !keyed(x)) ++x;
            if (x > start) {
                rects.push_back(Rect(start + xOffset, y + yOffset, x + xOffset, y + yOffset + 1));
                if (rects.size() == kBatch) {
                    batch(rects.data(), rects.size());
                    rects.clear();
                }
            }
        }
    }
    if (!rects.empty()) batch(rects.data(), rects.size());
}
