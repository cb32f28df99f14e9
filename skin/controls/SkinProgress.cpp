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

bool TSkinProgress::BeforeProc(TMessage& m) {
    switch (m.Msg) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
            if (!fsd || !Usable(fsd->progress.get())) return true;
            WMPaint(m);
            m.Result = 0;
            return false;
        case WM_ERASEBKGND: m.Result = 1; return false;
        default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinProgress::DrawControl(HDC dc, const TRect& rc) {
    const TDataSkinBorder* p = fsd ? fsd->progress.get() : nullptr;
    if (!Usable(p) || rc.IsEmpty()) return;
    if (p->style == 1) {
        DrawControl1(dc, rc);
        return;
    }
    const bool vertical = (GetWindowLongW(hwnd, GWL_STYLE) & PBS_VERTICAL) != 0;
    const int w = vertical ? rc.Height() : rc.Width();
    const int h = vertical ? rc.Width() : rc.Height();
    const TRect whole{0, 0, w, h};
    const bool tile = p->Tile != 0;
    if (trackKey_ != whole || trackOnFace_.Empty()) {
        trackOnFace_.SetSize(w, h);
        HDC t = trackOnFace_.DC();
        if (!t) return;
        FillBG(t, whole);
        if (auto track = GetHMap(whole, p->Map, p->r, 1, 2, tile, false)) DrawTranmap(t, whole, *track, kSkinKeyColor);
        trackKey_ = whole;
        filledKey_ = -1;
    }
    const BarValues v = ReadBar(hwnd);
    int filled = 0;
    if (v.max > 0 && v.pos > 0) filled = std::max(0, MulDiv(w, v.pos - v.min, v.max - v.min));
    if (filled != filledKey_ || vertical != verticalKey_ || work_.Empty()) {
        work_.SetSize(w, h);
        HDC mem = work_.DC();
        if (!mem) return;
        BitBlt(mem, 0, 0, w, h, trackOnFace_.DC(), 0, 0, SRCCOPY);
        if (filled > 0) {
            const TRect bar{0, 0, filled, h};
            if (auto piece = GetHMap(bar, p->Map, p->r, 2, 2, tile, false))
                DrawTranmap(mem, bar, *piece, kSkinKeyColor);
        }
        if (vertical) Drehen270Grad(work_);
        filledKey_ = filled;
        verticalKey_ = vertical;
    }
    BitBlt(dc, rc.Left, rc.Top, work_.Width(), work_.Height(), work_.DC(), 0, 0, SRCCOPY);
}

void TSkinProgress::SkinChange() {
    trackOnFace_.SetSize(0, 0);
    filledKey_ = -1;
    TSkinControl::SkinChange();
}

void TSkinProgress::DrawControl1(HDC dc, const TRect& rc) {
    const TDataSkinBorder* p = fsd->progress.get();
    const TDataSkinObject* chunk = fsd->progresschunk.get();
    if (!Usable(chunk)) return;
    filledKey_ = -1;  // work_ is redrawn here
    const bool vertical = (GetWindowLongW(hwnd, GWL_STYLE) & PBS_VERTICAL) != 0;
    const int w = vertical ? rc.Height() : rc.Width();
    const int h = vertical ? rc.Width() : rc.Height();
    work_.SetSize(w, h);
    HDC mem = work_.DC();
    if (!mem) return;
    const TRect whole{0, 0, w, h};
    FillBG(mem, whole);
    if (auto track = GetHMap(whole, p->Map, p->r, 1, 1, false, false)) DrawTranmap(mem, whole, *track, kSkinKeyColor);
    const BarValues v = ReadBar(hwnd);
    if (v.max > 0 && v.pos > 0) {
        const int filled = MulDiv(w, v.pos, v.max);
        const int cw = chunk->Map.Width();
        const int ch = chunk->Map.Height();
        if (filled > 0 && chunk->Tile == 1) {
            TBitmap canvas(filled, ch);
            TCanvas c(canvas);
            for (int i = 0; i <= filled / cw; ++i) c.Draw(i * cw, 0, chunk->Map);
            DrawTranmap(mem, TRect{chunk->r.Left + 2, (h - ch) / 2, chunk->r.Left + 2 + filled, (h - ch) / 2 + ch},
                        canvas, kSkinKeyColor);
        } else if (filled > 0 && h > 4) {
            TBitmap canvas(filled, h - 4);
            TCanvas c(canvas);
            DrawRectH(c, TRect{0, 0, filled, h}, chunk->Map, chunk->r, 1, 1, 0, false);
            DrawTranmap(mem, TRect{2, 2, 2 + filled, h - 2}, canvas, kSkinKeyColor);
        }
    }
    if (vertical) Drehen270Grad(work_);
    BitBlt(dc, rc.Left, rc.Top, work_.Width(), work_.Height(), work_.DC(), 0, 0, SRCCOPY);
}
