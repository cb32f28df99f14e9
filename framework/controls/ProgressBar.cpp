#include "framework/controls/ProgressBar.h"

#include <commctrl.h>

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    width_ = 150;
    height_ = 16;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
}

void TProgressBar::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    p.BaseClassName = PROGRESS_CLASSW;
}

void TProgressBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

int TProgressBar::Position() const {
    if (HWND h = WindowHandle()) return static_cast<int>(SendMessageW(h, PBM_GETPOS, 0, 0));
    return position_;
}

void TProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
    if (HandleAllocated()) SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
}

void TProgressBar::SetPosition(int value) {
    position_ = value;
    if (HandleAllocated()) SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(value), 0);
}
