// The form skinning object: TWinSkinForm skins one top-level window (a
// framework form, a "#32770" dialog or another top-level window of the
// process). It subclasses the window, keeps the client area's size under a
// frame drawn from the skin's border, title and caption-button objects,
// answers the non-client messages itself, cuts the window region to the
// skin's outline and gives each child control to the control skinning layer.
// Windows only.
//
// Ownership: the object belongs to its framework form (an owned component)
// or, for a bare window, to the skin manager's list; the manager lists it in
// either case. It owns its caption buttons, its control skinning objects
// (Controllist), its buffers and its hover timer. A subclass is installed
// with SetWindowSubclass on the window's thread and removed before the
// window is gone (WM_NCDESTROY) or when skinning is switched off, so other
// subclasses above or below it stay intact.
//
// Control skinning lives in a layer above this one. It installs its entry
// points with SetControlSkinning; until then no child control is skinned and
// Controllist stays empty.
#pragma once

#ifndef _WIN32
#error "WinSkinForm.h is Windows only"
#endif

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/Controls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/TimerAndPanel.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/GdiHandles.h"
#include "skin/form/SkinManager.h"

class TSkinData;
class TDataSkinSysButton;
class TSkinControl;  // per-control skinning object (control layer)
class TPopupMenu;    // framework popup menu (system menu)
class TMainMenu;
class TMenuItem;
class TToolBar;
class TToolButton;
class TMenuItem;
struct TToolBarCustomDraw;

// The skin engine's private window messages (fixed numbers).
constexpr UINT CN_SkinChanged = 0x3401;
constexpr UINT CN_SkinUpdateNC = 0x3502;
constexpr UINT CN_SkinActive = 0x3503;
constexpr UINT CN_SkinButtonClick = 0x3514;
constexpr UINT CN_SkinButtonVisible = 0x3515;
constexpr UINT CN_SkinMDIMaximized = 0x3516;
constexpr UINT CN_SkinRecreate = 0x3517;
constexpr UINT CN_SkinMenuSelect = 0x3518;
// CN_SkinQuery (0x3523) is declared with the manager.
constexpr UINT CN_SkinPaintFrame = 0xBC4B;
constexpr UINT CN_SkinProbe = 0xBC4D;
constexpr UINT CN_SkinFinished = 0xBC4E;
constexpr LPARAM SkinSignature = 0x41A2;

// System messages that have no public name. The system draws its caption
// buttons on this one, over the skinned frame, unless it is answered.
constexpr UINT WM_SysCaptionButtons = 0x00AE;
// A check box or radio button has just drawn itself natively.
constexpr UINT BM_SysRedrawnB01B = 0xB01B;
constexpr UINT BM_SysRedrawnB0D0 = 0xB0D0;
// A drop-down list has scrolled itself and drawn its bar natively.
constexpr UINT LB_SysScrolled = 0x1AE;

// Measures a caption block before it is placed (0x550).
constexpr UINT DT_MeasureBlock = DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK;
// A group caption ending at the box's right edge (0x42).
constexpr UINT DT_RightCaption = DT_EXPANDTABS | DT_RIGHT;

enum TSkinFormStyle : uint8_t { sfsNormal, sfsMDIform, sfsMDIChild, sfsChild };
enum TSkinFormBorder : uint8_t { sbsSizeable, sbsSingle, sbsNone, sbsDialog };
enum TSkinFormIcon : uint8_t { sbiMax = 1, sbiMin = 2, sbiHelp = 4, sbisystem = 8, sbicaption = 16 };
using TSkinFormIcons = uint8_t;  // TSkinFormIcon bits
enum TSkinWindowState : uint8_t { swsNormal, swsMax, swsMin };

// Where a form skinning object is in its life. Frame painting runs only while
// Skinned or Changing; a Dead object waits for the manager to free it.
enum class SkinStage : int32_t {
    Attached = 0,  // subclassed, waiting for CN_SkinActive
    Skinned = 1,
    Changing = 3,    // a new skin is being applied
    Destroying = 4,  // inside WM_NCDESTROY
    Resizing = 5,    // the activation sizes the window to the skin's frame
    Dead = 6,        // the window is gone
};

