// Controls and windowed controls of the framework. Windows only.
//
// Ownership (of components: Component.h): a windowed control also frees its
// child controls and owns its HWND: the window is destroyed with the object
// (or earlier by DestroyHandle) and never outlives it.
//
// Message handling can be replaced from outside: every message of a control
// goes to its WindowProc, a replaceable handler whose default calls the
// control's own WndProc. Whoever replaces it keeps the previous value and
// passes the messages it does not answer on. TWindowProcHook does this for
// code that must also leave again (the skin engine): its links are taken out
// in any order without disturbing handlers put in front of them later.
// WndProc ends in DefaultHandler, which for a windowed control calls the
// window procedure its class had before the framework took it over
// (DefWindowProcW for the framework's own window classes).
//
// Every window class the framework registers has one static window
// procedure; the control object sits in GWLP_USERDATA from WM_NCCREATE to
// WM_NCDESTROY. That procedure is noexcept: an exception escaping a handler
// is caught there and handed to Application->HandleException (an error box),
// and the message loop goes on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Component.h"
#include "framework/graphics/Canvas.h"
#include "framework/graphics/Color.h"
#include "framework/system/ErrorsAndStrings.h"

// Framework notifications, sent to a control through its WindowProc.
constexpr UINT CM_BASE = 0xB000;
// A navigation key (Tab, Enter, Esc, arrows) the focused control did not
// want, offered to its form (which offers Enter and Esc on to its buttons):
// wParam the virtual key; Result non-zero when used.
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
// Ctrl+Tab (wParam 1) or Ctrl+Shift+Tab (0), offered by the form to the
// focused control and then to each of its parents; Result non-zero when used.
constexpr UINT CM_CTRLTAB = CM_BASE + 6;
// Sent to every control of a form when the focus moved; lParam the control that has it.
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
// The mouse came over / left a window-less control (its parent tracks it).
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_RELEASE = CM_BASE + 33;
// The control's window is to be made again (a creation-time style changed):
// handled by destroying it and making a new one.
constexpr UINT CM_RECREATEWND = CM_BASE + 51;
// Notifications a parent window receives from a child, reflected to the child's object.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
// WM_NOTIFY of a child (lParam the NMHDR), and a child's scroll requests.
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
// Colours asked of the parent for a child button or static: Result the brush.
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
// A key press, offered to the control's object by the message loop before the
// window gets it; Result non-zero when the key was used (navigation keys).
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};
using TWndMethod = std::function<void(TMessage&)>;

class TWinControl;
class TControl;
struct TWindowProcLink;

// One link put in front of a control's WindowProc: the handler sees each
// message first and passes it on with CallNext. Remove (or the destructor)
// takes the link out of the chain when it is reachable from WindowProc
// through links only; when someone else's handler was put in front since,
// the link stays where it is and only passes messages through, so that
// handler keeps working. Once the control is destroyed, nothing of it is touched.
class TWindowProcHook {
public:
    TWindowProcHook() = default;
    TWindowProcHook(TControl& control, TWndMethod handler);
    ~TWindowProcHook() { Remove(); }
    TWindowProcHook(TWindowProcHook&& other) noexcept = default;
    TWindowProcHook& operator=(TWindowProcHook&& other) noexcept;
    TWindowProcHook(const TWindowProcHook&) = delete;
    TWindowProcHook& operator=(const TWindowProcHook&) = delete;

    // Made for a control (and not moved from); stays true after Remove.
    explicit operator bool() const { return link_ != nullptr; }
    bool Installed() const;
    // The handler that was there before this link (the control's WndProc
    // when there was none); nothing once the control is gone. Still works
    // after Remove, for a message that was being handled meanwhile.
    void CallNext(TMessage& m) const;
    void Remove();

private:
    std::shared_ptr<TWindowProcLink> link_;
};

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;
    std::wstring ClassName() const override { return L"TControl"; }

    // The replaceable message handler; the default calls WndProc.
    TWndMethod WindowProc;
    // Sends a message to this control through WindowProc.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual void WndProc(TMessage& message);
    virtual void DefaultHandler(TMessage& message);

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    // Position in the parent's client area (screen position for a form).
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    virtual RECT ClientRect();
    int ClientWidth() { return ClientRect().right; }
    int ClientHeight() { return ClientRect().bottom; }

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);

    const std::wstring& Caption() const { return text_; }
    void SetCaption(const std::wstring& text);

    // The parent's colour while ParentColor is set; setting a colour clears it.
    TColor Color() const;
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value);
    // A copy of the parent's font while ParentFont is set. After editing
    // Font() in place send CM_FONTCHANGED (or use SetFont) so the window,
    // the size and the children follow; a font that then differs from the
    // parent's clears ParentFont.
    TFont& Font() { return font_; }
    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool value);

    // Marks the control's area for repainting (in the parent for a window-less control).
    virtual void Invalidate();
    void Repaint();

    TNotifyEvent OnClick;

protected:
    virtual void Click();
    // Reactions to the framework notifications, run from WndProc.
    virtual void VisibleChanged();
    virtual void EnabledChanged();
    virtual void TextChanged();
    virtual void FontChanged();
    virtual void ColorChanged();
    void InvalidateParentRect(const RECT& rect);

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    std::wstring text_;
    bool visible_ = true;

