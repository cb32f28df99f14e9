#include "framework/controls/Controls.h"

#include <algorithm>
#include <utility>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/graphics/GdiHandles.h"

namespace {

// The window classes this module registered, with the procedure each had before.
struct RegisteredClass {
    std::wstring name;
    ATOM atom;
    WNDPROC baseProc;
};

std::vector<RegisteredClass>& RegisteredClasses() {
    // Never destroyed: windows may still be taken down by static destructors at exit.
    static auto* classes = new std::vector<RegisteredClass>;
    return *classes;
}

const RegisteredClass* FindRegisteredClass(HWND hwnd) {
    const ATOM atom = static_cast<ATOM>(GetClassLongPtrW(hwnd, GCW_ATOM));
    for (const auto& c : RegisteredClasses())
        if (c.atom == atom) return &c;
    return nullptr;
}

// The control whose CreateWindowExW is running on this thread; WM_NCCREATE
// accepts only this object as its create parameter.
thread_local TWinControl* creatingControl = nullptr;
// Its window class: a hook that sees the window before WM_NCCREATE (a CBT
// hook at HCBT_CREATEWND) finds the object through it.
thread_local ATOM creatingAtom = 0;

}  // namespace

// ---------------------------------------------------------------- TWindowProcHook

struct TWindowProcLink {
    TControl* control;  // null once the control is destroyed
    TWndMethod handler;
    TWndMethod next;
    bool active = true;  // false: passes every message on
};

namespace {

// What a link puts into WindowProc. A distinct type, so the chain can tell
// its own links from handlers others put there.
struct LinkThunk {
    std::shared_ptr<TWindowProcLink> link;
    void operator()(TMessage& m) const {
        // The handler may take this very thunk out of WindowProc: hold the link on the stack.
        const std::shared_ptr<TWindowProcLink> keep = link;
        if (!keep->control) return;
        if (keep->active)
            keep->handler(m);
        else if (keep->next)
            keep->next(m);
        else
            keep->control->WndProc(m);
    }
};

}  // namespace

TWindowProcHook::TWindowProcHook(TControl& control, TWndMethod handler)
    : link_(std::make_shared<TWindowProcLink>(TWindowProcLink{&control, std::move(handler), control.WindowProc})) {
    auto& links = control.hookLinks_;
    links.erase(std::remove_if(links.begin(), links.end(), [](const auto& w) { return w.expired(); }), links.end());
    links.push_back(link_);
    control.WindowProc = LinkThunk{link_};
}

TWindowProcHook& TWindowProcHook::operator=(TWindowProcHook&& other) noexcept {
    if (this != &other) {
        Remove();
        link_ = std::move(other.link_);
    }
    return *this;
}

void TWindowProcHook::CallNext(TMessage& m) const {
    // The next handler may replace this hook: hold the link on the stack.
    const std::shared_ptr<TWindowProcLink> keep = link_;
    // Whatever came before may belong to the control: nothing once it is gone.
    if (!keep || !keep->control) return;
    if (keep->next)
        keep->next(m);
    else
        keep->control->WndProc(m);
}

bool TWindowProcHook::Installed() const {
    return link_ && link_->active;
}

void TWindowProcHook::Remove() {
    if (!link_ || !link_->active) return;
    link_->active = false;
    if (link_->control) link_->control->UnlinkWindowProcHook(link_.get());
}

void TControl::UnlinkWindowProcHook(const TWindowProcLink* link) {
    TWndMethod* slot = &WindowProc;
    while (const LinkThunk* thunk = slot->target<LinkThunk>()) {
        const std::shared_ptr<TWindowProcLink> at = thunk->link;  // survives the assignment below
        if (at->active) {
            slot = &at->next;
            continue;
        }
        TWndMethod next = at->next;
        *slot = std::move(next);
        if (at.get() == link) break;
    }
}

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
    WindowProc = [this](TMessage& m) { WndProc(m); };
}

TControl::~TControl() {
    state_ |= csDestroying;
    for (const std::weak_ptr<TWindowProcLink>& weak : hookLinks_)
        if (auto link = weak.lock()) link->control = nullptr;
    if (parent_) parent_->RemoveControl(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CM_VISIBLECHANGED: VisibleChanged(); break;
        case CM_ENABLEDCHANGED: EnabledChanged(); break;
        case CM_TEXTCHANGED: TextChanged(); break;
        case CM_FONTCHANGED:
            CheckParentFont();
            FontChanged();
            break;
        case CM_COLORCHANGED: ColorChanged(); break;
        case CM_PARENTFONTCHANGED: SyncParentFont(); break;
        case CM_PARENTCOLORCHANGED:
            if (parentColor_) ColorChanged();
            break;
        default: DefaultHandler(m); break;
    }
}

