// The fixture of the skinned-frame tests: a skin drawn here whose every
// border piece and caption-button frame has its own flat colour, so what
// the screen shows can be checked pixel by pixel at places worked out from
// the skin (left border 8 wide with a magenta top-left corner, top 24 high,
// right 6 wide, bottom 5 high, each with an active and an inactive frame;
// close, minimise and maximise buttons with four frames each; the window
// icon at (10, 4)), a form skinned with it, and mouse and screen helpers.
#pragma once
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/WinSkinForm.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/ObjectCounts.h"
#include "tests/win/support/SkinFixture.h"
#include "tools/skinpack/SkinPack.h"

namespace {

using Bytes = std::vector<uint8_t>;
using test_support::Pixels;
using test_support::PumpFor;
using test_support::PumpOnce;
using test_support::PumpUntil;
using test_support::SkinStreamOf;

// Colours as the screen capture reads them (0x00RRGGBB).
constexpr uint32_t kLeft = 0xC80000, kLeftOff = 0x640000;
constexpr uint32_t kRight = 0x00C800, kRightOff = 0x006400;
constexpr uint32_t kTop = 0x0000C8, kTopOff = 0x000064;
constexpr uint32_t kBottom = 0xC8C800, kBottomOff = 0x646400;
constexpr uint32_t kBehind = 0x10A0A0;  // the window behind the skinned one
// Frames 1 normal, 2 pressed, 3 hot, 4 disabled.
constexpr uint32_t kClose[4] = {0xFF8000, 0x804000, 0x00FFFF, 0x808080};
constexpr uint32_t kMin[4] = {0x0080FF, 0x004080, 0xFF0080, 0x404040};
constexpr uint32_t kMax[4] = {0x80FF80, 0x408040, 0xFFFF80, 0x202020};
constexpr uint32_t kMagenta = 0xFF00FF;

constexpr int kClientW = 476, kClientH = 103;
constexpr RECT kBw{8, 24, 6, 5};  // left, top (caption), right, bottom
constexpr int kWinW = kClientW + 8 + 6, kWinH = kClientH + 24 + 5;
// Caption buttons in window coordinates (Align 1: window width - XCoord).
constexpr RECT kCloseBtn{kWinW - 22, 5, kWinW - 22 + 16, 19};
constexpr RECT kMinBtn{kWinW - 40, 5, kWinW - 40 + 16, 19};
constexpr RECT kMaxBtn{kWinW - 58, 5, kWinW - 58 + 16, 19};
constexpr RECT kIcon{10, 4, 26, 20};

inline TColor Ref(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// A strip of equal frames, each filled with its colour; magenta in the
// top-left corner x corner pixels of every frame when asked.
inline void WriteStrip(const std::filesystem::path& file, int w, int h, const std::vector<uint32_t>& colours, bool stacked,
                int corner = 0) {
    const int n = static_cast<int>(colours.size());
    TBitmap b(stacked ? w : w * n, stacked ? h * n : h, pf24bit);
    for (int i = 0; i < n; ++i) {
        const int x0 = stacked ? 0 : i * w, y0 = stacked ? i * h : 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                b.SetPixel(x0 + x, y0 + y, Ref(x < corner && y < corner ? kMagenta : colours[static_cast<size_t>(i)]));
    }
    b.SaveToFile(file.wstring());
}

inline Bytes ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The fixture skin (built once per variant). wide: a second skin whose
// borders are twice as wide, for the skin-change action.
inline const Bytes& FlatSkin(bool wide = false) {
    static Bytes cache[2];
    Bytes& bytes = cache[wide ? 1 : 0];
    if (!bytes.empty()) return bytes;
    const auto dir = std::filesystem::path(TEST_BINARY_DIR) / (wide ? "flat_wide" : "flat");
    std::filesystem::create_directories(dir);
    const int k = wide ? 2 : 1;
    WriteStrip(dir / "left.bmp", 8 * k, 30, {kLeft, kLeftOff}, false, 3);
    WriteStrip(dir / "right.bmp", 6 * k, 30, {kRight, kRightOff}, false);
    WriteStrip(dir / "top.bmp", 30, 24 * k, {kTop, kTopOff}, true);
    WriteStrip(dir / "bottom.bmp", 30, 5 * k, {kBottom, kBottomOff}, true);
    WriteStrip(dir / "close.bmp", 16, 14, {kClose[0], kClose[1], kClose[2], kClose[3]}, false);
    WriteStrip(dir / "min.bmp", 16, 14, {kMin[0], kMin[1], kMin[2], kMin[3]}, false);
    WriteStrip(dir / "max.bmp", 16, 14, {kMax[0], kMax[1], kMax[2], kMax[3]}, false);
    std::ofstream ini(dir / "skin.ini", std::ios::binary);
    ini << "[Skins]\r\nVersion=150\r\n[TitlebarSkin]\r\nSkinName=Flat\r\n"
        << "[Personality]\r\nLeft=left.bmp\r\nRight=right.bmp\r\nTop=top.bmp\r\nBottom=bottom.bmp\r\n"
        << "LeftFrame=2\r\nRightFrame=2\r\nTopFrame=2\r\nBottomFrame=2\r\n"
        << "LeftTopHeight=6\r\nLeftTrans=1\r\nRightTrans=0\r\nTopTrans=0\r\nBottomTrans=0\r\n"
        << "TextShift=30\r\nTextRightClip=70\r\nTextAlignment=0\r\n"
        << "[Colours]\r\nButtonFace=200 200 200\r\nTitleTextActive=255 255 255\r\nTitleTextNoActive=0 0 0\r\n"
        << "[Button0]\r\nButtonImage=close.bmp\r\nAlign=1\r\nXcoord=22\r\nYcoord=5\r\nAction=0\r\nframe=4\r\n"
        << "[Button1]\r\nButtonImage=min.bmp\r\nAlign=1\r\nXcoord=40\r\nYcoord=5\r\nAction=2\r\nframe=4\r\n"
        << "[Button2]\r\nButtonImage=max.bmp\r\nAlign=1\r\nXcoord=58\r\nYcoord=5\r\nAction=1\r\nframe=4\r\n"
        << "[Button3]\r\nAlign=0\r\nXcoord=10\r\nYcoord=4\r\nAction=3\r\n";
    ini.close();
    const auto file = dir.parent_path() / (wide ? "flat_wide.skin" : "flat.skin");
    EXPECT_EQ(BuildSkinPackage(dir, file), "");
    bytes = ReadFileBytes(file);
    return bytes;
}

class ReadSkinData : public TSkinData {
public:
    using TSkinData::TSkinData;
    void BeginReading() { state_ |= csLoading; }
};

// What the screen shows in r (screen coordinates), as 0x00RRGGBB.
inline Pixels CaptureScreen(RECT r) {
    Pixels p;
    p.width = r.right - r.left;
    p.height = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP dib = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, p.width, p.height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* src = static_cast<const uint32_t*>(bits);
    p.data.assign(src, src + p.width * p.height);
    for (auto& px : p.data) px &= 0x00FFFFFF;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return p;
}

inline Pixels CaptureWindow(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return CaptureScreen(r);
}

// The mouse, moved and clicked through SendInput from another thread, so
// that the window's thread can sit in a modal loop (moving) meanwhile.
class Mouse {
public:
    ~Mouse() { Wait(); }
    void Run(std::function<void()> steps) {
        Wait();
        done_ = false;
        thread_ = std::thread([this, steps] {
            steps();
            done_ = true;
        });
    }
    // Pumps the window's thread until the steps are done.
    void Finish() {
        PumpUntil([this] { return done_.load(); }, 15000);
        Wait();
    }
    static void MoveTo(int x, int y) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        in.mi.dx = static_cast<LONG>((x * 65535LL + sw / 2) / (sw - 1));
        in.mi.dy = static_cast<LONG>((y * 65535LL + sh / 2) / (sh - 1));
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &in, sizeof in);
        Sleep(60);
    }
    static void Button(DWORD flag) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flag;
        SendInput(1, &in, sizeof in);
        Sleep(80);
    }
    static void Key(WORD vk, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &in, sizeof in);
        Sleep(60);
    }