// Holds a shown window's drawing while it is being skinned, then marks it
// whole for the next paint: each step would otherwise repaint the window
// and all its children at once, several times over.
class RedrawHeld {
public:
    explicit RedrawHeld(HWND hwnd) : hwnd_(IsWindowVisible(hwnd) ? hwnd : nullptr) {
        if (hwnd_) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawHeld() {
        if (!hwnd_ || !IsWindow(hwnd_)) return;
        SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    RedrawHeld(const RedrawHeld&) = delete;
    RedrawHeld& operator=(const RedrawHeld&) = delete;

private:
    HWND hwnd_;
};

class TWinSkinForm;

// What the control skinning layer provides. Every entry may be null; with no
// table installed (or a null entry) that part of control skinning is absent.
struct TControlSkinning {
    // Creates the skinning object for a framework control of the window
    // (selection by class) and adds it to sf.Controllist; null when none fits.
    TSkinControl* (*AddComp)(TWinSkinForm& sf, TControl* control, TWinControl* parent) = nullptr;
    // The same for a child window without a framework control (selection by Win32 class).
    TSkinControl* (*AddControlh)(TWinSkinForm& sf, HWND child) = nullptr;
    // The object for a nested form itself (drawn as a box).
    TSkinControl* (*AddBox)(TWinSkinForm& sf, TWinControl* nested) = nullptr;
    // Rebuilds the scroll-bar object of a control whose old object is given
    // (CN_SkinRecreate); the old one is freed by the caller afterwards.
    TSkinControl* (*Recreate)(TWinSkinForm& sf, TSkinControl* old) = nullptr;
    void (*Unsubclass)(TSkinControl* c) = nullptr;
    void (*SkinChange)(TSkinControl* c) = nullptr;
    void (*MouseLeave)(TSkinControl* c) = nullptr;
    // The object's skin state (6: its window is gone).
    int (*State)(const TSkinControl* c) = nullptr;
    HWND (*Window)(const TSkinControl* c) = nullptr;
    TControl* (*Control)(const TSkinControl* c) = nullptr;
    void (*Free)(TSkinControl* c) = nullptr;
};
// Installs the table (copied); null removes it.
void SetControlSkinning(const TControlSkinning* table);
const TControlSkinning& ControlSkinning();

// A clickable non-client object: states 1 normal, 2 pressed, 3 hot.
class TNCObject {
public:
    TNCObject(TWinSkinForm* sf, TSkinData* sd) : SF(sf), fsd(sd) {}
    virtual ~TNCObject() = default;
    TNCObject(const TNCObject&) = delete;
    TNCObject& operator=(const TNCObject&) = delete;

    TWinSkinForm* SF;
    TSkinData* fsd;
    TRect bounds{};
    bool visible = false;
    int32_t state = 1;
    bool enabled = true;

    virtual void MouseDown();
    virtual void MouseUp();
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Draw() {}
};

class TWinSysButton : public TNCObject {
public:
    TWinSysButton(TWinSkinForm* sf, TSkinData* sd, TDataSkinSysButton* d) : TNCObject(sf, sd), data(d) {}
    TDataSkinSysButton* data;
    void Draw() override;
};

// ---- The skinned menu bar (drawn in the band below the caption)

// One menu-bar button: a top-level item of the window's menu.
class TMenuBtn : public TNCObject {
public:
    TMenuBtn(TWinSkinForm* sf, TSkinData* sd) : TNCObject(sf, sd) {}
    TMenuItem* menuitem = nullptr;  // the framework item, when the form has one for it
    int32_t index = 0;
    std::wstring caption;
    HMENU hsubmenu = nullptr;  // its drop-down, or none
    int32_t mid = 0;           // command id
    // Repaints the button alone, in its state, from the band's saved background.
    void Draw() override;
};

// The menu bar of a fully skinned window: the system's bar is taken off the
// window (SetMenu none) and drawn by the skin in the band; the window gets
// its menu back when this object goes (the menu-bar part does it).
class TWinSkinMenu : public TComponent {
public:
    TWinSkinMenu(TComponent* owner, TWinSkinForm* sf, TSkinData* sd) : TComponent(owner), FSD(sd), SF(sf) {}
    std::wstring ClassName() const override { return L"TWinSkinMenu"; }

    std::vector<std::unique_ptr<TMenuBtn>> Buttons;
    TMainMenu* menu = nullptr;  // the form's own menu bar, if any
    TRect Bar{};                // the band at the last paint (window coordinates)
    TSkinData* FSD;
    TWinSkinForm* SF;
    TBitmap bkmap;  // the band's background at the last paint
    int32_t count = 0;
    bool topmenu = false;
    HMENU hmenu = nullptr;

    // Rebuilds the buttons from the menu handle (and the form's items), then
    // takes the system bar off the window.
    void UpdataBtn();
    void UpdataBtn2(HMENU newmenu);
    // Lays the buttons out in the band without painting.
    void SetMenuRect();
    // Paints the band (window coordinates) into dc in one transfer.
    void DrawMenu(HDC dc, const TRect& band);
    // The button with a caption under the point (window coordinates), or null.
    TMenuBtn* FindBtn(POINT p) const;
    TRect Band() const;

private:
    void LayOut(const TRect& band);
};

// Owner-drawn items for an item tree of a tool bar's menu: the skinned
// painter and measuring, or none when enable is false.
void InitToolbarMenu(TMenuItem* item, TSkinData* sd, bool enable);

// The form skinning object is made of parts, each holding its own state and
// answering the messages it owns. Handle returns true when the part took the
// message (m.Result is set) and false to leave it to the next part and then
// the window's procedure. A part reads what all parts share (the skin data,
// the window, its style and state) from the form object.
class TFormPart {
public:
    explicit TFormPart(TWinSkinForm& form) : sf(form) {}
    virtual ~TFormPart() = default;
    TFormPart(const TFormPart&) = delete;
    TFormPart& operator=(const TFormPart&) = delete;
    virtual bool Handle(TMessage& m) = 0;

protected:
    TWinSkinForm& sf;
};

// What every skinned window answers, its frame skinned or not: the object's
// life (activation, destruction, re-created controls), the client's colours,
// the system's own caption drawing held off, and the kind of a menu that
// pops up.
class TFormLifePart final : public TFormPart {
public:
    using TFormPart::TFormPart;
    bool Handle(TMessage& m) override;
};

// The caption buttons (FormCaptionButtons.cpp): the buttons made from the
// skin, their placement, visibility and drawing, the hover/press/release
// machine with its hover timer and hints, non-client hit testing and mouse,
// the window-state commands and the skinned system menu.
class TCaptionButtonsPart final : public TFormPart {
public:
    explicit TCaptionButtonsPart(TWinSkinForm& form);
    ~TCaptionButtonsPart() override;
    bool Handle(TMessage& m) override;

    // One button per caption-button entry of the skin, in its order.
    void CreateSysbtns();
    void DeleteSysbtn();
    void SetSysbtnRect();
    bool SysBtnVisible(size_t index);
    void DrawAllSysbtn(TCanvas& canvas, const TRect& band);
    void DrawSysbtn(TWinSysButton& button, int state);
    TWinSysButton* FindBtn(POINT p);
    void SysBtnAction(TWinSysButton& button, int x, int y);
    void PopSysmenu(POINT p);
    void CreateSysmenu2();
    bool CheckSysmenu() const;
    void Maximize();
    void Restore();
    void Minimize();
    void HintReset();
    static std::wstring GetSysBtnHint(int action);
    // The hover timer (250 ms) runs while the window is active.
    void CreateTimer();
    void EnableTimer(bool on);
    // The skinned system menu goes (unless it is being shown).
    void FreeSysmenu();

    const std::vector<std::unique_ptr<TWinSysButton>>& Buttons() const { return SysBtn; }
    // The button the left button went down on, while it holds the mouse.
    TWinSysButton* Pressed() const { return PressedBtn; }
    TTimer* HoverTimer() const { return timer.get(); }
    // The timer's work, one tick.
    void OnTimer();

    // The caption or menu-bar button under the mouse or pressed.
    TNCObject* ActiveBtn = nullptr;

private:
    bool HasSysBtnBitmap(const TWinSysButton& b) const;
    // The mouse while a caption button holds it (answers whether it was taken).
    bool PressedMouse(TMessage& m);
    void WMNCHitTest(TMessage& m);
    void WMNCMouseMove(TMessage& m);
    void WMNCLButtonDown(TMessage& m);
    void WMNCLButtonUp(TMessage& m);
    void WMNCLBUTTONDBLCLK(TMessage& m);
    void WMNCRButtonUp(TMessage& m);
    void WMSysCommand(TMessage& m);
    void WMCommand(TMessage& m);

    std::unique_ptr<TTimer> timer;
    std::vector<std::unique_ptr<TWinSysButton>> SysBtn;
    int32_t BtnCount = 0;
    // The caption button the left button went down on: it holds the mouse
    // until the release, which clicks it only over the button.
    TWinSysButton* PressedBtn = nullptr;
    std::unique_ptr<TPopupMenu> sysmenu;  // the skinned system menu while it is shown or was last
    DWORD poptime = 0;
    int32_t DoubleTime = 0;
    // The system menu is being tracked (a modal loop inside this part's handlers).
    bool inSysmenu_ = false;
};

// The frame painter (FormFramePainter.cpp): the frame's widths and the menu
// band's height, the window's state and size, the non-client area's size,
// painting and active look, the caption band with icon and title, and the
// window region cut from the border bitmaps.
class TFramePainter final : public TFormPart {
public:
    explicit TFramePainter(TWinSkinForm& form);
    ~TFramePainter() override;
    bool Handle(TMessage& m) override;

    // Frame widths from the skin's borders (none without a caption).
    void GetBorderWidths();
    void UpdateNc(HDC dc);
    void Drawborder(int index, const TRect& rect, HDC dc);
    void DrawFLine(HDC dc);
    void DrawLine(TCanvas& canvas, const TRect& T);
    void GetIcon(TBitmap& bitmap);
    // The window icon, refreshed into IconBmp.
    void GetIcon() { GetIcon(IconBmp); }
    void DrawIcon(HDC dc, const TRect& rect);
    void Cropwindow();
    void Uncropwindow();
    // Takes the region off the window (detaching).
    void DropRegion(bool redraw);
    // The whole frame (without the client) into bitmap, sized to the window.
    void getClipMap(TBitmap& bitmap);

    // Geometry, read by every part (window coordinates).
    TRect bw{};                       // frame widths: Left, Top (caption), Right, Bottom
    int32_t MenuHeight = 0;           // the menu band below the caption (0: none)
    TRect ctr{};                      // the title text at the last caption paint
    TRect wTr{};                      // the window on the screen at the last frame paint
    int32_t fwidth = 0, fheight = 0;  // the window's size at the last frame paint
    bool crop = false;                // a window region is set
    // The window icon on magenta, and the caption band at its last paint.
    const TBitmap& Icon() const { return IconBmp; }
    const TBitmap& CaptionBand() const { return CaptionBuf; }
    TFont& Font() const { return *CaptionFont; }

private:
    void WMSize(TMessage& m);
    void WMNCCalcSize(TMessage& m);
    void WMNCPaint(TMessage& m);
    void WMNCActive(TMessage& m);

    std::unique_ptr<TFont> CaptionFont;
    std::wstring bstr, astr;
    HICON DefIcon = nullptr;
    int32_t Iconx = 0;
    int32_t RightBtn = 0;
    HRGN WinRgn = nullptr;  // for reference only: the window system owns it
    int32_t crwidth = 0, crheight = 0;
    TBitmap IconBmp;
    TBitmap CaptionBuf;
    // The application icon at the caption size, copied once per source icon.
    HICON iconFrom_ = nullptr;
    HICON iconSmall_ = nullptr;
    bool mdiSizedMax = false;  // an MDI child: its last WM_SIZE was a maximise
};

// The menu bar (FormMenuBar.cpp): the skinned bar object, opening and
// tracking its drop-downs by mouse and keyboard, accelerators, and the
// owner-drawn items of the window's menus.
class TMenuBarPart final : public TFormPart {
public:
    explicit TMenuBarPart(TWinSkinForm& form);
    ~TMenuBarPart() override;
    bool Handle(TMessage& m) override;

    // The bar for the window's menu (none for an MDI child), and its end;
    // giveBack hands the window its menu again.
    void CreateMenuBar();
    void FreeMenuBar(bool giveBack);
    bool CheckMenu(TMenuBtn* button);
    void ClickButton(TMenuBtn* button);
    void MenuSelect(TMessage& m);
    TMenuBtn* FindButtonFromAccel(wchar_t ch) const;
    void CancelMenu();
    // CM_DIALOGCHAR of the form: its own handling, then the skinned bar's
    // accelerators, then the MDI frame's or the main form's.
    void CMDialogChar(TMessage& m);
    void WMINITMENU(HMENU menu);
    void InitPopMenu(TComponent* parent, bool enable, bool update);
    void InitMainMenu(TComponent* form, bool enable, bool update);
    void MeasureItem(TMenuItem& item, TCanvas& canvas, int& width, int& height);
    void UpdateMainMenu();

    std::unique_ptr<TWinSkinMenu> menu;
    bool fInMenu = false;  // a menu-bar menu is open

private:
    void WMMEASUREITEM(TMessage& m);
    void WMDRAWITEM(TMessage& m);
    void WMMenuChanged(TMessage& m);

    HMENU hmenu = nullptr;       // the window's menu when skinned
    HMENU activemenu = nullptr;  // the drop-down being shown
    // Menus whose items this part made owner-drawn (given back on detach).
    std::vector<HMENU> ownerDrawn_;
};

// The MDI client of a skinned frame (FormMdiClient.cpp; a window of its own,
// subclassed apart): children made, destroyed, arranged or maximised, the
// frame's menu, and the maximised child's buttons in the frame's band.
class TMdiClientPart final : public TFormPart {
public:
    using TFormPart::TFormPart;
    ~TMdiClientPart() override;
    bool Handle(TMessage& m) override;

    // The MDI client of a frame is subclassed while the frame is skinned.
    void SubclassMDI();
    void UnSubclassMDI();
    void DefaultMDI(TMessage& m);
    // Sends the active child of this frame a system command (its buttons in the menu band).
    void MDIChildAction(WPARAM cmd);
    void RestoreMDI();
    bool MDIChildMax() const;
    // The maximised child's buttons (Visibility 100) in the band the menu bar just drew on dc.
    void DrawMDIChildButtons(HDC dc);
    bool Subclassed() const { return mdiSubclassed; }

    HWND ClientHwnd = nullptr;

private:
    static LRESULT CALLBACK MDISubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR ref) noexcept;
    bool mdiSubclassed = false;
    bool menuauto = false;  // the skin data's MenuUpdate when the frame was skinned
};

// The tool-bar painter (FormToolBarPainter.cpp): what the control selection
// hands to a tool bar's custom-draw events (its background and buttons from
// the skin), and the skinned drop-down menus of its buttons. Its input is
// those events, which come from bars in any container of the window, not
// the window's own messages, so it has no place in the window's dispatch.
class TToolBarPainter {
public:
    explicit TToolBarPainter(TWinSkinForm& form) : sf(form) {}
    TToolBarPainter(const TToolBarPainter&) = delete;
    TToolBarPainter& operator=(const TToolBarPainter&) = delete;