void TControl::DefaultHandler(TMessage& m) {
    // A window-less control keeps its text itself, and answers for it like a window.
    switch (m.Msg) {
        case WM_SETTEXT:
            text_ = m.LParam ? reinterpret_cast<const wchar_t*>(m.LParam) : L"";
            m.Result = TRUE;
            break;
        case WM_GETTEXTLENGTH: m.Result = static_cast<LRESULT>(text_.size()); break;
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<wchar_t*>(m.LParam);
            const size_t room = m.WParam;
            if (!buffer || room == 0) {
                m.Result = 0;
                break;
            }
            const size_t n = std::min(text_.size(), room - 1);
            std::copy_n(text_.data(), n, buffer);
            buffer[n] = L'\0';
            m.Result = static_cast<LRESULT>(n);
            break;
        }
        default: m.Result = 0; break;
    }
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent == this) throw EFrameworkError(L"A control cannot be its own parent");
    if (parent_) {
        InvalidateParentRect(BoundsRect());
        parent_->RemoveControl(this);
    }
    parent_ = nullptr;
    if (parent) {
        parent->InsertControl(this);
        parent_ = parent;
        if (parentFont_) SyncParentFont();
        Invalidate();
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    // The old area may be uncovered; both get repainted.
    InvalidateParentRect(BoundsRect());
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
}

RECT TControl::ClientRect() {
    return RECT{0, 0, width_, height_};
}

void TControl::SetVisible(bool value) {
    if (value == visible_) return;
    visible_ = value;
    Perform(CM_VISIBLECHANGED, value ? 1 : 0);
}

void TControl::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetCaption(const std::wstring& text) {
    if (text == text_) return;
    // Through WindowProc, so a replaced handler sees the change as a WM_SETTEXT.
    Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Perform(CM_TEXTCHANGED);
}

TColor TControl::Color() const {
    return parentColor_ && parent_ ? parent_->Color() : color_;
}

void TControl::SetColor(TColor color) {
    if (!parentColor_ && color == color_) return;
    color_ = color;
    parentColor_ = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value) {
    if (value == parentColor_) return;
    if (!value) color_ = Color();
    parentColor_ = value;
    Perform(CM_COLORCHANGED);
}

void TControl::SetFont(const TFont& font) {
    font_.Assign(font);
    Perform(CM_FONTCHANGED);
}

void TControl::SetParentFont(bool value) {
    parentFont_ = value;
    if (value) SyncParentFont();
}

namespace {
bool SameFont(const TFont& a, const TFont& b) {
    return a.Name == b.Name && a.Height == b.Height && a.Color == b.Color && a.Style == b.Style &&
           a.Charset == b.Charset;
}
}  // namespace

void TControl::SyncParentFont() {
    if (!parentFont_ || !parent_) return;
    if (SameFont(font_, parent_->Font())) return;
    font_.Assign(parent_->Font());
    Perform(CM_FONTCHANGED);
}

void TControl::CheckParentFont() {
    if (parentFont_ && parent_ && !SameFont(font_, parent_->Font())) parentFont_ = false;
}

void TControl::InvalidateParentRect(const RECT& rect) {
    if (parent_ && parent_->HandleAllocated() && !(parent_->ComponentState() & csDestroying))
        InvalidateRect(parent_->Handle(), &rect, TRUE);
}

void TControl::Invalidate() {
    if (visible_) InvalidateParentRect(BoundsRect());
}

void TControl::Repaint() {
    Invalidate();
    if (parent_ && parent_->HandleAllocated()) UpdateWindow(parent_->Handle());
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::VisibleChanged() {
    InvalidateParentRect(BoundsRect());
}
void TControl::EnabledChanged() {
    Invalidate();
}
void TControl::TextChanged() {
    Invalidate();
}
void TControl::FontChanged() {
    Invalidate();
}
void TControl::ColorChanged() {
    Invalidate();
}

// ---------------------------------------------------------------- TGraphicControl

void TGraphicControl::WndProc(TMessage& m) {
    if (m.Msg == WM_PAINT && m.WParam) {
        Paint(reinterpret_cast<HDC>(m.WParam));
        m.Result = 0;
        return;
    }
    TControl::WndProc(m);
}

void TGraphicControl::Paint(HDC) {}

// ---------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    state_ |= csDestroying;
    // Children go first (each leaves controls_ itself), then our window.
    while (!controls_.empty()) delete controls_.back();
    DestroyHandle();
}

