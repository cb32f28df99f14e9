// A hidden message-only window that hands its messages to a function.
// Internal to framework/controls. The window is made by the constructor and
// destroyed by the destructor; the handler is never called after that.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/controls/Controls.h"

namespace framework {

class UtilWindow {
public:
    // The handler gets the messages from the end of the constructor up to
    // WM_NCDESTROY and calls Default for those it does not answer; the ones
    // of the window's creation get the system's answer (the object is not
    // whole yet, and neither is its owner).
    explicit UtilWindow(std::function<void(TMessage&)> handler);
    ~UtilWindow();
    UtilWindow(const UtilWindow&) = delete;
    UtilWindow& operator=(const UtilWindow&) = delete;
    HWND Handle() const { return hwnd_; }
    // The system's answer for a message the handler does not answer itself.
    void Default(TMessage& message) const;

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    std::function<void(TMessage&)> handler_;
    HWND hwnd_ = nullptr;
    bool ready_ = false;
};

}  // namespace framework