    void ToolBarDrawBackground(TToolBar* sender, TToolBarCustomDraw& draw);
    void ToolBarDrawButton(TToolBar* sender, TToolButton* button, TToolBarCustomDraw& draw);
    void InitToolbarMenu(TMenuItem& item, bool enable);
    // Points the bar's unassigned events at the painters; answers which it
    // took (1 background, 2 buttons) for DetachToolbarPainters.
    unsigned AttachToolbarPainters(TToolBar& bar);
    static void DetachToolbarPainters(TToolBar& bar, unsigned which);

private:
    TWinSkinForm& sf;
};

class TWinSkinForm : public TComponent {
public:
    explicit TWinSkinForm(TComponent* AOwner);
    ~TWinSkinForm() override;
    std::wstring ClassName() const override { return L"TWinSkinForm"; }

    // Attaching: the creator sets Hwnd, mode and formclass, then calls one of these.
    void InitTform(TSkinData* skinData, TForm* form);
    void InitDlg(TSkinData* skinData) {
        RedrawHeld held(Hwnd);
        InitSkin(skinData);
    }
    void InitSkin(TSkinData* skinData);
    // Frame widths and caption buttons from the skin (nothing for an empty skin).
    void InitSkinData();
    void SkinChange();
    void AfterSkin();
    // Frees sf, or, while one of its own modal loops (a menu it tracks) is
    // on the stack, as soon as the outermost of them returns.
    static void Release(TWinSkinForm* sf);