HWND TWinControl::Handle() {
    if (!handle_) CreateHandle();
    return handle_;
}

void TWinControl::CreateHandle() {
    if (handle_) return;
    if (parent_ && !parent_->HandleAllocated()) {
        // A child window needs its parent's window; making that makes ours too.
        parent_->CreateHandle();
        if (handle_) return;
    }
    CreateWnd();
    for (TWinControl* child : WinControlsInTabOrder()) child->CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.WinClassName = ClassName();
    p.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (visible_) p.Style |= WS_VISIBLE;
    if (!Enabled()) p.Style |= WS_DISABLED;
    if (tabStop_) p.Style |= WS_TABSTOP;
    p.X = left_;
    p.Y = top_;
    p.Width = width_;
    p.Height = height_;
    if (parent_) p.WndParent = parent_->Handle();
}

void TWinControl::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    if ((p.Style & WS_CHILD) && !p.WndParent) throw EFrameworkError(L"Control '" + Name() + L"' has no parent window");

    // Register the framework class once; a class made from a system class
    // takes that class's settings and keeps its procedure as the default.
    auto& classes = RegisteredClasses();
    auto it = std::find_if(classes.begin(), classes.end(),
                           [&](const RegisteredClass& c) { return c.name == p.WinClassName; });
    if (it == classes.end()) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        WNDPROC base = DefWindowProcW;
        if (!p.BaseClassName.empty()) {
            if (!GetClassInfoExW(nullptr, p.BaseClassName.c_str(), &wc))
                throw EFrameworkError(L"Window class " + p.BaseClassName + L" is not available");
            base = wc.lpfnWndProc;
            wc.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
        } else {
            wc.style = p.ClassStyle;
            wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
            if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
        }
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = p.WinClassName.c_str();
        wc.hIconSm = nullptr;
        const ATOM atom = RegisterClassExW(&wc);
        if (!atom)
            throw EFrameworkError(L"Cannot register window class " + p.WinClassName + L" (error " + IntToStr(GetLastError()) +
                            L")");
        classes.push_back(RegisteredClass{p.WinClassName, atom, base});
        it = classes.end() - 1;
    }
    defWndProc_ = it->baseProc;

    TWinControl* const outer = creatingControl;
    creatingControl = this;
    const ATOM outerAtom = creatingAtom;
    creatingAtom = it->atom;
    HWND hwnd = nullptr;
    try {
        hwnd = CreateWindowHandle(p);
    } catch (...) {
        creatingControl = outer;
        creatingAtom = outerAtom;
        throw;
    }
    creatingControl = outer;
    creatingAtom = outerAtom;
    if (!hwnd) {
        const DWORD error = GetLastError();
        handle_ = nullptr;
        throw EFrameworkError(L"Error creating window " + p.WinClassName + L" (error " + IntToStr(error) + L")");
    }
    handle_ = hwnd;
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
    UpdateBoundsFromWindow();
}

HWND TWinControl::CreateWindowHandle(const TCreateParams& p) {
    return CreateWindowExW(p.ExStyle, p.WinClassName.c_str(), text_.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                           p.WndParent, nullptr, GetModuleHandleW(nullptr), this);
}

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    // WM_NCDESTROY clears handle_; clear it anyway should the window be gone already.
    DestroyWindow(handle_);
    handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
    if (handle_) Perform(CM_RECREATEWND);
}

void TWinControl::RecreateHandle() {
    if (!handle_) return;
    DestroyHandle();
    HandleNeeded();
}

