#include "framework/controls/ExtCtrls.h"

#include "framework/controls/UtilWindow.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    window_ = std::make_unique<fwc::UtilWindow>([this](TMessage& m) {
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
        if (!SetTimer(h, kTimerId, interval_, nullptr)) throw Exception(L"Not enough timers available");
    }
}

void TTimer::Timer() {
    if (enabled_ && OnTimer) OnTimer(this);
}
