// The MDI part of the form skinning object: the MDI client window is subclassed so the
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

TMdiClientPart::~TMdiClientPart() {
    UnSubclassMDI();
}

void TMdiClientPart::SubclassMDI() {
    if (sf.fsd) menuauto = sf.fsd->MenuUpdate();
    if (mdiSubclassed || !ClientHwnd || !IsWindow(ClientHwnd)) return;
    mdiSubclassed =
        SetWindowSubclass(ClientHwnd, MDISubclassProc, kMDISubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void TMdiClientPart::UnSubclassMDI() {
    if (!mdiSubclassed) return;
    if (IsWindow(ClientHwnd)) RemoveWindowSubclass(ClientHwnd, MDISubclassProc, kMDISubclassId);
    mdiSubclassed = false;
}

void TMdiClientPart::DefaultMDI(TMessage& m) {
    m.Result = DefSubclassProc(ClientHwnd, m.Msg, m.WParam, m.LParam);
}

LRESULT CALLBACK TMdiClientPart::MDISubclassProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<TMdiClientPart*>(ref);
    TMessage m{msg, wParam, lParam, 0};
    try {
        if (!self->Handle(m)) self->DefaultMDI(m);
    } catch (...) {
        if (Application) Application->HandleException(nullptr);
    }
    return m.Result;
}

bool TMdiClientPart::Handle(TMessage& m) {
    const bool fullySkinned = sf.sMainMenu;
    switch (m.Msg) {
        case WM_NCDESTROY:
            DefaultMDI(m);
            UnSubclassMDI();
            return true;
        case WM_NCCALCSIZE:
            if (fullySkinned && sf.fsd && !sf.fsd->Options().Contains(xoMDIScrollbar)) {
                const LONG_PTR style = GetWindowLongPtrW(ClientHwnd, GWL_STYLE);
                if (style & (WS_VSCROLL | WS_HSCROLL))
                    SetWindowLongPtrW(ClientHwnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VSCROLL | WS_HSCROLL));
            }
            return false;
        case WM_MDICREATE:
            if (sf.fsd) sf.fsd->SetMenuUpdate(false);
            return false;
        case WM_MDIDESTROY:
            DefaultMDI(m);
            if (fullySkinned) {
                if (SkinManager) SkinManager->SetMDIMax(MDIChildMax());
                // The last child gone: the bar shows the frame's own menu again.
                if (sf.MenuBar().menu && !SendMessageW(ClientHwnd, WM_MDIGETACTIVE, 0, 0)) {
                    if (sf.fsd) sf.fsd->SetMenuUpdate(menuauto);
                    sf.MenuBar().menu->UpdataBtn();
                    sf.Frame().UpdateNc(nullptr);
                }
            }
            return true;
        case WM_MDITILE:
        case WM_MDICASCADE:
            if (fullySkinned && SkinManager && SkinManager->MDIMax) SkinManager->SetMDIMax(false);
            return false;
        case WM_MDISETMENU:
            DefaultMDI(m);
            // The skinned band draws the frame's menu: the system's bar goes.
            // Without a band the system's bar stays, or the menu would be lost.
            if (fullySkinned && sf.MenuBar().menu) {
                if (m.WParam) sf.MenuBar().menu->UpdataBtn2(reinterpret_cast<HMENU>(m.WParam));
                SetMenu(sf.Hwnd, nullptr);
                sf.Frame().UpdateNc(nullptr);
            }
            return true;
        case CN_SkinMDIMaximized: RedrawWindow(sf.Hwnd, nullptr, nullptr, kRedrawWholeFrame); return true;
        default: return false;
    }
}

void TMdiClientPart::DrawMDIChildButtons(HDC dc) {
    if (sf.FormStyle != sfsMDIform || !sf.MenuBar().menu || !dc || !MDIChildMax()) return;
    // Visibility and places of the band's buttons follow the child's state.
    sf.CaptionButtons().SetSysbtnRect();
    for (auto& bp : sf.CaptionButtons().Buttons()) {
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

void TMdiClientPart::MDIChildAction(WPARAM cmd) {
    if (sf.FormStyle != sfsMDIform || !ClientHwnd) return;
    if (auto child = reinterpret_cast<HWND>(SendMessageW(ClientHwnd, WM_MDIGETACTIVE, 0, 0)))
        SendMessageW(child, WM_SYSCOMMAND, cmd, 0);
}

void TMdiClientPart::RestoreMDI() {
    if (sf.FormStyle != sfsMDIform || !sf.FForm) return;
    if (TForm* child = sf.FForm->ActiveMDIChild()) child->SetWindowState(wsNormal);
}

bool TMdiClientPart::MDIChildMax() const {
    if (sf.FormStyle != sfsMDIform || !ClientHwnd) return false;
    BOOL maximised = FALSE;
    SendMessageW(ClientHwnd, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised));
    return maximised != FALSE;
}
