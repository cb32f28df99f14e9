#include "skin/controls/SkinTrackBar.h"

#include <algorithm>

#include "framework/graphics/GdiHandles.h"
#include "skin/controls/SkinObjectUtil.h"
#include "skin/draw/DrawUtils.h"

namespace {

using skin_controls_util::Usable;

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

}  // namespace

void TSkinTrackBar::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    TSkinControl::Init(sf, sd, acanvas, acolor);
}

bool TSkinTrackBar::Vertical() const {
    return (GetWindowLongW(hwnd, GWL_STYLE) & TBS_VERT) != 0;
}

bool TSkinTrackBar::BeforeProc(TMessage& m) {
    // The control fills its background with the brush its parent gives it:
    // the skin's face, so the bar does not stand out of a skinned form.
    if (m.Msg == CN_CTLCOLORSTATIC && fsd && fsd->BGBrush) {
        SetBkColor(reinterpret_cast<HDC>(m.WParam), Rgb(fsd->Colors[csButtonFace]));
        m.Result = reinterpret_cast<LRESULT>(fsd->BGBrush.get());
        return false;
    }
    if (m.Msg == WM_NOTIFY || m.Msg == CN_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
        if (hdr && hdr->code == static_cast<UINT>(NM_CUSTOMDRAW) && hdr->hwndFrom == hwnd) {
            m.Result = CustomDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(m.LParam));
            return false;
        }
    }
    return TSkinControl::BeforeProc(m);
}

LRESULT TSkinTrackBar::CustomDraw(const NMCUSTOMDRAW& cd) {
    if (cd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    try {
        switch (cd.dwItemSpec) {
            case TBCD_THUMB: Drawthumb(cd.hdc); return CDRF_SKIPDEFAULT;
            case TBCD_CHANNEL: DrawTrack(cd.hdc); return CDRF_SKIPDEFAULT;
            default: return CDRF_DODEFAULT;  // the ticks
        }
    } catch (...) {
        return CDRF_DODEFAULT;
    }
}

void TSkinTrackBar::DrawTrack(HDC dc) {
    RECT cr{};
    SendMessageW(hwnd, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&cr));
    if (Vertical()) {
        const TDataSkinObject* t = fsd ? fsd->TrackBarVert.get() : nullptr;
        if (!Usable(t)) return;
        // The platform may report a vertical channel as if it lay across.
        if (cr.right - cr.left > cr.bottom - cr.top) cr = RECT{cr.top, cr.left, cr.bottom, cr.right};
        const TBitmap& img = t->Map;
        const int w = img.Width();
        const int ch = cr.bottom - cr.top;
        const int x = cr.left + std::max(0, (static_cast<int>(cr.right - cr.left) - w) / 2);
        const int top = std::min(t->r.Top, img.Height());
        const int bottom = std::min(t->r.Bottom, img.Height() - top);
        const int middle = img.Height() - top - bottom;
        HDC src = img.DC();
        if (!src || ch <= 0) return;
        const int capTop = std::min(top, ch);
        const int capBottom = std::min(bottom, ch - capTop);
        BitBlt(dc, x, cr.top, w, capTop, src, 0, 0, SRCCOPY);
        BitBlt(dc, x, cr.bottom - capBottom, w, capBottom, src, 0, img.Height() - capBottom, SRCCOPY);
        const int rest = ch - capTop - capBottom;
        if (rest > 0 && middle > 0) {
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchBlt(dc, x, cr.top + capTop, w, rest, src, 0, top, w, middle, SRCCOPY);
        }
        return;
    }
    const TDataSkinObject* t = fsd ? fsd->TrackBar.get() : nullptr;
    if (!Usable(t)) return;
    const TBitmap& img = t->Map;
    const int h = img.Height();
    const int cw = cr.right - cr.left;
    const int chh = cr.bottom - cr.top;
    const int y = cr.top + (h < chh ? chh / 2 : 0);
    const int left = std::min(t->r.Left, img.Width());
    const int right = std::min(t->r.Right, img.Width() - left);
    const int middle = img.Width() - left - right;
    HDC src = img.DC();
    if (!src || cw <= 0) return;
    const int capLeft = std::min(left, cw);
    const int capRight = std::min(right, cw - capLeft);
    BitBlt(dc, cr.left, y, capLeft, h, src, 0, 0, SRCCOPY);
    BitBlt(dc, cr.right - capRight, y, capRight, h, src, img.Width() - capRight, 0, SRCCOPY);
    const int rest = cw - capLeft - capRight;
    if (rest > 0 && middle > 0) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, cr.left + capLeft, y, rest, h, src, left, 0, middle, h, SRCCOPY);
    }
}

void TSkinTrackBar::Drawthumb(HDC dc) {
    RECT tr{};
    SendMessageW(hwnd, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&tr));
    const TRect r = FromRECT(tr);
    const TDataSkinObject* thumb = nullptr;
    if (fsd && Vertical() && Usable(fsd->TrackVert.get())) thumb = fsd->TrackVert.get();
    if (!thumb && fsd && Usable(fsd->TrackHorz.get())) thumb = fsd->TrackHorz.get();
    if (thumb) {
        DrawSkinMap2(dc, r, thumb->Map, 2, 5);
        return;
    }
    UniqueBrush frame(CreateSolidBrush(Rgb(fsd ? fsd->Colors[csButtonShadow] : clBtnShadow)));
    FrameRect(dc, &tr, frame.get());
}

void TSkinTrackBar::SkinChange() {
    // Invalidating is enough for the control to draw itself anew; moving the
    // focus there and back would also fire the application's focus events.
    if (hwnd && IsWindow(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
}

void TSkinTrackBar::Unsubclass() {
    TSkinControl::Unsubclass();
}