    // Detaching: skin switched off / window destroyed / window not fully skinned.
    void UnSubclass();
    void UnSubclass2();
    void UnSubclass3();

    // The control skinning objects of this window.
    bool AddControlList(TSkinControl* control);
    void DeleteControl(TSkinControl* control);
    void DeleteSkinDeleted();
    void DeleteControls();
    void InitControls(TWinControl* form);
    void InitControlA(TWinControl* parent);
    void InitChildCtrl(TWinControl* parent);
    void InitNestform(TWinControl* parent);
    void InitHwndControls(HWND hwnd);
    TSkinControl* Lookupcontrol(HWND hwnd) const;
    bool FindSkinComp(TControl* control) const;
    void DisableControl(TWinControl* control);
    static bool IsScrollControl(TComponent* component);

    // Screen point to window coordinates (under the skinned frame).
    POINT GetWinXY(int x, int y) const;
    void UpdateStyle(bool strip);
    void ResizeForm(bool refresh);
    void Refresh();
    static void RePaint(HWND hwnd);
    void GetWindowstate();

    // The parts.
    TCaptionButtonsPart& CaptionButtons() { return captionButtons_; }
    TFramePainter& Frame() { return framePainter_; }
    const TFramePainter& Frame() const { return framePainter_; }
    TMenuBarPart& MenuBar() { return menuBar_; }
    TMdiClientPart& MdiClient() { return mdiClient_; }
    const TMdiClientPart& MdiClient() const { return mdiClient_; }
    TToolBarPainter& ToolBars() { return toolBars_; }

