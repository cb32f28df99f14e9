// The skinned date picker: the control keeps its own editing and calendar;
// the skin draws its frame and lays an arrow button window over the native
// drop-down button. Windows only.
//
// Ownership: the TArrowButton belongs to its TSkinDateTime; its window is a
// child of the picker and is destroyed when the object detaches or goes.
#pragma once

#include <memory>

#include "skin/controls/SkinControl.h"

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
