#include "framework/controls/ToolBars.h"

#include <algorithm>

#include "framework/controls/Menus.h"
#include "framework/controls/TimerAndPanel.h"
#include "framework/graphics/GdiHandles.h"

// ---------------------------------------------------------------- TToolButton

TToolButton::TToolButton(TToolBar* toolBar)
    : TComponent(toolBar), toolBar_(toolBar), command_(toolBar->nextCommand_++) {
    toolBar_->AddButton(this);
}

TToolButton::~TToolButton() {
    if (!toolBar_->destroying_) toolBar_->RemoveButton(this);
}

int TToolButton::Index() const {
    const auto& b = toolBar_->buttons_;
    return static_cast<int>(std::find(b.begin(), b.end(), this) - b.begin());
}

TBBUTTON TToolButton::Describe() const {
    TBBUTTON b{};
    b.iBitmap = style_ == tbsSeparator ? 6 : (imageIndex_ >= 0 ? imageIndex_ : I_IMAGENONE);
    b.idCommand = static_cast<int>(command_);
    b.fsState = static_cast<BYTE>((enabled_ ? TBSTATE_ENABLED : 0) | (down_ ? TBSTATE_CHECKED : 0));
    switch (style_) {
        case tbsButton: b.fsStyle = BTNS_BUTTON; break;
        case tbsCheck: b.fsStyle = BTNS_CHECK; break;
        case tbsDropDown: b.fsStyle = BTNS_DROPDOWN; break;
        case tbsSeparator: b.fsStyle = BTNS_SEP; break;
    }
    b.iString = caption_.empty() || style_ == tbsSeparator ? -1 : reinterpret_cast<INT_PTR>(caption_.c_str());
    return b;
}

void TToolButton::SetCaption(const std::wstring& value) {
    caption_ = value;
    toolBar_->RebuildButtons();
}

void TToolButton::SetImageIndex(int value) {
    imageIndex_ = value;
    toolBar_->RebuildButtons();
}

void TToolButton::SetStyle(TToolButtonStyle value) {
    style_ = value;
    toolBar_->RebuildButtons();
}

bool TToolButton::Down() const {
    if (HWND h = toolBar_->WindowHandle())
        return (SendMessageW(h, TB_GETSTATE, command_, 0) & (TBSTATE_CHECKED | TBSTATE_PRESSED)) != 0;
    return down_;
}

void TToolButton::SetDown(bool value) {
    down_ = value;
    if (HWND h = toolBar_->WindowHandle()) {
        if (style_ == tbsCheck)
            SendMessageW(h, TB_CHECKBUTTON, command_, MAKELPARAM(value, 0));
        else
            SendMessageW(h, TB_PRESSBUTTON, command_, MAKELPARAM(value, 0));
    }
}

void TToolButton::SetEnabled(bool value) {
    enabled_ = value;
    if (HWND h = toolBar_->WindowHandle()) SendMessageW(h, TB_ENABLEBUTTON, command_, MAKELPARAM(value, 0));
}

RECT TToolButton::BoundsRect() const {
    RECT r{};
    if (HWND h = toolBar_->WindowHandle()) SendMessageW(h, TB_GETRECT, command_, reinterpret_cast<LPARAM>(&r));
    return r;
}

// ---------------------------------------------------------------- TToolBar

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 150;
    height_ = 29;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
}

TToolBar::~TToolBar() {
    // The buttons go while the bar is whole; none reaches back into the list.
    destroying_ = true;
    std::vector<TToolButton*> buttons;
    buttons.swap(buttons_);
    for (auto it = buttons.rbegin(); it != buttons.rend(); ++it) delete *it;
}

void TToolBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = TOOLBARCLASSNAMEW;
    // The bar keeps the bounds it is given: no docking to the parent's top.
    p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | TBSTYLE_TOOLTIPS;
    if (flat_) p.Style |= TBSTYLE_FLAT;
}

