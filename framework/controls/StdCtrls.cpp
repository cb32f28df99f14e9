#include "framework/controls/StdCtrls.h"

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

// ---------------------------------------------------------------- TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 75;
    height_ = 25;
    SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = L"BUTTON";
    p.Style |= BS_PUSHBUTTON;
}

void TButton::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND) {
        if (HIWORD(m.WParam) == BN_CLICKED) Click();
        m.Result = 0;
        return;
    }
    TWinControl::WndProc(m);
}
