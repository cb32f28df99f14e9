#include "skin/controls/SkinProgress.h"

#include <commctrl.h>

#include <algorithm>

#include "skin/controls/SkinObjectUtil.h"
#include "skin/draw/DrawUtils.h"
#include "skin/draw/ImgUtil.h"

namespace {

using skin_controls_util::Usable;

struct BarValues {
    int pos;
    int max;
    int min;
};

BarValues ReadBar(HWND hwnd) {
    return BarValues{static_cast<int>(SendMessageW(hwnd, PBM_GETPOS, 0, 0)),
                     static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, FALSE, 0)),
                     static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, TRUE, 0))};
}

}  // namespace

TSkinPaint TSkinProgress::PaintMode() const {
    return fsd && Usable(fsd->progress.get()) ? TSkinPaint::Whole : TSkinPaint::Over;
}

std::optional<LRESULT> TSkinProgress::EraseBackground(HDC) {
    // Never erased, skinned or not: the position changes often during a download.
    return 1;
}

void TSkinProgress::DrawControl(HDC dc, const TRect& rc) {
    const TDataSkinBorder* p = fsd ? fsd->progress.get() : nullptr;
    if (!Usable(p) || rc.IsEmpty()) return;
    const bool vertical = (GetWindowLongW(hwnd, GWL_STYLE) & PBS_VERTICAL) != 0;
    const int w = vertical ? rc.Height() : rc.Width();
    const int h = vertical ? rc.Width() : rc.Height();
    if (!vertical) {
        DrawLying(dc, rc, p);
        return;
    }
    // Drawn lying and turned up: the turn needs pixels of its own, for this paint only.
    TBitmap lying(w, h);
    if (!lying.DC()) return;
    DrawLying(lying.DC(), TRect{0, 0, w, h}, p);
    Drehen270Grad(lying);
    BitBlt(dc, rc.Left, rc.Top, lying.Width(), lying.Height(), lying.DC(), 0, 0, SRCCOPY);
}

void TSkinProgress::DrawLying(HDC dc, const TRect& rc, const TDataSkinBorder* p) {
    if (p->style == 1) {
        DrawControl1(dc, rc);
        return;
    }
    const int w = rc.Width();
    const int h = rc.Height();
    const TRect whole{0, 0, w, h};
    const bool tile = p->Tile != 0;
    if (trackKey_ != whole || trackOnFace_.Empty()) {
        trackOnFace_.SetSize(w, h);
        HDC t = trackOnFace_.DC();
        if (!t) return;
        FillBG(t, whole);
        if (auto track = GetHMap(whole, p->Map, p->r, 1, 2, tile, false)) DrawTranmap(t, whole, *track, kSkinKeyColor);
        trackKey_ = whole;
    }
    BitBlt(dc, rc.Left, rc.Top, w, h, trackOnFace_.DC(), 0, 0, SRCCOPY);
    const BarValues v = ReadBar(hwnd);
    int filled = 0;
    if (v.max > 0 && v.pos > 0) filled = std::max(0, MulDiv(w, v.pos - v.min, v.max - v.min));
    if (filled <= 0) return;
    const TRect bar{rc.Left, rc.Top, rc.Left + filled, rc.Top + h};
    if (auto piece = GetHMap(TRect{0, 0, filled, h}, p->Map, p->r, 2, 2, tile, false))
        DrawTranmap(dc, bar, *piece, kSkinKeyColor);
}

void TSkinProgress::SkinChange() {
    trackOnFace_.SetSize(0, 0);
    TSkinControl::SkinChange();
}

void TSkinProgress::DrawControl1(HDC dc, const TRect& rc) {
    const TDataSkinBorder* p = fsd->progress.get();
    const TDataSkinObject* chunk = fsd->progresschunk.get();
    if (!Usable(chunk)) return;
    const int w = rc.Width();
    const int h = rc.Height();
    const TRect whole{rc.Left, rc.Top, rc.Left + w, rc.Top + h};
    FillBG(dc, whole);
    if (auto track = GetHMap(TRect{0, 0, w, h}, p->Map, p->r, 1, 1, false, false))
        DrawTranmap(dc, whole, *track, kSkinKeyColor);
    const BarValues v = ReadBar(hwnd);
    if (v.max > 0 && v.pos > 0) {
        const int filled = MulDiv(w, v.pos, v.max);
        const int cw = chunk->Map.Width();
        const int ch = chunk->Map.Height();
        const int x = rc.Left, y = rc.Top;
        if (filled > 0 && chunk->Tile == 1) {
            TBitmap canvas(filled, ch);
            TCanvas c(canvas);
            for (int i = 0; i <= filled / cw; ++i) c.Draw(i * cw, 0, chunk->Map);
            DrawTranmap(
                dc,
                TRect{x + chunk->r.Left + 2, y + (h - ch) / 2, x + chunk->r.Left + 2 + filled, y + (h - ch) / 2 + ch},
                canvas, kSkinKeyColor);
        } else if (filled > 0 && h > 4) {
            TBitmap canvas(filled, h - 4);
            TCanvas c(canvas);
            DrawRectH(c, TRect{0, 0, filled, h}, chunk->Map, chunk->r, 1, 1, 0, false);
            DrawTranmap(dc, TRect{x + 2, y + 2, x + 2 + filled, y + h - 2}, canvas, kSkinKeyColor);
        }
    }
}
