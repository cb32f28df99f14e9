// The updater's window under Wine: its layout as the user sees it, and whole
// runs against 127.0.0.1 (a closed port, a server that never answers) that
// end by starting the main program and closing.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#include "app/Main.h"
#include "framework/system/CodePage.h"
#include "net/AntiFreeze.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "updater/UpdateProcess.h"

#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/NoAccessViolations.h"

namespace {

const std::wstring kFetching = L"正在获取更新信息...";
const std::wstring kCancelling = L"正在取消...";
const std::wstring kFailed = L"获取更新信息失败！";

std::wstring WindowText(HWND hwnd) {
    wchar_t buf[256] = {};
    GetWindowTextW(hwnd, buf, 256);
    return buf;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buf[64] = {};
    GetClassNameW(hwnd, buf, 64);
    return buf;
}

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Texts that reached the debugger output during a run ("updater: status: ...").
std::vector<std::wstring> debugTexts;

LONG CALLBACK CollectDebugOutput(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    constexpr DWORD kPrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C
    constexpr DWORD kPrintAnsi = 0x40010006;  // DBG_PRINTEXCEPTION_C
    std::wstring text;
    if (r->ExceptionCode == kPrintWide && r->NumberParameters >= 2)
        text = reinterpret_cast<const wchar_t*>(r->ExceptionInformation[1]);
    else if (r->ExceptionCode == kPrintAnsi && r->NumberParameters >= 2)
        text = AnsiToWide(reinterpret_cast<const char*>(r->ExceptionInformation[1]));
    else
        return EXCEPTION_CONTINUE_SEARCH;
    const std::wstring prefix = L"updater: status: ";
    if (!text.empty() && text.back() == L'\n') text.pop_back();
    if (text.compare(0, prefix.size(), prefix) == 0) debugTexts.push_back(text.substr(prefix.size()));
    return EXCEPTION_CONTINUE_SEARCH;
}

std::wstring MarkerPath() {
    return Utf8ToWide(TEST_BINARY_DIR) + L"/main_started.txt";
}

bool WaitForFile(const std::wstring& path) {
    for (int i = 0; i < 600; ++i) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(50);
    }
    return false;
}

class Winsock {
public:
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
};

// A listening socket on 127.0.0.1 that never accepts: connections complete
// in the backlog, requests are never answered.
class SilentServer {
public:
    SilentServer() {
        sock_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(sock_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        int len = sizeof(addr);
        getsockname(sock_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        listen(sock_, 4);
    }
    ~SilentServer() { Close(); }
    void Close() {
        if (sock_ != INVALID_SOCKET) closesocket(sock_);
        sock_ = INVALID_SOCKET;
    }
    int Port() const { return port_; }

private:
    SOCKET sock_ = INVALID_SOCKET;
    int port_ = 0;
};

std::wstring ManifestUrl(int port) {
    return L"http://127.0.0.1:" + std::to_wstring(port) + L"/talvoriaupdate/update_pemrick_2010.txt";
}

// Creates the main form as the program start does and records every text
// Label2 receives, through its replaceable WindowProc.
class RunFixture : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileW(MarkerPath().c_str());
        debugTexts.clear();
        vectored_ = AddVectoredExceptionHandler(1, CollectDebugOutput);
        Application->SetMainFormOnTaskBar(true);
        Application->CreateForm(FormMain);
        ASSERT_EQ(Application->MainForm(), FormMain);
        previous_ = FormMain->Label2->WindowProc;
        FormMain->Label2->WindowProc = [this](TMessage& m) {
            if (m.Msg == WM_SETTEXT) {
                texts_.emplace_back(reinterpret_cast<const wchar_t*>(m.LParam));
                if (onText_) onText_(texts_.back());
            }
            previous_(m);
        };
    }
    void TearDown() override {
        RemoveVectoredExceptionHandler(vectored_);
        delete FormMain;
        // A close after the loop ended leaves a quit message behind; drop it.
        Application->ProcessMessages();
    }

