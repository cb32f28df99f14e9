// Skinned edits, up-down buttons and date pickers. The controls keep their
// own editing, stepping and calendar; the skin draws over what they paint:
// an edit's sunken frame, each up-down half from the skin's spin strips, and
// a date picker's frame with an arrow button window laid over the native
// drop-down button. Windows only.
//
// Ownership: a TSkinUpDown found inside an edit is a bare-window object of
// the form skinning object (listed like any other); the edit and it forget
// each other when either goes. The date picker's TArrowButton belongs to its
// TSkinDateTime; its window is a child of the picker and is destroyed when
// the object detaches or goes.
#pragma once

#include <memory>

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

// The drop-down arrow button laid over a date picker's own.
class TArrowButton {
public:
    TArrowButton(TSkinControl* owner, TSkinData* sd);
    ~TArrowButton();
    TArrowButton(const TArrowButton&) = delete;
    TArrowButton& operator=(const TArrowButton&) = delete;

    int cw = 0;  // width: SM_CXHSCROLL
    TSkinControl* control = nullptr;
    TSkinData* obj = nullptr;
    HWND hwnd = nullptr;    // the picker
    HWND window = nullptr;  // the button's own window
    TSkinControlState state = 0;

    // Makes the button's window on the picker (once).
    void Attach(HWND picker);
    // Places it at the picker's drop-down button for the current size.
    void MoveArrow();
    void Paint(HDC dc);
    void Detach();
    // Hot exactly while the pointer is over the button.
    void CheckPointer();

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void MouseEnter();
    void MouseLeave();
    void LButtonDown(LPARAM lParam);
    void LButtonUp();
    void Repaint();
};

class TSkinDateTime : public TSkinControl {
public:
    explicit TSkinDateTime(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinDateTime"; }

    std::unique_ptr<TArrowButton> arrow;

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    void Unsubclass() override;
    void AfterProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
};

// A small arrow of short lines around (x, y): type 0 up, 1 down, 2 left, 3 right.
void DrawArrow(HDC dc, int x, int y, int type, COLORREF color);
// The skin's sunken edge frame: csButtonShadow at the edge, white rings inside.
void DrawEditFrame(HDC dc, const TRect& rc, TColor shadow, int whiteRings);
