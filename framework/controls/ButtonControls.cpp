#include "framework/controls/ButtonControls.h"

#include "framework/graphics/GdiHandles.h"

// ---------------------------------------------------------------- TLabel

namespace {
constexpr UINT kLabelTextFormat = DT_LEFT | DT_EXPANDTABS | DT_SINGLELINE | DT_NOPREFIX;
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    width_ = 65;
    height_ = 17;
}

void TLabel::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustBounds();
}

void TLabel::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Invalidate();
}

void TLabel::AdjustBounds() {
    if (!autoSize_) return;
    WindowDC screen = WindowDC::Client(nullptr);
    if (!screen) return;
    SelectGuard font(screen.get(), Font().Handle());
    // An empty caption still measures one line, so the label keeps its height.
    const std::wstring text = text_.empty() ? std::wstring(L" ") : text_;
    RECT r{0, 0, 0, 0};
    DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &r, kLabelTextFormat | DT_CALCRECT);
    SetBounds(left_, top_, r.right - r.left, r.bottom - r.top);
}

void TLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

void TLabel::Paint(HDC dc) {
    RECT r{0, 0, width_, height_};
    if (!transparent_) {
        UniqueBrush brush(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
        FillRect(dc, &r, brush.get());
    }
    if (text_.empty()) return;
    SelectGuard font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Enabled() ? Font().Color : clGrayText)));
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &r, kLabelTextFormat);
}

// ---------------------------------------------------------------- button helpers

namespace {

// The button class answers a quick second click as a double click, which
// buttons do not click on; here every press is a press.
void PressNotDoubleClick(TMessage& m) {
    if (m.Msg == WM_LBUTTONDBLCLK) m.Msg = WM_LBUTTONDOWN;
}

// Text and background of a check box or radio button in its control's colours.
LRESULT ButtonColors(TControl& control, HDC dc, UniqueBrush& brush) {
    const COLORREF back = static_cast<COLORREF>(ColorToRGB(control.Color()));
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(control.Font().Color)));
    SetBkColor(dc, back);
    brush.reset(CreateSolidBrush(back));
    return reinterpret_cast<LRESULT>(brush.get());
}

void SetAlignmentStyle(HWND hwnd, TAlignment alignment) {
    if (!hwnd) return;
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    style = alignment == taLeftJustify ? (style | BS_LEFTTEXT) : (style & ~static_cast<LONG_PTR>(BS_LEFTTEXT));
    SetWindowLongPtrW(hwnd, GWL_STYLE, style);
    InvalidateRect(hwnd, nullptr, TRUE);
}

}  // namespace

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 75;
    height_ = 25;
    SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"BUTTON";
    p.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            if (HIWORD(m.WParam) == BN_CLICKED) Click();
            m.Result = 0;
            return;
        case CM_DIALOGKEY:
            if ((m.WParam == VK_RETURN && default_) || (m.WParam == VK_ESCAPE && cancel_)) {
                if (CanFocus()) {
                    Click();
                    m.Result = 1;
                    return;
                }
            }
            break;
        case CM_FOCUSCHANGED: {
            auto* focused = reinterpret_cast<TWinControl*>(m.LParam);
            SetActive(focused == this || (default_ && !dynamic_cast<TButton*>(focused)));
            break;
        }
        default: PressNotDoubleClick(m); break;
    }
    TWinControl::WndProc(m);
}

void TButton::Click() {
    TWinControl::Click();
}

void TButton::SetDefault(bool value) {
    if (value == default_) return;
    default_ = value;
    TButton* focused = nullptr;
    if (HWND f = GetFocus()) focused = dynamic_cast<TButton*>(FindControl(f));
    SetActive(focused ? focused == this : value);
}

void TButton::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    ActiveChanged();
}

