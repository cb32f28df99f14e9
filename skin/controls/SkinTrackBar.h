// The skinned track bar, through the platform's custom drawing: the control
// keeps its own input, ticks and positions; only the channel (DrawTrack) and
// the thumb (Drawthumb) are the skin's. Windows only.
#pragma once

#include "skin/controls/SkinControl.h"

// After <windows.h> (SkinControl.h).
#include <commctrl.h>

class TSkinTrackBar : public TSkinControl {
public:
    explicit TSkinTrackBar(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinTrackBar"; }

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void SkinChange() override;
    void Unsubclass() override;
    bool BeforeProc(TMessage& m) override;
    // Answers one custom-draw notification.
    LRESULT CustomDraw(const NMCUSTOMDRAW& cd);
    void DrawTrack(HDC dc);
    void Drawthumb(HDC dc);

private:
    bool Vertical() const;
};
