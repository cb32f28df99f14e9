#include "skin/controls/SkinBars.h"

#include <algorithm>

#include "framework/controls/BarControls.h"
#include "framework/graphics/GdiHandles.h"
#include "skin/controls/SkinObjectUtil.h"
#include "skin/draw/DrawUtils.h"

namespace {

using skin_controls_util::Usable;

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

// The font in its plain style (no bold, italic, underline or strike-out).
UniqueFont PlainFont(HFONT font) {
    LOGFONTW lf{};
    if (!font || !GetObjectW(font, sizeof lf, &lf)) return UniqueFont();
    lf.lfWeight = FW_NORMAL;
    lf.lfItalic = FALSE;
    lf.lfUnderline = FALSE;
    lf.lfStrikeOut = FALSE;
    return UniqueFont(CreateFontIndirectW(&lf));
}

UINT AlignmentFlags(TAlignment a) {
    switch (a) {
        case taRightJustify: return DT_RIGHT;
        case taCenter: return DT_CENTER;
        default: return DT_LEFT;
    }
}

}  // namespace

// ---- status bar ----

void TSkinStatusBar::drawitem(HDC dc, const TRect& rc, int f) {
    const TDataSkinObject* o = fsd ? fsd->StatusBar.get() : nullptr;
    if (!Usable(o)) {
        Defaultpaint(dc, rc, f);
        return;
    }
    DrawSkinMap(dc, rc, o, f, o->frame > 0 ? o->frame : 3);
}

void TSkinStatusBar::Defaultpaint(HDC dc, const TRect& rc, int f) {
    if ((f != 1 && f != 2) || rc.IsEmpty()) return;
    const TColor shadow = fsd ? fsd->Colors[csButtonShadow] : clBtnShadow;
    const TColor light = fsd ? fsd->Colors[csButtonHilight] : clBtnHighlight;
    const TColor topLeft = f == 1 ? shadow : light;
    const TColor bottomRight = f == 1 ? light : shadow;
    FillColor(dc, TRect{rc.Left, rc.Top, rc.Right, rc.Top + 1}, topLeft);
    FillColor(dc, TRect{rc.Left, rc.Top, rc.Left + 1, rc.Bottom}, topLeft);
    FillColor(dc, TRect{rc.Left, rc.Bottom - 1, rc.Right, rc.Bottom}, bottomRight);
    FillColor(dc, TRect{rc.Right - 1, rc.Top, rc.Right, rc.Bottom}, bottomRight);
}

void TSkinStatusBar::DrawControl(HDC dc, const TRect& rc) {
    auto* bar = dynamic_cast<TStatusBar*>(control);
    SizeGrip = (GetWindowLongW(hwnd, GWL_STYLE) & SBARS_SIZEGRIP) != 0;
    {
        // The owner-drawn panels find the picture's state as a paint DC has it.
        SavedDCState saved(dc);
        FillBG(dc, rc);
        UniqueFont font = PlainFont(control ? control->Font().Handle() : WindowFont());
        SelectGuard selected(dc, font ? static_cast<HGDIOBJ>(font.get()) : static_cast<HGDIOBJ>(WindowFont()));
        const TDataSkinObject* o = fsd ? fsd->StatusBar.get() : nullptr;
        const TColor text = o ? o->Normalcolor2 : (fsd ? fsd->Colors[csButtonText] : clBtnText);
        SetTextColor(dc, Rgb(text));
        SetBkMode(dc, TRANSPARENT);
        const bool rtl = (GetWindowLongW(hwnd, GWL_EXSTYLE) & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) != 0;
        const bool simple = SendMessageW(hwnd, SB_ISSIMPLE, 0, 0) != 0 || (bar && bar->PanelCount() == 0);
        if (simple) {
            drawitem(dc, rc, 1);
            std::wstring s = control ? GetProperty(control, L"simpletext") : WindowText();
            if (s.empty()) s = L" ";
            DrawCaption(dc, TRect{rc.Left + 2, rc.Top, rc.Right - 2, rc.Bottom}, s, true, false,
                        rtl ? DT_RIGHT : DT_LEFT);
        } else {
            const int n = bar ? bar->PanelCount() : static_cast<int>(SendMessageW(hwnd, SB_GETPARTS, 0, 0));
            for (int i = 0; i < n; ++i) {
                RECT pr{};
                if (!SendMessageW(hwnd, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&pr))) continue;
                TRect r = FromRECT(pr);
                r.Right += 2;
                if (i == n - 1) r.Right = rc.Right;
                TStatusPanel* panel = bar ? bar->Panel(i) : nullptr;
                TAlignment align = panel ? panel->Alignment() : taLeftJustify;
                if (rtl && align != taCenter) align = align == taLeftJustify ? taRightJustify : taLeftJustify;
                const TPanelBevel bevel = panel ? panel->Bevel() : pbLowered;
                drawitem(dc, r, bevel == pbLowered ? 1 : bevel == pbRaised ? 2 : 3);
                if (panel && panel->Style() == psOwnerDraw) continue;
                std::wstring s = panel ? panel->Text() : std::wstring();
                if (s.empty()) s = L" ";
                DrawCaption(dc, TRect{r.Left + 2, r.Top, r.Right - 2, r.Bottom}, s, true, false, AlignmentFlags(align));
            }
        }
        if (SizeGrip && fsd && Usable(fsd->ExtraImages.get())) {
            const TDataSkinObject& e = *fsd->ExtraImages;
            const int frames = e.frame > 0 ? e.frame : 5;
            const int w = e.Map.Width() / frames;
            const int h = e.Map.Height();
            const TRect grip{rc.Right - 1 - w, rc.Bottom - 1 - h, rc.Right - 1, rc.Bottom - 1};
            DrawRect3(dc, grip, e.Map, 5, frames, true);
        }
        if (control) control->PaintControls(dc, ToRECT(rc));
    }
    DrawOwnerPanels(dc);
}

void TSkinStatusBar::DrawOwnerPanels(HDC dc) {
    auto* bar = dynamic_cast<TStatusBar*>(control);
    if (!bar || !bar->OnDrawPanel || SendMessageW(hwnd, SB_ISSIMPLE, 0, 0)) return;
    const UniqueFont font = PlainFont(bar->Font().Handle());
    SelectGuard selected(dc, font ? static_cast<HGDIOBJ>(font.get()) : static_cast<HGDIOBJ>(WindowFont()));
    for (int i = 0; i < bar->PanelCount(); ++i) {
        RECT r{};
        if (!SendMessageW(hwnd, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
        InflateRect(&r, -2, -2);
        TCanvas canvas(dc);
        bar->OnDrawPanel(bar, bar->Panel(i), canvas, r);
    }
}

// ---- header ----

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

// ---- track bar ----

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