void TButton::ActiveChanged() {
    if (HWND h = WindowHandle()) SendMessageW(h, BM_SETSTYLE, active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

// ---------------------------------------------------------------- TCheckBox

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 97;
    height_ = 17;
    SetTabStop(true);
}

void TCheckBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"BUTTON";
    p.Style |= BS_3STATE;
    if (alignment_ == taLeftJustify) p.Style |= BS_LEFTTEXT;
}

void TCheckBox::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(WindowHandle(), BM_SETCHECK, state_, 0);
}

void TCheckBox::SetState(TCheckBoxState value) {
    if (value > cbGrayed) value = cbUnchecked;
    state_ = value;
    // Through the window, so whoever watches BM_SETCHECK (the skin) sees it.
    if (HWND h = WindowHandle()) SendMessageW(h, BM_SETCHECK, value, 0);
}

void TCheckBox::SetAlignment(TAlignment value) {
    alignment_ = value == taLeftJustify ? taLeftJustify : taRightJustify;
    SetAlignmentStyle(WindowHandle(), alignment_);
}

void TCheckBox::Toggle() {
    switch (state_) {
        case cbUnchecked: SetState(cbChecked); break;
        case cbChecked: SetState(allowGrayed_ ? cbGrayed : cbUnchecked); break;
        case cbGrayed: SetState(cbUnchecked); break;
    }
}

void TCheckBox::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            if (HIWORD(m.WParam) == BN_CLICKED) {
                Toggle();
                Click();
            }
            m.Result = 0;
            return;
        case CN_CTLCOLORBTN:
        case CN_CTLCOLORSTATIC: m.Result = ButtonColors(*this, reinterpret_cast<HDC>(m.WParam), brush_); return;
        default: PressNotDoubleClick(m); break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 113;
    height_ = 17;
    SetTabStop(true);
}

void TRadioButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"BUTTON";
    p.Style |= BS_RADIOBUTTON;
    if (alignment_ == taLeftJustify) p.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(WindowHandle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    if (HWND h = WindowHandle()) SendMessageW(h, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!value || !Parent()) return;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
        if (other && other != this) other->SetChecked(false);
    }
}

void TRadioButton::SetCheckedByUser() {
    if (checked_) return;
    SetChecked(true);
    Click();
}

void TRadioButton::SetAlignment(TAlignment value) {
    alignment_ = value == taLeftJustify ? taLeftJustify : taRightJustify;
    SetAlignmentStyle(WindowHandle(), alignment_);
}

void TRadioButton::WndProc(TMessage& m) {
    switch (m.Msg) {
        case CN_COMMAND:
            // The system also reports a click when the focus arrives on an
            // unchecked radio button by keyboard; either way it becomes checked.
            if (HIWORD(m.WParam) == BN_CLICKED) SetCheckedByUser();
            m.Result = 0;
            return;
        case CN_CTLCOLORBTN:
        case CN_CTLCOLORSTATIC: m.Result = ButtonColors(*this, reinterpret_cast<HDC>(m.WParam), brush_); return;
        default: PressNotDoubleClick(m); break;
    }
    TWinControl::WndProc(m);
}

// ---------------------------------------------------------------- TGroupBox

TGroupBox::TGroupBox(TComponent* AOwner) : TPaintedControl(AOwner) {
    width_ = 185;
    height_ = 105;
}

void TGroupBox::Paint(HDC dc, const RECT& client) {
    UniqueBrush face(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
    FillRect(dc, &client, face.get());
    SelectGuard font(dc, Font().Handle());
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    // The frame's top line runs through the middle of the caption.
    RECT frame = client;
    frame.top = tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (text_.empty()) return;
    RECT text{0, 0, 0, 0};
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &text, DT_SINGLELINE | DT_CALCRECT);
    OffsetRect(&text, 8, 0);
    // A gap of the background colour on both sides of the caption.
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(Color())));
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Enabled() ? Font().Color : clGrayText)));
    RECT gap{text.left - 2, text.top, text.right + 2, text.bottom};
    FillRect(dc, &gap, face.get());
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &text, DT_SINGLELINE | DT_NOCLIP);
}
