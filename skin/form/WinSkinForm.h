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
// The form skinning object is made of parts, each answering the messages it
// owns. Handle returns true when the part took the message (m.Result is set)
// and false to leave it to the next part and then the window's procedure.
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

// The caption buttons: a button holding the mouse, hit testing, the
// non-client mouse, the system menu and the commands it sends.
class TCaptionButtonsPart final : public TFormPart {
public:
    using TFormPart::TFormPart;
    bool Handle(TMessage& m) override;
};

// The frame painter: the window's state and size, the non-client area's
// size, painting and active look, and the region after a resize.
class TFramePainter final : public TFormPart {
public:
    using TFormPart::TFormPart;
    bool Handle(TMessage& m) override;
};

// The menu bar: owner-drawn items, item selection and menu changes.
class TMenuBarPart final : public TFormPart {
public:
    using TFormPart::TFormPart;
    bool Handle(TMessage& m) override;
};

// The MDI client of a skinned frame (a window of its own, subclassed apart):
// children made, destroyed, arranged or maximised, and the frame's menu.
class TMdiClientPart final : public TFormPart {
public:
    using TFormPart::TFormPart;
    bool Handle(TMessage& m) override;
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
// its menu back when this object goes (the form skinning object does it).
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

    // Frame painting.
    void UpdateNc(HDC dc);
    void Drawborder(int index, const TRect& rect, HDC dc);
    void DrawFLine(HDC dc);
    void DrawLine(TCanvas& canvas, const TRect& T);
    void GetIcon(TBitmap& bitmap);
    void DrawIcon(HDC dc, const TRect& rect);
    void Cropwindow();
    void Uncropwindow();
    // The whole frame (without the client) into bitmap, sized to the window.
    void getClipMap(TBitmap& bitmap);

    // Caption buttons and the system menu.
    void SetSysbtnRect();
    bool SysBtnVisible(size_t index);
    void DrawAllSysbtn(TCanvas& canvas, const TRect& band);
    void DrawSysbtn(TWinSysButton& button, int state);
    TWinSysButton* FindBtn(POINT p);
    POINT GetWinXY(int x, int y) const;
    void SysBtnAction(TWinSysButton& button, int x, int y);
    void PopSysmenu(POINT p);
    void CreateSysmenu2();
    bool CheckSysmenu() const;
    void Maximize();
    void Restore();
    void Minimize();
    bool MDIChildMax() const;
    void HintReset();
    static std::wstring GetSysBtnHint(int action);
    void DeleteSysbtn();

    // Menu bar and owner-drawn menus.
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

    // -- MDI frames (WinSkinFormMdi.cpp) --
    // The MDI client of a frame is subclassed while the frame is skinned.
    void SubclassMDI();
    void UnSubclassMDI();
    void DefaultMDI(TMessage& m);
    // Sends the active child of this frame a system command (its buttons in the menu band).
    void MDIChildAction(WPARAM cmd);
    void RestoreMDI();
    // The maximised child's buttons (Visibility 100) in the band the menu bar just drew on dc.
    void DrawMDIChildButtons(HDC dc);
    bool mdiSubclassed = false;
    bool mdiSizedMax = false;  // an MDI child: its last WM_SIZE was a maximise
    // -- end MDI frames --
    // Tool bars (WinSkinFormToolBar.cpp): the painters the control selection
    // gives a tool bar's custom-draw events, and its buttons' drop-down menus.
    void ToolBarDrawBackground(TToolBar* sender, TToolBarCustomDraw& draw);
    void ToolBarDrawButton(TToolBar* sender, TToolButton* button, TToolBarCustomDraw& draw);
    void InitToolbarMenu(TMenuItem& item, bool enable);
    // Points the bar's unassigned events at the painters; answers which it
    // took (1 background, 2 buttons) for DetachToolbarPainters.
    unsigned AttachToolbarPainters(TToolBar& bar);
    static void DetachToolbarPainters(TToolBar& bar, unsigned which);

    void UpdateStyle(bool strip);
    void ResizeForm(bool refresh);
    void Refresh();
    static void RePaint(HWND hwnd);
    void GetWindowstate();

