// The skinned edit: the control keeps its own editing; the skin draws its
// sunken frame over what it painted. Also the frame and arrow helpers the
// combo box, up-down and date picker share. Windows only.
//
// Ownership: a TSkinUpDown found inside an edit is a bare-window object of
// the form skinning object (listed like any other); the edit and it forget
// each other when either goes.
#pragma once

#include "skin/controls/SkinControl.h"

class TSkinUpDown;

class TSkinEdit : public TSkinControl {
public:
    explicit TSkinEdit(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinEdit() override;
    std::wstring ClassName() const override { return L"TSkinEdit"; }

    TSkinUpDown* updown = nullptr;  // of the attached spin buttons, not owned

    void AfterProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    // Attaches a TSkinUpDown to the first child window that is a spin control.
    void FindUPDown();
    // The frame for WM_PRINTCLIENT.
    void PaintControl1(HDC dc);
    void DrawControl1(HDC dc, const TRect& rc);
};

// A small arrow of short lines around (x, y): type 0 up, 1 down, 2 left, 3 right.
void DrawArrow(HDC dc, int x, int y, int type, COLORREF color);
// The skin's sunken edge frame: csButtonShadow at the edge, white rings inside.
void DrawEditFrame(HDC dc, const TRect& rc, TColor shadow, int whiteRings);
// The window is no larger than its client area in width or in height: no border.
bool Borderless(HWND hwnd);