    // Shared state (read by the parts, the manager, the control layer and tests).
    bool subclassed = false;  // the window subclass is installed
    bool sMainMenu = false;
    bool bidileft = false;
    std::unique_ptr<TCanvas> fCanvas;  // scratch canvas lent to control skinning objects
    TForm* FForm = nullptr;
    HWND Hwnd = nullptr;
    TSkinData* fsd = nullptr;
    std::vector<TSkinControl*> Controllist;  // owned (freed through the control layer)
    bool FWindowActive = true;
    TSkinFormStyle FormStyle = sfsNormal;
    TSkinFormBorder FormBorder = sbsSingle;
    TSkinFormIcons FormIcons = 0;
    TSkinWindowState Windowstate = swsNormal;
    SkinStage Skinstate = SkinStage::Attached;
    TSkinControl* Activeskincontrol = nullptr;
    intptr_t mode = 0;
    std::wstring formclass;

private:
    friend class TFormLifePart;
    friend class TCaptionButtonsPart;
    friend class TFramePainter;
    friend class TMenuBarPart;
    friend class TMdiClientPart;
    friend class TToolBarPainter;

    // The frame, caption and menu bar are the skin's (not only the client's children).
    bool FrameSkinned() const { return sMainMenu && (!ischildform || FormStyle == sfsMDIChild); }
    // The skinned frame is drawn now: skinning has begun and the window is no maximised MDI child.
    bool FrameDrawn() const {
        return Skinstate != SkinStage::Attached && !(FormStyle == sfsMDIChild && Windowstate == swsMax);
    }
    // Frame painting runs in these states.
    bool Painting() const { return Skinstate == SkinStage::Skinned || Skinstate == SkinStage::Changing; }
    void WMNCDestroy(TMessage& m);
    void WMEraseBkgnd(TMessage& m);
    void WMCtlcolor(TMessage& m);
    void RecreateControl(HWND window);

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR ref) noexcept;
    void WinWndProc(TMessage& m);
    void Default(TMessage& m);
    void NewWndProc(TMessage& m);
    void RemoveSubclass();
    void Activate();
    // Activate's work on the window and its controls, with drawing held.
    void ActivateHeld();
    void GetBorderSize();
    void GetFormstyle();
    std::wstring WindowText() const;

