#include "skin/controls/SkinUpDown.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/graphics/GdiHandles.h"
#include "skin/controls/SkinEdit.h"
#include "skin/controls/SkinObjectUtil.h"
#include "skin/draw/DrawUtils.h"

namespace {

using skin_controls_util::Usable;

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

}  // namespace

TSkinUpDown::~TSkinUpDown() {
    if (edit && edit->updown == this) edit->updown = nullptr;
}

bool TSkinUpDown::Horizontal() const {
    return dir == 1 || (GetWindowLongW(hwnd, GWL_STYLE) & UDS_HORZ) != 0;
}

void TSkinUpDown::Halves(const TRect& rc, TRect& first, TRect& second) const {
    first = second = rc;
    if (Horizontal()) {
        first.Right = second.Left = rc.Left + rc.Width() / 2;
    } else {
        first.Bottom = second.Top = rc.Top + rc.Height() / 2;
    }
}

std::optional<LRESULT> TSkinUpDown::EraseBackground(HDC dc) {
    if (!control) {
        RECT cr{};
        GetClientRect(hwnd, &cr);
        FillColor(dc, TRect{cr.left, cr.top, cr.right, cr.bottom}, clWhite);
    }
    return 1;
}

bool TSkinUpDown::BeforeProc(TMessage& m) {
    switch (m.Msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            // Its own handler first: that starts the stepping and its repeat.
            Default(m);
            state |= scDown;
            Invalidate();
            return false;
        case WM_LBUTTONUP:
            state &= static_cast<TSkinControlState>(~scDown);
            Default(m);
            Invalidate();
            return false;
        case WM_MOUSEMOVE: {
            Default(m);
            if (!(state & scMouseIn)) DoTrackMouse(hwnd);
            state |= scMouseIn;
            TRect first, second;
            RECT cr{};
            GetClientRect(hwnd, &cr);
            Halves(TRect{0, 0, cr.right, cr.bottom}, first, second);
            const POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
            const RECT firstRect = ToRECT(first);
            const int half = PtInRect(&firstRect, p) ? 0 : 1;
            if (half != hotHalf_) Invalidate();
            return false;
        }
        case WM_MOUSELEAVE:
        case CM_MOUSELEAVE:
            Default(m);
            if (state & scMouseIn) {
                state &= static_cast<TSkinControlState>(~scMouseIn);
                Invalidate();
            }
            return false;
        default: return TSkinControl::BeforeProc(m);
    }
}

void TSkinUpDown::DrawControl(HDC dc, const TRect& rc) {
    if (rc.IsEmpty() || !fsd) return;
    TRect area = rc;
    HWND parent = GetParent(hwnd);
    if (inedit && parent) {
        // Stay at least 3 pixels inside the edit's window, clear of its frame.
        RECT me{}, outer{};
        GetWindowRect(hwnd, &me);
        GetWindowRect(parent, &outer);
        area.Top += std::max(0, 3 - static_cast<int>(me.top - outer.top));
        area.Bottom -= std::max(0, 3 - static_cast<int>(outer.bottom - me.bottom));
        area.Right -= std::max(0, 3 - static_cast<int>(outer.right - me.right));
    }
    TRect first, second;
    Halves(area, first, second);
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(hwnd, &cursor);
    const RECT firstRect = ToRECT(first), secondRect = ToRECT(second);
    const bool overFirst = PtInRect(&firstRect, cursor) != FALSE;
    const bool overSecond = PtInRect(&secondRect, cursor) != FALSE;
    int hotState = 1;
    if (state & scDown)
        hotState = 2;
    else if (state & scMouseIn)
        hotState = 4;
    int s1 = overFirst ? hotState : 1;
    int s2 = overSecond ? hotState : 1;
    hotHalf_ = overFirst ? 0 : 1;
    if (!IsWindowEnabled(hwnd)) s1 = s2 = 3;
    const bool horizontal = Horizontal();
    if (inedit) FillColor(dc, rc, clWhite);
    if (area.IsEmpty()) return;
    DrawBackGround(dc, area);
    const TDataSkinBorder* obj = horizontal ? fsd->HSpin.get() : fsd->VSpin.get();
    const int b1 = horizontal ? 2 : 0;
    if (Usable(obj)) {
        DrawSkinButton(dc, first, b1, s1);
        DrawSkinButton(dc, second, b1 + 1, s2);
    } else {
        DrawButton(dc, first, b1, s1);
        DrawButton(dc, second, b1 + 1, s2);
    }
}

void TSkinUpDown::DrawBackGround(HDC dc, const TRect& rc) {
    FillBG(dc, rc);
}

void TSkinUpDown::DrawSkinButton(HDC dc, const TRect& rc, int button, int state_) {
    const bool horizontal = button >= 2;
    const TDataSkinBorder* obj = horizontal ? fsd->HSpin.get() : fsd->VSpin.get();
    if (!Usable(obj) || rc.IsEmpty()) return;
    const int frame = horizontal ? state_ + 4 * button - 8 : state_ + 4 * button;
    const int frames = std::max(obj->frame, 1);
    DrawSkinMap(dc, rc, obj, frame, frames);
    if (!obj->MaskMap.Empty()) DrawRect3(dc, rc, obj->MaskMap, frame, frames, true);
}

void TSkinUpDown::DrawButton(HDC dc, const TRect& rc, int button, int state_) {
    if (rc.IsEmpty()) return;
    const TColor face = state_ == 2 || state_ == 4 ? fsd->Colors[csButtonShadow] : fsd->Colors[csButtonFace];
    UniquePen pen(CreatePen(PS_SOLID, 1, Rgb(fsd->Colors[csButtonDkshadow])));
    UniqueBrush brush(CreateSolidBrush(Rgb(face)));
    {
        SelectGuard p(dc, pen.get());
        SelectGuard b(dc, brush.get());
        Rectangle(dc, rc.Left, rc.Top, rc.Right, rc.Bottom);
    }
    const int cx = rc.Left + rc.Width() / 2;
    int cy = rc.Top + rc.Height() / 2;
    if (button <= 1) cy -= 2;
    DrawArrow(dc, cx, cy, button, Rgb(fsd->Colors[csButtonText]));
}
