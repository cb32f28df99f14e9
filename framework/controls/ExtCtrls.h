// Timer. Windows only.
#pragma once

#include <memory>

#include "framework/controls/Controls.h"

namespace fwc {
class UtilWindow;
}

// A window timer on a hidden message-only window of its own. OnTimer runs
// from the message loop every Interval milliseconds while Enabled; an
// exception escaping it gets the application's standard display.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    std::wstring ClassName() const override { return L"TTimer"; }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    UINT Interval() const { return interval_; }
    void SetInterval(UINT value);

    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void UpdateTimer();

    std::unique_ptr<fwc::UtilWindow> window_;
    bool enabled_ = true;
    UINT interval_ = 1000;
};
