// The MDI parts of TForm: the frame's client window, the children made
// through it, their arrangement and states, and the keys of the active child.
#include <windows.h>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"

namespace {

// Ids the client gives the children's entries in the window menu: far above
// the menu items' own command ids, so the two never meet.
constexpr UINT kFirstMDIChildId = 0xFF00;

TForm* AsMDIChild(HWND hwnd) {
    auto* form = dynamic_cast<TForm*>(FindControl(hwnd));
    return form && form->FormStyle() == fsMDIChild ? form : nullptr;
}

}  // namespace

void TForm::SetFormStyle(TFormStyle value) {
    if (value == formStyle_) return;
    if (HandleAllocated()) throw EFrameworkError(L"Form '" + Name() + L"': the form style is set before the window is made");
    formStyle_ = value;
}

TForm* TForm::MDIFrame() const {
    if (formStyle_ != fsMDIChild) return nullptr;
    if (auto* owner = dynamic_cast<TForm*>(Owner()); owner && owner->FormStyle() == fsMDIForm) return owner;
    TForm* main = Application->MainForm();
    return main && main->FormStyle() == fsMDIForm ? main : nullptr;
}

void TForm::CreateMDIClient() {
    CLIENTCREATESTRUCT ccs{};
    ccs.hWindowMenu = windowMenu_ ? windowMenu_->Handle() : nullptr;
    ccs.idFirstChild = kFirstMDIChildId;
    RECT r{};
    GetClientRect(WindowHandle(), &r);
    clientHandle_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"MDICLIENT", nullptr,
                                    WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL,
                                    0, 0, r.right, r.bottom, WindowHandle(), nullptr, GetModuleHandleW(nullptr), &ccs);
    if (!clientHandle_)
        throw EFrameworkError(L"Error creating the MDI client window (error " + IntToStr(GetLastError()) + L")");
}

HWND TForm::CreateWindowHandle(const TCreateParams& p) {
    if (formStyle_ != fsMDIChild) return TWinControl::CreateWindowHandle(p);
    if (!p.WndParent) return nullptr;
    MDICREATESTRUCTW mcs{};
    mcs.szClass = p.WinClassName.c_str();
    mcs.szTitle = text_.c_str();
    mcs.hOwner = GetModuleHandleW(nullptr);
    mcs.x = p.X;
    mcs.y = p.Y;
    mcs.cx = p.Width;
    mcs.cy = p.Height;
    mcs.style = p.Style;
    mcs.lParam = reinterpret_cast<LPARAM>(this);
    return reinterpret_cast<HWND>(SendMessageW(p.WndParent, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

void TForm::DefaultHandler(TMessage& m) {
    const HWND h = WindowHandle();
    if (!h || formStyle_ == fsNormal) {
        TWinControl::DefaultHandler(m);
        return;
    }
    if (m.Msg == WM_SETTEXT) text_ = m.LParam ? reinterpret_cast<const wchar_t*>(m.LParam) : L"";
    if (formStyle_ == fsMDIForm)
        m.Result = DefFrameProcW(h, clientHandle_, m.Msg, m.WParam, m.LParam);
    else
        m.Result = DefMDIChildProcW(h, m.Msg, m.WParam, m.LParam);
}

void TForm::MergeChildMenu(TForm* child) {
    if (menu_) menu_->Merge(child ? child->Menu() : nullptr);
}

TForm* TForm::ActiveMDIChild() const {
    if (!clientHandle_) return nullptr;
    return AsMDIChild(reinterpret_cast<HWND>(SendMessageW(clientHandle_, WM_MDIGETACTIVE, 0, 0)));
}

int TForm::MDIChildCount() const {
    int n = 0;
    if (clientHandle_)
        for (HWND h = GetWindow(clientHandle_, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (AsMDIChild(h)) ++n;
    return n;
}

TForm* TForm::MDIChildren(int index) const {
    if (clientHandle_ && index >= 0)
        for (HWND h = GetWindow(clientHandle_, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (TForm* f = AsMDIChild(h); f && index-- == 0) return f;
    return nullptr;
}

void TForm::Tile() {
    if (clientHandle_)
        SendMessageW(clientHandle_, WM_MDITILE, tileMode_ == tbHorizontal ? MDITILE_HORIZONTAL : MDITILE_VERTICAL, 0);
}

void TForm::Cascade() {
    if (clientHandle_) SendMessageW(clientHandle_, WM_MDICASCADE, 0, 0);
}

void TForm::ArrangeIcons() {
    if (clientHandle_) SendMessageW(clientHandle_, WM_MDIICONARRANGE, 0, 0);
}

void TForm::Next() {
    if (clientHandle_) SendMessageW(clientHandle_, WM_MDINEXT, 0, 0);
}

void TForm::Previous() {
    if (clientHandle_) SendMessageW(clientHandle_, WM_MDINEXT, 0, 1);
}

void TForm::SetWindowMenu(TMenuItem* item) {
    windowMenu_ = item;
    // The client cannot be told to have none: a null item only stops later use.
    if (!clientHandle_ || !item) return;
    // The frame's menu bar stays; only the window menu changes.
    SendMessageW(clientHandle_, WM_MDISETMENU, 0, reinterpret_cast<LPARAM>(item->Handle()));
    DrawMenuBar(WindowHandle());
}

TWindowState TForm::WindowState() const {
    const HWND h = WindowHandle();
    if (!h) return wsNormal;
    if (IsIconic(h)) return wsMinimized;
    if (IsZoomed(h)) return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState value) {
    const HWND h = Handle();
    if (formStyle_ == fsMDIChild) {
        const HWND client = GetParent(h);
        switch (value) {
            case wsNormal: SendMessageW(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(h), 0); break;
            case wsMaximized: SendMessageW(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(h), 0); break;
            case wsMinimized: ShowWindow(h, SW_MINIMIZE); break;
        }
        return;
    }
    ShowWindow(h, value == wsNormal ? SW_RESTORE : value == wsMaximized ? SW_MAXIMIZE : SW_MINIMIZE);
}

bool TApplication::IsMDIMsg(MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    auto* frame = dynamic_cast<TForm*>(FindControl(GetAncestor(msg.hwnd, GA_ROOT)));
    if (!frame || frame->FormStyle() != fsMDIForm || !frame->ClientHandle()) return false;
    return TranslateMDISysAccel(frame->ClientHandle(), &msg) != FALSE;
}
