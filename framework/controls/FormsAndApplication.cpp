#include "framework/controls/FormsAndApplication.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/Menus.h"
#include "framework/graphics/GdiHandles.h"

// ---------------------------------------------------------------- TForm

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
    visible_ = false;
    SetParentColor(false);
    SetParentFont(false);
}

TForm::~TForm() {
    state_ |= csDestroying;
    if (menu_) menu_->form_ = nullptr, menu_->window_ = nullptr;
    if (popupMenu_) popupMenu_->form_ = nullptr;
    Application->FormGone(this);
    // Through the client, so it activates the next child and mends its menus.
    if (formStyle_ == fsMDIChild && WindowHandle() && GetParent(WindowHandle()))
        SendMessageW(GetParent(WindowHandle()), WM_MDIDESTROY, reinterpret_cast<WPARAM>(WindowHandle()), 0);
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
    if (value == borderStyle_) return;
    borderStyle_ = value;
    UpdateWindowStyle();
}

void TForm::SetBorderIcons(uint8_t value) {
    if (value == borderIcons_) return;
    borderIcons_ = value;
    UpdateWindowStyle();
}

void TForm::UpdateWindowStyle() {
    if (!HandleAllocated()) return;
    TCreateParams p;
    CreateParams(p);
    const HWND h = Handle();
    // Keep the bits the window has now that are not ours to decide.
    const DWORD keep = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED;
    const DWORD style = (static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)) & keep) | (p.Style & ~keep);
    SetWindowLongPtrW(h, GWL_STYLE, static_cast<LONG_PTR>(style));
    SetWindowLongPtrW(h, GWL_EXSTYLE, static_cast<LONG_PTR>(p.ExStyle));
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetClientWidth(int value) {
    if (HandleAllocated()) {
        SetBounds(left_, top_, width_ + value - ClientRect().right, height_);
    } else {
        clientWidth_ = value;
    }
}

void TForm::SetClientHeight(int value) {
    if (HandleAllocated()) {
        SetBounds(left_, top_, width_, height_ + value - ClientRect().bottom);
    } else {
        clientHeight_ = value;
    }
}

RECT TForm::ClientRect() {
    if (HandleAllocated()) return TWinControl::ClientRect();
    return RECT{0, 0, clientWidth_ >= 0 ? clientWidth_ : width_, clientHeight_ >= 0 ? clientHeight_ : height_};
}

void TForm::CreateParams(TCreateParams& p) {
    p.WinClassName = ClassName();
    p.ClassStyle = CS_DBLCLKS;
    p.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (!Enabled()) p.Style |= WS_DISABLED;
    p.ExStyle = 0;

    uint8_t icons = borderIcons_;
    switch (borderStyle_) {
        case bsNone:
            p.Style |= WS_POPUP;
            icons = 0;
            break;
        case bsSingle:
        case bsToolWindow: p.Style |= WS_CAPTION | WS_BORDER; break;
        case bsSizeable:
        case bsSizeToolWin: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
        case bsDialog:
            p.Style |= WS_POPUP | WS_CAPTION;
            p.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
            icons &= biSystemMenu;
            p.ClassStyle |= CS_SAVEBITS;
            break;
    }
    if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) {
        p.ExStyle = WS_EX_TOOLWINDOW;
        icons &= biSystemMenu;
    }
    if (icons & biMinimize) p.Style |= WS_MINIMIZEBOX;
    if (icons & biMaximize) p.Style |= WS_MAXIMIZEBOX;
    if (icons & biSystemMenu) p.Style |= WS_SYSMENU;

    TForm* main = Application->MainForm();
    if (formStyle_ == fsMDIChild) {
        TForm* frame = MDIFrame();
        if (!frame) throw EFrameworkError(L"Form '" + Name() + L"' is an MDI child without an MDI frame");
        p.Style = (p.Style & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD | WS_VISIBLE;
        p.ExStyle |= WS_EX_MDICHILD;
        p.WndParent = frame->Handle() ? frame->ClientHandle() : nullptr;
    } else if (main == this) {
        if (Application->MainFormOnTaskBar()) p.ExStyle |= WS_EX_APPWINDOW;
    } else if (main && main->HandleAllocated()) {
        // Other forms stay above the main form and leave the taskbar to it.
        p.WndParent = main->Handle();
    }

    p.Width = width_;
    p.Height = height_;
    if (clientWidth_ >= 0 || clientHeight_ >= 0) {
        RECT r{0, 0, clientWidth_ >= 0 ? clientWidth_ : width_, clientHeight_ >= 0 ? clientHeight_ : height_};
        AdjustWindowRectEx(&r, p.Style, FALSE, p.ExStyle);
        p.Width = r.right - r.left;
        p.Height = r.bottom - r.top;
    }
    p.X = left_;
    p.Y = top_;
    if (position_ == poScreenCenter) {
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        p.X = work.left + (work.right - work.left - p.Width) / 2;
        p.Y = work.top + (work.bottom - work.top - p.Height) / 2;
    }
}

