// The skinned status bar, drawn from the skin's status bar edges: panels,
// texts and the size grip, painted whole (off screen, one transfer); the
// application's owner-drawn panels are drawn on that picture. Windows only.
#pragma once

#include "skin/controls/SkinControl.h"

// After <windows.h> (SkinControl.h).
#include <commctrl.h>

class TSkinStatusBar : public TSkinControl {
public:
    explicit TSkinStatusBar(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinStatusBar"; }

    bool SizeGrip = false;

    void DrawControl(HDC dc, const TRect& rc) override;
    // Panel background: frame f (1 lowered, 2 raised, 3 none) of StatusBar at rc.
    void drawitem(HDC dc, const TRect& rc, int f);
    // Without a usable image: a one-pixel bevel for lowered (1) and raised (2).
    void Defaultpaint(HDC dc, const TRect& rc, int f);

protected:
    TSkinPaint PaintMode() const override { return TSkinPaint::Whole; }

private:
    // Calls the owner-draw event for each panel, on the control's picture in dc.
    void DrawOwnerPanels(HDC dc);
};
