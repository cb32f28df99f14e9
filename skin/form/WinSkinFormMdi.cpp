// TWinSkinForm for MDI frames: the MDI client window is subclassed so the
// skinned menu band follows the client's menu changes, the client's own
// scroll bars can be kept off, and the maximised state of the children is
// tracked (a maximised child loses its skinned frame and region; its buttons
// then live in the frame's menu band).
#include <algorithm>

#include "framework/controls/FormsAndApplication.h"
#include "skin/draw/DrawUtils.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/WinSkinForm.h"

namespace {

constexpr UINT_PTR kMDISubclassId = 0x41A3;
// RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME.
constexpr UINT kRedrawWholeFrame = 0x585;

}  // namespace

void TWinSkinForm::SubclassMDI() {
    if (mdiSubclassed || !ClientHwnd || !IsWindow(ClientHwnd)) return;
    mdiSubclassed =
        SetWindowSubclass(ClientHwnd, MDISubclassProc, kMDISubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void TWinSkinForm::UnSubclassMDI() {
    if (!mdiSubclassed) return;
    if (IsWindow(ClientHwnd)) RemoveWindowSubclass(ClientHwnd, MDISubclassProc, kMDISubclassId);
    mdiSubclassed = false;
}

void TWinSkinForm::DefaultMDI(TMessage& m) {
    m.Result = DefSubclassProc(ClientHwnd, m.Msg, m.WParam, m.LParam);
}

LRESULT CALLBACK TWinSkinForm::MDISubclassProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<TWinSkinForm*>(ref);
    TMessage m{msg, wParam, lParam, 0};
    try {
        if (!self->mdiClient_.Handle(m)) self->DefaultMDI(m);
    } catch (...) {
        if (Application) Application->HandleException(nullptr);
    }
    return m.Result;
}

bool TMdiClientPart::Handle(TMessage& m) {
    const bool fullySkinned = sf.sMainMenu;
    switch (m.Msg) {
        case WM_NCDESTROY:
            sf.DefaultMDI(m);
            sf.UnSubclassMDI();
            return true;
        case WM_NCCALCSIZE:
            if (fullySkinned && sf.fsd && !sf.fsd->Options().Contains(xoMDIScrollbar)) {
                const LONG_PTR style = GetWindowLongPtrW(sf.ClientHwnd, GWL_STYLE);
                if (style & (WS_VSCROLL | WS_HSCROLL))
                    SetWindowLongPtrW(sf.ClientHwnd, GWL_STYLE,
                                      style & ~static_cast<LONG_PTR>(WS_VSCROLL | WS_HSCROLL));
            }
            return false;
        case WM_MDICREATE:
            if (sf.fsd) sf.fsd->SetMenuUpdate(false);
            return false;
        case WM_MDIDESTROY:
            sf.DefaultMDI(m);
            if (fullySkinned) {
                if (SkinManager) SkinManager->SetMDIMax(sf.MDIChildMax());
                // The last child gone: the bar shows the frame's own menu again.
                if (sf.menu && !SendMessageW(sf.ClientHwnd, WM_MDIGETACTIVE, 0, 0)) {
                    if (sf.fsd) sf.fsd->SetMenuUpdate(sf.menuauto);
                    sf.menu->UpdataBtn();
                    sf.UpdateNc(nullptr);
                }
            }
            return true;
        case WM_MDITILE:
        case WM_MDICASCADE:
            if (fullySkinned && SkinManager && SkinManager->MDIMax) SkinManager->SetMDIMax(false);
            return false;
        case WM_MDISETMENU:
            sf.DefaultMDI(m);
            // The skinned band draws the frame's menu: the system's bar goes.
            // Without a band the system's bar stays, or the menu would be lost.
            if (fullySkinned && sf.menu) {
                if (m.WParam) sf.menu->UpdataBtn2(reinterpret_cast<HMENU>(m.WParam));
                SetMenu(sf.Hwnd, nullptr);
                sf.UpdateNc(nullptr);
            }
            return true;
        case CN_SkinMDIMaximized: RedrawWindow(sf.Hwnd, nullptr, nullptr, kRedrawWholeFrame); return true;
        default: return false;
    }
}

void TWinSkinForm::DrawMDIChildButtons(HDC dc) {
    if (FormStyle != sfsMDIform || !menu || !dc || !MDIChildMax()) return;
    // Visibility and places of the band's buttons follow the child's state.
    SetSysbtnRect();
    for (auto& bp : SysBtn) {
        TWinSysButton& b = *bp;
        const TDataSkinSysButton& d = *b.data;
        if (d.Visibility != 100 || !b.visible || d.Map.Empty()) continue;
        const int w = b.bounds.Right - b.bounds.Left, h = b.bounds.Bottom - b.bounds.Top;
        if (w <= 0 || h <= 0) continue;
        // On the band just drawn, so the magenta parts keep it.
        TBitmap piece(w, h, pf24bit);
        BitBlt(piece.DC(), 0, 0, w, h, dc, b.bounds.Left, b.bounds.Top, SRCCOPY);
        DrawRect1(piece.Canvas(), TRect{0, 0, w, h}, d.Map, 1, std::max(1, d.frame), true);
        BitBlt(dc, b.bounds.Left, b.bounds.Top, w, h, piece.DC(), 0, 0, SRCCOPY);
    }
    if (SkinManager && !SkinManager->MDIMax) SkinManager->SetMDIMax(true);
}

void TWinSkinForm::MDIChildAction(WPARAM cmd) {
    if (FormStyle != sfsMDIform || !ClientHwnd) return;
    if (auto child = reinterpret_cast<HWND>(SendMessageW(ClientHwnd, WM_MDIGETACTIVE, 0, 0)))
        SendMessageW(child, WM_SYSCOMMAND, cmd, 0);
}

void TWinSkinForm::RestoreMDI() {
    if (FormStyle != sfsMDIform || !FForm) return;
    if (TForm* child = FForm->ActiveMDIChild()) child->SetWindowState(wsNormal);
}