namespace {

// The program's icon at one of the system's icon sizes. Shared handles of
// standard sizes: the system keeps them for the life of the program.
HICON ProgramIcon(int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                         GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED));
}

}  // namespace

void TForm::CreateWnd() {
    TWinControl::CreateWnd();
    const HWND h = WindowHandle();
    if (HICON bigIcon = ProgramIcon(SM_CXICON, SM_CYICON))
        SendMessageW(h, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    if (HICON smallIcon = ProgramIcon(SM_CXSMICON, SM_CYSMICON))
        SendMessageW(h, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    if (menu_ && formStyle_ != fsMDIChild) {
        // The bar takes its height from the client area: give it back, so the
        // client keeps the size the form was made with.
        RECT before{};
        GetClientRect(h, &before);
        ShowMenuBar();
        RECT after{};
        GetClientRect(h, &after);
        if (after.bottom != before.bottom) SetBounds(left_, top_, width_, height_ + before.bottom - after.bottom);
    }
    if (formStyle_ == fsMDIForm) CreateMDIClient();
    for (int i = 0; i < ComponentCount(); ++i) Components(i)->OwnerWindowCreated();
}

void TForm::SetMenu(TMainMenu* value) {
    if (value == menu_) return;
    if (menu_) {
        menu_->form_ = nullptr;
        menu_->window_ = nullptr;
    }
    menu_ = value;
    if (menu_) {
        if (menu_->form_ && menu_->form_ != this) menu_->form_->SetMenu(nullptr);
        menu_->form_ = this;
    }
    if (HandleAllocated()) ShowMenuBar();
}

void TForm::ShowMenuBar() {
    const HWND h = WindowHandle();
    if (formStyle_ == fsMDIChild) {
        // A child has no bar: its menu shows merged into the frame's while it is active.
        if (TForm* frame = MDIFrame(); frame && frame->ActiveMDIChild() == this) frame->MergeChildMenu(this);
        return;
    }
    if (!menu_) {
        if (GetMenu(h)) ::SetMenu(h, nullptr);
        return;
    }
    menu_->window_ = h;
    menu_->ChangeNoticed();
    if (formStyle_ == fsMDIForm && clientHandle_) {
        // Through the client, so it keeps the window menu and a maximised child's buttons in the bar.
        SendMessageW(clientHandle_, WM_MDISETMENU, reinterpret_cast<WPARAM>(menu_->Handle()),
                     reinterpret_cast<LPARAM>(windowMenu_ ? windowMenu_->Handle() : nullptr));
    } else {
        ::SetMenu(h, menu_->Handle());
    }
    DrawMenuBar(h);
}

void TForm::SetPopupMenu(TPopupMenu* value) {
    if (value == popupMenu_) return;
    if (popupMenu_) popupMenu_->form_ = nullptr;
    popupMenu_ = value;
    if (popupMenu_) {
        if (popupMenu_->form_ && popupMenu_->form_ != this) popupMenu_->form_->SetPopupMenu(nullptr);
        popupMenu_->form_ = this;
    }
}

void TForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TForm::BringToFront() {
    if (HandleAllocated()) SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::VisibleChanged() {
    if (visible_) {
        HandleNeeded();
        DoShow();
        // An MDI child shows in the state its client gives it (maximised like the others).
        ShowWindow(Handle(), formStyle_ == fsMDIChild ? SW_SHOW : SW_SHOWNORMAL);
    } else if (HandleAllocated()) {
        ShowWindow(Handle(), SW_HIDE);
    }
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TForm::Close() {
    TCloseAction action = formStyle_ == fsMDIChild ? caFree : caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
        case caHide: Hide(); break;
        case caMinimize:
            if (HandleAllocated()) ShowWindow(Handle(), SW_MINIMIZE);
            break;
        case caFree: Release(); break;
        case caNone: break;
    }
}

void TForm::FocusFirstControl() {
    const HWND focus = GetFocus();
    if (focus && focus != Handle() && IsChild(Handle(), focus)) return;
    if (TWinControl* first = FirstTabStop()) first->SetFocus();
}

void TForm::WndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_CLOSE:
            Close();
            m.Result = 0;
            return;
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(Handle(), &r);
            UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
            FillRect(reinterpret_cast<HDC>(m.WParam), &r, brush.get());
            m.Result = 1;
            return;
        }
        case WM_PRINTCLIENT: {
            // Printing and captures get the same pixels as the screen.
            const HDC dc = reinterpret_cast<HDC>(m.WParam);
            if (m.LParam & PRF_ERASEBKGND) Perform(WM_ERASEBKGND, m.WParam, 0);
            RECT clip;
            if (GetClipBox(dc, &clip) == ERROR || IsRectEmpty(&clip)) GetClientRect(Handle(), &clip);
            PaintControls(dc, clip);
            m.Result = 0;
            return;
        }
        case WM_SETFOCUS:
            TWinControl::WndProc(m);
            FocusFirstControl();
            return;
        case WM_SETTINGCHANGE:
            // The menu font may be another now.
            ForgetMenuFont();
            break;
        case CM_DIALOGKEY: m.Result = DialogKey(static_cast<UINT>(m.WParam)) ? 1 : 0; return;
        case WM_MDIACTIVATE:
            // The child being activated brings its menu into the frame's bar; the last one takes it away.
            if (formStyle_ == fsMDIChild) {
                TForm* frame = MDIFrame();
                const auto activated = reinterpret_cast<HWND>(m.LParam);
                if (frame && activated == WindowHandle())
                    frame->MergeChildMenu(this);
                else if (frame && !activated)
                    frame->MergeChildMenu(nullptr);
            }
            break;
        case WM_DESTROY:
            // The bar's handle belongs to the menu: the window must not take it along.
            if (menu_ && GetMenu(Handle()) == menu_->MenuHandleIfMade()) ::SetMenu(Handle(), nullptr);
            break;
        case CM_MENUCHANGED:
            // A bar that is not ours any more may still have had a change posted.
            if (menu_ && reinterpret_cast<TMainMenu*>(m.LParam) == menu_) ShowMenuBar();
            m.Result = 0;
            return;
        case WM_COMMAND:
            // Menu commands have no control window; controls' notifications go on below.
            if (m.LParam == 0 && HIWORD(m.WParam) == 0 && DispatchMenuMessage(m.Msg, m.WParam, m.LParam, m.Result))
                return;
            break;
        case WM_MEASUREITEM:
        case WM_DRAWITEM:
        case WM_MENUCHAR:
            if (DispatchMenuMessage(m.Msg, m.WParam, m.LParam, m.Result)) return;
            break;
        case WM_CONTEXTMENU:
            if (popupMenu_ && popupMenu_->AutoPopup()) {
                POINT p{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
                if (m.LParam == -1) {
                    // From the keyboard: at the client's top-left corner.
                    p = POINT{0, 0};
                    ClientToScreen(Handle(), &p);
                }
                popupMenu_->Popup(p.x, p.y);
                m.Result = 0;
                return;
            }
            break;
        default: break;
    }
    TWinControl::WndProc(m);
}

namespace {

// Every button under root, in the order of the controls.
void CollectButtons(TWinControl* root, std::vector<TButton*>& out) {
    for (int i = 0; i < root->ControlCount(); ++i) {
        auto* w = dynamic_cast<TWinControl*>(root->Controls(i));
        if (!w) continue;
        if (auto* b = dynamic_cast<TButton*>(w)) out.push_back(b);
        CollectButtons(w, out);
    }
}

TWinControl* FocusedControl() {
    for (HWND h = GetFocus(); h; h = GetParent(h))
        if (TWinControl* c = FindControl(h)) return c;
    return nullptr;
}

}  // namespace

bool TForm::DialogKey(UINT key) {
    TWinControl* focused = FocusedControl();
    if (focused && GetParentForm(focused) != this) focused = nullptr;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (key == VK_TAB && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
        for (TWinControl* w = focused; w && w != this; w = w->Parent())
            if (w->Perform(CM_CTRLTAB, shift ? 0 : 1)) return true;
        return false;
    }
    if ((GetKeyState(VK_MENU) < 0) || (GetKeyState(VK_CONTROL) < 0)) return false;
    switch (key) {
        case VK_TAB: {
            const std::vector<TWinControl*> list = TabList();
            if (list.empty()) return true;
            auto it = std::find(list.begin(), list.end(), focused);
            size_t next;
            if (it == list.end())
                next = shift ? list.size() - 1 : 0;
            else {
                const size_t at = static_cast<size_t>(it - list.begin());
                next = shift ? (at + list.size() - 1) % list.size() : (at + 1) % list.size();
            }
            list[next]->SetFocus();
            return true;
        }
        case VK_RETURN:
        case VK_ESCAPE: {
            // Enter presses the focused button, else the default one; Esc the cancel one.
            if (key == VK_RETURN) {
                if (auto* b = dynamic_cast<TButton*>(focused)) {
                    b->Click();
                    return true;
                }
            }
            // Each button is asked in turn (it sees the key, as its skin may want to).
            std::vector<TButton*> buttons;
            CollectButtons(this, buttons);
            for (TButton* b : buttons)
                if (b->Perform(CM_DIALOGKEY, key, 0)) return true;
            return false;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            // Arrows move through a radio group and check the button they reach.
            auto* radio = dynamic_cast<TRadioButton*>(focused);
            if (!radio || !radio->Parent()) return false;
            std::vector<TRadioButton*> group;
            for (int i = 0; i < radio->Parent()->ControlCount(); ++i)
                if (auto* r = dynamic_cast<TRadioButton*>(radio->Parent()->Controls(i)); r && r->CanFocus())
                    group.push_back(r);
            std::stable_sort(group.begin(), group.end(), [](const TRadioButton* a, const TRadioButton* b) {
                return a->TabOrder() < b->TabOrder();
            });
            auto it = std::find(group.begin(), group.end(), radio);
            if (group.size() < 2 || it == group.end()) return true;
            const size_t at = static_cast<size_t>(it - group.begin());
            const bool back = key == VK_LEFT || key == VK_UP;
            TRadioButton* next = group[back ? (at + group.size() - 1) % group.size() : (at + 1) % group.size()];
            next->SetFocus();
            next->SetCheckedByUser();
            return true;
        }
        default: return false;
    }
}

// ---------------------------------------------------------------- TApplication

namespace {

TApplication& TheApplication() {
    static TApplication app;
    return app;
}

std::wstring ExeBaseName() {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, n);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

}  // namespace

TApplication* Application = &TheApplication();

TApplication::TApplication() : TComponent(nullptr), title_(ExeBaseName()) {}

TApplication::~TApplication() {
    state_ |= csDestroying;
    // Forms go here, while this object is still whole.
    while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
}

void TApplication::Initialize() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
}

