// The tool-bar painter of the form skinning object: the background and
// button painters that the control selection hands to a tool bar's
// custom-draw events, and the skinned drop-down menus of its buttons.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "framework/controls/Menus.h"
#include "framework/controls/ToolBars.h"
#include "skin/draw/DrawUtils.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinMenu.h"
#include "skin/form/WinSkinForm.h"

namespace {

enum : unsigned { kBackgroundPainter = 1, kButtonPainter = 2 };

// The Button strip frame for a custom-draw state; 0: the bar draws the button itself.
int ButtonFrame(UINT state) {
    if (state & CDIS_SELECTED) return 2;
    if (state & (CDIS_FOCUS | CDIS_HOT)) return 4;
    if (state & (CDIS_GRAYED | CDIS_DISABLED)) return 0;
    // Checked, marked or indeterminate buttons keep the system look.
    if ((state & ~static_cast<UINT>(CDIS_DEFAULT)) == 0) return 1;
    return 0;
}

}  // namespace

void TToolBarPainter::ToolBarDrawBackground(TToolBar*, TToolBarCustomDraw& draw) {
    if (!sf.fsd || !sf.fsd->Toolbar || sf.fsd->Toolbar->Map.Empty() || sf.fsd->Options().Contains(xoToolbarBK)) return;
    const TBitmap& map = sf.fsd->Toolbar->Map;
    const RECT& r = draw.Rect;
    SetStretchBltMode(draw.DC, COLORONCOLOR);
    StretchBlt(draw.DC, r.left, r.top, r.right - r.left, r.bottom - r.top, map.DC(), 0, 0, map.Width(), map.Height(),
               SRCCOPY);
    draw.DefaultDraw = false;
}

void TToolBarPainter::ToolBarDrawButton(TToolBar*, TToolButton*, TToolBarCustomDraw& draw) {
    if (!sf.fsd || sf.Skinstate != SkinStage::Skinned || sf.fsd->Options().Contains(xoToolbarButton)) return;
    const TDataSkinButton* b = sf.fsd->Button.get();
    if (!b || b->Map.Empty()) return;
    const int frame = ButtonFrame(draw.State);
    if (frame == 0) return;
    if (frame == 1 && b->newnormal) draw.TextColor = b->Normalcolor2;
    if (frame == 2 && b->newdown) draw.TextColor = b->Downcolor2;
    if (frame == 4 && b->newover) draw.TextColor = b->Overcolor2;
    const RECT& r = draw.Rect;
    DrawRect2(draw.DC, TRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, b->Map, b->r, frame, 5, b->trans == 1,
              b->Tile != 0, false);
    draw.DefaultDraw = false;
}

void TToolBarPainter::InitToolbarMenu(TMenuItem& item, bool enable) {
    ::InitToolbarMenu(&item, sf.fsd, enable);
}

unsigned TToolBarPainter::AttachToolbarPainters(TToolBar& bar) {
    unsigned took = 0;
    if (!bar.OnCustomDraw) {
        bar.OnCustomDraw = [this](TToolBar* sender, TToolBarCustomDraw& draw) { ToolBarDrawBackground(sender, draw); };
        took |= kBackgroundPainter;
    }
    if (!bar.OnCustomDrawButton) {
        bar.OnCustomDrawButton = [this](TToolBar* sender, TToolButton* button, TToolBarCustomDraw& draw) {
            ToolBarDrawButton(sender, button, draw);
        };
        took |= kButtonPainter;
    }
    return took;
}

void TToolBarPainter::DetachToolbarPainters(TToolBar& bar, unsigned which) {
    if (which & kBackgroundPainter) bar.OnCustomDraw = nullptr;
    if (which & kButtonPainter) bar.OnCustomDrawButton = nullptr;
}
