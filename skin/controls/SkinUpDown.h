// The skinned up-down (spin) buttons: the control keeps its own stepping and
// repeat; each half is painted whole from the skin's spin strips (HSpin,
// VSpin), hot under the pointer and pressed while held. Windows only.
#pragma once

#include "skin/controls/SkinControl.h"

class TSkinEdit;

class TSkinUpDown : public TSkinControl {
public:
    explicit TSkinUpDown(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinUpDown() override;
    std::wstring ClassName() const override { return L"TSkinUpDown"; }

    bool inedit = false;        // the buttons sit inside an edit
    int dir = 0;                // 1: laid out left and right whatever the style
    TSkinEdit* edit = nullptr;  // the edit it sits in, not owned

    bool BeforeProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    void DrawBackGround(HDC dc, const TRect& rc);
    // button: 0 up, 1 down, 2 left, 3 right; state 1 normal, 2 pressed, 3 disabled, 4 hot.
    void DrawSkinButton(HDC dc, const TRect& rc, int button, int state);
    void DrawButton(HDC dc, const TRect& rc, int button, int state);
    // The halves of the control (first: up or left), in client coordinates.
    void Halves(const TRect& rc, TRect& first, TRect& second) const;
    bool Horizontal() const;

protected:
    TSkinPaint PaintMode() const override { return TSkinPaint::Whole; }
    // A bare window's is white, under the edit it sits in.
    std::optional<LRESULT> EraseBackground(HDC dc) override;

private:
    int hotHalf_ = -1;  // the half last drawn under the pointer
};
