// The caption buttons part of the form skinning object: the buttons made
// from the skin (placement, visibility, drawing, the hover/press/release
// machine with its timer and hints), non-client hit testing and mouse
// handling, the window-state commands and the skinned system menu.
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
    TNCObject*& active = SF->CaptionButtons().ActiveBtn;
    if (active && active != this) active->MouseLeave();
    if (active == this || !visible) return;
    active = this;
    state = 3;
    Draw();
}

void TNCObject::MouseDown() {
    TNCObject*& active = SF->CaptionButtons().ActiveBtn;
    if (active && active != this) active->MouseLeave();
    if (!visible) return;
    active = this;
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
    SF->CaptionButtons().ActiveBtn = nullptr;
    state = 1;
    Draw();
    SF->CaptionButtons().HintReset();
}

void TWinSysButton::Draw() {
    SF->CaptionButtons().DrawSysbtn(*this, state);
}

// ---- the part's life and dispatch ----

TCaptionButtonsPart::TCaptionButtonsPart(TWinSkinForm& form)
    : TFormPart(form), DoubleTime(static_cast<int32_t>(GetDoubleClickTime())) {}

TCaptionButtonsPart::~TCaptionButtonsPart() = default;

bool TCaptionButtonsPart::Handle(TMessage& m) {
    if (PressedMouse(m)) return true;
    switch (m.Msg) {
        case WM_COMMAND: WMCommand(m); return true;
        case WM_SYSCOMMAND: WMSysCommand(m); return true;
        default: break;
    }
    if (!sf.FrameDrawn()) return false;
    switch (m.Msg) {
        case WM_NCHITTEST: WMNCHitTest(m); return true;
        case WM_NCMOUSEMOVE: WMNCMouseMove(m); return true;
        case WM_NCLBUTTONDOWN: WMNCLButtonDown(m); return true;
        case WM_NCLBUTTONUP: WMNCLButtonUp(m); return true;
        case WM_NCLBUTTONDBLCLK: WMNCLBUTTONDBLCLK(m); return true;
        case WM_NCRBUTTONUP: WMNCRButtonUp(m); return true;
        case WM_NCRBUTTONDOWN:
            // The system would track the release itself and show its own
            // system menu; the release is ours (the skinned menu).
            if (m.WParam == HTCAPTION && sf.FormStyle != sfsMDIChild) {
                m.Result = 0;
                return true;
            }
            return false;
        default: return false;
    }
}

void TCaptionButtonsPart::CreateTimer() {
    timer = std::make_unique<TTimer>(nullptr);
    timer->SetEnabled(false);
    timer->SetInterval(250);
    timer->OnTimer = [this](TObject*) { OnTimer(); };
}

void TCaptionButtonsPart::EnableTimer(bool on) {
    if (timer) timer->SetEnabled(on);
}

void TCaptionButtonsPart::CreateSysbtns() {
    TSkinData* fsd = sf.fsd;
    DeleteSysbtn();
    for (auto& d : fsd->SysBtn) {
        if (!d) continue;
        SysBtn.push_back(std::make_unique<TWinSysButton>(&sf, fsd, d.get()));
    }
    BtnCount = static_cast<int32_t>(SysBtn.size());
    TFramePainter& frame = sf.Frame();
    for (auto& b : SysBtn) {
        if (b->data->Action != 3 && b->data->Action != 11) continue;
        frame.GetIcon();
        const TBitmap& icon = frame.Icon();
        if (b->data->Map.Empty() && !icon.Empty()) b->data->Map.Assign(icon);
        if (fsd->SysIcon.Empty() && !icon.Empty()) fsd->SysIcon.Assign(icon);
        b->data->frame = 1;
    }
}

void TCaptionButtonsPart::DeleteSysbtn() {
    ActiveBtn = nullptr;
    if (PressedBtn) {
        PressedBtn = nullptr;
        if (GetCapture() == sf.Hwnd) ReleaseCapture();
    }
    SysBtn.clear();
    BtnCount = 0;
}

// ---- placement, visibility, drawing ----

bool TCaptionButtonsPart::HasSysBtnBitmap(const TWinSysButton& b) const {
    return !b.data->Map.Empty();
}

