// Timer and panel. Windows only.
#pragma once

#include <memory>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/Controls.h"

namespace framework {
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

    std::unique_ptr<framework::UtilWindow> window_;
    bool enabled_ = true;
    UINT interval_ = 1000;
};

// The bevels of a panel: none, sunk, or standing out.
enum TPanelBevel : uint8_t { pbNone, pbLowered, pbRaised };

// Draws width one-pixel frames inside rect, top and left edges in topLeft,
// bottom and right in bottomRight, and leaves rect shrunk by width.
void Frame3D(HDC dc, RECT& rect, TColor topLeft, TColor bottomRight, int width);

// A container filled with its Color, framed by its outer bevel and, inside
// it, its inner bevel (BevelWidth pixels each), with its caption on one line,
// centred vertically and placed by Alignment within the bevels.
class TPanel : public TPaintedControl {
public:
    explicit TPanel(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TPanel"; }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel value);
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);

protected:
    void Paint(HDC dc, const RECT& client) override;

private:
    TAlignment alignment_ = taCenter;
    TPanelBevel bevelOuter_ = pbRaised;
    TPanelBevel bevelInner_ = pbNone;
    int bevelWidth_ = 1;
};