private:
    void Wait() {
        if (thread_.joinable()) thread_.join();
    }
    std::thread thread_;
    std::atomic<bool> done_{true};
};

// USER objects of this thread: its windows, their children and its
// message-only windows (timers), where GetGuiResources counts nothing.
inline size_t UserObjectsInUse() {
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (counted) return counted;
    auto n = static_cast<size_t>(test_support::ThreadWindows());
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId()) ++n;
    return n;
}

// The first visible "#32770" window of a thread.
inline BOOL CALLBACK FindDialog(HWND w, LPARAM l) {
    wchar_t cls[16] = L"";
    GetClassNameW(w, cls, 16);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(l) = w;
        return FALSE;
    }
    return TRUE;
}

// The first visible popup menu window ("#32768") of a thread.
inline BOOL CALLBACK FindMenuWindow(HWND w, LPARAM l) {
    wchar_t cls[16] = L"";
    GetClassNameW(w, cls, 16);
    if (std::wstring(cls) == L"#32768" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(l) = w;
        return FALSE;
    }
    return TRUE;
}

inline HWND MenuWindowOf(DWORD thread) {
    HWND menu = nullptr;
    EnumThreadWindows(thread, FindMenuWindow, reinterpret_cast<LPARAM>(&menu));
    return menu;
}

class FormSkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        FreeSkinManager();
        behind_ = MakeBehind();
        form_ = MakeForm(L"Skin test 皮肤", 0);
        data_ = std::make_unique<ReadSkinData>(form_.get());
        data_->BeginReading();
        TMemoryStream stream = SkinStreamOf(FlatSkin());
        data_->ReadSkinStream(stream);
        data_->SetActive(true);
        data_->Loaded();
        hwnd_ = form_->Handle();
        RECT cr{};
        GetClientRect(hwnd_, &cr);
        clientBefore_ = cr;
        form_->Show();
        SetForegroundWindow(hwnd_);
        ASSERT_TRUE(PumpUntil([&] { return Skinned(hwnd_); })) << "the activated form gets skinned";
        PumpFor(100);
    }
    void TearDown() override {
        data_.reset();
        others_.clear();
        form_.reset();
        FreeSkinManager();
        if (behind_) DestroyWindow(behind_);
        PumpFor(20);
    }

    static bool Skinned(HWND hwnd) {
        TWinSkinForm* sf = SkinManager ? SkinManager->FindSkinForm(hwnd) : nullptr;
        return sf && sf->Skinstate == SkinStage::Skinned;
    }
    TWinSkinForm* Sf() const { return SkinManager ? SkinManager->FindSkinForm(hwnd_) : nullptr; }

    std::unique_ptr<TForm> MakeForm(const std::wstring& caption, intptr_t tag) {
        auto form = std::make_unique<TForm>(nullptr);
        form->SetTag(tag);
        form->SetBorderStyle(bsSingle);
        form->SetBorderIcons(biSystemMenu | biMinimize);
        form->SetBounds(120, 140, 300, 200);
        form->SetClientWidth(kClientW);
        form->SetClientHeight(kClientH);
        form->SetCaption(caption);
        form->OnClose = [this](TObject*, TCloseAction& a) {
            ++closes_;
            a = caNone;
        };
        return form;
    }

    // A flat window behind the form that is never activated (so never skinned).
    static HWND MakeBehind() {
        WNDCLASSW wc{};
        if (!GetClassInfoW(GetModuleHandleW(nullptr), L"SkinTestBehind", &wc)) {
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"SkinTestBehind";
            wc.hbrBackground = CreateSolidBrush(Ref(kBehind));
            RegisterClassW(&wc);
        }
        HWND w = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"SkinTestBehind", L"", WS_POPUP, 0, 0, 800, 600,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(w, SW_SHOWNOACTIVATE);
        UpdateWindow(w);
        return w;
    }

    POINT ScreenOf(int x, int y) const {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        return POINT{r.left + x, r.top + y};
    }
    static POINT Centre(RECT r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

    uint32_t PixelAt(POINT windowPoint) const {
        const POINT s = ScreenOf(windowPoint.x, windowPoint.y);
        return CaptureScreen(RECT{s.x, s.y, s.x + 1, s.y + 1}).At(0, 0);
    }
    // Waits (pumping) until the window pixel shows colour.
    bool PixelBecomes(POINT windowPoint, uint32_t colour, int ms = 3000) {
        return PumpUntil([&] { return PixelAt(windowPoint) == colour; }, ms);
    }

    void SwitchSkin(bool on) {
        data_->SetActive(on);
        ASSERT_TRUE(PumpUntil([&] { return on ? Skinned(hwnd_) : !SkinManager->FindSkinForm(hwnd_); }))
            << (on ? "switched on" : "switched off");
        PumpFor(50);
    }

    // The pointer to screen point p through SendInput, the window's thread
    // handling what it caused; answers whether the system has it there.
    static bool MoveMouse(POINT p) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        in.mi.dx = static_cast<LONG>((p.x * 65535LL + sw / 2) / (sw - 1));
        in.mi.dy = static_cast<LONG>((p.y * 65535LL + sh / 2) / (sh - 1));
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &in, sizeof in);
        const bool there = test_support::WaitForInputState([&] {
            POINT now{};
            GetCursorPos(&now);
            return now.x == p.x && now.y == p.y;
        });
        test_support::PumpInput();
        return there;
    }
    // The left button down or up, handled by the window's thread.
    static void LeftButton(bool down) {
        test_support::MouseButton(down);
        test_support::PumpInput();
    }
    // The caption button with this action.
    TWinSysButton* CaptionButton(int action) const {
        TWinSkinForm* sf = Sf();
        if (!sf) return nullptr;
        for (const auto& b : sf->CaptionButtons().Buttons())
            if (b->data->Action == action) return b.get();
        return nullptr;
    }
    // The caption button holding the mouse, if any.
    TWinSysButton* PressedButton() const {
        TWinSkinForm* sf = Sf();
        return sf ? sf->CaptionButtons().Pressed() : nullptr;
    }
    static HWND ShownHint() {
        HWND h = FindWindowW(L"TSkinHintWindow", nullptr);
        return h && IsWindowVisible(h) && GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId() ? h : nullptr;
    }
    // No hint over the window and no frame paint pending: a hint that goes
    // uncovers the frame, whose repaint draws every caption button at rest.
    bool Settled() {
        if (!PumpUntil([] { return ShownHint() == nullptr; })) return false;
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        test_support::Pump();
        return true;
    }

    SIZE ClientSize() const {
        RECT r{};
        GetClientRect(hwnd_, &r);
        return SIZE{r.right, r.bottom};
    }
    SIZE WindowSize() const {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
    POINT ClientOrigin() const {
        POINT p{0, 0};
        ClientToScreen(hwnd_, &p);
        return p;
    }

    HWND behind_ = nullptr;
    std::unique_ptr<TForm> form_;
    std::unique_ptr<ReadSkinData> data_;
    std::vector<std::unique_ptr<TForm>> others_;
    HWND hwnd_ = nullptr;
    RECT clientBefore_{};
    int closes_ = 0;
};

}  // namespace