    // Public state (read by the manager, the control layer and tests).
    TWindowProcHook OldWndProc;  // the form's WindowProc, while a main menu is skinned
    bool subclassed = false;  // the window subclass is installed
    std::unique_ptr<TFont> CaptionFont;
    std::unique_ptr<TTimer> timer;
    std::wstring bstr, astr;
    std::wstring classname;
    bool menuauto = false;
    bool sMainMenu = false;
    TRect fClientRect{};
    DWORD poptime = 0;
    int32_t DoubleTime = 0;
    int32_t charwidth = 0;
    HWND parenthwnd = nullptr;
    HICON DefIcon = nullptr;
    int32_t Iconx = 0;
    std::wstring caption;
    TRect bw{};
    TRect wTr{};
    TRect ctr{};
    TRect oldsize{};
    int32_t MenuHeight = 0;
    int32_t BtnCount = 0;
    bool fInMenu = false;
    bool bidileft = false;
    bool fSizeable = false;
    bool isunicode = true;
    bool ismessagebox = false;
    bool ischildform = false;
    std::unique_ptr<TPopupMenu> sysmenu;  // the skinned system menu while it is shown or was last
    HWND ClientHwnd = nullptr;
    HMENU hmenu = nullptr, hsysmenu = nullptr, activemenu = nullptr;
    TColor formcolor = 0;
    DWORD dwstyle = 0;
    int32_t RightBtn = 0;
    TNCObject* ActiveBtn = nullptr;
    // The caption button the left button went down on: it holds the mouse
    // until the release, which clicks it only over the button.
    TWinSysButton* PressedBtn = nullptr;
    bool crop = false;
    HRGN WinRgn = nullptr;  // for reference only: the window system owns it
    TForm* FForm = nullptr;
    HWND Hwnd = nullptr;
    TBitmap fCanvasBitmap, fcanvas2Bitmap;  // what the scratch canvases draw on
    std::unique_ptr<TCanvas> fCanvas, fcanvas2;
    TSkinData* fsd = nullptr;
    std::vector<std::unique_ptr<TWinSysButton>> SysBtn;
    TBitmap IconBmp;
    TBitmap CaptionBuf;
    std::vector<TSkinControl*> Controllist;  // owned (freed through the control layer)
    int32_t fwidth = 0, fheight = 0;
    int32_t crwidth = 0, crheight = 0;
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

    // The frame, caption and menu bar are the skin's (not only the client's children).
    bool FrameSkinned() const { return sMainMenu && (!ischildform || FormStyle == sfsMDIChild); }
    // The skinned frame is drawn now: skinning has begun and the window is no maximised MDI child.
    bool FrameDrawn() const {
        return Skinstate != SkinStage::Attached && !(FormStyle == sfsMDIChild && Windowstate == swsMax);
    }
    void WMNCDestroy(TMessage& m);
    void WMEraseBkgnd(TMessage& m);
    void RecreateControl(HWND window);

    TFormLifePart lifePart_{*this};
    TCaptionButtonsPart captionButtons_{*this};
    TFramePainter framePainter_{*this};
    TMenuBarPart menuBar_{*this};
    TMdiClientPart mdiClient_{*this};

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR ref) noexcept;
    static LRESULT CALLBACK MDISubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR ref) noexcept;  // MDI frames
    void WinWndProc(TMessage& m);
    void Default(TMessage& m);
    void NewWndProc(TMessage& m);
    void RemoveSubclass();
    void Activate();
    // Activate's work on the window and its controls, with drawing held.
    void ActivateHeld();
    void GetBorderSize();
    void GetFormstyle();
    void WMSize(TMessage& m);
    void WMNCCalcSize(TMessage& m);
    void WMNCPaint(TMessage& m);
    void WMNCActive(TMessage& m);
    void WMNCHitTest(TMessage& m);
    void WMNCMouseMove(TMessage& m);
    void WMNCLButtonDown(TMessage& m);
    void WMNCLButtonUp(TMessage& m);
    // The mouse while a caption button holds it (answers whether it was taken).
    bool PressedMouse(TMessage& m);
    void WMNCLBUTTONDBLCLK(TMessage& m);
    void WMNCRButtonUp(TMessage& m);
    void WMSysCommand(TMessage& m);
    void WMCommand(TMessage& m);
    void WMCtlcolor(TMessage& m);
    void WMMEASUREITEM(TMessage& m);
    void WMDRAWITEM(TMessage& m);
    void WMMenuChanged(TMessage& m);
    void CreateMenuBar();
    void FreeMenuBar(bool giveBack);
    void OnTimer();
    std::wstring WindowText() const;
    bool HasSysBtnBitmap(const TWinSysButton& b) const;

    // Marks the end of one of this object's own modal loops (menus); true
    // when the object was released meanwhile: it is gone, or goes with the
    // outermost loop, and the caller must not touch it any more.
    bool EndOwnLoop();

    // The system menu is being tracked (a modal loop inside this object's handlers).
    bool inSysmenu_ = false;
    // This object's modal loops running now, and a release that waits for them.
    int ownLoops_ = 0;
    bool freeAfterLoops_ = false;
    // The application icon at the caption size, copied once per source icon.
    HICON iconFrom_ = nullptr;
    HICON iconSmall_ = nullptr;
    // Where the client area lay inside the system frame before skinning.
    POINT sysClientOffset_{0, 0};
    // Menus whose items this object made owner-drawn (given back on detach).
    std::vector<HMENU> ownerDrawn_;
};

// Unit-wide work bitmap (COLORONCOLOR); painting is skipped while it is null.
extern TBitmap* BG;

// The menu-bar tracking drops its form (the form goes away).
void ForgetTrackedForm(TWinSkinForm* sf);

std::wstring GetWindowClassname(HWND hwnd);
std::wstring GetFormCaption(HWND hwnd);
