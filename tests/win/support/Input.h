// Real input and message pumping for Windows tests: the mouse and keys go
// through SendInput, so a window sees them as a user's.
#pragma once

#include <windows.h>

#include "framework/controls/Forms.h"

namespace test_support {

// Handles messages until pred holds, at most rounds times 10 ms; answers pred.
template <class Pred>
bool PumpUntil(Pred pred, int rounds = 300) {
    for (int i = 0; i < rounds && !pred(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Application->ProcessMessages();
    }
    return pred();
}

inline void Pump(int rounds = 5) {
    for (int i = 0; i < rounds; ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Application->ProcessMessages();
    }
}

// The pointer to client point (x, y) of hwnd.
inline void MouseTo(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (p.x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (p.y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

inline void MouseButton(bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
}

inline void Key(WORD vk, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
}

}  // namespace test_support