    // Marks the end of one of this object's own modal loops (menus); true
    // when the object was released meanwhile: it is gone, or goes with the
    // outermost loop, and the caller must not touch it any more.
    bool EndOwnLoop();
    void BeginOwnLoop() { ++ownLoops_; }

    TWindowProcHook OldWndProc;  // the form's WindowProc, while a main menu is skinned
    std::wstring classname;
    TRect fClientRect{};
    int32_t charwidth = 0;
    HWND parenthwnd = nullptr;
    std::wstring caption;
    TRect oldsize{};
    bool fSizeable = false;
    bool isunicode = true;
    bool ismessagebox = false;
    bool ischildform = false;
    HMENU hsysmenu = nullptr;
    TColor formcolor = 0;
    DWORD dwstyle = 0;
    TBitmap fCanvasBitmap, fcanvas2Bitmap;  // what the scratch canvases draw on
    std::unique_ptr<TCanvas> fcanvas2;
    // This object's modal loops running now, and a release that waits for them.
    int ownLoops_ = 0;
    bool freeAfterLoops_ = false;
    // Where the client area lay inside the system frame before skinning.
    POINT sysClientOffset_{0, 0};

    // Declared last: built after, and gone before, the state they read.
    TCaptionButtonsPart captionButtons_{*this};
    TFramePainter framePainter_{*this};
    TMenuBarPart menuBar_{*this};
    TMdiClientPart mdiClient_{*this};
    TToolBarPainter toolBars_{*this};
    TFormLifePart lifePart_{*this};
};

// Unit-wide work bitmap (COLORONCOLOR); painting is skipped while it is null.
extern TBitmap* BG;

// The menu-bar tracking drops its form (the form goes away).
void ForgetTrackedForm(TWinSkinForm* sf);

std::wstring GetWindowClassname(HWND hwnd);
std::wstring GetFormCaption(HWND hwnd);