private:
    friend class TWinControl;
    friend class TWindowProcHook;
    void SyncParentFont();
    void CheckParentFont();
    // Splices link (and any other removed links) out of the run of links at
    // the front of WindowProc.
    void UnlinkWindowProcHook(const TWindowProcLink* link);

    std::vector<std::weak_ptr<TWindowProcLink>> hookLinks_;  // told when the control goes

    TWinControl* parent_ = nullptr;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = true;
    TFont font_;
    bool parentFont_ = true;
};

// A control without a window of its own: its parent paints it by sending it
// WM_PAINT with the parent's DC (wParam), origin moved to the control's
// top-left corner and clipped to its bounds. The parent also hands it the
// mouse: left-button and move messages over it (coordinates its own), all of
// them from a press on it to the release (the parent captures the mouse
// meanwhile), and CM_MOUSEENTER / CM_MOUSELEAVE. A disabled one gets none.
class TGraphicControl : public TControl {
public:
    using TControl::TControl;
    std::wstring ClassName() const override { return L"TGraphicControl"; }
    void WndProc(TMessage& message) override;

protected:
    virtual void Paint(HDC dc);
};

// What CreateWindowExW is called with. BaseClassName names a system class the
// framework class is made from (its window procedure becomes the default
// handler); empty for a class of the framework's own.
struct TCreateParams {
    std::wstring WinClassName;
    std::wstring BaseClassName;
    UINT ClassStyle = 0;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;
    std::wstring ClassName() const override { return L"TWinControl"; }

    // The window, created now (with its parent's and its children's) if needed.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // The window if it exists, without making one.
    HWND WindowHandle() const { return handle_; }
    void HandleNeeded() { (void)Handle(); }
    // Destroys the window (children's first); the object stays and can make a new one.
    void DestroyHandle();
    // Posts CM_RELEASE; the object is deleted when that message arrives, outside its handlers.
    void Release();
    // Makes the window again through CM_RECREATEWND, so whoever hooked the
    // control sees it happen; nothing without a window.
    void RecreateWnd();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const { return controls_.at(static_cast<size_t>(index)); }
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int value) { tabOrder_ = value; }
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value);
    void SetFocus();
    bool Focused() const;

    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    RECT ClientRect() override;
    void Invalidate() override;
    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;
    // The window procedure DefaultHandler passes messages to.
    WNDPROC DefWndProc() const { return defWndProc_; }

    // Paints the window-less children into dc (client coordinates) where they meet clip.
    void PaintControls(HDC dc, const RECT& clip);
    // The visible window-less child at pt (client coordinates), the topmost; null if none.
    TControl* GraphicControlAt(POINT pt) const;
    // Focus order of the form: every focusable window under this one, depth
    // first in tab order; of radio buttons sharing a parent only the checked
    // one when there is one.
    std::vector<TWinControl*> TabList();
    bool CanFocus() const;

protected:
    virtual void CreateParams(TCreateParams& params);
    // Creates this window; CreateHandle adds the children's windows afterwards.
    virtual void CreateWnd();
    // CM_RECREATEWND: destroys the window and makes a new one.
    virtual void RecreateHandle();
    // The CreateWindowExW call of CreateWnd, with this object as the create
    // parameter; a form that is an MDI child asks its MDI client instead.
    virtual HWND CreateWindowHandle(const TCreateParams& params);
    void CreateHandle();
    // The first control under this one that Tab reaches (TabList).
    TWinControl* FirstTabStop();
    void VisibleChanged() override;
    void EnabledChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    void UpdateBoundsFromWindow();
    std::vector<TWinControl*> WinControlsInTabOrder() const;

private:
    friend class TControl;
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void PaintHandler(TMessage& message);
    bool MouseToGraphicControl(TMessage& message);
    void SetMouseControl(TControl* control);
    void DialogKey(TMessage& message);

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = DefWindowProcW;
    std::vector<TControl*> controls_;
    int tabOrder_ = 0;
    bool tabStop_ = false;
    TControl* mouseControl_ = nullptr;    // window-less child under the mouse
    TControl* captureControl_ = nullptr;  // window-less child pressed, holding the mouse
};

// A windowed control of a window class of the framework's own that paints
// itself: Paint draws the client area on an off-screen bitmap, the
// window-less children are drawn over it, and the result reaches the window
// (or the DC of WM_PRINTCLIENT) in one transfer; the background is never
// erased separately. Its window clips its child windows.
class TPaintedControl : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::wstring ClassName() const override { return L"TPaintedControl"; }
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    // client is the whole client rectangle (at 0,0); dc is the off-screen bitmap's.
    virtual void Paint(HDC dc, const RECT& client) = 0;
    void FontChanged() override;
    void EnabledChanged() override;

private:
    void PaintTo(HDC target);
};

// The framework control whose window this is, or nullptr for any other window.
TWinControl* FindControl(HWND hwnd);
// The form a control sits on (the control itself for a form), or null.
class TForm;
TForm* GetParentForm(TControl* control);
// Sends message to every control under root (not to root), parents before children.
void BroadcastToControls(TWinControl* root, UINT msg, WPARAM wParam, LPARAM lParam);
