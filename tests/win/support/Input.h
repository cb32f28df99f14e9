// Real input and message pumping for Windows tests: the mouse and keys go
// through SendInput, so a window sees them as a user's. Every wait here
// ends on a state or a deadline, never on a fixed sleep alone.
#pragma once

#include <windows.h>

#include "framework/controls/FormsAndApplication.h"

namespace test_support {

// How long a test waits for something that should happen at once; long,
// since a passing test never waits it out and the machines are shared.
constexpr DWORD kWaitMs = 5000;

// Handles what is queued, after waiting at most ms for something to arrive.
inline void PumpOnce(DWORD ms = 10) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    Application->ProcessMessages();
}

// Handles messages until pred holds or ms milliseconds have passed; answers pred.
template <class Pred>
bool PumpUntil(Pred pred, DWORD ms = kWaitMs) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (!pred()) {
        if (GetTickCount64() >= deadline) return pred();
        PumpOnce();
    }
    return true;
}

// Handles messages for ms milliseconds of real time, for what has no state
// to wait on (the display catching up with a window, a timer's ticks).
inline void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) PumpOnce();
}

// A few rounds of handling messages, for what the last call queued.
inline void Pump(int rounds = 5) {
    for (int i = 0; i < rounds; ++i) PumpOnce();
}

// Handles messages until none of this thread's input is left in its queue:
// the input sent before has been delivered and handled.
inline bool PumpInput(DWORD ms = kWaitMs) {
    return PumpUntil([] { return HIWORD(GetQueueStatus(QS_INPUT)) == 0; }, ms);
}

// Waits, without handling messages (so a driver thread may call it while
// the window's thread sits in a modal loop), until the system's input state
// shows what was sent.
template <class Pred>
bool WaitForInputState(Pred seen, DWORD ms = kWaitMs) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    while (!seen()) {
        if (GetTickCount64() >= deadline) return seen();
        Sleep(1);
    }
    return true;
}

inline bool IsDown(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

// The pointer to screen point p, through SendInput; answers once the system
// has it there.
inline bool MouseToScreen(POINT p) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = static_cast<LONG>((p.x * 65535LL) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy = static_cast<LONG>((p.y * 65535LL) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
    return WaitForInputState([&] {
        POINT now{};
        GetCursorPos(&now);
        return now.x == p.x && now.y == p.y;
    });
}

// The pointer to client point (x, y) of hwnd.
inline void MouseTo(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
    MouseToScreen(p);
}

inline void MouseButton(bool down) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
    WaitForInputState([&] { return IsDown(VK_LBUTTON) == down; });
}

inline void Key(WORD vk, bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
    WaitForInputState([&] { return IsDown(vk) == down; });
}

// A left click at client point (x, y) of hwnd; each step is handled by the
// window before the next is sent.
inline void Click(HWND hwnd, int x, int y) {
    MouseTo(hwnd, x, y);
    PumpInput();
    MouseButton(true);
    PumpInput();
    MouseButton(false);
    PumpInput();
}

// A key pressed and let go, handled by the window with the focus.
inline void Press(WORD vk) {
    Key(vk, true);
    Key(vk, false);
    PumpInput();
}

}  // namespace test_support
