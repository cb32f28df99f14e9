// Forms and the application object. Windows only.
//
// A form's window carries the program's icon, the icon resource "MAINICON"
// of the executable, at the system's large and small icon sizes (WM_SETICON),
// so the caption, the task bar, Alt+Tab and a skinned caption that asks the
// window (WM_GETICON) all find it. A program without that resource leaves
// its forms without one.
//
// The global Application runs the user-interface thread: its message loop
// (Run), the nested pump handlers call while they work (ProcessMessages),
// and the standard display of an exception that escaped a handler
// (HandleException: an error box with the exception's message; the loop
// goes on). The loop offers each key press to the framework control it is
// for before the window gets it, so forms handle Tab, Enter, Esc and arrows. Forms made with CreateForm are owned by
// Application and freed when it goes at program end; the first one is the main form, and closing it ends Run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>

#include "framework/controls/Controls.h"

enum TFormBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

// Set of the caption's icons.
enum TBorderIcon : uint8_t { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

enum TPosition : uint8_t { poDesigned, poScreenCenter };

enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

// An MDI frame form holds an MDI client window ("MDICLIENT") filling its
// client area; an MDI child form is a window inside the client of its frame:
// its owner when that is an MDI frame form, else the application's main form.
// A character typed with Alt held (WM_SYSCHAR), offered to the form of the
// control that has the focus before the system takes it as a menu key:
// wParam the character, lParam the key data; Result non-zero when used.
constexpr UINT CM_DIALOGCHAR = CM_BASE + 22;

enum TFormStyle : uint8_t { fsNormal, fsMDIChild, fsMDIForm };
enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
enum TTileMode : uint8_t { tbHorizontal, tbVertical };

class TMenuItem;
class TMainMenu;
class TPopupMenu;

class TForm : public TWinControl {
public:
    explicit TForm(TComponent* AOwner);
    ~TForm() override;
    std::wstring ClassName() const override { return L"TForm"; }

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    uint8_t BorderIcons() const { return borderIcons_; }  // TBorderIcon bits
    void SetBorderIcons(uint8_t value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    // Forms are never rescaled for the screen's pixels per inch; the flag is
    // kept so that form data says what it was designed with.
    bool Scaled() const { return scaled_; }
    void SetScaled(bool value) { scaled_ = value; }
    // Before the window exists the client size is kept and the window size
    // is derived from it when the window is made, for its actual frame.
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    RECT ClientRect() override;

    // Close as the user's close box does: OnClose decides (caHide by default);
    // for the main form anything but caNone ends the application's loop.
    void Close();
    // Visible, and in front of the other windows.
    void Show();
    void BringToFront();

    // The menu bar shown on the window, and the menu a right click pops up
    // (with its AutoPopup). Not owned; a menu that goes first takes itself off.
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* value);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TPopupMenu* value);

    TNotifyEvent OnShow;
    TCloseEvent OnClose;

    void WndProc(TMessage& message) override;
    // Frames pass what they leave to DefFrameProc, MDI children to DefMDIChildProc.
    void DefaultHandler(TMessage& message) override;

    // MDI. The style is set before the window is made (an error afterwards).
    // An MDI child is visible from the start and closes with caFree unless
    // OnClose says otherwise; closing frees the form.
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    // The MDI client window of a frame (made with the frame's window), else null.
    HWND ClientHandle() const { return clientHandle_; }
    // The frame whose client an MDI child sits in (null for other forms).
    TForm* MDIFrame() const;
    TForm* ActiveMDIChild() const;
    int MDIChildCount() const;
    // In the client's z-order, the active child first.
    TForm* MDIChildren(int index) const;
    TTileMode TileMode() const { return tileMode_; }
    void SetTileMode(TTileMode value) { tileMode_ = value; }
    void Tile();
    void Cascade();
    void ArrangeIcons();
    // Activates the next / previous child.
    void Next();
    void Previous();
    // The menu item whose sub-menu lists the children (the client's window
    // menu); it must be in the frame's menu bar to be shown, and outlive the children.
    TMenuItem* WindowMenu() const { return windowMenu_; }
    void SetWindowMenu(TMenuItem* item);
    // Minimised, maximised or normal; an MDI child asks its client.
    TWindowState WindowState() const;
    void SetWindowState(TWindowState value);

protected:
    void CreateParams(TCreateParams& params) override;
    // Gives the new window the program's icon, then tells the owned components.
    void CreateWnd() override;
    void VisibleChanged() override;
    HWND CreateWindowHandle(const TCreateParams& params) override;
    virtual void DoShow();
    virtual void DoClose(TCloseAction& action);
    // Tab and Shift+Tab move the focus (TabList order), Enter clicks the
    // focused button or else the Default one, Esc the Cancel one, arrows
    // move through a radio group. True when the key was used.
    virtual bool DialogKey(UINT key);

private:
    void UpdateWindowStyle();
    void FocusFirstControl();
    void CreateMDIClient();
    // The frame's bar shows this child's menu merged in (none: the frame's own items).
    void MergeChildMenu(TForm* child);

    TFormStyle formStyle_ = fsNormal;
    TTileMode tileMode_ = tbHorizontal;
    HWND clientHandle_ = nullptr;
    TMenuItem* windowMenu_ = nullptr;

    TFormBorderStyle borderStyle_ = bsSizeable;
    uint8_t borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = poDesigned;
    bool scaled_ = true;
    void ShowMenuBar();
    TMainMenu* menu_ = nullptr;
    TPopupMenu* popupMenu_ = nullptr;
    int clientWidth_ = -1;  // requested client size before the window exists, -1 none
    int clientHeight_ = -1;
};

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;
    std::wstring ClassName() const override { return L"TApplication"; }

    void Initialize();
    bool MainFormOnTaskBar() const { return mainFormOnTaskBar_; }
    void SetMainFormOnTaskBar(bool value) { mainFormOnTaskBar_ = value; }

    // Makes a form owned by the application; the first becomes the main form
    // (its window is made now, shown by Run).
    template <class T>
    void CreateForm(T*& reference) {
        static_assert(std::is_base_of<TForm, T>::value, "CreateForm makes forms");
        reference = nullptr;
        T* form = new T(this);
        reference = form;
        if (!mainForm_) {
            mainForm_ = form;
            form->HandleNeeded();
        }
    }
    TForm* MainForm() const { return mainForm_; }

    // Shows the main form and handles messages until Terminate.
    void Run();
    // Handles every message waiting now, then returns.
    void ProcessMessages();
    // Handles one message, waiting for one if none is there.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The standard display of the exception being handled: call only from
    // inside a catch block. A framework EFrameworkError shows its message; any
    // other exception is shown as a framework EFrameworkError with an empty message.
    void HandleException(TObject* Sender) noexcept;
    void ShowException(const EFrameworkError& e) noexcept;

    const std::wstring& Title() const { return title_; }
    void SetTitle(std::wstring title) { title_ = std::move(title); }

private:
    friend class TForm;
    bool ProcessMessage();
    // Ctrl+F4, Ctrl+F6 and the keyboard system menu of the active MDI child.
    static bool IsMDIMsg(MSG& msg);
    // Offers a key press to the framework control it is for (CN_KEYDOWN) before dispatch.
    static bool IsKeyMsg(const MSG& msg);
    void FormGone(TForm* form);

    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool mainFormOnTaskBar_ = false;
    std::wstring title_;
};

extern TApplication* Application;
