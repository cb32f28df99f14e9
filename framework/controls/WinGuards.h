// The paint DC owner the controls use; the other GDI owners come from
// framework/graphics/GdiHandles.h. Internal to framework/controls.
#pragma once

#include <windows.h>

namespace fwc {

// A DC from BeginPaint, ended with EndPaint (so it keeps the PAINTSTRUCT).
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    ~PaintDC() {
        if (dc_) EndPaint(hwnd_, &ps_);
    }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }
    const RECT& PaintRect() const { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

}  // namespace fwc