void TWinControl::Release() {
    if (handle_) PostMessageW(handle_, CM_RELEASE, 0, 0);
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self && msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        // An MDI child's create parameter is the MDICREATESTRUCT its client was given.
        const auto* mdi =
            (cs->dwExStyle & WS_EX_MDICHILD) ? static_cast<const MDICREATESTRUCTW*>(cs->lpCreateParams) : nullptr;
        if (creatingControl && (cs->lpCreateParams == creatingControl ||
                                (mdi && mdi->lParam == reinterpret_cast<LPARAM>(creatingControl)))) {
            self = creatingControl;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->handle_ = hwnd;
        }
    }
    if (!self) {
        // Messages before WM_NCCREATE (WM_GETMINMAXINFO) or a window nobody claimed.
        const RegisteredClass* c = FindRegisteredClass(hwnd);
        return CallWindowProcW(c ? c->baseProc : DefWindowProcW, hwnd, msg, wParam, lParam);
    }
    if (msg == CM_RELEASE) {
        // Here no handler of the object is on the stack any more.
        delete self;
        return 0;
    }
    TMessage m{msg, wParam, lParam, 0};
    try {
        self->WindowProc(m);
    } catch (...) {
        Application->HandleException(self);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
    }
    return m.Result;
}

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CM_RECREATEWND: RecreateHandle(); return;
        case WM_PAINT: PaintHandler(m); return;
        case WM_COMMAND:
            // Notifications of a child go to the child's object.
            if (m.LParam) {
                TWinControl* child = FindControl(reinterpret_cast<HWND>(m.LParam));
                if (child && child != this) {
                    m.Result = child->Perform(CN_COMMAND, m.WParam, m.LParam);
                    return;
                }
            }
            break;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(m.LParam);
            TWinControl* child = hdr ? FindControl(hdr->hwndFrom) : nullptr;
            if (child && child != this) {
                m.Result = child->Perform(CN_NOTIFY, m.WParam, m.LParam);
                return;
            }
            break;
        }
        case WM_HSCROLL:
        case WM_VSCROLL: {
            TWinControl* child = m.LParam ? FindControl(reinterpret_cast<HWND>(m.LParam)) : nullptr;
            if (child && child != this) {
                m.Result = child->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
                return;
            }
            break;
        }
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC: {
            TWinControl* child = FindControl(reinterpret_cast<HWND>(m.LParam));
            if (child && child != this) {
                m.Result = child->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
                if (m.Result) return;
            }
            break;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
            TWinControl* child = item && item->CtlType != ODT_MENU ? FindControl(item->hwndItem) : nullptr;
            if (child && child != this) {
                m.Result = child->Perform(CN_DRAWITEM, m.WParam, m.LParam);
                return;
            }
            break;
        }
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            if (MouseToGraphicControl(m)) return;
            break;
        case WM_MOUSELEAVE: SetMouseControl(nullptr); break;
        case WM_CAPTURECHANGED:
            if (captureControl_ && reinterpret_cast<HWND>(m.LParam) != handle_) {
                // Someone else took the mouse: the pressed control hears of it and lets go.
                TControl* pressed = std::exchange(captureControl_, nullptr);
                pressed->Perform(WM_CAPTURECHANGED, m.WParam, m.LParam);
            }
            break;
        case CN_KEYDOWN: DialogKey(m); return;
        case WM_SETFOCUS:
            TControl::WndProc(m);
            if (TWinControl* form = GetParentForm(this)) {
                form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(this));
                BroadcastToControls(form, CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(this));
            }
            return;
        case WM_WINDOWPOSCHANGED:
            TControl::WndProc(m);
            UpdateBoundsFromWindow();
            return;
        default: break;
    }
    TControl::WndProc(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!handle_) {
        TControl::DefaultHandler(m);
        return;
    }
    if (m.Msg == WM_SETTEXT) text_ = m.LParam ? reinterpret_cast<const wchar_t*>(m.LParam) : L"";
    m.Result = CallWindowProcW(defWndProc_, handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::PaintHandler(TMessage& m) {
    bool hasGraphic = false;
    for (TControl* c : controls_)
        if (!dynamic_cast<TWinControl*>(c)) hasGraphic = true;
    if (!hasGraphic && defWndProc_ != DefWindowProcW) {
        // A system control paints itself.
        DefaultHandler(m);
        return;
    }
    if (m.WParam) {
        RECT clip;
        if (GetClipBox(reinterpret_cast<HDC>(m.WParam), &clip) == ERROR) clip = ClientRect();
        PaintControls(reinterpret_cast<HDC>(m.WParam), clip);
    } else {
        PaintDC dc(handle_);
        if (dc.get()) PaintControls(dc.get(), dc.PaintRect());
    }
    m.Result = 0;
}

void TWinControl::PaintControls(HDC dc, const RECT& clip) {
    for (TControl* c : controls_) {
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        const RECT bounds = c->BoundsRect();
        RECT overlap;
        if (!IntersectRect(&overlap, &bounds, &clip)) continue;
        SavedDCState saved(dc);
        OffsetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
        IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
}

void TWinControl::UpdateBoundsFromWindow() {
    if (!handle_ || IsIconic(handle_)) return;
    RECT r;
    if (!GetWindowRect(handle_, &r)) return;
    if ((GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) && GetParent(handle_))
        MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (handle_) {
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        UpdateBoundsFromWindow();
    } else {
        left_ = left;
        top_ = top;
        width_ = width;
        height_ = height;
    }
}

RECT TWinControl::ClientRect() {
    RECT r{0, 0, width_, height_};
    if (handle_) GetClientRect(handle_, &r);
    return r;
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    TControl::SetParent(parent);
    if (!parent) {
        DestroyHandle();
    } else if (handle_) {
        ::SetParent(handle_, parent->Handle());
    } else if (parent->HandleAllocated()) {
        CreateHandle();
    }
}

TControl* TWinControl::GraphicControlAt(POINT pt) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        const RECT r = c->BoundsRect();
        if (PtInRect(&r, pt)) return c;
    }
    return nullptr;
}

