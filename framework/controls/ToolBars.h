// Tool bar and control bar. Windows only.
//
// TToolBar is the common control's tool bar (a framework class made from
// "ToolbarWindow32"), so TB_ messages from anyone work on it. Its buttons are
// TToolButton components owned by the bar, in the bar's order; each carries
// its own command id, and the WM_COMMAND the bar sends its parent comes back
// to the button as one OnClick per click. The bar keeps the check state of
// check buttons; Down reads it back.
//
// Custom drawing: OnCustomDraw paints the bar's background before the buttons
// (the bar's own background when it leaves DefaultDraw set), OnCustomDrawButton
// each button's face. A button whose face the handler drew (DefaultDraw
// cleared) still gets its image and caption from the bar, in TextColor when
// one is given.
//
// TControlBar is a container of the framework's own whose bands each hold one
// child control behind a grip; bands run left to right in rows of RowSize
// pixels and wrap to the next row when a row is full.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/Controls.h"

class TPopupMenu;
class TToolBar;

enum TToolButtonStyle : uint8_t { tbsButton, tbsCheck, tbsDropDown, tbsSeparator };

class TToolButton : public TComponent {
public:
    // Appended to the bar, which owns it.
    explicit TToolButton(TToolBar* toolBar);
    ~TToolButton() override;
    std::wstring ClassName() const override { return L"TToolButton"; }

    TToolBar* ToolBar() const { return toolBar_; }
    int Index() const;
    UINT Command() const { return command_; }

    const std::wstring& Caption() const { return caption_; }
    void SetCaption(const std::wstring& value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    TToolButtonStyle Style() const { return style_; }
    void SetStyle(TToolButtonStyle value);
    // Check buttons: checked. Others: shown pressed.
    bool Down() const;
    void SetDown(bool value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // The menu shown under a drop-down button's arrow (not owned).
    TPopupMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(TPopupMenu* menu) { dropdownMenu_ = menu; }
    // The button in the bar's client area (empty without a window).
    RECT BoundsRect() const;

    TNotifyEvent OnClick;

private:
    friend class TToolBar;
    TBBUTTON Describe() const;

    TToolBar* toolBar_;
    UINT command_;
    std::wstring caption_;
    int imageIndex_ = -1;
    TToolButtonStyle style_ = tbsButton;
    bool down_ = false;
    bool enabled_ = true;
    TPopupMenu* dropdownMenu_ = nullptr;
};

// What a custom-draw handler is given and may change.
struct TToolBarCustomDraw {
    HDC DC = nullptr;
    RECT Rect{};
    UINT State = 0;             // the button's CDIS_ bits (0 for the background)
    TColor TextColor = clNone;  // the caption colour; clNone keeps the bar's
    bool DefaultDraw = true;
};
using TToolBarCustomDrawEvent = std::function<void(TToolBar* sender, TToolBarCustomDraw& draw)>;
using TToolBarCustomDrawButtonEvent =
    std::function<void(TToolBar* sender, TToolButton* button, TToolBarCustomDraw& draw)>;

class TToolBar : public TWinControl {
public:
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;
    std::wstring ClassName() const override { return L"TToolBar"; }
    void WndProc(TMessage& message) override;

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TToolButton* Buttons(int index) const { return buttons_.at(static_cast<size_t>(index)); }
    TToolButton* FindButton(UINT command) const;

    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // Image list for the buttons' ImageIndex (not owned).
    HIMAGELIST Images() const { return images_; }
    void SetImages(HIMAGELIST value);
    int ButtonWidth() const { return buttonWidth_; }
    int ButtonHeight() const { return buttonHeight_; }
    void SetButtonSize(int width, int height);

    TToolBarCustomDrawEvent OnCustomDraw;
    TToolBarCustomDrawButtonEvent OnCustomDrawButton;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    friend class TToolButton;
    void AddButton(TToolButton* button);
    void RemoveButton(TToolButton* button);
    void RebuildButtons();
    LRESULT CustomDraw(NMTBCUSTOMDRAW& draw);
    void DropDown(const NMTOOLBARW& info);

    std::vector<TToolButton*> buttons_;
    UINT nextCommand_ = 1;
    bool flat_ = false;
    bool destroying_ = false;
    HIMAGELIST images_ = nullptr;
    int buttonWidth_ = 23;
    int buttonHeight_ = 22;
};

class TControlBar : public TPaintedControl {
public:
    explicit TControlBar(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TControlBar"; }

    // Puts control into a new band at the end and lays the bands out again.
    void AddBand(TControl* control);
    int BandCount() const { return static_cast<int>(bands_.size()); }
    TControl* BandControl(int index) const { return bands_.at(static_cast<size_t>(index)); }
    // The band around its control (grip included), in client coordinates.
    RECT BandRect(int index) const;
    int RowSize() const { return rowSize_; }
    void SetRowSize(int value);
    // Places every band's control again (after a size change of the bar or a control).
    void LayoutBands();
    void SetBounds(int left, int top, int width, int height) override;
    void WndProc(TMessage& message) override;

    static constexpr int kGripWidth = 11;

protected:
    void Paint(HDC dc, const RECT& client) override;

private:
    std::vector<TControl*> bands_;
    std::vector<RECT> bandRects_;
    int rowSize_ = 26;
};
