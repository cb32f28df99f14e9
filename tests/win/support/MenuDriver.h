// A modal popup menu driven from a second thread: the test's thread runs the
// menu's loop, a driver thread finds the menu's window, runs a script on it
// and closes whatever is left open.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "framework/controls/Menus.h"

namespace test_support {

// The visible popup menu window of that thread, if any.
inline HWND OpenPopup(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(
        thread,
        [](HWND hwnd, LPARAM lp) -> BOOL {
            wchar_t cls[16] = L"";
            if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 16) && std::wstring(cls) == L"#32768") {
                *reinterpret_cast<HWND*>(lp) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// A key pressed and let go, sent from the driver thread; the menu's loop on
// the other thread takes it in its own time.
inline void DriverKey(WORD vk) {
    INPUT in[2]{};
    in[0].type = INPUT_KEYBOARD;
    in[0].ki.wVk = vk;
    in[1] = in[0];
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Sleep(60);
}

// Runs track (which shows a menu and returns when it closes) on this thread
// and script on a driver thread once the menu's window is visible; whatever
// the script leaves open is closed. False when no menu window appeared.
inline bool DriveMenu(const std::function<void()>& track, const std::function<void(HWND popup)>& script) {
    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> appeared{false};
    std::atomic<bool> tracking{true};
    std::thread driver([&] {
        HWND popup = nullptr;
        for (int i = 0; i < 300 && !popup && tracking; ++i) {
            popup = OpenPopup(thread);
            if (!popup) Sleep(10);
        }
        if (popup) {
            appeared = true;
            Sleep(150);  // let it paint
            script(popup);
        }
        // Close what is left: Escape, then the owner's cancel.
        for (int i = 0; i < 3 && tracking && OpenPopup(thread); ++i) {
            DriverKey(VK_ESCAPE);
            for (int t = 0; t < 40 && tracking && OpenPopup(thread); ++t) Sleep(5);
        }
        if (tracking && OpenPopup(thread)) PostMessageW(PopupOwnerWindow(), WM_CANCELMODE, 0, 0);
    });
    track();
    tracking = false;
    driver.join();
    return appeared;
}

}  // namespace test_support
