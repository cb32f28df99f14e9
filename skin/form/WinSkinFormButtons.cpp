// TWinSkinForm: caption buttons (placement, visibility, drawing, the
// hover/press/release machine and hints), non-client hit testing and mouse
// handling, the window-state commands and the system menu.
#include <algorithm>

#include "framework/controls/Menus.h"
#include "skin/draw/DrawUtils.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinMenu.h"
#include "skin/form/WinSkinForm.h"

namespace {

// Screen coordinates of a mouse message (signed: a second monitor may lie left or above).
int XOf(LPARAM l) {
    return static_cast<short>(LOWORD(l));
}
int YOf(LPARAM l) {
    return static_cast<short>(HIWORD(l));
}

// The framework's application keeps no hint timings: the customary pause
// before a hint and the time it stays.
constexpr int kHintPause = 500;
constexpr int kHintHidePause = 2500;

}  // namespace

// ---- TNCObject ----

void TNCObject::MouseEnter() {
    if (SF->ActiveBtn && SF->ActiveBtn != this) SF->ActiveBtn->MouseLeave();
    if (SF->ActiveBtn == this || !visible) return;
    SF->ActiveBtn = this;
    state = 3;
    Draw();
}

void TNCObject::MouseDown() {
    if (SF->ActiveBtn && SF->ActiveBtn != this) SF->ActiveBtn->MouseLeave();
    if (!visible) return;
    SF->ActiveBtn = this;
    state = 2;
    Draw();
}

void TNCObject::MouseUp() {
    if (!visible) return;
    state = 3;
    Draw();
}

void TNCObject::MouseLeave() {
    if (!visible) return;
    SF->ActiveBtn = nullptr;
    state = 1;
    Draw();
    SF->HintReset();
}

void TWinSysButton::Draw() {
    SF->DrawSysbtn(*this, state);
}

// ---- placement, visibility, drawing ----

bool TWinSkinForm::HasSysBtnBitmap(const TWinSysButton& b) const {
    return !b.data->Map.Empty();
}

bool TWinSkinForm::SysBtnVisible(size_t index) {
    TWinSysButton& b = *SysBtn[index];
    const TDataSkinSysButton& d = *b.data;
    const bool maxBox = (FormIcons & sbiMax) != 0, minBox = (FormIcons & sbiMin) != 0;
    const bool help = (FormIcons & sbiHelp) != 0, system = (FormIcons & sbisystem) != 0;
    const bool maximised = Windowstate == swsMax;
    // The maximised child's buttons go in the band of a frame that has a menu bar.
    const bool mdiMax = FormStyle == sfsMDIform && menu && MDIChildMax();
    auto test = [&](int v, bool first) -> bool {
        switch (v) {
            case 0: return true;
            case 1: return maximised;
            case 2: return !maximised;
            case 3: return FWindowActive;
            case 4: return !FWindowActive;
            case 5: return false;
            case 6:
            case 8: return first ? ((minBox || maxBox) && system) : (minBox || maxBox);
            case 7: return !maxBox;
            case 9: return !minBox;
            case 10: return first ? (help && !minBox && !maxBox) : help;
            case 100: return mdiMax;
            case 200: return !ismessagebox && FormBorder == sbsDialog;
            default: break;
        }
        if (v >= 201 && v <= 999) return true;
        if (v >= 1000 && v <= 2000)
            return first ? SendMessageW(Hwnd, CN_SkinButtonVisible, static_cast<WPARAM>(v), d.Action) > 0 : true;
        return false;
    };
    bool visible = test(d.Visibility, true) && test(d.Visibility1, false);
    switch (d.Action) {
        case 0:
            if (!system) visible = false;
            break;
        case 1: b.enabled = maxBox && system; break;
        case 2: b.enabled = minBox && system; break;
        case 3:
        case 11:
        case 12:
            if (FormBorder == sbsDialog) visible = false;
            break;
        default: break;
    }
    b.visible = visible;
    return visible;
}