bool TCaptionButtonsPart::SysBtnVisible(size_t index) {
    TWinSysButton& b = *SysBtn[index];
    const TDataSkinSysButton& d = *b.data;
    const bool maxBox = (sf.FormIcons & sbiMax) != 0, minBox = (sf.FormIcons & sbiMin) != 0;
    const bool help = (sf.FormIcons & sbiHelp) != 0, system = (sf.FormIcons & sbisystem) != 0;
    const bool maximised = sf.Windowstate == swsMax;
    // The maximised child's buttons go in the band of a frame that has a menu bar.
    const bool mdiMax = sf.FormStyle == sfsMDIform && sf.MenuBar().menu && sf.MdiClient().MDIChildMax();
    auto test = [&](int v, bool first) -> bool {
        switch (v) {
            case 0: return true;
            case 1: return maximised;
            case 2: return !maximised;
            case 3: return sf.FWindowActive;
            case 4: return !sf.FWindowActive;
            case 5: return false;
            case 6:
            case 8: return first ? ((minBox || maxBox) && system) : (minBox || maxBox);
            case 7: return !maxBox;
            case 9: return !minBox;
            case 10: return first ? (help && !minBox && !maxBox) : help;
            case 100: return mdiMax;
            case 200: return !sf.ismessagebox && sf.FormBorder == sbsDialog;
            default: break;
        }
        if (v >= 201 && v <= 999) return true;
        if (v >= 1000 && v <= 2000)
            return first ? SendMessageW(sf.Hwnd, CN_SkinButtonVisible, static_cast<WPARAM>(v), d.Action) > 0 : true;
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
            if (sf.FormBorder == sbsDialog) visible = false;
            break;
        default: break;
    }
    b.visible = visible;
    return visible;
}

void TCaptionButtonsPart::SetSysbtnRect() {
    const TFramePainter& frame = sf.Frame();
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
                x = frame.fwidth - d.XCoord;
                y = d.YCoord;
                break;
            case 2:
            case 8:
                x = frame.ctr.Left - w - d.XCoord;
                y = d.YCoord;
                break;
            case 3:
            case 9:
                x = frame.ctr.Right + d.XCoord;
                y = d.YCoord;
                break;
            case 100: {
                const int menuLeft = sf.fsd->Menubar ? sf.fsd->Menubar->r.Left : 0;
                x = frame.fwidth - d.XCoord - frame.bw.Right - menuLeft;
                y = frame.bw.Top + (frame.MenuHeight - h) / 2;
                break;
            }
            default: break;
        }
        b.bounds = TRect{x, y, x + w, y + h};
    }
}

void TCaptionButtonsPart::DrawAllSysbtn(TCanvas& canvas, const TRect&) {
    HDC dc = canvas.Handle();
    for (auto& bp : SysBtn) {
        TWinSysButton& b = *bp;
        const TDataSkinSysButton& d = *b.data;
        if (!b.visible || !HasSysBtnBitmap(b) || d.Visibility == 100) continue;
        const int count = std::max(1, d.frame);
        int frameNo = (sf.FWindowActive && b.enabled) ? 1 : 4;
        if (count < 4) frameNo = 1;
        if (d.Action == 3 || d.Action == 11)
            sf.Frame().DrawIcon(dc, b.bounds);
        else
            DrawRect1(canvas, b.bounds, d.Map, frameNo, count, true);  // in software on the buffer
    }
}

void TCaptionButtonsPart::DrawSysbtn(TWinSysButton& b, int state) {
    if (!b.visible || !HasSysBtnBitmap(b) ||
        (sf.Skinstate != SkinStage::Skinned && sf.Skinstate != SkinStage::Changing))
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
    WindowDC dc = WindowDC::Whole(sf.Hwnd);
    if (!dc) return;
    // Composed on the caption's last picture so transparent pixels keep the band.
    TBitmap piece(w, h, pf24bit);
    // (The band's buttons lie below the caption: the screen holds their background.)
    if (!sf.Frame().CaptionBand().Empty() && d.Visibility != 100)
        BitBlt(piece.DC(), 0, 0, w, h, sf.Frame().CaptionBand().DC(), b.bounds.Left, b.bounds.Top, SRCCOPY);
    else
        BitBlt(piece.DC(), 0, 0, w, h, dc.get(), b.bounds.Left, b.bounds.Top, SRCCOPY);
    if (d.Action == 3 || d.Action == 11)
        sf.Frame().DrawIcon(piece.DC(), TRect{0, 0, w, h});
    else
        DrawRect1(piece.Canvas(), TRect{0, 0, w, h}, d.Map, frameNo, count, true);
    BitBlt(dc.get(), b.bounds.Left, b.bounds.Top, w, h, piece.DC(), 0, 0, SRCCOPY);
}

