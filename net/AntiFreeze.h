// The application's one anti-freeze: while the HTTP client waits on its socket
// on the thread that created the anti-freeze (the user-interface thread), the
// wait is cut into slices of at most IdleTimeOut ms and the application's
// message pump runs between them, so the window repaints and its handlers
// (a Cancel button calling THttpClient::Disconnect) run during a transfer.
//
// net/ knows no window framework: the application hands in its pump at
// construction (on Windows, Application->ProcessMessages). A second anti-freeze
// while one exists raises EHttpError. Other threads are never sliced and
// never pump. Without an anti-freeze the client simply waits.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

class TAntiFreeze {
public:
    explicit TAntiFreeze(std::function<void()> processMessages);
    ~TAntiFreeze();
    TAntiFreeze(const TAntiFreeze&) = delete;
    TAntiFreeze& operator=(const TAntiFreeze&) = delete;

    bool Active = true;
    // On: messages are processed after every block of data read. Off: the
    // transfer has priority and data blocks pump at most once per IdleTimeOut;
    // empty slices always pump.
    bool ApplicationHasPriority = true;
    int IdleTimeOut = 250;  // ms, the longest slice of a wait
    // On: messages are processed only where the client is idle (after an
    // empty slice or a block of data), never in the middle of protocol work.
    bool OnlyWhenIdle = true;

    // The application's anti-freeze, or null.
    static TAntiFreeze* Instance();
    // True when the calling thread's waits are to be sliced: an active
    // anti-freeze exists and this is the thread that created it.
    static bool ShouldUse();
    // The slice length for waits on this thread, or fallbackMs when ShouldUse() is false.
    static int SliceMs(int fallbackMs);
    // Runs the pump when ShouldUse() and (idle or not OnlyWhenIdle).
    // afterData marks a call made after a block of data (see ApplicationHasPriority).
    static void DoProcess(bool idle = true, bool afterData = false);

    // Runs the pump once.
    void Process();

private:
    std::function<void()> processMessages_;
    std::thread::id thread_;
    std::chrono::steady_clock::time_point lastDataPump_{};
};