void TWinSkinForm::SetSysbtnRect() {
    for (size_t i = 0; i < SysBtn.size(); ++i) {
        TWinSysButton& b = *SysBtn[i];
        if (!SysBtnVisible(i) || !HasSysBtnBitmap(b)) continue;
        const TDataSkinSysButton& d = *b.data;
        const int count = std::max(1, d.frame);
        const int w = d.Map.Width() / count, h = d.Map.Height();
        int x = 0, y = 0;
        switch (d.Align) {
            case 0:
                x = d.XCoord;
                y = d.YCoord;
                break;
            case 1:
                x = fwidth - d.XCoord;
                y = d.YCoord;
                break;
            case 2:
            case 8:
                x = ctr.Left - w - d.XCoord;
                y = d.YCoord;
                break;
            case 3:
            case 9:
                x = ctr.Right + d.XCoord;
                y = d.YCoord;
                break;
            case 100: {
                const int menuLeft = fsd->Menubar ? fsd->Menubar->r.Left : 0;
                x = fwidth - d.XCoord - bw.Right - menuLeft;
                y = bw.Top + (MenuHeight - h) / 2;
                break;
            }
            default: break;
        }
        b.bounds = TRect{x, y, x + w, y + h};
    }
}

void TWinSkinForm::DrawAllSysbtn(TCanvas& canvas, const TRect&) {
    HDC dc = canvas.Handle();
    for (auto& bp : SysBtn) {
        TWinSysButton& b = *bp;
        const TDataSkinSysButton& d = *b.data;
        if (!b.visible || !HasSysBtnBitmap(b) || d.Visibility == 100) continue;
        const int count = std::max(1, d.frame);
        int frameNo = (FWindowActive && b.enabled) ? 1 : 4;
        if (count < 4) frameNo = 1;
        if (d.Action == 3 || d.Action == 11)
            DrawIcon(dc, b.bounds);
        else
            DrawRect1(canvas, b.bounds, d.Map, frameNo, count, true);  // in software on the buffer
    }
}

void TWinSkinForm::DrawSysbtn(TWinSysButton& b, int state) {
    if (!b.visible || !HasSysBtnBitmap(b) || (Skinstate != SkinStage::Skinned && Skinstate != SkinStage::Changing))
        return;
    const TDataSkinSysButton& d = *b.data;
    const int count = std::max(1, d.frame);
    int frameNo = state;
    if (!b.enabled)
        frameNo = count >= 4 ? 4 : 1;
    else if (d.Visibility == 100 && state == 3)
        frameNo = 4;
    if (frameNo > count) frameNo = 1;
    const int w = b.bounds.Right - b.bounds.Left, h = b.bounds.Bottom - b.bounds.Top;
    if (w <= 0 || h <= 0) return;
    WindowDC dc = WindowDC::Whole(Hwnd);
    if (!dc) return;
    // Composed on the caption's last picture so transparent pixels keep the band.
    TBitmap piece(w, h, pf24bit);
    // (The band's buttons lie below the caption: the screen holds their background.)
    if (!CaptionBuf.Empty() && d.Visibility != 100)
        BitBlt(piece.DC(), 0, 0, w, h, CaptionBuf.DC(), b.bounds.Left, b.bounds.Top, SRCCOPY);
    else
        BitBlt(piece.DC(), 0, 0, w, h, dc.get(), b.bounds.Left, b.bounds.Top, SRCCOPY);
    if (d.Action == 3 || d.Action == 11)
        DrawIcon(piece.DC(), TRect{0, 0, w, h});
    else
        DrawRect1(piece.Canvas(), TRect{0, 0, w, h}, d.Map, frameNo, count, true);
    BitBlt(dc.get(), b.bounds.Left, b.bounds.Top, w, h, piece.DC(), 0, 0, SRCCOPY);
}

TWinSysButton* TWinSkinForm::FindBtn(POINT p) {
    for (auto& b : SysBtn) {
        if (!b->visible || b->data->Action < 0) continue;
        const TRect& r = b->bounds;
        if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return b.get();
    }
    return nullptr;
}

POINT TWinSkinForm::GetWinXY(int x, int y) const {
    POINT p{x, y};
    ScreenToClient(Hwnd, &p);
    if (FormStyle == sfsMDIChild && Windowstate == swsMin) return p;
    p.x += bw.Left;
    p.y += bw.Top + MenuHeight;
    return p;
}

