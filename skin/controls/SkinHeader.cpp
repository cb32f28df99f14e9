#include "skin/controls/SkinHeader.h"

#include <algorithm>

#include "framework/graphics/GdiHandles.h"
#include "skin/controls/SkinObjectUtil.h"
#include "skin/draw/DrawUtils.h"

namespace {

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

}  // namespace

namespace skin_controls {

TSkinHeader::~TSkinHeader() = default;

void TSkinHeader::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    indexitem = -1;
    TSkinControl::Init(sf, sd, acanvas, acolor);
}

void TSkinHeader::Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    indexitem = -1;
    TSkinControl::Inithwnd(ahwnd, sd, acanvas, sf);
}

bool TSkinHeader::Usable() const {
    return fsd && skin_controls_util::Usable(fsd->Header.get());
}

TSkinPaint TSkinHeader::PaintMode() const {
    // Without the image the platform paints the header.
    return Usable() ? TSkinPaint::Whole : TSkinPaint::Over;
}

void TSkinHeader::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_MOUSEMOVE: WMMouseMove(m); break;
        case WM_MOUSELEAVE:
            indexitem = -1;
            Invalidate();
            break;
        case WM_PAINT: break;  // painted whole in BeforeProc, or by the platform
        default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinHeader::WMMouseMove(TMessage& m) {
    const POINT pt{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
    for (size_t i = 0; i < Items.size(); ++i) {
        const RECT r = ToRECT(Items[i]);
        if (!PtInRect(&r, pt)) continue;
        if (static_cast<int>(i) != indexitem) {
            indexitem = static_cast<int>(i);
            Invalidate();
        }
        break;
    }
    DoTrackMouse(hwnd);
}

void TSkinHeader::DrawControl(HDC dc, const TRect& rc) {
    if (!Usable()) return;
    const TDataSkinObject& h = *fsd->Header;
    const int frames = h.frame > 0 ? h.frame : 5;
    const int count = static_cast<int>(SendMessageW(hwnd, HDM_GETITEMCOUNT, 0, 0));
    Items.assign(static_cast<size_t>(std::max(count, 0)), TRect{});
    FillBG(dc, rc);
    SelectGuard selected(dc, control ? control->Font().Handle() : WindowFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Rgb(control ? control->Font().Color : fsd->Colors[csButtonText]));
    int right = 0;
    for (int i = 0; i < count; ++i) {
        RECT ir{};
        if (!SendMessageW(hwnd, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&ir))) continue;
        const TRect r = FromRECT(ir);
        DrawItem(dc, i, r);
        Items[static_cast<size_t>(i)] = TRect{r.Left + 3, r.Top, r.Right - 3, r.Bottom};
        right = std::max(right, r.Right);
    }
    if (right < rc.Right) DrawSkinMap(dc, TRect{right, rc.Top, rc.Right, rc.Bottom}, &h, 1, frames);
}

void TSkinHeader::DrawItem(HDC dc, int index, const TRect& rc) {
    if (rc.IsEmpty()) return;
    const TDataSkinObject& h = *fsd->Header;
    const int frames = h.frame > 0 ? h.frame : 5;
    wchar_t buffer[402] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
    item.pszText = buffer;
    item.cchTextMax = 402;
    item.iImage = -1;
    if (!SendMessageW(hwnd, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) item.mask = 0;
    buffer[401] = L'\0';
    // The item is composed on its own and copied in, so the skin's image never
    // spills into its neighbours.
    TBitmap piece(rc.Width(), rc.Height());
    HDC p = piece.DC();
    if (!p) return;
    const TRect local{0, 0, rc.Width(), rc.Height()};
    FillBG(p, local);
    DrawSkinMap(p, local, &h, index == indexitem ? 2 : 1, frames);
    const std::wstring text = item.mask & HDI_TEXT ? std::wstring(buffer) : std::wstring();
    if (!text.empty()) {
        SelectGuard selected(p, static_cast<HGDIOBJ>(GetCurrentObject(dc, OBJ_FONT)));
        SetBkMode(p, TRANSPARENT);
        SetTextColor(p, GetTextColor(dc));
        const int fmt = item.fmt & HDF_JUSTIFYMASK;
        const UINT align = fmt == HDF_RIGHT ? DT_RIGHT : fmt == HDF_CENTER ? DT_CENTER : DT_LEFT;
        const int image = (item.fmt & HDF_IMAGE) ? item.iImage : -1;
        DrawItemImgCaption(p, TRect{local.Left + 4, local.Top, local.Right - 4, local.Bottom}, text, image, align);
    }
    BitBlt(dc, rc.Left, rc.Top, rc.Width(), rc.Height(), p, 0, 0, SRCCOPY);
}

void TSkinHeader::DrawItemImgCaption(HDC dc, const TRect& rc, const std::wstring& text, int image, UINT alignment) {
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(hwnd, HDM_GETIMAGELIST, 0, 0));
    int iw = 0, ih = 0;
    if (image < 0 || !images || !ImageList_GetIconSize(images, &iw, &ih)) iw = ih = 0;
    RECT calc{0, 0, rc.Width(), rc.Height()};
    Tnt_DrawTextW(dc, text, calc, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    const int tw = calc.right - calc.left;
    const int gap = iw > 0 ? 4 : 0;
    const int total = iw + gap + tw;
    int x = rc.Left;
    if (alignment == DT_CENTER) x = rc.Left + (rc.Width() - total) / 2;
    if (alignment == DT_RIGHT) x = rc.Right - total;
    x = std::max(x, rc.Left);
    if (iw > 0) {
        ImageList_Draw(images, image, dc, x, rc.Top + (rc.Height() - ih) / 2, ILD_TRANSPARENT);
        x += iw + gap;
    }
    RECT r{x, rc.Top, rc.Right, rc.Bottom};
    Tnt_DrawTextW(dc, text, r, CheckBiDi(DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT));
}

}  // namespace skin_controls
