#include "skin/controls/SkinEdit.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

#include "framework/graphics/GdiHandles.h"
#include "skin/controls/SkinObjectUtil.h"
#include "skin/draw/DrawUtils.h"

namespace {

using skin_controls_util::Usable;

COLORREF Rgb(TColor c) {
    return static_cast<COLORREF>(ColorToRGB(c));
}

void FrameOne(HDC dc, RECT r, COLORREF color) {
    UniqueBrush brush(CreateSolidBrush(color));
    FrameRect(dc, &r, brush.get());
}

// The window is no larger than its client area in width or in height: no border.
bool Borderless(HWND hwnd) {
    RECT wr{}, cr{};
    if (!GetWindowRect(hwnd, &wr) || !GetClientRect(hwnd, &cr)) return true;
    return wr.right - wr.left == cr.right || wr.bottom - wr.top == cr.bottom;
}

std::wstring LowerClassName(HWND h) {
    wchar_t name[128] = {};
    GetClassNameW(h, name, 128);
    std::wstring s = name;
    for (auto& ch : s) ch = static_cast<wchar_t>(std::towlower(ch));
    return s;
}

}  // namespace

void DrawEditFrame(HDC dc, const TRect& rc, TColor shadow, int whiteRings) {
    RECT r = ToRECT(rc);
    FrameOne(dc, r, Rgb(shadow));
    for (int i = 0; i < whiteRings; ++i) {
        InflateRect(&r, -1, -1);
        FrameOne(dc, r, RGB(255, 255, 255));
    }
}

void DrawArrow(HDC dc, int x, int y, int type, COLORREF color) {
    UniquePen pen(CreatePen(PS_SOLID, 1, color));
    SelectGuard keep(dc, pen.get());
    for (int i = 0; i < 4; ++i) {
        switch (type) {
            case 0:  // up: the point at the top
                MoveToEx(dc, x - i, y + i, nullptr);
                LineTo(dc, x + i + 1, y + i);
                break;
            case 1:  // down
                MoveToEx(dc, x - 3 + i, y + i, nullptr);
                LineTo(dc, x + 4 - i, y + i);
                break;
            case 2:  // left
                MoveToEx(dc, x + i, y - i, nullptr);
                LineTo(dc, x + i, y + i + 1);
                break;
            default:  // right
                MoveToEx(dc, x + i, y - 3 + i, nullptr);
                LineTo(dc, x + i, y + 4 - i);
                break;
        }
    }
}

// ---------------------------------------------------------------- TSkinEdit

TSkinEdit::~TSkinEdit() {
    if (updown) updown->edit = nullptr;
}

void TSkinEdit::AfterProc(TMessage& m) {
    switch (m.Msg) {
        case WM_PAINT: PaintControl(reinterpret_cast<HDC>(m.WParam)); break;
        // The edit's own border comes back with every frame repaint.
        case WM_NCPAINT: PaintControl(nullptr); break;
        case WM_PRINTCLIENT: PaintControl1(reinterpret_cast<HDC>(m.WParam)); break;
        case CN_SkinPaintClient:
            if (m.LParam == SkinSignature) {
                if (m.WParam) {
                    TMessage paint{WM_PAINT, m.WParam, 0, 0};
                    Default(paint);
                }
                m.Result = SkinSignature;
            }
            break;
        default: TSkinControl::AfterProc(m); break;
    }
}

void TSkinEdit::FindUPDown() {
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring name = LowerClassName(child);
        if (name != L"msctls_updown32" && name.find(L"spin") == std::wstring::npos &&
            name.find(L"updown") == std::wstring::npos)
            continue;
        if (SendMessageW(child, CN_SkinQuery, 0, 0) == 1) continue;  // skinned already
        TComponent* owner = skinform ? static_cast<TComponent*>(skinform) : this;
        auto* spin = new TSkinUpDown(owner);
        spin->inedit = true;
        spin->edit = this;
        updown = spin;
        spin->Inithwnd(child, fsd, fCanvas, skinform);
        return;
    }
}

void TSkinEdit::DrawControl(HDC dc, const TRect& rc) {
    if (!fsd) return;
    if (fsd->SkinControls().Contains(xcSpin) && !updown) FindUPDown();
    if (Borderless(hwnd)) return;
    DrawEditFrame(dc, rc, fsd->Colors[csButtonShadow], 2);
}

void TSkinEdit::PaintControl1(HDC dc) {
    RECT wr{};
    if (!dc || !GetWindowRect(hwnd, &wr)) return;
    DrawControl1(dc, TRect{0, 0, wr.right - wr.left, wr.bottom - wr.top});
}

void TSkinEdit::DrawControl1(HDC dc, const TRect& rc) {
    RECT cr{};
    GetClientRect(hwnd, &cr);
    if (rc.Width() - cr.right < 3 || rc.Height() - cr.bottom < 3) return;
    RECT inner = ToRECT(rc);
    InflateRect(&inner, -1, -1);
    FrameRect(dc, &inner, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
    FrameOne(dc, ToRECT(rc), Rgb(fsd ? fsd->Colors[csButtonShadow] : clBtnShadow));
}

// ---------------------------------------------------------------- TSkinUpDown

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

// ---------------------------------------------------------------- TArrowButton

namespace {
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
