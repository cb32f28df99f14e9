// TWinSkinForm: attaching and detaching, the message dispatch over the
// parts, what every skinned window answers (TFormLifePart), and the control
// skinning objects of the window.
#include "skin/form/WinSkinForm.h"

#include <commctrl.h>

#include <algorithm>

#include "framework/controls/Menus.h"
#include "framework/system/ErrorsAndStrings.h"
#include "skin/form/SkinData_win.h"

namespace {

std::unique_ptr<TBitmap> workBitmap = [] {
    auto b = std::make_unique<TBitmap>();
    return b;
}();

TControlSkinning& SkinningTable() {
    static TControlSkinning table;
    return table;
}

// The subclass id of this object kind on a window.
constexpr UINT_PTR kSubclassId = 0x41A2;

bool IsMDIChildWindow(HWND hwnd) {
    return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
}

}  // namespace

TBitmap* BG = workBitmap.get();

void SetControlSkinning(const TControlSkinning* table) {
    SkinningTable() = table ? *table : TControlSkinning{};
}

const TControlSkinning& ControlSkinning() {
    return SkinningTable();
}

std::wstring GetWindowClassname(HWND hwnd) {
    wchar_t name[100];
    const int n = GetClassNameW(hwnd, name, 100);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring GetFormCaption(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    if (n <= 0) return L"";
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

TWinSkinForm::TWinSkinForm(TComponent* AOwner) : TComponent(AOwner) {
    fCanvasBitmap.SetSize(1, 1);
    fcanvas2Bitmap.SetSize(1, 1);
    fCanvas = std::make_unique<TCanvas>(fCanvasBitmap);
    fcanvas2 = std::make_unique<TCanvas>(fcanvas2Bitmap);
}

void TWinSkinForm::Release(TWinSkinForm* sf) {
    if (!sf) return;
    if (sf->ownLoops_ > 0) {
        sf->freeAfterLoops_ = true;
        return;
    }
    delete sf;
}

bool TWinSkinForm::EndOwnLoop() {
    --ownLoops_;
    if (!freeAfterLoops_) return false;
    if (ownLoops_ == 0) delete this;
    return true;
}

TWinSkinForm::~TWinSkinForm() {
    ForgetTrackedForm(this);
    if (subclassed && Skinstate != SkinStage::Dead && IsWindow(Hwnd)) {
        // Freed while the window lives (its owner went first): take the
        // subclass off so no message reaches a dead object.
        UnSubclass3();
    }
    mdiClient_.UnSubclassMDI();
    DeleteControls();
    captionButtons_.DeleteSysbtn();
    menuBar_.FreeMenuBar(IsWindow(Hwnd) && Skinstate != SkinStage::Destroying && Skinstate != SkinStage::Dead);
    captionButtons_.EnableTimer(false);
    captionButtons_.FreeSysmenu();
    // A newer object may skin the window by now (this one was released late).
    if (SkinManager && SkinManager->FindSkinForm(Hwnd) == this) SkinManager->DeleteForm2(Hwnd);
}

void TWinSkinForm::InitTform(TSkinData* skinData, TForm* form) {
    FForm = form;
    if (skinData->OnBeforeSkinForm) skinData->OnBeforeSkinForm(form, Hwnd, formclass);
    // The application's event above still sees its window as it is.
    RedrawHeld held(Hwnd);
    InitSkin(skinData);
    if (sMainMenu && !OldWndProc.Installed())
        OldWndProc = TWindowProcHook(*form, [this](TMessage& m) { NewWndProc(m); });
    formcolor = form->Color();
    form->SetColor(skinData->Colors[csButtonFace]);
    if (skinData->SkinControls().Contains(xcMenuItem)) menuBar_.InitMainMenu(form, true, false);
}

void TWinSkinForm::InitSkin(TSkinData* skinData) {
    if (subclassed) return;
    if (SkinManager) SkinManager->state = 1;
    fsd = skinData;
    captionButtons_.CreateTimer();

    sMainMenu = fsd->SkinControls().Contains(xcMainMenu);
    dwstyle = static_cast<DWORD>(GetWindowLongPtrW(Hwnd, GWL_STYLE));
    const auto exstyle = static_cast<DWORD>(GetWindowLongPtrW(Hwnd, GWL_EXSTYLE));
    bidileft = (exstyle & WS_EX_LEFTSCROLLBAR) != 0;
    ischildform = (dwstyle & WS_CHILD) != 0;
    classname = GetWindowClassname(Hwnd);
    parenthwnd = GetWindow(Hwnd, GW_OWNER);

    FormIcons = 0;
    if ((dwstyle & WS_SYSMENU) || hsysmenu) FormIcons |= sbisystem;
    if (dwstyle & WS_MINIMIZEBOX) FormIcons |= sbiMin;
    if (dwstyle & WS_MAXIMIZEBOX) FormIcons |= sbiMax;
    if (exstyle & WS_EX_CONTEXTHELP) FormIcons |= sbiHelp;

    GetWindowstate();
    fSizeable = (dwstyle & WS_THICKFRAME) != 0;
    GetFormstyle();
    if (FormStyle == sfsMDIChild && fsd->Options().Contains(xoMDIChildBorder)) sMainMenu = false;

    FormBorder = sbsSingle;
    if ((dwstyle & WS_CAPTION) != WS_CAPTION)
        FormBorder = sbsNone;
    else if (dwstyle & WS_THICKFRAME)
        FormBorder = sbsSizeable;
    else if (dwstyle & DS_MODALFRAME)
        FormBorder = sbsDialog;
    if (exstyle & WS_EX_DLGMODALFRAME) FormBorder = sbsDialog;

    // Keeping WS_SYSMENU for the task bar is for version 5.0 alone: any later
    // system would keep its own caption buttons live under the skinned ones.
    const DWORD major = LOBYTE(LOWORD(WinVersion)), minor = HIBYTE(LOWORD(WinVersion));
    const bool nt = WinVersion < 0x80000000u;
    const bool v50 = nt && major == 5 && minor == 0;
    if (((exstyle & WS_EX_APPWINDOW) && v50) || (!parenthwnd && FormStyle != sfsMDIChild && v50))
        FormIcons |= sbicaption;

    isunicode = IsWindowUnicode(Hwnd) != FALSE;
    if (classname == L"#32770" || classname == L"TMessageForm") {
        FormBorder = sbsDialog;
        ismessagebox = true;
    }
    if (WinVersion >= 0x80000000u) {
        auto kinds = fsd->SkinControls();
        kinds.Exclude(xcSystemMenu);
        fsd->SetSkinControls(kinds);
    }
    subclassed = SetWindowSubclass(Hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    if (FormStyle == sfsMDIform) mdiClient_.SubclassMDI();

    if (sMainMenu) {
        menuBar_.CreateMenuBar();
        InitSkinData();
    } else {
        Skinstate = SkinStage::Skinned;
    }
    if (FormStyle == sfsMDIChild) {
        const int need = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFRAME);
        TFramePainter& frame = framePainter_;
        if (frame.bw.Top < need) frame.MenuHeight = need - frame.bw.Top;
        if (Windowstate == swsMax && SkinManager && !SkinManager->MDIMax) SkinManager->SetMDIMax(true);
    }
}

void TWinSkinForm::GetFormstyle() {
    FormStyle = sfsNormal;
    for (HWND child = GetTopWindow(Hwnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (SameTextAscii(GetWindowClassname(child), L"MDIClient")) {
            FormStyle = sfsMDIform;
            mdiClient_.ClientHwnd = child;
            if (SkinManager) {
                SkinManager->clienthwnd = child;
                SkinManager->MDIForm = FForm;
            }
            break;
        }
    }
    if (IsMDIChildWindow(Hwnd)) FormStyle = sfsMDIChild;
}

void TWinSkinForm::GetWindowstate() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(Hwnd, &wp)) return;
    switch (wp.showCmd) {
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE: Windowstate = swsMin; break;
        case SW_SHOWMAXIMIZED: Windowstate = swsMax; break;
        default: Windowstate = swsNormal; break;
    }
    // A window minimised from the maximised state reports its restore state here.
    if (IsIconic(Hwnd)) Windowstate = swsMin;
}

void TWinSkinForm::InitSkinData() {
    if (!fsd || fsd->Empty) return;
    framePainter_.GetBorderWidths();
    captionButtons_.CreateSysbtns();
}

void TWinSkinForm::UpdateStyle(bool strip) {
    if (FormIcons & sbicaption) return;
    if (!IsWindow(Hwnd)) return;
    auto style = static_cast<DWORD>(GetWindowLongPtrW(Hwnd, GWL_STYLE));
    DWORD changed = style;
    if (strip)
        changed &= ~static_cast<DWORD>(WS_SYSMENU);
    else if (hsysmenu)
        changed |= WS_SYSMENU;
    dwstyle = changed;
    if (changed != style) SetWindowLongPtrW(Hwnd, GWL_STYLE, static_cast<LONG_PTR>(changed));
}

void TWinSkinForm::GetBorderSize() {
    RECT wr{}, cr{};
    GetWindowRect(Hwnd, &wr);
    GetClientRect(Hwnd, &cr);
    fClientRect = FromRECT(cr);
    oldsize = TRect{0, 0, (wr.right - wr.left) - cr.right, (wr.bottom - wr.top) - cr.bottom};
    POINT origin{0, 0};
    ClientToScreen(Hwnd, &origin);
    sysClientOffset_ = POINT{origin.x - wr.left, origin.y - wr.top};
}

void TWinSkinForm::ResizeForm(bool refresh) {
    const TRect& bw = framePainter_.bw;
    const int32_t MenuHeight = framePainter_.MenuHeight;
    if (Windowstate == swsMax) {
        Refresh();
        return;
    }
    if (ismessagebox || Skinstate == SkinStage::Changing) {
        RECT cr{};
        GetClientRect(Hwnd, &cr);
        fClientRect = FromRECT(cr);
    }
    int width = fClientRect.Right + bw.Left + bw.Right;
    if (refresh) {
        RECT cr{};
        GetClientRect(Hwnd, &cr);
        fClientRect = FromRECT(cr);
        width = fClientRect.Right + bw.Left + bw.Right;
    } else if (FForm) {
        RECT cr{};
        GetClientRect(Hwnd, &cr);
        width = cr.right + bw.Left + bw.Right;
        fClientRect.Bottom = FormStyle == sfsMDIChild ? cr.bottom : cr.bottom - MenuHeight;
    }
    const int height = fClientRect.Bottom + bw.Top + bw.Bottom + MenuHeight;
    if (ismessagebox && !refresh) {
        SIZE size{};
        if (const WindowDC dc = WindowDC::Client(Hwnd)) {
            SelectGuard font(dc.get(), framePainter_.Font().Handle());
            const std::wstring text = GetFormCaption(Hwnd);
            GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        }
        charwidth = size.cx;
        caption = GetFormCaption(Hwnd);
        int needed = size.cx;
        if (fsd && fsd->Title) needed += fsd->Title->r.Left + fsd->Title->r.Right;
        if (width < needed) {
            const int shift = (needed - width) / 2;
            for (HWND child = GetTopWindow(Hwnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
                RECT r{};
                GetWindowRect(child, &r);
                MapWindowPoints(nullptr, Hwnd, reinterpret_cast<POINT*>(&r), 2);
                SetWindowPos(child, nullptr, r.left + shift, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            width = needed;
        }
    }
    // The new frame and the children are drawn with the next paint, not at once.
    SetWindowPos(Hwnd, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_DEFERERASE);
}

void TWinSkinForm::Refresh() {
    SetWindowPos(Hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TWinSkinForm::RePaint(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
}

void TWinSkinForm::AfterSkin() {
    SendMessageW(Hwnd, CN_SkinFinished, 0, SkinSignature);
    if (fsd && fsd->OnAfterSkinForm) fsd->OnAfterSkinForm(FForm, Hwnd, formclass);
}

void TWinSkinForm::Activate() {
    ActivateHeld();
    // The application's event in AfterSkin sees its window drawn again.
    AfterSkin();
    Skinstate = SkinStage::Skinned;
    if (FormBorder == sbsNone) Refresh();
    captionButtons_.EnableTimer(true);
}

void TWinSkinForm::ActivateHeld() {
    RedrawHeld held(Hwnd);
    hsysmenu = GetSystemMenu(Hwnd, FALSE);
    if (hsysmenu) FormIcons |= sbisystem;
    framePainter_.GetIcon();
    GetBorderSize();
    if (FForm)
        InitControls(FForm);
    else
        InitHwndControls(Hwnd);
    if (Skinstate == SkinStage::Attached) {
        if (FormStyle == sfsMDIChild) {
            if (Windowstate == swsMax) {
                if (SkinManager && SkinManager->clienthwnd)
                    PostMessageW(SkinManager->clienthwnd, CN_SkinMDIMaximized, reinterpret_cast<WPARAM>(Hwnd), 0);
            } else if (Windowstate == swsNormal) {
                Skinstate = SkinStage::Resizing;
                ResizeForm(false);
                Skinstate = SkinStage::Skinned;
                framePainter_.Cropwindow();
            }
        } else if (!ischildform && FormBorder != sbsNone && Windowstate != swsMin) {
            Skinstate = SkinStage::Resizing;
            ResizeForm(false);
            Skinstate = SkinStage::Skinned;
            if (Windowstate == swsNormal)
                framePainter_.Cropwindow();
            else
                Refresh();
        }
    }
}

void TWinSkinForm::SkinChange() {
    Skinstate = SkinStage::Changing;
    if (sMainMenu && FForm) {
        // Popup menus made since the form was skinned get the skin's painter.
        menuBar_.InitPopMenu(FForm, true, true);
        // One resize for the new borders; it recomputes the frame too, so the
        // form is not re-laid out and repainted twice.
        ResizeForm(true);
    }
    framePainter_.Cropwindow();
    // Colours and control objects change after the frame and the region:
    // a new region makes the system erase at once every child marked for
    // painting, and all of them are painted once below anyway.
    if (FForm) {
        FForm->SetColor(fsd->Colors[csButtonFace]);
        for (int i = 0; i < FForm->ComponentCount(); ++i)
            if (auto* owned = dynamic_cast<TForm*>(FForm->Components(i))) owned->SetColor(fsd->Colors[csButtonFace]);
    }
    const auto& t = ControlSkinning();
    if (t.SkinChange)
        for (TSkinControl* c : Controllist) t.SkinChange(c);
    RedrawWindow(Hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    AfterSkin();
    Skinstate = SkinStage::Skinned;
}

void TWinSkinForm::RemoveSubclass() {
    if (!subclassed) return;
    OldWndProc.Remove();
    RemoveWindowSubclass(Hwnd, SubclassProc, kSubclassId);
    subclassed = false;
}

void TWinSkinForm::UnSubclass() {
    if (!sMainMenu) {
        UnSubclass2();
        return;
    }
    captionButtons_.FreeSysmenu();
    captionButtons_.EnableTimer(false);
    if (fsd) fsd->HideHint();
    if (subclassed) {
        RemoveSubclass();
        DeleteControls();
        if (FForm) {
            menuBar_.InitPopMenu(FForm, false, false);
            if (fsd && fsd->SkinControls().Contains(xcMenuItem)) menuBar_.InitMainMenu(FForm, false, false);
        }
        if (FForm && Skinstate != SkinStage::Destroying) FForm->SetColor(formcolor);
    }
    mdiClient_.UnSubclassMDI();
    if (!IsWindow(Hwnd)) return;
    const bool dying = Skinstate == SkinStage::Destroying;
    UpdateStyle(false);
    // The system's bar comes back and takes its height from the client area.
    int barBack = 0;
    if (menuBar_.menu) {
        menuBar_.FreeMenuBar(!dying);
        RECT wr{}, cr{};
        if (!dying && GetMenu(Hwnd) && GetWindowRect(Hwnd, &wr) && GetClientRect(Hwnd, &cr))
            barBack = std::max<int>(0, (wr.bottom - wr.top) - cr.bottom - oldsize.Bottom);
    }
    if (!dying && (!ischildform || FormStyle == sfsMDIChild) && FormBorder != sbsNone && Windowstate == swsNormal) {
        const TRect& bw = framePainter_.bw;
        RECT wr{};
        GetWindowRect(Hwnd, &wr);
        if (FormStyle == sfsMDIChild) MapWindowPoints(nullptr, GetParent(Hwnd), reinterpret_cast<POINT*>(&wr), 2);
        const int w = (wr.right - wr.left) - bw.Left - bw.Right + oldsize.Right;
        const int h = (wr.bottom - wr.top) - bw.Top - bw.Bottom - framePainter_.MenuHeight + oldsize.Bottom + barBack;
        // The system frame goes round the client area where it lies now.
        wr.left += bw.Left - sysClientOffset_.x;
        wr.top += bw.Top + framePainter_.MenuHeight - sysClientOffset_.y - barBack;
        // Remove the region first so the system frame is drawn whole.
        framePainter_.DropRegion(true);
        Skinstate = SkinStage::Dead;
        SetWindowPos(Hwnd, nullptr, wr.left, wr.top, w, h, SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER);
    } else {
        framePainter_.DropRegion(!dying);
        Skinstate = SkinStage::Dead;
        if (!dying) Refresh();
    }
}

void TWinSkinForm::UnSubclass2() {
    captionButtons_.EnableTimer(false);
    DeleteControls();
    if (FForm) {
        menuBar_.InitPopMenu(FForm, false, false);
        if (fsd && fsd->SkinControls().Contains(xcMenuItem)) menuBar_.InitMainMenu(FForm, false, false);
    }
    if (FForm && Skinstate != SkinStage::Destroying) FForm->SetColor(formcolor);
    RemoveSubclass();
    mdiClient_.UnSubclassMDI();
    if (FForm && Skinstate != SkinStage::Destroying)
        for (int i = 0; i < FForm->ComponentCount(); ++i)
            if (auto* c = dynamic_cast<TControl*>(FForm->Components(i))) c->Repaint();
}

void TWinSkinForm::UnSubclass3() {
    captionButtons_.EnableTimer(false);
    if (fsd) fsd->HideHint();
    RemoveSubclass();
    mdiClient_.UnSubclassMDI();
    DeleteControls();
    // A window that lives on keeps a working menu bar.
    menuBar_.FreeMenuBar(IsWindow(Hwnd) && Skinstate != SkinStage::Destroying);
}

bool TWinSkinForm::AddControlList(TSkinControl* control) {
    if (std::find(Controllist.begin(), Controllist.end(), control) != Controllist.end()) return true;
    Controllist.push_back(control);
    return false;
}

void TWinSkinForm::DeleteControl(TSkinControl* control) {
    for (auto it = Controllist.rbegin(); it != Controllist.rend(); ++it)
        if (*it == control) {
            Controllist.erase(std::next(it).base());
            break;
        }
    if (Activeskincontrol == control) Activeskincontrol = nullptr;
}

void TWinSkinForm::DeleteSkinDeleted() {
    const auto& t = ControlSkinning();
    if (!t.State) return;
    for (size_t i = Controllist.size(); i-- > 0;) {
        TSkinControl* c = Controllist[i];
        if (t.State(c) != 6) continue;
        Controllist.erase(Controllist.begin() + static_cast<std::ptrdiff_t>(i));
        if (Activeskincontrol == c) Activeskincontrol = nullptr;
        if (t.Free) t.Free(c);
    }
}

void TWinSkinForm::DeleteControls() {
    const auto& t = ControlSkinning();
    Activeskincontrol = nullptr;
    while (!Controllist.empty()) {
        TSkinControl* c = Controllist.front();
        Controllist.erase(Controllist.begin());
        const bool dead = t.State && t.State(c) == 6;
        if (Skinstate != SkinStage::Destroying && !dead && t.Unsubclass) t.Unsubclass(c);
        if (t.Free) t.Free(c);
    }
}

void TWinSkinForm::InitControls(TWinControl* form) {
    DeleteSkinDeleted();
    InitControlA(form);
}

void TWinSkinForm::InitControlA(TWinControl* parent) {
    const auto& t = ControlSkinning();
    if (t.AddComp && parent)
        for (int i = 0; i < parent->ComponentCount(); ++i)
            if (auto* c = dynamic_cast<TControl*>(parent->Components(i))) t.AddComp(*this, c, parent);
    if (parent && fsd && fsd->SkinControls().Contains(xcPopupMenu)) menuBar_.InitPopMenu(parent, true, true);
}

void TWinSkinForm::InitChildCtrl(TWinControl* parent) {
    const auto& t = ControlSkinning();
    if (!t.AddComp || !parent) return;
    for (int i = 0; i < parent->ControlCount(); ++i) t.AddComp(*this, parent->Controls(i), parent);
}

void TWinSkinForm::InitNestform(TWinControl* parent) {
    DeleteSkinDeleted();
    const auto& t = ControlSkinning();
    if (!parent) return;
    if (t.AddBox) t.AddBox(*this, parent);
    InitControlA(parent);
}

void TWinSkinForm::InitHwndControls(HWND hwnd) {
    const auto& t = ControlSkinning();
    if (!t.AddControlh) return;
    for (HWND child = GetTopWindow(hwnd); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD) t.AddControlh(*this, child);
}

TSkinControl* TWinSkinForm::Lookupcontrol(HWND hwnd) const {
    const auto& t = ControlSkinning();
    if (!t.Window) return nullptr;
    for (TSkinControl* c : Controllist)
        if (t.Window(c) == hwnd) return c;
    return nullptr;
}

bool TWinSkinForm::FindSkinComp(TControl* control) const {
    if (!control) return false;
    if (auto* w = dynamic_cast<TWinControl*>(control); w && w->HandleAllocated())
        if (SendMessageW(w->WindowHandle(), CN_SkinQuery, 0, 0) == 1) return true;
    const auto& t = ControlSkinning();
    if (!t.Control) return false;
    for (TSkinControl* c : Controllist)
        if (t.Control(c) == control) return true;
    return false;
}

void TWinSkinForm::DisableControl(TWinControl* control) {
    if (!control || !fsd) return;
    const std::wstring cls = LowerCaseAscii(control->ClassName());
    if (cls.find(L"radiogroup") == std::wstring::npos && cls.find(L"checkgroup") == std::wstring::npos) return;
    for (int i = 0; i < control->ControlCount(); ++i) control->Controls(i)->SetTag(fsd->DisableTag());
}

bool TWinSkinForm::IsScrollControl(TComponent* component) {
    auto* w = dynamic_cast<TWinControl*>(component);
    if (!w) return false;
    if (w->HandleAllocated() && (GetWindowLongPtrW(w->WindowHandle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)))
        return true;
    const std::wstring cls = w->ClassName();
    return cls == L"TListBox" || cls == L"TMemo" || cls == L"TCustomListBox" || cls == L"TCustomTreeView" ||
           cls == L"TScrollBox";
}

POINT TWinSkinForm::GetWinXY(int x, int y) const {
    POINT p{x, y};
    ScreenToClient(Hwnd, &p);
    if (FormStyle == sfsMDIChild && Windowstate == swsMin) return p;
    p.x += framePainter_.bw.Left;
    p.y += framePainter_.bw.Top + framePainter_.MenuHeight;
    return p;
}

std::wstring TWinSkinForm::WindowText() const {
    if (isunicode) return GetFormCaption(Hwnd);
    const int n = GetWindowTextLengthA(Hwnd);
    if (n <= 0) return L"";
    std::string text(static_cast<size_t>(n) + 1, '\0');
    const int got = GetWindowTextA(Hwnd, text.data(), n + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return StrToWideStr(text);
}

// ---- dispatch ----

LRESULT CALLBACK TWinSkinForm::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<TWinSkinForm*>(ref);
    TMessage m{msg, wParam, lParam, 0};
    try {
        self->WinWndProc(m);
    } catch (...) {
        if (Application) Application->HandleException(nullptr);
    }
    (void)hwnd;
    return m.Result;
}

void TWinSkinForm::Default(TMessage& m) {
    m.Result = DefSubclassProc(Hwnd, m.Msg, m.WParam, m.LParam);
}

void TWinSkinForm::WMCtlcolor(TMessage& m) {
    Default(m);
    if (!FForm && fsd && fsd->BGBrush) {
        SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
        m.Result = reinterpret_cast<LRESULT>(fsd->BGBrush.get());
    }
}

void TWinSkinForm::WMEraseBkgnd(TMessage& m) {
    Default(m);
    if (!FForm && fsd && fsd->BGBrush) {
        RECT r{};
        GetClientRect(Hwnd, &r);
        FillRect(reinterpret_cast<HDC>(m.WParam), &r, fsd->BGBrush.get());
        m.Result = 1;
    }
}

void TWinSkinForm::WMNCDestroy(TMessage& m) {
    Skinstate = SkinStage::Destroying;
    captionButtons_.EnableTimer(false);
    if (fsd) fsd->HideHint();
    DeleteControls();
    // A bare window's menu goes with it, as it would have unskinned;
    // a form's menu handle belongs to the form's menu object.
    menuBar_.FreeMenuBar(!FForm);
    OldWndProc.Remove();
    Default(m);
    RemoveWindowSubclass(Hwnd, SubclassProc, kSubclassId);
    subclassed = false;
    Skinstate = SkinStage::Dead;
}

void TWinSkinForm::RecreateControl(HWND window) {
    const auto& t = ControlSkinning();
    TSkinControl* old = Lookupcontrol(window);
    if (old && t.Recreate) {
        DeleteControl(old);
        t.Recreate(*this, old);
        if (t.Free) t.Free(old);
    }
}

void TWinSkinForm::WinWndProc(TMessage& m) {
    // Every skinned window, its frame skinned or not.
    if (lifePart_.Handle(m)) return;
    if (FrameSkinned()) {
        // The caption buttons go first: one holding the mouse takes every mouse message.
        TFormPart* const parts[] = {
            &captionButtons_,  // hit testing, the non-client mouse, WM_COMMAND / WM_SYSCOMMAND
            &framePainter_,    // size, activation, WM_NCCALCSIZE / WM_NCPAINT, title and icon
            &menuBar_,         // owner-drawn items, menu changes and selection
        };
        for (TFormPart* part : parts)
            if (part->Handle(m)) return;
    }
    Default(m);
}

bool TFormLifePart::Handle(TMessage& m) {
    // Until activation the system must not draw its frame over the one to come.
    if (sf.Skinstate == SkinStage::Attached && m.Msg == WM_NCPAINT) {
        m.Result = 0;
        return true;
    }
    switch (m.Msg) {
        case WM_ERASEBKGND: sf.WMEraseBkgnd(m); return true;
        case WM_NCDESTROY: sf.WMNCDestroy(m); return true;
        case WM_NCACTIVATE:
            if (sf.Skinstate == SkinStage::Attached && sf.FormStyle != sfsMDIChild) {
                m.Result = 0;
                return true;
            }
            return false;
        case WM_SysCaptionButtons: m.Result = 0; return true;
        case WM_INITMENUPOPUP:
            if (SkinManager)
                SkinManager->menutype =
                    reinterpret_cast<HMENU>(m.WParam) == sf.hsysmenu ? MenuKind::System : MenuKind::MenuBar;
            sf.Default(m);
            return true;
        case WM_CTLCOLORBTN:
            sf.Default(m);
            if (!sf.FForm) SetBkMode(reinterpret_cast<HDC>(m.WParam), TRANSPARENT);
            return true;
        case WM_CTLCOLORSTATIC: sf.WMCtlcolor(m); return true;
        case CN_SkinActive: sf.Activate(); return true;
        case CN_SkinRecreate: sf.RecreateControl(reinterpret_cast<HWND>(m.WParam)); return true;
        case CN_SkinQuery:
            m.Result = 1;
            PostMessageW(sf.Hwnd, CN_SkinFinished, 0, SkinSignature);
            return true;
        default: return false;
    }
}

void TWinSkinForm::NewWndProc(TMessage& m) {
    switch (m.Msg) {
        case WM_SETTEXT:
            OldWndProc.CallNext(m);
            if (IsWindowVisible(Hwnd)) {
                if (Windowstate == swsMax && SkinManager && SkinManager->clienthwnd && FormStyle == sfsMDIChild)
                    PostMessageW(SkinManager->clienthwnd, CN_SkinMDIMaximized, reinterpret_cast<WPARAM>(Hwnd), 0);
                if (Windowstate == swsMin)
                    framePainter_.UpdateNc(nullptr);
                else
                    Refresh();
            }
            return;
        case CN_SkinChanged: SkinChange(); return;
        case CM_DIALOGCHAR: menuBar_.CMDialogChar(m); return;
        case CN_SkinPaintFrame:
            if (m.LParam == SkinSignature) {
                if (m.WParam) framePainter_.UpdateNc(reinterpret_cast<HDC>(m.WParam));
                m.Result = SkinSignature;
            }
            return;
        case CN_SkinProbe: m.Result = m.LParam == SkinSignature ? SkinSignature : 1; return;
        default: OldWndProc.CallNext(m); return;
    }
}