void TWinControl::SetMouseControl(TControl* control) {
    if (control == mouseControl_) return;
    TControl* old = std::exchange(mouseControl_, control);
    if (old) old->Perform(CM_MOUSELEAVE);
    if (control) {
        control->Perform(CM_MOUSEENTER);
        // WM_MOUSELEAVE tells when the mouse leaves our window altogether.
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, handle_, 0};
        TrackMouseEvent(&track);
    }
}

bool TWinControl::MouseToGraphicControl(TMessage& m) {
    const POINT pt{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
    if (captureControl_ && GetCapture() != handle_) captureControl_ = nullptr;
    TControl* under = GraphicControlAt(pt);
    if (under && !under->Enabled()) under = nullptr;
    if (m.Msg == WM_MOUSEMOVE) SetMouseControl(under);
    TControl* target = captureControl_ ? captureControl_ : under;
    if (!target) return false;
    if (m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) {
        captureControl_ = target;
        SetCapture(handle_);
    }
    const LPARAM local = MAKELPARAM(static_cast<WORD>(pt.x - target->Left()), static_cast<WORD>(pt.y - target->Top()));
    m.Result = target->Perform(m.Msg, m.WParam, local);
    if (m.Msg == WM_LBUTTONUP && captureControl_) {
        captureControl_ = nullptr;
        if (GetCapture() == handle_) ReleaseCapture();
    }
    return true;
}

void TWinControl::DialogKey(TMessage& m) {
    m.Result = 0;
    const UINT key = static_cast<UINT>(m.WParam);
    if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE && key != VK_LEFT && key != VK_RIGHT && key != VK_UP &&
        key != VK_DOWN)
        return;
    // A control that takes the key itself (a multi-line edit takes Enter) keeps it.
    const LRESULT code = handle_ ? SendMessageW(handle_, WM_GETDLGCODE, key, 0) : 0;
    if (code & DLGC_WANTMESSAGE) return;
    if (key == VK_TAB && (code & DLGC_WANTTAB)) return;
    if (key >= VK_LEFT && key <= VK_DOWN && (code & DLGC_WANTARROWS)) return;
    if ((key == VK_RETURN || key == VK_ESCAPE) && (code & DLGC_WANTALLKEYS)) return;
    if (TWinControl* form = GetParentForm(this)) m.Result = form->Perform(CM_DIALOGKEY, key, m.LParam);
}

bool TWinControl::CanFocus() const {
    for (const TWinControl* w = this; w; w = w->Parent())
        if (!w->Visible() || !w->Enabled()) return false;
    return handle_ != nullptr;
}

std::vector<TWinControl*> TWinControl::TabList() {
    std::vector<TWinControl*> list;
    const std::vector<TWinControl*> children = WinControlsInTabOrder();
    // Tab reaches a radio group at its checked button.
    bool groupHasChecked = false;
    for (TWinControl* w : children)
        if (auto* radio = dynamic_cast<TRadioButton*>(w); radio && radio->Checked()) groupHasChecked = true;
    for (TWinControl* w : children) {
        if (!w->Visible() || !w->Enabled() || !w->HandleAllocated()) continue;
        auto* radio = dynamic_cast<TRadioButton*>(w);
        const bool uncheckedRadio = radio && !radio->Checked();
        if (w->TabStop() && !(uncheckedRadio && groupHasChecked)) list.push_back(w);
        const std::vector<TWinControl*> inner = w->TabList();
        list.insert(list.end(), inner.begin(), inner.end());
    }
    return list;
}

