#include "framework/controls/TimerAndPanel.h"

#include "framework/controls/UtilWindow.h"
#include "framework/graphics/GdiHandles.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    window_ = std::make_unique<framework::UtilWindow>([this](TMessage& m) {
        if (m.Msg == WM_TIMER) {
            Timer();
            m.Result = 0;
        } else {
            window_->Default(m);
        }
    });
    UpdateTimer();
}

TTimer::~TTimer() {
    if (window_ && window_->Handle()) KillTimer(window_->Handle(), kTimerId);
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(UINT value) {
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    const HWND h = window_->Handle();
    KillTimer(h, kTimerId);
    if (enabled_ && interval_ != 0) {
        if (!SetTimer(h, kTimerId, interval_, nullptr)) throw EFrameworkError(L"Not enough timers available");
    }
}

void TTimer::Timer() {
    if (enabled_ && OnTimer) OnTimer(this);
}

// ---------------------------------------------------------------- TPanel

void Frame3D(HDC dc, RECT& rect, TColor topLeft, TColor bottomRight, int width) {
    UniqueBrush light(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(topLeft))));
    UniqueBrush dark(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(bottomRight))));
    for (int i = 0; i < width && rect.right > rect.left && rect.bottom > rect.top; ++i) {
        const RECT top{rect.left, rect.top, rect.right - 1, rect.top + 1};
        const RECT left{rect.left, rect.top, rect.left + 1, rect.bottom - 1};
        const RECT bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
        const RECT right{rect.right - 1, rect.top, rect.right, rect.bottom};
        FillRect(dc, &top, light.get());
        FillRect(dc, &left, light.get());
        FillRect(dc, &bottom, dark.get());
        FillRect(dc, &right, dark.get());
        InflateRect(&rect, -1, -1);
    }
}

TPanel::TPanel(TComponent* AOwner) : TPaintedControl(AOwner) {
    width_ = 185;
    height_ = 41;
}

void TPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TPanel::SetBevelOuter(TPanelBevel value) {
    bevelOuter_ = value;
    Invalidate();
}

void TPanel::SetBevelInner(TPanelBevel value) {
    bevelInner_ = value;
    Invalidate();
}

void TPanel::SetBevelWidth(int value) {
    bevelWidth_ = value < 1 ? 1 : value;
    Invalidate();
}

void TPanel::Paint(HDC dc, const RECT& client) {
    UniqueBrush face(CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(Color()))));
    FillRect(dc, &client, face.get());
    RECT inside = client;
    for (TPanelBevel bevel : {bevelOuter_, bevelInner_}) {
        if (bevel == pbNone) continue;
        const bool raised = bevel == pbRaised;
        Frame3D(dc, inside, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, bevelWidth_);
    }
    if (text_.empty()) return;
    SelectGuard font(dc, Font().Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Enabled() ? Font().Color : clGrayText)));
    const UINT align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &inside,
              align | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS);
}