void TToolBar::CreateWnd() {
    TWinControl::CreateWnd();
    HWND h = Handle();
    SendMessageW(h, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(h, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    if (images_) SendMessageW(h, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    SendMessageW(h, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth_, buttonHeight_));
    RebuildButtons();
}

void TToolBar::SetFlat(bool value) {
    if (flat_ == value) return;
    flat_ = value;
    if (HWND h = WindowHandle()) {
        LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
        style = value ? (style | TBSTYLE_FLAT) : (style & ~static_cast<LONG_PTR>(TBSTYLE_FLAT));
        SetWindowLongPtrW(h, GWL_STYLE, style);
        InvalidateRect(h, nullptr, TRUE);
    }
}

void TToolBar::SetImages(HIMAGELIST value) {
    images_ = value;
    if (HWND h = WindowHandle()) {
        SendMessageW(h, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(value));
        RebuildButtons();
    }
}

void TToolBar::SetButtonSize(int width, int height) {
    buttonWidth_ = width;
    buttonHeight_ = height;
    if (HWND h = WindowHandle()) {
        SendMessageW(h, TB_SETBUTTONSIZE, 0, MAKELPARAM(width, height));
        RebuildButtons();
    }
}

TToolButton* TToolBar::FindButton(UINT command) const {
    for (TToolButton* b : buttons_)
        if (b->command_ == command) return b;
    return nullptr;
}

void TToolBar::AddButton(TToolButton* button) {
    buttons_.push_back(button);
    if (HWND h = WindowHandle()) {
        TBBUTTON b = button->Describe();
        SendMessageW(h, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
    }
}

void TToolBar::RemoveButton(TToolButton* button) {
    const auto it = std::find(buttons_.begin(), buttons_.end(), button);
    if (it == buttons_.end()) return;
    const auto index = it - buttons_.begin();
    buttons_.erase(it);
    if (HWND h = WindowHandle()) SendMessageW(h, TB_DELETEBUTTON, static_cast<WPARAM>(index), 0);
}

void TToolBar::RebuildButtons() {
    HWND h = WindowHandle();
    if (!h) return;
    // The bar's own check states are the truth while it lives.
    for (TToolButton* b : buttons_)
        if (SendMessageW(h, TB_COMMANDTOINDEX, b->command_, 0) >= 0)
            b->down_ = (SendMessageW(h, TB_GETSTATE, b->command_, 0) & TBSTATE_CHECKED) != 0;
    while (SendMessageW(h, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageW(h, TB_DELETEBUTTON, 0, 0);
    std::vector<TBBUTTON> all;
    all.reserve(buttons_.size());
    for (TToolButton* b : buttons_) all.push_back(b->Describe());
    if (!all.empty()) SendMessageW(h, TB_ADDBUTTONSW, all.size(), reinterpret_cast<LPARAM>(all.data()));
    SendMessageW(h, TB_AUTOSIZE, 0, 0);
    InvalidateRect(h, nullptr, TRUE);
}

void TToolBar::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            if (TToolButton* b = FindButton(LOWORD(m.WParam))) {
                if (b->style_ == tbsCheck) b->down_ = b->Down();
                if (b->OnClick) b->OnClick(b);
            }
            m.Result = 0;
            return;
        case CN_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
            if (hdr->code == NM_CUSTOMDRAW) {
                m.Result = CustomDraw(*reinterpret_cast<NMTBCUSTOMDRAW*>(m.LParam));
                return;
            }
            if (hdr->code == TBN_DROPDOWN) {
                DropDown(*reinterpret_cast<NMTOOLBARW*>(m.LParam));
                m.Result = TBDDRET_DEFAULT;
                return;
            }
            break;
        }
        case WM_ERASEBKGND:
            // The background handler paints at CDDS_PREPAINT; erasing first would flicker.
            if (OnCustomDraw) {
                m.Result = 1;
                return;
            }
            break;
        default: break;
    }
    TWinControl::WndProc(m);
}

LRESULT TToolBar::CustomDraw(NMTBCUSTOMDRAW& draw) {
    NMCUSTOMDRAW& cd = draw.nmcd;
    switch (cd.dwDrawStage) {
        case CDDS_PREPAINT: {
            if (OnCustomDraw) {
                TToolBarCustomDraw d;
                d.DC = cd.hdc;
                GetClientRect(WindowHandle(), &d.Rect);
                OnCustomDraw(this, d);
                if (d.DefaultDraw) {
                    // The bar's own background, as its erase would have drawn it.
                    UniqueBrush face(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
                    FillRect(cd.hdc, &d.Rect, face.get());
                }
            }
            return OnCustomDrawButton ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
        }
        case CDDS_ITEMPREPAINT: {
            TToolButton* button = FindButton(static_cast<UINT>(cd.dwItemSpec));
            if (!button || !OnCustomDrawButton) return CDRF_DODEFAULT;
            TToolBarCustomDraw d;
            d.DC = cd.hdc;
            d.Rect = cd.rc;
            d.State = cd.uItemState;
            OnCustomDrawButton(this, button, d);
            if (d.TextColor != clNone) draw.clrText = static_cast<COLORREF>(ColorToRGB(d.TextColor));
            if (d.DefaultDraw) return CDRF_DODEFAULT;
            return TBCDRF_NOEDGES | TBCDRF_NOBACKGROUND | TBCDRF_NOETCHEDEFFECT | TBCDRF_NOMARK;
        }
        default: return CDRF_DODEFAULT;
    }
}

void TToolBar::DropDown(const NMTOOLBARW& info) {
    TToolButton* button = FindButton(static_cast<UINT>(info.iItem));
    if (!button || !button->dropdownMenu_) return;
    RECT r = button->BoundsRect();
    MapWindowPoints(WindowHandle(), nullptr, reinterpret_cast<POINT*>(&r), 2);
    button->dropdownMenu_->Popup(r.left, r.bottom);
}

// ---------------------------------------------------------------- TControlBar

TControlBar::TControlBar(TComponent* AOwner) : TPaintedControl(AOwner) {
    width_ = 200;
    height_ = 52;
}

void TControlBar::AddBand(TControl* control) {
    if (!control) return;
    if (control->Parent() != this) control->SetParent(this);
    if (std::find(bands_.begin(), bands_.end(), control) == bands_.end()) bands_.push_back(control);
    LayoutBands();
}

void TControlBar::SetRowSize(int value) {
    rowSize_ = std::max(value, 4);
    LayoutBands();
}

RECT TControlBar::BandRect(int index) const {
    return bandRects_.at(static_cast<size_t>(index));
}

void TControlBar::SetBounds(int left, int top, int width, int height) {
    TPaintedControl::SetBounds(left, top, width, height);
    LayoutBands();
}

void TControlBar::LayoutBands() {
    // A band whose control has gone (freed, or moved to another parent) leaves.
    bands_.erase(std::remove_if(bands_.begin(), bands_.end(),
                                [this](TControl* c) {
                                    for (int i = 0; i < ControlCount(); ++i)
                                        if (Controls(i) == c) return false;
                                    return true;
                                }),
                 bands_.end());
    bandRects_.clear();
    const int width = std::max(Width(), 1);
    int x = 0, y = 0;
    for (TControl* c : bands_) {
        const int bandWidth = kGripWidth + c->Width() + 4;
        if (x > 0 && x + bandWidth > width) {
            x = 0;
            y += rowSize_;
        }
        const RECT band{x, y, x + bandWidth, y + rowSize_};
        bandRects_.push_back(band);
        const int h = std::min(c->Height(), rowSize_ - 4);
        c->SetBounds(x + kGripWidth + 2, y + (rowSize_ - h) / 2, c->Width(), h);
        x += bandWidth;
    }
    Invalidate();
}

void TControlBar::WndProc(TMessage& m) {
    if (m.Msg == WM_SIZE) LayoutBands();
    TPaintedControl::WndProc(m);
}

void TControlBar::Paint(HDC dc, const RECT& client) {
    UniqueBrush face(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
    FillRect(dc, &client, face.get());
    for (RECT band : bandRects_) {
        // Raised band with a grip of two raised lines.
        Frame3D(dc, band, clBtnHighlight, clBtnShadow, 1);
        for (int i = 0; i < 2; ++i) {
            RECT grip{band.left + 2 + i * 3, band.top + 2, band.left + 5 + i * 3, band.bottom - 2};
            Frame3D(dc, grip, clBtnHighlight, clBtnShadow, 1);
        }
    }
}