void TWinControl::InsertControl(TControl* control) {
    if (auto* w = dynamic_cast<TWinControl*>(control)) w->tabOrder_ = static_cast<int>(WinControlsInTabOrder().size());
    controls_.push_back(control);
}

void TWinControl::RemoveControl(TControl* control) {
    if (mouseControl_ == control) mouseControl_ = nullptr;
    if (captureControl_ == control) {
        captureControl_ = nullptr;
        if (handle_ && GetCapture() == handle_) ReleaseCapture();
    }
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

std::vector<TWinControl*> TWinControl::WinControlsInTabOrder() const {
    std::vector<TWinControl*> list;
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) list.push_back(w);
    std::stable_sort(list.begin(), list.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->tabOrder_ < b->tabOrder_; });
    return list;
}

TWinControl* TWinControl::FirstTabStop() {
    const std::vector<TWinControl*> list = TabList();
    return list.empty() ? nullptr : list.front();
}

void TWinControl::SetTabStop(bool value) {
    tabStop_ = value;
    if (handle_) {
        LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
        style = value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrW(handle_, GWL_STYLE, style);
    }
}

void TWinControl::SetFocus() {
    ::SetFocus(Handle());
}

bool TWinControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

void TWinControl::VisibleChanged() {
    if (handle_) ShowWindow(handle_, visible_ ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::EnabledChanged() {
    if (handle_) EnableWindow(handle_, Enabled() ? TRUE : FALSE);
}

void TWinControl::FontChanged() {
    if (handle_) SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    for (TControl* c : controls_) c->Perform(CM_PARENTFONTCHANGED);
}

void TWinControl::ColorChanged() {
    Invalidate();
    for (TControl* c : controls_) c->Perform(CM_PARENTCOLORCHANGED);
}

TForm* GetParentForm(TControl* control) {
    for (TControl* c = control; c; c = c->Parent())
        if (auto* form = dynamic_cast<TForm*>(c)) return form;
    return nullptr;
}

void BroadcastToControls(TWinControl* root, UINT msg, WPARAM wParam, LPARAM lParam) {
    // A copy: a handler may add or remove controls.
    std::vector<TControl*> children;
    for (int i = 0; i < root->ControlCount(); ++i) children.push_back(root->Controls(i));
    for (TControl* c : children) {
        c->Perform(msg, wParam, lParam);
        if (auto* w = dynamic_cast<TWinControl*>(c)) BroadcastToControls(w, msg, wParam, lParam);
    }
}

TWinControl* FindControl(HWND hwnd) {
    if (!hwnd || !IsWindow(hwnd)) return nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || !FindRegisteredClass(hwnd)) return nullptr;
    if (auto* c = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) return c;
    // A window being made now, seen before its WM_NCCREATE (hooks do).
    if (creatingControl && !creatingControl->HandleAllocated() && creatingAtom &&
        static_cast<ATOM>(GetClassLongPtrW(hwnd, GCW_ATOM)) == creatingAtom)
        return creatingControl;
    return nullptr;
}

// ---------------------------------------------------------------- TPaintedControl

void TPaintedControl::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.ClassStyle = CS_HREDRAW | CS_VREDRAW;
    p.Style |= WS_CLIPCHILDREN;
}

void TPaintedControl::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_ERASEBKGND: m.Result = 1; return;
        case WM_PAINT:
            if (m.WParam) {
                PaintTo(reinterpret_cast<HDC>(m.WParam));
            } else {
                PaintDC dc(WindowHandle());
                if (dc.get()) PaintTo(dc.get());
            }
            m.Result = 0;
            return;
        case WM_PRINTCLIENT:
            PaintTo(reinterpret_cast<HDC>(m.WParam));
            m.Result = 0;
            return;
        default: break;
    }
    TWinControl::WndProc(m);
}

void TPaintedControl::PaintTo(HDC target) {
    const RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0) return;
    TBitmap buffer(client.right, client.bottom);
    const HDC dc = buffer.DC();
    if (!dc) return;
    Paint(dc, client);
    PaintControls(dc, client);
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

void TPaintedControl::FontChanged() {
    TWinControl::FontChanged();
    Invalidate();
}

void TPaintedControl::EnabledChanged() {
    TWinControl::EnabledChanged();
    Invalidate();
}
