#include "framework/controls/ScrollingControls.h"

#include <algorithm>

#include "framework/graphics/GdiHandles.h"

namespace {

// Replaces the style bits of mask by value and has the frame drawn again.
void ChangeStyle(HWND hwnd, int index, LONG_PTR mask, LONG_PTR value) {
    if (!hwnd) return;
    const LONG_PTR style = GetWindowLongPtrW(hwnd, index);
    SetWindowLongPtrW(hwnd, index, (style & ~mask) | value);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LONG_PTR ClientEdge(TFormBorderStyle style) {
    return style == bsNone ? 0 : WS_EX_CLIENTEDGE;
}

std::wstring WindowTextOf(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, s.data(), n + 1);
    s.resize(static_cast<size_t>(std::max(got, 0)));
    return s;
}

}  // namespace

// ---------------------------------------------------------------- TMemo

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 185;
    height_ = 89;
    SetTabStop(true);
}

void TMemo::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"EDIT";
    p.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL;
    if (!wordWrap_ || scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) p.Style |= ES_AUTOHSCROLL;
    if (readOnly_) p.Style |= ES_READONLY;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) p.Style |= WS_HSCROLL;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) p.Style |= WS_VSCROLL;
    p.ExStyle |= static_cast<DWORD>(ClientEdge(borderStyle_));
}

void TMemo::CreateWnd() {
    TWinControl::CreateWnd();
    // The default limit (about 32 K characters) would cut long texts.
    SendMessageW(WindowHandle(), EM_SETLIMITTEXT, 0, 0);
    if (!text_.empty()) SetWindowTextW(WindowHandle(), text_.c_str());
}

void TMemo::RecreateHandle() {
    if (!HandleAllocated()) return;
    text_ = Text();  // the new window gets it back in CreateWnd
    TWinControl::RecreateHandle();
}

std::wstring TMemo::Text() const {
    if (HWND h = WindowHandle()) return WindowTextOf(h);
    return text_;
}

void TMemo::SetText(const std::wstring& text) {
    text_ = text;
    if (HWND h = WindowHandle()) SetWindowTextW(h, text.c_str());
}

TStringList TMemo::Lines() const {
    TStringList lines;
    lines.SetText(Text());
    return lines;
}

void TMemo::SetLines(const TStringList& lines) {
    std::wstring text = lines.Text();
    // The last line has no break after it, or the memo shows an empty line more.
    if (text.size() >= 2) text.resize(text.size() - 2);
    SetText(text);
}

void TMemo::AddLine(const std::wstring& line) {
    std::wstring text = Text();
    if (!text.empty()) text += L"\r\n";
    text += line;
    SetText(text);
}

int TMemo::LineCount() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0));
    return Lines().Count();
}

int TMemo::TopLine() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0));
    return 0;
}

void TMemo::SetScrollBars(TScrollStyle value) {
    if (value == scrollBars_) return;
    scrollBars_ = value;
    RecreateWnd();
}

void TMemo::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    ChangeStyle(WindowHandle(), GWL_EXSTYLE, WS_EX_CLIENTEDGE, ClientEdge(value));
}

void TMemo::SetWordWrap(bool value) {
    if (value == wordWrap_) return;
    wordWrap_ = value;
    RecreateWnd();
}

void TMemo::SetReadOnly(bool value) {
    readOnly_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, EM_SETREADONLY, value ? TRUE : FALSE, 0);
}

// ---------------------------------------------------------------- TListBox

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 121;
    height_ = 97;
    SetTabStop(true);
}

void TListBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"LISTBOX";
    p.Style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | WS_VSCROLL;
    p.ExStyle |= static_cast<DWORD>(ClientEdge(borderStyle_));
}

void TListBox::CreateWnd() {
    TWinControl::CreateWnd();
    HWND h = WindowHandle();
    for (const std::wstring& item : items_) SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    items_.Clear();
    SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

void TListBox::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == LBN_SELCHANGE) Click();
        m.Result = 0;
        return;
    }
    if (m.Msg == WM_DESTROY) {
        // The items outlive a window made again.
        items_ = Items();
        itemIndex_ = ItemIndex();
    }
    TWinControl::WndProc(m);
}

TStringList TListBox::Items() const {
    HWND h = WindowHandle();
    if (!h) return items_;
    TStringList items;
    const int n = static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        const LRESULT len = SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring s(static_cast<size_t>(std::max<LRESULT>(len, 0)) + 1, L'\0');
        const LRESULT got = SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
        s.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
        items.Add(s);
    }
    return items;
}

