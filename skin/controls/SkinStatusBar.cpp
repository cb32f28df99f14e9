#include "skin/controls/SkinStatusBar.h"

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