TWinSysButton* TCaptionButtonsPart::FindBtn(POINT p) {
    for (auto& b : SysBtn) {
        if (!b->visible || b->data->Action < 0) continue;
        const TRect& r = b->bounds;
        if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return b.get();
    }
    return nullptr;
}

std::wstring TCaptionButtonsPart::GetSysBtnHint(int action) {
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

void TCaptionButtonsPart::HintReset() {
    if (!sf.fsd) return;
    sf.fsd->hintcount = 0;
    sf.fsd->HideHint();
}

// ---- actions ----

bool TCaptionButtonsPart::CheckSysmenu() const {
    if (WinVersion >= 0x80000000u || LOBYTE(LOWORD(WinVersion)) < 5) return true;
    if (!sf.hsysmenu) return false;
    return GetMenuState(sf.hsysmenu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void TCaptionButtonsPart::SysBtnAction(TWinSysButton& button, int x, int y) {
    const int action = button.data->Action;
    switch (action) {
        case 0:
            if (CheckSysmenu()) {
                if (timer) timer->SetEnabled(false);
                PostMessageW(sf.Hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
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
        case 4: PostMessageW(sf.Hwnd, WM_SYSCOMMAND, SC_CONTEXTHELP, 0); break;
        case 7:
        case 60: sf.MdiClient().MDIChildAction(SC_MINIMIZE); break;
        case 8:
        case 61: sf.MdiClient().MDIChildAction(SC_RESTORE); break;
        case 9:
        case 62: sf.MdiClient().MDIChildAction(SC_CLOSE); break;
        default: PostMessageW(sf.Hwnd, CN_SkinButtonClick, static_cast<WPARAM>(action), 0); break;
    }
}

void TCaptionButtonsPart::Maximize() {
    if (sf.Windowstate == swsMax) {
        Restore();
        return;
    }
    if (sf.FormStyle == sfsMDIChild && SkinManager) SkinManager->SetMDIMax(true);
    sf.Windowstate = swsMax;
    PostMessageW(sf.Hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ActiveBtn = nullptr;
}

void TCaptionButtonsPart::Restore() {
    sf.Windowstate = swsNormal;
    PostMessageW(sf.Hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
}

void TCaptionButtonsPart::Minimize() {
    if (sf.Windowstate == swsMin) {
        Restore();
        return;
    }
    sf.Windowstate = swsMin;
    sf.UpdateStyle(false);
    PostMessageW(sf.Hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void TCaptionButtonsPart::PopSysmenu(POINT p) {
    if (SkinManager && SkinManager->mode != 0) return;
    if (inSysmenu_) return;  // already tracking it
    const DWORD now = GetTickCount();
    if (now - poptime > static_cast<DWORD>(DoubleTime)) {
        if (SkinManager) SkinManager->menutype = MenuKind::System;
        poptime = now;
        CreateSysmenu2();
        if (!sysmenu) return;
        if (sf.fsd) sf.fsd->HideHint();
        inSysmenu_ = true;
        sf.BeginOwnLoop();
        sysmenu->Popup(p.x, p.y);     // returns when the menu closes
        if (sf.EndOwnLoop()) return;  // released while the menu was open
        inSysmenu_ = false;
    } else if (ActiveBtn) {
        if (timer) timer->SetEnabled(false);
        PostMessageW(sf.Hwnd, WM_CLOSE, 0, 0);
    }
}

void TCaptionButtonsPart::FreeSysmenu() {
    if (!inSysmenu_) sysmenu.reset();
}

void TCaptionButtonsPart::CreateSysmenu2() {
    if (inSysmenu_) return;
    sysmenu.reset();
    if (!sf.hsysmenu || !sf.fsd) return;
    // Older systems (NT before version 5) would get the fixed menu; every
    // system this program runs on has the real one to copy.
    sysmenu = CreateSkinSysMenu(&sf, *sf.fsd, sf.Hwnd, sf.hsysmenu, sf.Windowstate == swsMax, sf.Windowstate == swsMin,
                                (sf.FormIcons & sbiMin) != 0, (sf.FormIcons & sbiMax) != 0);
}

// ---- non-client mouse ----

void TCaptionButtonsPart::WMCommand(TMessage& m) {
    switch (m.WParam) {
        case SC_SIZE:
        case SC_MOVE:
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
        case SC_CLOSE:
        case SC_RESTORE: PostMessageW(sf.Hwnd, WM_SYSCOMMAND, m.WParam, 0); break;
        default: sf.Default(m); break;
    }
}

void TCaptionButtonsPart::WMNCHitTest(TMessage& m) {
    sf.Default(m);
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
    const POINT p = sf.GetWinXY(XOf(m.LParam), YOf(m.LParam));
    if (p.y > 3) m.Result = HTCAPTION;
    if (p.y > sf.Frame().bw.Top && sf.Frame().MenuHeight > 0) m.Result = HTMENU;
}

void TCaptionButtonsPart::WMNCMouseMove(TMessage& m) {
    if (!sf.FWindowActive) {
        sf.Default(m);
        return;
    }
    const POINT p = sf.GetWinXY(XOf(m.LParam), YOf(m.LParam));
    if (TWinSysButton* b = FindBtn(p)) {
        b->MouseEnter();
        m.Result = 0;
        return;
    }
    if (TMenuBtn* b = sf.MenuBar().menu ? sf.MenuBar().menu->FindBtn(p) : nullptr) {
        b->MouseEnter();
        m.Result = 0;
        return;
    }
    if (ActiveBtn) ActiveBtn->MouseLeave();
    ActiveBtn = nullptr;
    sf.Default(m);
}

void TCaptionButtonsPart::WMNCLButtonDown(TMessage& m) {
    if (sf.fsd) sf.fsd->HideHint();
    const POINT p = sf.GetWinXY(XOf(m.LParam), YOf(m.LParam));
    if (TWinSysButton* b = FindBtn(p)) {
        if (GetForegroundWindow() != sf.Hwnd) SetForegroundWindow(sf.Hwnd);
        b->MouseDown();
        // As a native button: the release comes here wherever it happens.
        PressedBtn = b;
        SetCapture(sf.Hwnd);
        m.Result = 0;
        return;
    }
    if (TMenuBtn* b = sf.MenuBar().menu ? sf.MenuBar().menu->FindBtn(p) : nullptr) {
        if (GetForegroundWindow() != sf.Hwnd) SetForegroundWindow(sf.Hwnd);
        b->MouseDown();
        ActiveBtn = b;
        sf.MenuBar().CheckMenu(b);
        m.Result = 0;
        return;
    }
    if (sf.Windowstate == swsMax && sf.FWindowActive && m.WParam == HTCAPTION) m.WParam = HTMENU;
    sf.Default(m);
}

void TCaptionButtonsPart::WMNCLButtonUp(TMessage& m) {
    if (sf.fsd) sf.fsd->HideHint();
    const POINT p = sf.GetWinXY(XOf(m.LParam), YOf(m.LParam));
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
    if (sf.MenuBar().menu && sf.MenuBar().menu->FindBtn(p)) {
        m.Result = 0;
        return;
    }
    sf.Default(m);
}

bool TCaptionButtonsPart::PressedMouse(TMessage& m) {
    switch (m.Msg) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            if (!PressedBtn || GetCapture() != sf.Hwnd) return false;
            break;
        case WM_CAPTURECHANGED:
            // Taken away (another window, a menu): the press is over, no click.
            if (PressedBtn && reinterpret_cast<HWND>(m.LParam) != sf.Hwnd) {
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
    const POINT p = sf.GetWinXY(cursor.x, cursor.y);
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

void TCaptionButtonsPart::WMNCLBUTTONDBLCLK(TMessage& m) {
    const POINT p = sf.GetWinXY(XOf(m.LParam), YOf(m.LParam));
    if (TWinSysButton* b = FindBtn(p)) {
        if (b->data->Action == 3 || b->data->Action == 11) {
            if (timer) timer->SetEnabled(false);
            PostMessageW(sf.Hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        m.Result = 0;
        return;
    }
    if (sf.Windowstate == swsMax || sf.Windowstate == swsMin)
        Restore();
    else if (sf.FormIcons & sbiMax)
        Maximize();
    else
        sf.Default(m);
}

void TCaptionButtonsPart::WMNCRButtonUp(TMessage& m) {
    if (sf.fsd) sf.fsd->HideHint();
    if (m.WParam == HTCAPTION && sf.FormStyle != sfsMDIChild) {
        POINT cursor{};
        GetCursorPos(&cursor);
        PopSysmenu(cursor);
        m.Result = 0;
        return;
    }
    sf.Default(m);
}

void TCaptionButtonsPart::WMSysCommand(TMessage& m) {
    const WPARAM cmd = m.WParam & 0xFFF0;
    if (!sf.MenuBar().fInMenu && cmd == SC_KEYMENU) {
        const auto ch = static_cast<wchar_t>(m.LParam);
        if (ch == L' ') {
            POINT p{0, 0};
            ClientToScreen(sf.Hwnd, &p);
            PopSysmenu(p);
            m.Result = 0;
            return;
        }
        if (ch != L'-' && !GetCapture()) {
            // F10 or a lone Alt opens the first bar menu; a window without a
            // menu bar answers and does nothing.
            TMenuBtn* b = nullptr;
            if (ch == 0 && sf.MenuBar().menu)
                for (auto& candidate : sf.MenuBar().menu->Buttons)
                    if (candidate->visible && !candidate->caption.empty()) {
                        b = candidate.get();
                        break;
                    }
            if (ch != 0) b = sf.MenuBar().FindButtonFromAccel(ch);
            if (ch == 0 || b) {
                m.Result = 1;
                if (b) sf.MenuBar().CheckMenu(b);
                return;
            }
        }
    }
    switch (cmd) {
        case SC_MINIMIZE: sf.Windowstate = swsMin; break;
        case SC_MAXIMIZE: sf.Windowstate = swsMax; break;
        case SC_RESTORE:
            sf.Windowstate = swsNormal;
            if (sf.FormStyle == sfsMDIChild && SkinManager && SkinManager->MDIMax) SkinManager->SetMDIMax(false);
            break;
        default: break;
    }
    sf.Default(m);
}

// ---- hover timer ----

void TCaptionButtonsPart::OnTimer() {
    if (sf.MenuBar().fInMenu || !sf.fsd) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    const POINT p = sf.GetWinXY(cursor.x, cursor.y);
    if (ActiveBtn) {
        const TRect& r = ActiveBtn->bounds;
        const bool inside = p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom;
        if (!inside) {
            ActiveBtn->MouseLeave();
            ActiveBtn = nullptr;
            HintReset();
        } else if (auto* b = dynamic_cast<TWinSysButton*>(ActiveBtn)) {
            sf.fsd->hintcount += static_cast<int>(timer->Interval());
            if (sf.fsd->hintcount >= 2 * kHintPause && sf.fsd->hintcount < 2 * kHintPause + kHintHidePause) {
                const std::wstring hint = GetSysBtnHint(b->data->Action);
                if (!hint.empty()) {
                    RECT at{b->bounds.Left + sf.Frame().wTr.Left, cursor.y + 24, 0, 0};
                    sf.fsd->ActivateHint(at, hint);
                }
            } else if (sf.fsd->hintcount >= 2 * kHintPause + kHintHidePause) {
                sf.fsd->HideHint();
            }
        }
    }
    if (!sf.FForm && sf.Activeskincontrol) {
        const auto& t = ControlSkinning();
        HWND w = t.Window ? t.Window(sf.Activeskincontrol) : nullptr;
        RECT r{};
        if (!w || !GetWindowRect(w, &r) || !PtInRect(&r, cursor)) {
            if (t.MouseLeave) t.MouseLeave(sf.Activeskincontrol);
            sf.Activeskincontrol = nullptr;
        }
    }
}
