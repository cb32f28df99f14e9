#include "skin/controls/SkinDateTime.h"

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

constexpr wchar_t kArrowClass[] = L"SkinDateArrowButton";

void RegisterArrowClass(WNDPROC proc) {
    WNDCLASSW wc{};
    if (GetClassInfoW(GetModuleHandleW(nullptr), kArrowClass, &wc)) return;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kArrowClass;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    RegisterClassW(&wc);
}
}  // namespace

TArrowButton::TArrowButton(TSkinControl* owner, TSkinData* sd)
    : cw(GetSystemMetrics(SM_CXHSCROLL)), control(owner), obj(sd) {}

TArrowButton::~TArrowButton() {
    Detach();
}

void TArrowButton::Attach(HWND picker) {
    if (window || !picker) return;
    hwnd = picker;
    RegisterArrowClass(Proc);
    SetWindowLongW(hwnd, GWL_STYLE, GetWindowLongW(hwnd, GWL_STYLE) | WS_CLIPCHILDREN);
    window = CreateWindowExW(0, kArrowClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, cw, 1, hwnd, nullptr,
                             GetModuleHandleW(nullptr), this);
    MoveArrow();
}

void TArrowButton::Detach() {
    if (window && IsWindow(window)) DestroyWindow(window);
    window = nullptr;
}

void TArrowButton::MoveArrow() {
    if (!window || !hwnd) return;
    RECT wr{};
    GetWindowRect(hwnd, &wr);
    const int w = wr.right - wr.left;
    const int h = wr.bottom - wr.top;
    const bool left = (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    const int x = left ? 2 : w - cw - 4;
    SetWindowPos(window, HWND_TOP, x, 0, cw, std::max(h - 4, 1), SWP_NOACTIVATE);
}

void TArrowButton::Paint(HDC dc) {
    RECT cr{};
    GetClientRect(window, &cr);
    const TRect whole{0, 0, cr.right, cr.bottom};
    OffscreenDC picture(dc, whole);
    HDC mem = picture.get();
    if (!mem) return;
    TSkinControl::FillColor(mem, whole, obj ? obj->Colors[csButtonFace] : clBtnFace);
    const TDataSkinObject* a = obj ? obj->comboxarrow.get() : nullptr;
    if (Usable(a))
        DrawRect1(mem, whole, a->Map, (state & scMouseIn) ? 4 : 1, std::max(a->frame, 1), true);
    else
        DrawArrow(mem, whole.Width() / 2, whole.Height() / 2 - 1, 1, Rgb(obj ? obj->Colors[csButtonText] : clBtnText));
}

void TArrowButton::Repaint() {
    if (!window) return;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void TArrowButton::MouseEnter() {
    if (!IsWindowEnabled(hwnd)) return;
    state |= scMouseIn;
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, window, 0};
    TrackMouseEvent(&t);
    Repaint();
}

void TArrowButton::CheckPointer() {
    if (!window) return;
    POINT p{};
    GetCursorPos(&p);
    const bool over = WindowFromPoint(p) == window && IsWindowEnabled(hwnd);
    if (over == ((state & scMouseIn) != 0)) return;
    if (over)
        MouseEnter();
    else
        MouseLeave();
}

void TArrowButton::MouseLeave() {
    state &= static_cast<TSkinControlState>(~scMouseIn);
    Repaint();
}

void TArrowButton::LButtonDown(LPARAM lParam) {
    // The picker opens its calendar for a click on its own button, under ours.
    POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    MapWindowPoints(window, hwnd, &p, 1);
    const LPARAM at = MAKELPARAM(p.x, p.y);
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
    Repaint();
}

void TArrowButton::LButtonUp() {
    if (!hwnd) return;
    // An open calendar keeps the focus it took: taking it away would leave
    // the calendar deaf to the pick.
    HWND calendar = reinterpret_cast<HWND>(SendMessageW(hwnd, DTM_GETMONTHCAL, 0, 0));
    if (calendar && IsWindowVisible(calendar)) return;
    if (GetFocus() != hwnd) SetFocus(hwnd);
}

LRESULT CALLBACK TArrowButton::Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<TArrowButton*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        if (self) self->window = nullptr;
        return DefWindowProcW(h, msg, wParam, lParam);
    }
    if (!self) return DefWindowProcW(h, msg, wParam, lParam);
    if (msg == WM_NCCREATE) self->window = h;
    try {
        return self->Handle(msg, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(h, msg, wParam, lParam);
    }
}

LRESULT TArrowButton::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PaintDC dc(window);
            if (dc.get()) Paint(dc.get());
            return 0;
        }
        case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEMOVE:
            if (!(state & scMouseIn)) MouseEnter();
            return 0;
        case WM_MOUSELEAVE: MouseLeave(); return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: LButtonDown(lParam); return 0;
        case WM_LBUTTONUP: LButtonUp(); return 0;
        default: return DefWindowProcW(window, msg, wParam, lParam);
    }
}

// ---------------------------------------------------------------- TSkinDateTime

void TSkinDateTime::Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) {
    if (Inited) return;
    TSkinControl::Init(sf, sd, acanvas, acolor);
    if (!Inited) return;
    arrow = std::make_unique<TArrowButton>(this, fsd);
    arrow->Attach(hwnd);
}

void TSkinDateTime::Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) {
    if (Inited) return;
    TSkinControl::Inithwnd(ahwnd, sd, acanvas, sf);
    arrow = std::make_unique<TArrowButton>(this, fsd);
    arrow->Attach(hwnd);
}

void TSkinDateTime::Unsubclass() {
    if (arrow) arrow->Detach();
    TSkinControl::Unsubclass();
}

void TSkinDateTime::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SIZE:
            if (arrow) {
                arrow->MoveArrow();
                if (arrow->window) InvalidateRect(arrow->window, nullptr, FALSE);
            }
            break;
        case WM_NCPAINT: PaintControl(nullptr); break;
        case CN_NOTIFY: {
            // While the calendar is open it holds the mouse, and the arrow
            // hears no leave: it looks where the pointer is once it closes.
            const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
            if (arrow && hdr && (hdr->code == DTN_CLOSEUP || hdr->code == DTN_DROPDOWN)) arrow->CheckPointer();
            break;
        }
        default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinDateTime::DrawControl(HDC dc, const TRect& rc) {
    if (arrow) arrow->MoveArrow();
    if (!fsd || Borderless(hwnd)) return;
    DrawEditFrame(dc, rc, fsd->Colors[csButtonShadow], 1);
}