    Winsock winsock_;
    void* vectored_ = nullptr;
    TWndMethod previous_;
    std::vector<std::wstring> texts_;
    std::function<void(const std::wstring&)> onText_;
};

}  // namespace

TEST(FormMain, LayoutTextsAndFontAreTheDesignedOnes) {
    Winsock winsock;
    TFormMain form(nullptr);
    const HWND h = form.Handle();

    EXPECT_EQ(WindowText(h), L"Talvoria Pemrick - 自动更新");
    EXPECT_EQ(ClassOf(h), L"TFormMain");
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), DWORD(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u) << "single border, no maximise box";
    RECT client, window;
    GetClientRect(h, &client);
    GetWindowRect(h, &window);
    EXPECT_EQ(client.right, 476);
    EXPECT_EQ(client.bottom, 103);
    EXPECT_EQ(window.left, 325);
    EXPECT_EQ(window.top, 270);
    EXPECT_EQ(form.Font().Name, L"宋体");
    EXPECT_EQ(form.Font().Height, -12);
    EXPECT_EQ(form.Font().Charset, GB2312_CHARSET);

    // Components in the designed order; the labels have no windows.
    ASSERT_EQ(form.ComponentCount(), 7);
    const wchar_t* names[] = {L"Label1",    L"Label2",      L"ProgressBar1", L"Button1",
                              L"SkinData1", L"AntiFreeze1", L"Timer1"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(form.Components(i)->Name(), names[i]) << "component " << i;
    EXPECT_EQ(form.Label1->BoundsRect().left, 16);
    EXPECT_EQ(form.Label1->Top(), 42);
    EXPECT_EQ(form.Label1->Caption(), L"更新进度：");
    EXPECT_EQ(form.Label2->Left(), 16);
    EXPECT_EQ(form.Label2->Top(), 20);
    EXPECT_EQ(form.Label2->Caption(), L"");
    EXPECT_TRUE(form.Label2->AutoSize());
    EXPECT_GT(form.Label2->Height(), 0);
    EXPECT_EQ(form.Label1->Font().Name, L"宋体");

    // The skin component read its stored package and registered with the manager.
    ASSERT_NE(form.SkinData1, nullptr);
    EXPECT_TRUE(form.SkinData1->Active());
    EXPECT_FALSE(form.SkinData1->Empty);
    EXPECT_EQ(form.SkinData1->DisableTag(), 99);
    EXPECT_EQ(form.SkinData1->SkinStore(), L"(Good)");
    EXPECT_EQ(form.SkinData1->Skin3rd().Count(), 118);
    ASSERT_NE(SkinManager, nullptr);
    EXPECT_EQ(SkinManager->MainData, form.SkinData1);

    // Windows in tab order: the progress bar first, then the button.
    const HWND bar = GetWindow(h, GW_CHILD);
    ASSERT_EQ(bar, form.ProgressBar1->Handle());
    const HWND button = GetWindow(bar, GW_HWNDNEXT);
    ASSERT_EQ(button, form.Button1->Handle());
    EXPECT_EQ(GetWindow(button, GW_HWNDNEXT), nullptr);

    const RECT barRect = ChildRect(bar);
    EXPECT_EQ(barRect.left, 82);
    EXPECT_EQ(barRect.top, 41);
    EXPECT_EQ(barRect.right - barRect.left, 377);
    EXPECT_EQ(barRect.bottom - barRect.top, 17);
    PBRANGE range{};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 10000);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);

    const RECT buttonRect = ChildRect(button);
    EXPECT_EQ(buttonRect.left, 213);
    EXPECT_EQ(buttonRect.top, 67);
    EXPECT_EQ(buttonRect.right - buttonRect.left, 65);
    EXPECT_EQ(buttonRect.bottom - buttonRect.top, 20);
    EXPECT_EQ(WindowText(button), L"取消");
    EXPECT_TRUE(GetWindowLongPtrW(button, GWL_STYLE) & WS_TABSTOP);
    const LOGFONTW lf = test_support::FontOf(button);
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"宋体");
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);

    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_EQ(form.Timer1->Interval(), 1u);
    ASSERT_TRUE(form.AntiFreeze1);
    EXPECT_EQ(form.AntiFreeze1->IdleTimeOut(), 250);
    EXPECT_EQ(form.UpdateUrl.substr(0, 7), L"http://");
    EXPECT_NE(form.UpdateUrl.find(L"/talvoriaupdate/update_pemrick_2010.txt"), std::wstring::npos);
    EXPECT_EQ(form.Process(), nullptr);

    // On the screen, without starting a run: the progress label shows, the status line is empty.
    form.OnShow = nullptr;
    form.Show();
    UpdateWindow(h);
    Application->ProcessMessages();
    EXPECT_FALSE(form.Timer1->Enabled());
    const test_support::Pixels screen = test_support::CaptureClient(h, false);
    screen.SaveBmp(TEST_BINARY_DIR "/formmain.bmp");
    // The skin gives the form its face colour once the window is activated.
    const uint32_t face = static_cast<uint32_t>(ColorToRGB(form.Color()));
    const uint32_t faceRgb = ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF);
    EXPECT_GT(screen.CountInk(form.Label1->BoundsRect(), faceRgb), 30) << "更新进度： is drawn";
    EXPECT_EQ(screen.CountInk(form.Label2->BoundsRect(), faceRgb), 0) << "the status line starts empty";
}

