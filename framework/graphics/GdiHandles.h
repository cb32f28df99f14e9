// Owners of GDI handles. Windows only.
//
// One move-only type per release function: GDI objects (DeleteObject), memory
// DCs (DeleteDC), window DCs (ReleaseDC, so the owner keeps the HWND), paint
// DCs (EndPaint, so the owner keeps the PAINTSTRUCT). Selecting into a DC goes
// through SelectGuard, which puts the previous object back when its scope
// ends, so nothing is deleted while selected. OffscreenDC is the one way to
// paint an area off screen and show it in one transfer.
#pragma once

#ifndef _WIN32
#error "GdiHandles.h is Windows only"
#endif

#include <windows.h>

#include <utility>

#include "framework/graphics/Types.h"

template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle away (to SetWindowRgn, for instance, which takes ownership).
    Handle release() { return std::exchange(handle_, nullptr); }
    void reset(Handle handle = nullptr) {
        if (handle_) DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueBrush = GdiObject<HBRUSH>;
using UniquePen = GdiObject<HPEN>;
using UniqueFont = GdiObject<HFONT>;
using UniqueRegion = GdiObject<HRGN>;

class MemoryDC {
public:
    MemoryDC() = default;
    // A memory DC compatible with dc (the screen when null).
    static MemoryDC CompatibleWith(HDC dc) { return MemoryDC(CreateCompatibleDC(dc)); }
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(MemoryDC&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    MemoryDC& operator=(MemoryDC&& other) noexcept {
        if (this != &other) {
            if (dc_) DeleteDC(dc_);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    explicit MemoryDC(HDC dc) : dc_(dc) {}
    HDC dc_ = nullptr;
};

// GetDC / GetWindowDC, released with ReleaseDC on the same window.
class WindowDC {
public:
    WindowDC() = default;
    static WindowDC Client(HWND window) { return WindowDC(window, GetDC(window)); }
    static WindowDC Whole(HWND window) { return WindowDC(window, GetWindowDC(window)); }
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(WindowDC&& other) noexcept
        : window_(std::exchange(other.window_, nullptr)), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&& other) noexcept {
        if (this != &other) {
            if (dc_) ReleaseDC(window_, dc_);
            window_ = std::exchange(other.window_, nullptr);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    WindowDC(HWND window, HDC dc) : window_(window), dc_(dc) {}
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// A DC from BeginPaint, ended with EndPaint.
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

class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectGuard() {
        if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// SaveDC now, RestoreDC at the end of the scope (clip region, modes, origins).
class SavedDCState {
public:
    explicit SavedDCState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDCState() {
        if (saved_) RestoreDC(dc_, saved_);
    }
    SavedDCState(const SavedDCState&) = delete;
    SavedDCState& operator=(const SavedDCState&) = delete;

private:
    HDC dc_;
    int saved_;
};

inline RECT ToRECT(const TRect& r) {
    return RECT{r.Left, r.Top, r.Right, r.Bottom};
}
inline TRect FromRECT(const RECT& r) {
    return TRect{r.left, r.top, r.right, r.bottom};
}

// Paints area of target off screen: a memory DC holding a 24-bit DIB section
// of the area's size, its origin moved so drawing code keeps target's
// coordinates. The DIB is copied to target once, when the scope ends. get()
// is null when no buffer could be made (nothing is copied then).
class OffscreenDC {
public:
    OffscreenDC(HDC target, const TRect& area) : target_(target), area_(area) {
        if (!target || area.IsEmpty()) return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = area.Width();
        info.bmiHeader.biHeight = -area.Height();  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap_) return;
        dc_ = MemoryDC::CompatibleWith(target);
        if (!dc_) return;
        previous_ = SelectObject(dc_.get(), bitmap_.get());
        SetViewportOrgEx(dc_.get(), -area.Left, -area.Top, nullptr);
    }
    ~OffscreenDC() {
        if (!dc_) return;
        GdiFlush();
        BitBlt(target_, area_.Left, area_.Top, area_.Width(), area_.Height(), dc_.get(), area_.Left, area_.Top,
               SRCCOPY);
        SelectObject(dc_.get(), previous_);
    }
    OffscreenDC(const OffscreenDC&) = delete;
    OffscreenDC& operator=(const OffscreenDC&) = delete;

    HDC get() const { return dc_.get(); }

private:
    HDC target_;
    TRect area_;
    UniqueBitmap bitmap_;  // declared before the DC: released after it
    MemoryDC dc_;
    HGDIOBJ previous_ = nullptr;
};
