// The anti-freeze with a real Win32 message loop: messages posted to a window
// and its timers are handled while a GET blocks, and a handler that calls
// Disconnect ends a stalled GET.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "framework/system/StreamsAndLists.h"
#include "net/AntiFreeze.h"
#include "net/HttpClient.h"
#include "tests/native/net/LoopbackServer.h"

namespace {

constexpr UINT kAppMessage = WM_APP + 7;

// A hidden top-level window whose handlers the test sets.
class TestWindow {
public:
    std::function<void()> onAppMessage;
    std::function<void()> onTimer;
    DWORD handlerThread = 0;

    TestWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &TestWindow::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NetAntiFreezeTestWindow";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"test", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                               wc.hInstance, this);
    }
    ~TestWindow() { DestroyWindow(hwnd); }
    HWND hwnd = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
            SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && msg == kAppMessage) {
            self->handlerThread = GetCurrentThreadId();
            if (self->onAppMessage) self->onAppMessage();
            return 0;
        }
        if (self && msg == WM_TIMER) {
            if (self->onTimer) self->onTimer();
            return 0;
        }
        return DefWindowProcW(h, msg, wp, lp);
    }
};

// What Application->ProcessMessages does: handle everything that is queued.
void ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

class AntiFreezeWin : public ::testing::Test {
protected:
    void TearDown() override { server.Stop(); }
    std::wstring Url(const char* path) {
        std::string u = server.Url(path);
        return std::wstring(u.begin(), u.end());
    }
    LoopbackServer server;
    TestWindow window;
    TAntiFreeze antiFreeze{ProcessMessages};
    THttpClient client;
};

TEST_F(AntiFreezeWin, PostedMessagesRunWhileATransferBlocks) {
    ScriptedReply reply;
    reply.waitForRelease = true;
    reply.head = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";
    reply.bytes = "hello";
    server.Start([reply](const std::string&, int) { return reply; });
    ASSERT_NE(window.hwnd, nullptr);
    // The body only comes once the window has handled the posted message and
    // three timer ticks, all during the GET.
    int ticks = 0;
    bool posted = false;
    window.onAppMessage = [&] { posted = true; };
    window.onTimer = [&] {
        if (++ticks == 3) {
            KillTimer(window.hwnd, 1);
            server.Release();
        }
    };
    PostMessageW(window.hwnd, kAppMessage, 0, 0);
    SetTimer(window.hwnd, 1, 30, nullptr);
    client.ReadTimeout = 60000;
    EXPECT_EQ(client.Get(Url("/slow")), L"hello");
    EXPECT_TRUE(posted);
    EXPECT_EQ(window.handlerThread, GetCurrentThreadId());
    EXPECT_EQ(ticks, 3);
}

TEST_F(AntiFreezeWin, DisconnectFromAHandlerEndsAStalledGet) {
    server.Start([](const std::string&, int) {
        return ScriptedReply("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\npart", false, false, true);
    });
    // Like the Cancel button: a handler run by the anti-freeze disconnects.
    std::chrono::steady_clock::time_point disconnectedAt;
    window.onTimer = [&] {
        KillTimer(window.hwnd, 2);
        disconnectedAt = std::chrono::steady_clock::now();
        client.Disconnect();
    };
    bool armed = false;
    client.OnWork = [&](void*, TWorkMode, int64_t) {
        if (!armed) SetTimer(window.hwnd, 2, 100, nullptr);  // once the first part of the body is in
        armed = true;
    };
    client.ReadTimeout = 60000;  // only the Disconnect can end the GET within the test's time
    TMemoryStream dest;
    try {
        client.Get(Url("/stalled"), dest);
        FAIL() << "no exception";
    } catch (const EHttpDisconnected& e) {
        EXPECT_EQ(e.Message(), L"Disconnected.");
    }
    auto afterDisconnect =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - disconnectedAt);
    std::printf("GET ended %lld ms after Disconnect\n", static_cast<long long>(afterDisconnect.count()));
    EXPECT_EQ(dest.Size(), 4);
    EXPECT_FALSE(client.Connected());
}

}  // namespace