TEST_F(RunFixture, ManifestUnreachableShowsFailureStartsTheMainProgramAndCloses) {
    int port;
    {
        SilentServer probe;  // a port that was free a moment ago, closed again
        port = probe.Port();
    }
    FormMain->UpdateUrl = ManifestUrl(port);
    Application->Run();  // returns when the window closes

    ASSERT_NE(FormMain->Process(), nullptr);
    const std::vector<std::wstring> expected{kFetching, kFailed, kCancelling};
    EXPECT_EQ(texts_, expected) << "the last text is the close's cancel";
    EXPECT_EQ(FormMain->Label2->Caption(), kCancelling);
    EXPECT_TRUE(FormMain->Process()->Cancelled());
    EXPECT_EQ(FormMain->ProgressBar1->Max(), 10000) << "a failed manifest leaves the designed range";
    EXPECT_EQ(FormMain->ProgressBar1->Position(), 0);
    EXPECT_FALSE(FormMain->Timer1->Enabled());
    EXPECT_TRUE(WaitForFile(MarkerPath())) << "the main program was started";
    EXPECT_EQ(debugTexts, expected) << "every status text also went to the debugger output";
}

TEST_F(RunFixture, CancelDuringTheManifestDownloadStillStartsTheMainProgram) {
    SilentServer server;
    FormMain->UpdateUrl = ManifestUrl(server.Port());
    // The button is pressed while the request waits for an answer that never comes;
    // the anti-freeze lets the click through.
    onText_ = [](const std::wstring& text) {
        if (text == kFetching) PostMessageW(FormMain->Button1->Handle(), BM_CLICK, 0, 0);
    };
    Application->Run();

    ASSERT_GE(texts_.size(), 3u);
    EXPECT_EQ(texts_.front(), kFetching);
    const auto cancel = std::find(texts_.begin(), texts_.end(), kCancelling);
    const auto failed = std::find(texts_.begin(), texts_.end(), kFailed);
    EXPECT_NE(failed, texts_.end()) << "the cancelled download fails the manifest step";
    EXPECT_LT(cancel, failed) << "cancel came first, inside the blocked request";
    EXPECT_EQ(texts_.back(), kCancelling);
    EXPECT_TRUE(FormMain->Process()->Cancelled());
    EXPECT_TRUE(WaitForFile(MarkerPath())) << "the main program is started after a cancel too";
}