void TApplication::FormGone(TForm* form) {
    if (form != mainForm_) return;
    mainForm_ = nullptr;
}

void TApplication::Run() {
    if (!mainForm_) return;
    terminated_ = false;
    mainForm_->Show();
    while (!terminated_) HandleMessage();
}

bool TApplication::IsKeyMsg(const MSG& msg) {
    if (msg.message == WM_SYSCHAR) {
        // Alt+character: the form of the window that has it may use it (an
        // accelerator of its own, a skinned menu bar) before the system does.
        for (HWND h = msg.hwnd; h; h = GetParent(h)) {
            if (TWinControl* c = FindControl(h)) {
                TForm* form = GetParentForm(c);
                return form && form->Perform(CM_DIALOGCHAR, msg.wParam, msg.lParam) != 0;
            }
            if (!(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
        }
        return false;
    }
    if (msg.message != WM_KEYDOWN) return false;
    // The control whose window (or whose inner window) has the key.
    for (HWND h = msg.hwnd; h; h = GetParent(h)) {
        if (TWinControl* c = FindControl(h)) return c->Perform(CN_KEYDOWN, msg.wParam, msg.lParam) != 0;
        if (!(GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
    }
    return false;
}

bool TApplication::ProcessMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
    } else if (IsKeyMsg(msg)) {
        // A navigation key the form used: the window never sees it.
    } else if (IsMDIMsg(msg)) {
        // An MDI key of the active child (sent on as WM_SYSCOMMAND).
    } else {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

void TApplication::ProcessMessages() {
    while (ProcessMessage()) {
    }
}

void TApplication::HandleMessage() {
    if (!ProcessMessage()) WaitMessage();
}

void TApplication::Terminate() {
    PostQuitMessage(0);
}

void TApplication::HandleException(TObject*) noexcept {
    if (!std::current_exception()) return;
    try {
        try {
            throw;
        } catch (const EFrameworkError& e) {
            ShowException(e);
        } catch (...) {
            ShowException(EFrameworkError(L""));
        }
    } catch (...) {
        // Nothing more can be shown; the loop goes on.
    }
}

void TApplication::ShowException(const EFrameworkError& e) noexcept {
    MessageBoxW(GetActiveWindow(), e.Message().c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}