void TListBox::SetItems(const TStringList& items) {
    Clear();
    for (const std::wstring& item : items) AddItem(item);
}

void TListBox::AddItem(const std::wstring& item) {
    if (HWND h = WindowHandle())
        SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    else
        items_.Add(item);
}

int TListBox::Count() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0));
    return items_.Count();
}

void TListBox::Clear() {
    items_.Clear();
    itemIndex_ = -1;
    if (HWND h = WindowHandle()) SendMessageW(h, LB_RESETCONTENT, 0, 0);
}

int TListBox::ItemIndex() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0));
    return itemIndex_;
}

void TListBox::SetItemIndex(int value) {
    itemIndex_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

int TListBox::TopIndex() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, LB_GETTOPINDEX, 0, 0));
    return 0;
}

void TListBox::SetTopIndex(int value) {
    if (HWND h = WindowHandle()) SendMessageW(h, LB_SETTOPINDEX, static_cast<WPARAM>(value), 0);
}

void TListBox::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    ChangeStyle(WindowHandle(), GWL_EXSTYLE, WS_EX_CLIENTEDGE, ClientEdge(value));
}

// ---------------------------------------------------------------- TScrollBox

namespace {
constexpr int kScrollBoxLine = 16;  // pixels per arrow click
}

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 185;
    height_ = 41;
}

void TScrollBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.ClassStyle = CS_HREDRAW | CS_VREDRAW;
    p.Style |= WS_CLIPCHILDREN;
    p.ExStyle |= static_cast<DWORD>(ClientEdge(borderStyle_));
}

void TScrollBox::CreateWnd() {
    TWinControl::CreateWnd();
    pos_[0] = pos_[1] = 0;
    Realign();
}

void TScrollBox::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    ChangeStyle(WindowHandle(), GWL_EXSTYLE, WS_EX_CLIENTEDGE, ClientEdge(value));
    Realign();
}

SIZE TScrollBox::Extent() const {
    // Children's far edges in the unscrolled frame.
    SIZE s{0, 0};
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (!c->Visible()) continue;
        s.cx = std::max<LONG>(s.cx, c->Left() + c->Width() + pos_[0]);
        s.cy = std::max<LONG>(s.cy, c->Top() + c->Height() + pos_[1]);
    }
    return s;
}

void TScrollBox::Realign() {
    HWND h = WindowHandle();
    if (!h || realigning_) return;
    realigning_ = true;
    const SIZE extent = Extent();
    // Showing one bar can take the room that makes the other needed: settle in two rounds.
    for (int round = 0; round < 2; ++round) {
        RECT client;
        GetClientRect(h, &client);
        const int pages[2] = {client.right, client.bottom};
        const LONG extents[2] = {extent.cx, extent.cy};
        for (int bar = 0; bar < 2; ++bar) {
            SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
            const int page = std::max(pages[bar], 0);
            const int maxPos = std::max<int>(static_cast<int>(extents[bar]) - page, 0);
            const int newPos = std::min(pos_[bar], maxPos);
            if (newPos != pos_[bar]) ScrollBy(bar == 0 ? pos_[0] - newPos : 0, bar == 1 ? pos_[1] - newPos : 0);
            si.nMax = extents[bar] > page ? static_cast<int>(extents[bar]) - 1 : 0;
            si.nPage = extents[bar] > page ? static_cast<UINT>(page) : 0;
            si.nPos = pos_[bar];
            SetScrollInfo(h, bar == 0 ? SB_HORZ : SB_VERT, &si, TRUE);
        }
    }
    realigning_ = false;
}

void TScrollBox::ScrollBy(int dx, int dy) {
    // dx, dy: how far the contents move (negative: to the left / up).
    pos_[0] -= dx;
    pos_[1] -= dy;
    if (!dx && !dy) return;
    if (HWND h = WindowHandle())
        ScrollWindowEx(h, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    // The children's bounds follow their windows.
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
            RECT r;
            GetWindowRect(w->WindowHandle(), &r);
            MapWindowPoints(nullptr, WindowHandle(), reinterpret_cast<POINT*>(&r), 2);
            if (r.left != c->Left() || r.top != c->Top()) c->SetBounds(r.left, r.top, c->Width(), c->Height());
        } else {
            c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
        }
    }
}