std::wstring TWinSkinForm::GetSysBtnHint(int action) {
    switch (action) {
        case 0:
        case 9:
        case 62: return L"Close";
        case 1:
        case 22: return L"Maximize";
        case 2:
        case 23:
        case 7:
        case 60: return L"Minimize";
        case 8:
        case 61: return L"Restore";
        default: return L"";
    }
}

void TWinSkinForm::HintReset() {
    if (!fsd) return;
    fsd->hintcount = 0;
    fsd->HideHint();
}

// ---- actions ----

bool TWinSkinForm::CheckSysmenu() const {
    if (WinVersion >= 0x80000000u || LOBYTE(LOWORD(WinVersion)) < 5) return true;
    if (!hsysmenu) return false;
    return GetMenuState(hsysmenu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void TWinSkinForm::SysBtnAction(TWinSysButton& button, int x, int y) {
    const int action = button.data->Action;
    switch (action) {
        case 0:
            if (CheckSysmenu()) {
                if (timer) timer->SetEnabled(false);
                PostMessageW(Hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            break;
        case 1:
        case 22:
            if (button.enabled) Maximize();
            break;
        case 2:
        case 23:
            if (button.enabled) Minimize();
            break;
        case 3:
        case 11:
        case 12: PopSysmenu(POINT{x + 1, y + 1}); break;
        case 4: PostMessageW(Hwnd, WM_SYSCOMMAND, SC_CONTEXTHELP, 0); break;
        case 7:
        case 60: MDIChildAction(SC_MINIMIZE); break;
        case 8:
        case 61: MDIChildAction(SC_RESTORE); break;
        case 9:
        case 62: MDIChildAction(SC_CLOSE); break;
        default: PostMessageW(Hwnd, CN_SkinButtonClick, static_cast<WPARAM>(action), 0); break;
    }
}

void TWinSkinForm::Maximize() {
    if (Windowstate == swsMax) {
        Restore();
        return;
    }
    if (FormStyle == sfsMDIChild && SkinManager) SkinManager->SetMDIMax(true);
    Windowstate = swsMax;
    PostMessageW(Hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ActiveBtn = nullptr;
}

void TWinSkinForm::Restore() {
    Windowstate = swsNormal;
    PostMessageW(Hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
}

void TWinSkinForm::Minimize() {
    if (Windowstate == swsMin) {
        Restore();
        return;
    }
    Windowstate = swsMin;
    UpdateStyle(false);
    PostMessageW(Hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

bool TWinSkinForm::MDIChildMax() const {
    if (FormStyle != sfsMDIform || !ClientHwnd) return false;
    BOOL maximised = FALSE;
    SendMessageW(ClientHwnd, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximised));
    return maximised != FALSE;
}

void TWinSkinForm::PopSysmenu(POINT p) {
    if (SkinManager && SkinManager->mode != 0) return;
    if (inSysmenu_) return;  // already tracking it
    const DWORD now = GetTickCount();
    if (now - poptime > static_cast<DWORD>(DoubleTime)) {
        if (SkinManager) SkinManager->menutype = MenuKind::System;
        poptime = now;
        CreateSysmenu2();
        if (!sysmenu) return;
        if (fsd) fsd->HideHint();
        inSysmenu_ = true;
        ++ownLoops_;
        sysmenu->Popup(p.x, p.y);  // returns when the menu closes
        if (EndOwnLoop()) return;  // released while the menu was open
        inSysmenu_ = false;
    } else if (ActiveBtn) {
        if (timer) timer->SetEnabled(false);
        PostMessageW(Hwnd, WM_CLOSE, 0, 0);
    }
}

void TWinSkinForm::CreateSysmenu2() {
    if (inSysmenu_) return;
    sysmenu.reset();
    if (!hsysmenu || !fsd) return;
    // Older systems (NT before version 5) would get the fixed menu; every
    // system this program runs on has the real one to copy.
    sysmenu = CreateSkinSysMenu(this, *fsd, Hwnd, hsysmenu, Windowstate == swsMax, Windowstate == swsMin,
                                (FormIcons & sbiMin) != 0, (FormIcons & sbiMax) != 0);
}

// ---- non-client mouse ----

void TWinSkinForm::WMNCHitTest(TMessage& m) {
    Default(m);
    switch (m.Result) {
        case HTNOWHERE:
        case HTCAPTION: break;
        // The system's own caption buttons are never live under the skin's,
        // whatever style it still sees (WS_SYSMENU is kept on some systems).
        case HTSYSMENU:
        case HTMINBUTTON:
        case HTMAXBUTTON:
        case HTCLOSE:
        case HTHELP: m.Result = HTCAPTION; break;
        default: return;
    }
    const POINT p = GetWinXY(XOf(m.LParam), YOf(m.LParam));
    if (p.y > 3) m.Result = HTCAPTION;
    if (p.y > bw.Top && MenuHeight > 0) m.Result = HTMENU;
}

void TWinSkinForm::WMNCMouseMove(TMessage& m) {
    if (!FWindowActive) {
        Default(m);
        return;
    }
    const POINT p = GetWinXY(XOf(m.LParam), YOf(m.LParam));
    if (TWinSysButton* b = FindBtn(p)) {
        b->MouseEnter();
        m.Result = 0;
        return;
    }
    if (TMenuBtn* b = menu ? menu->FindBtn(p) : nullptr) {
        b->MouseEnter();
        m.Result = 0;
        return;
    }
    if (ActiveBtn) ActiveBtn->MouseLeave();
    ActiveBtn = nullptr;
    Default(m);
}

void TWinSkinForm::WMNCLButtonDown(TMessage& m) {
    if (fsd) fsd->HideHint();
    const POINT p = GetWinXY(XOf(m.LParam), YOf(m.LParam));
    if (TWinSysButton* b = FindBtn(p)) {
        if (GetForegroundWindow() != Hwnd) SetForegroundWindow(Hwnd);
        b->MouseDown();
        // As a native button: the release comes here wherever it happens.
        PressedBtn = b;
        SetCapture(Hwnd);
        m.Result = 0;
        return;
    }
    if (TMenuBtn* b = menu ? menu->FindBtn(p) : nullptr) {
        if (GetForegroundWindow() != Hwnd) SetForegroundWindow(Hwnd);
        b->MouseDown();
        ActiveBtn = b;
        CheckMenu(b);
        m.Result = 0;
        return;
    }
    if (Windowstate == swsMax && FWindowActive && m.WParam == HTCAPTION) m.WParam = HTMENU;
    Default(m);
}

void TWinSkinForm::WMNCLButtonUp(TMessage& m) {
    if (fsd) fsd->HideHint();
    const POINT p = GetWinXY(XOf(m.LParam), YOf(m.LParam));
    TWinSysButton* pressed = PressedBtn;
    PressedBtn = nullptr;
    if (TWinSysButton* b = FindBtn(p)) {
        if (b == pressed) {
            ActiveBtn = b;
            b->MouseUp();
            POINT cursor{};
            GetCursorPos(&cursor);
            SysBtnAction(*b, cursor.x, cursor.y);
        }
        m.Result = 0;
        return;
    }
    if (menu && menu->FindBtn(p)) {
        m.Result = 0;
        return;
    }
    Default(m);
}

bool TWinSkinForm::PressedMouse(TMessage& m) {
    switch (m.Msg) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            if (!PressedBtn || GetCapture() != Hwnd) return false;
            break;
        case WM_CAPTURECHANGED:
            // Taken away (another window, a menu): the press is over, no click.
            if (PressedBtn && reinterpret_cast<HWND>(m.LParam) != Hwnd) {
                TWinSysButton* b = PressedBtn;
                PressedBtn = nullptr;
                if (b->state == 2) b->MouseLeave();
                if (ActiveBtn == b) ActiveBtn = nullptr;
            }
            return false;
        default: return false;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    const POINT p = GetWinXY(cursor.x, cursor.y);
    TWinSysButton* b = PressedBtn;
    const bool over = FindBtn(p) == b;
    m.Result = 0;
    if (m.Msg == WM_MOUSEMOVE) {
        // Pressed while over the button, raised while off it.
        if (over && b->state != 2)
            b->MouseDown();
        else if (!over && b->state == 2)
            b->MouseLeave();
        return true;
    }
    PressedBtn = nullptr;
    ReleaseCapture();
    if (over) {
        ActiveBtn = b;
        b->MouseUp();
        SysBtnAction(*b, cursor.x, cursor.y);
    } else if (b->state != 1) {
        b->MouseLeave();
    }
    return true;
}

void TWinSkinForm::WMNCLBUTTONDBLCLK(TMessage& m) {
    const POINT p = GetWinXY(XOf(m.LParam), YOf(m.LParam));
    if (TWinSysButton* b = FindBtn(p)) {
        if (b->data->Action == 3 || b->data->Action == 11) {
            if (timer) timer->SetEnabled(false);
            PostMessageW(Hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        m.Result = 0;
        return;
    }
    if (Windowstate == swsMax || Windowstate == swsMin)
        Restore();
    else if (FormIcons & sbiMax)
        Maximize();
    else
        Default(m);
}

void TWinSkinForm::WMNCRButtonUp(TMessage& m) {
    if (fsd) fsd->HideHint();
    if (m.WParam == HTCAPTION && FormStyle != sfsMDIChild) {
        POINT cursor{};
        GetCursorPos(&cursor);
        PopSysmenu(cursor);
        m.Result = 0;
        return;
    }
    Default(m);
}

void TWinSkinForm::WMSysCommand(TMessage& m) {
    const WPARAM cmd = m.WParam & 0xFFF0;
    if (!fInMenu && cmd == SC_KEYMENU) {
        const auto ch = static_cast<wchar_t>(m.LParam);
        if (ch == L' ') {
            POINT p{0, 0};
            ClientToScreen(Hwnd, &p);
            PopSysmenu(p);
            m.Result = 0;
            return;
        }
        if (ch != L'-' && !GetCapture()) {
            // F10 or a lone Alt opens the first bar menu; a window without a
            // menu bar answers and does nothing.
            TMenuBtn* b = nullptr;
            if (ch == 0 && menu)
                for (auto& candidate : menu->Buttons)
                    if (candidate->visible && !candidate->caption.empty()) {
                        b = candidate.get();
                        break;
                    }
            if (ch != 0) b = FindButtonFromAccel(ch);
            if (ch == 0 || b) {
                m.Result = 1;
                if (b) CheckMenu(b);
                return;
            }
        }
    }
    switch (cmd) {
        case SC_MINIMIZE: Windowstate = swsMin; break;
        case SC_MAXIMIZE: Windowstate = swsMax; break;
        case SC_RESTORE:
            Windowstate = swsNormal;
            if (FormStyle == sfsMDIChild && SkinManager && SkinManager->MDIMax) SkinManager->SetMDIMax(false);
            break;
        default: break;
    }
    Default(m);
}

// ---- hover timer ----

void TWinSkinForm::OnTimer() {
    if (fInMenu || !fsd) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    const POINT p = GetWinXY(cursor.x, cursor.y);
    if (ActiveBtn) {
        const TRect& r = ActiveBtn->bounds;
        const bool inside = p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom;
        if (!inside) {
            ActiveBtn->MouseLeave();
            ActiveBtn = nullptr;
            HintReset();
        } else if (auto* b = dynamic_cast<TWinSysButton*>(ActiveBtn)) {
            fsd->hintcount += static_cast<int>(timer->Interval());
            if (fsd->hintcount >= 2 * kHintPause && fsd->hintcount < 2 * kHintPause + kHintHidePause) {
                const std::wstring hint = GetSysBtnHint(b->data->Action);
                if (!hint.empty()) {
                    RECT at{b->bounds.Left + wTr.Left, cursor.y + 24, 0, 0};
                    fsd->ActivateHint(at, hint);
                }
            } else if (fsd->hintcount >= 2 * kHintPause + kHintHidePause) {
                fsd->HideHint();
            }
        }
    }
    if (!FForm && Activeskincontrol) {
        const auto& t = ControlSkinning();
        HWND w = t.Window ? t.Window(Activeskincontrol) : nullptr;
        RECT r{};
        if (!w || !GetWindowRect(w, &r) || !PtInRect(&r, cursor)) {
            if (t.MouseLeave) t.MouseLeave(Activeskincontrol);
            Activeskincontrol = nullptr;
        }
    }
}
