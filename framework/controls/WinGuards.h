// Scoped owners of the GDI resources the controls use while painting and
// measuring. One type per release function, move-only, so the wrong release
// cannot be written. Internal to framework/controls.
#pragma once

#include <windows.h>

#include <utility>

namespace fwc {

// A DC from GetDC, given back with ReleaseDC (so it keeps its window).
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

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

// Puts the previously selected object back when the scope ends.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~SelectGuard() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC / RestoreDC around a block that moves the origin or clips.
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) : dc_(dc), id_(SaveDC(dc)) {}
    ~SavedDCState() {
        if (id_) RestoreDC(dc_, id_);
    }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC dc_;
    int id_;
};

// A solid brush, deleted with DeleteObject.
class SolidBrush {
public:
    explicit SolidBrush(COLORREF color) : brush_(CreateSolidBrush(color)) {}
    ~SolidBrush() {
        if (brush_) DeleteObject(brush_);
    }
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;
    HBRUSH get() const { return brush_; }

private:
    HBRUSH brush_;
};

}  // namespace fwc