void TScrollBox::ScrollTo(int x, int y) {
    HWND h = WindowHandle();
    if (!h) return;
    int target[2] = {x, y};
    for (int bar = 0; bar < 2; ++bar) {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
        GetScrollInfo(h, bar == 0 ? SB_HORZ : SB_VERT, &si);
        const int maxPos = si.nPage ? std::max(si.nMax - static_cast<int>(si.nPage) + 1, 0) : 0;
        target[bar] = std::clamp(target[bar], 0, maxPos);
    }
    ScrollBy(pos_[0] - target[0], pos_[1] - target[1]);
    SetScrollPos(h, SB_HORZ, pos_[0], TRUE);
    SetScrollPos(h, SB_VERT, pos_[1], TRUE);
}

void TScrollBox::Scroll(int bar, WPARAM request) {
    HWND h = WindowHandle();
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(h, bar == 0 ? SB_HORZ : SB_VERT, &si);
    int pos = pos_[bar];
    switch (LOWORD(request)) {
        case SB_LINEUP: pos -= kScrollBoxLine; break;
        case SB_LINEDOWN: pos += kScrollBoxLine; break;
        case SB_PAGEUP: pos -= static_cast<int>(si.nPage); break;
        case SB_PAGEDOWN: pos += static_cast<int>(si.nPage); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = si.nTrackPos; break;
        case SB_TOP: pos = 0; break;
        case SB_BOTTOM: pos = si.nMax; break;
        default: return;
    }
    ScrollTo(bar == 0 ? pos : pos_[0], bar == 1 ? pos : pos_[1]);
}

void TScrollBox::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_HSCROLL:
        case WM_VSCROLL:
            if (!m.LParam) {
                Scroll(m.Msg == WM_HSCROLL ? 0 : 1, m.WParam);
                m.Result = 0;
                return;
            }
            break;
        case WM_MOUSEWHEEL: {
            const int notches = GET_WHEEL_DELTA_WPARAM(m.WParam) / WHEEL_DELTA;
            if (notches) ScrollTo(pos_[0], pos_[1] - notches * 3 * kScrollBoxLine);
            m.Result = 0;
            return;
        }
        case WM_SIZE:
            TWinControl::WndProc(m);
            Realign();
            return;
        case WM_ERASEBKGND: {
            // A class of our own has no background brush: the box fills itself.
            RECT r;
            GetClientRect(WindowHandle(), &r);
            UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
            FillRect(reinterpret_cast<HDC>(m.WParam), &r, brush.get());
            m.Result = 1;
            return;
        }
        default: break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TScrollBar

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 121;
    height_ = GetSystemMetrics(SM_CYHSCROLL);
}

void TScrollBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"SCROLLBAR";
    p.Style |= kind_ == sbVertical ? SBS_VERT : SBS_HORZ;
}

void TScrollBar::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateWindow();
}

void TScrollBar::UpdateWindow() {
    HWND h = WindowHandle();
    if (!h) return;
    SCROLLINFO si{sizeof si,
                  SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL,
                  min_,
                  max_,
                  static_cast<UINT>(pageSize_),
                  position_,
                  0};
    SetScrollInfo(h, SB_CTL, &si, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind value) {
    if (value == kind_) return;
    kind_ = value;
    SetBounds(left_, top_, height_, width_);
    if (HandleAllocated()) {
        DestroyHandle();
        HandleNeeded();
    }
}

void TScrollBar::SetParams(int position, int min, int max) {
    if (max < min) max = min;
    const int lastPos = pageSize_ > 0 ? std::max(min, max - pageSize_ + 1) : max;
    position = std::clamp(position, min, lastPos);
    const bool changed = position != position_;
    min_ = min;
    max_ = max;
    position_ = position;
    UpdateWindow();
    if (changed && OnChange) OnChange(this);
}

void TScrollBar::SetPageSize(int value) {
    pageSize_ = std::max(value, 0);
    SetParams(position_, min_, max_);
}

void TScrollBar::Scroll(int request, int trackPos) {
    int pos = position_;
    switch (request) {
        case SB_LINEUP: pos -= smallChange_; break;
        case SB_LINEDOWN: pos += smallChange_; break;
        case SB_PAGEUP: pos -= largeChange_; break;
        case SB_PAGEDOWN: pos += largeChange_; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = trackPos; break;
        case SB_TOP: pos = min_; break;
        case SB_BOTTOM: pos = max_; break;
        default: break;
    }
    const int lastPos = pageSize_ > 0 ? std::max(min_, max_ - pageSize_ + 1) : max_;
    pos = std::clamp(pos, min_, lastPos);
    if (OnScroll) OnScroll(this, request, pos);
    SetPosition(pos);
}

void TScrollBar::WndProc(TMessage& m) {
    if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
        // The 16-bit position of the message is too short for big ranges.
        SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(WindowHandle(), SB_CTL, &si);
        Scroll(LOWORD(m.WParam), si.nTrackPos);
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}
