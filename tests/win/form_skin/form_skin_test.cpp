// Skinned frames on real windows under Wine. The fixture skin, drawn here,
// gives every border piece and every caption-button frame its own flat
// colour, so what the screen shows can be checked pixel by pixel at places
// worked out from the skin: left border 8 wide with a magenta top-left
// corner, top 24 high, right 6 wide, bottom 5 high, each with an active
// and an inactive frame; close, minimise and maximise buttons with four
// frames each; the window icon at (10, 4).
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

#include "framework/controls/Forms.h"
#include "skin/data/SkinData.h"
#include "skin/form/SkinManager.h"
#include "skin/form/WinSkinForm.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/ObjectCounts.h"
#include "tools/skinpack/SkinPack.h"

namespace {

using Bytes = std::vector<uint8_t>;
using test_support::Pixels;

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

TColor Ref(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// A strip of equal frames, each filled with its colour; magenta in the
// top-left corner x corner pixels of every frame when asked.
void WriteStrip(const std::filesystem::path& file, int w, int h, const std::vector<uint32_t>& colours, bool stacked,
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

Bytes ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The fixture skin (built once per variant). wide: a second skin whose
// borders are twice as wide, for the skin-change action.
const Bytes& FlatSkin(bool wide = false) {
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

TMemoryStream SkinStreamOf(const Bytes& package) {
    TMemoryStream s;
    const auto n = static_cast<uint32_t>(package.size());
    const uint8_t count[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                              static_cast<uint8_t>(n >> 24)};
    s.WriteBuffer(count, 4);
    if (n) s.WriteBuffer(package.data(), n);
    s.SetPosition(0);
    return s;
}

class ReadSkinData : public TSkinData {
public:
    using TSkinData::TSkinData;
    void BeginReading() { state_ |= csLoading; }
};

void PumpOnce() {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Application->ProcessMessages();
}

template <class Pred>
bool PumpUntil(Pred pred, int ms = 5000) {
    const DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > static_cast<DWORD>(ms)) return pred();
        PumpOnce();
    }
    return true;
}

void PumpFor(int ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < static_cast<DWORD>(ms)) PumpOnce();
}

// What the screen shows in r (screen coordinates), as 0x00RRGGBB.
Pixels CaptureScreen(RECT r) {
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

Pixels CaptureWindow(HWND hwnd) {
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
size_t UserObjectsInUse() {
    const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (counted) return counted;
    auto n = static_cast<size_t>(test_support::ThreadWindows());
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId()) ++n;
    return n;
}

// The first visible "#32770" window of a thread.
BOOL CALLBACK FindDialog(HWND w, LPARAM l) {
    wchar_t cls[16] = L"";
    GetClassNameW(w, cls, 16);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(l) = w;
        return FALSE;
    }
    return TRUE;
}

// The first visible popup menu window ("#32768") of a thread.
BOOL CALLBACK FindMenuWindow(HWND w, LPARAM l) {
    wchar_t cls[16] = L"";
    GetClassNameW(w, cls, 16);
    if (std::wstring(cls) == L"#32768" && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(l) = w;
        return FALSE;
    }
    return TRUE;
}

HWND MenuWindowOf(DWORD thread) {
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
        return sf && sf->Skinstate == 1;
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

TEST_F(FormSkinTest, GeometryUnderTheSkinnedFrame) {
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    EXPECT_EQ(sf->bw.Left, kBw.left);
    EXPECT_EQ(sf->bw.Top, kBw.top);
    EXPECT_EQ(sf->bw.Right, kBw.right);
    EXPECT_EQ(sf->bw.Bottom, kBw.bottom);
    EXPECT_EQ(clientBefore_.right, kClientW);
    EXPECT_EQ(clientBefore_.bottom, kClientH);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(WindowSize().cx, kWinW) << "client plus the skin's left and right widths";
    EXPECT_EQ(WindowSize().cy, kWinH) << "client plus caption and bottom heights";
    const POINT origin = ClientOrigin();
    const POINT corner = ScreenOf(0, 0);
    EXPECT_EQ(origin.x - corner.x, kBw.left);
    EXPECT_EQ(origin.y - corner.y, kBw.top);

    // WM_NCCALCSIZE asked directly: the proposed rectangle less the skin's widths.
    NCCALCSIZE_PARAMS params{};
    WINDOWPOS pos{};
    params.rgrc[0] = RECT{100, 200, 400, 350};
    params.lppos = &pos;
    pos.x = 100;
    pos.y = 200;
    pos.cx = 300;
    pos.cy = 150;
    const LRESULT r = SendMessageW(hwnd_, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    EXPECT_EQ(r, WVR_VALIDRECTS);
    EXPECT_EQ(params.rgrc[0].left, 108);
    EXPECT_EQ(params.rgrc[0].top, 224);
    EXPECT_EQ(params.rgrc[0].right, 394);
    EXPECT_EQ(params.rgrc[0].bottom, 345);

    // The window region: the left border's magenta corner is cut away.
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(hwnd_, rgn), ERROR);
    EXPECT_FALSE(PtInRegion(rgn, 0, 0));
    EXPECT_FALSE(PtInRegion(rgn, 2, 2));
    EXPECT_TRUE(PtInRegion(rgn, 3, 0)) << "the top border is not transparent";
    EXPECT_TRUE(PtInRegion(rgn, 0, 3));
    EXPECT_TRUE(PtInRegion(rgn, kWinW - 1, kWinH - 1));
    EXPECT_FALSE(PtInRegion(rgn, kWinW, kWinH - 1));
    DeleteObject(rgn);

    // Hit testing: the system's answer stands except where it gives caption or nothing.
    struct Case {
        const char* name;
        POINT at;  // window coordinates
        LRESULT expected;
    } cases[] = {
        {"client", {kBw.left + 10, kBw.top + 10}, HTCLIENT},
        {"client bottom-right", {kWinW - kBw.right - 1, kWinH - kBw.bottom - 1}, HTCLIENT},
        {"caption", {200, 12}, HTCAPTION},
        {"caption at y 4", {200, 4}, HTCAPTION},
        {"caption under the system's caption height", {200, kBw.top - 1}, HTCAPTION},
        {"close button", Centre(kCloseBtn), HTCAPTION},
        {"minimise button", Centre(kMinBtn), HTCAPTION},
        {"icon", Centre(kIcon), HTCAPTION},
        {"left border, outer pixel", {0, 60}, HTBORDER},
        {"right border, outer pixel", {kWinW - 1, 60}, HTBORDER},
        {"bottom border, outer pixel", {200, kWinH - 1}, HTBORDER},
        {"left border below the system frame", {kBw.left - 1, 60}, HTCAPTION},
        {"bottom border above the system frame", {200, kWinH - kBw.bottom}, HTCAPTION},
    };
    for (const auto& c : cases) {
        const POINT s = ScreenOf(c.at.x, c.at.y);
        EXPECT_EQ(SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(s.x, s.y)), c.expected) << "case: " << c.name;
    }
}

TEST_F(FormSkinTest, FramePixelsActiveAndInactive) {
    ASSERT_TRUE(PixelBecomes({kBw.left + 5, 2}, kTop)) << "the caption band is painted";
    Pixels p = CaptureWindow(hwnd_);
    p.SaveBmp(std::string(TEST_BINARY_DIR) + "/form_skin_active.bmp");
    struct Sample {
        const char* name;
        POINT at;
        uint32_t active, inactive;
    } samples[] = {
        {"left border", {3, 60}, kLeft, kLeftOff},
        {"right border", {kWinW - 3, 60}, kRight, kRightOff},
        {"bottom border", {200, kWinH - 2}, kBottom, kBottomOff},
        {"caption band left of the title", {kBw.left + 5, 2}, kTop, kTopOff},
        {"caption band's corner", {4, 1}, kTop, kTopOff},
        {"close button", Centre(kCloseBtn), kClose[0], kClose[3]},
        {"minimise button", Centre(kMinBtn), kMin[0], kMin[3]},
        {"maximise button: no max box, disabled", Centre(kMaxBtn), kMax[3], kMax[3]},
    };
    for (const auto& s : samples) EXPECT_EQ(p.At(s.at.x, s.at.y), s.active) << "case: " << s.name;
    EXPECT_EQ(p.At(0, 0), kBehind) << "the transparent corner shows what lies behind";
    EXPECT_EQ(p.At(2, 2), kBehind);
    // The icon: neither caption colour nor magenta everywhere.
    EXPECT_GT(p.CountInk(kIcon, kTop), 20) << "the icon is drawn";
    // The title: white text pixels in the title rectangle.
    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    const RECT title{sf->ctr.Left, sf->ctr.Top, sf->ctr.Right, sf->ctr.Bottom};
    EXPECT_GE(title.left, kBw.left + 30 - 1) << "TextShift places the title";
    EXPECT_GT(p.CountInk(title, kTop), 15) << "the title text is drawn";
    int white = 0;
    for (int y = title.top; y < title.bottom; ++y)
        for (int x = title.left; x < title.right; ++x) white += p.At(x, y) == 0xFFFFFF;
    EXPECT_GT(white, 5) << "in TitleTextActive";

    // Another window takes the activation: frame 2 everywhere.
    auto other = MakeForm(L"other", 99);
    other->SetBounds(600, 500, 200, 100);
    other->Show();
    SetForegroundWindow(other->Handle());
    ASSERT_TRUE(PixelBecomes({3, 60}, kLeftOff)) << "inactive left frame";
    PumpFor(100);
    Pixels q = CaptureWindow(hwnd_);
    q.SaveBmp(std::string(TEST_BINARY_DIR) + "/form_skin_inactive.bmp");
    for (const auto& s : samples) EXPECT_EQ(q.At(s.at.x, s.at.y), s.inactive) << "inactive case: " << s.name;
    int black = 0;
    for (int y = title.top; y < title.bottom; ++y)
        for (int x = title.left; x < title.right; ++x) black += q.At(x, y) == 0x000000;
    EXPECT_GT(black, 5) << "in TitleTextNoActive";
    EXPECT_EQ(SendMessageW(hwnd_, WM_NCACTIVATE, FALSE, 0), 1) << "WM_NCACTIVATE always answers TRUE";

    // The Tag-99 form keeps the system frame.
    EXPECT_EQ(SkinManager->FindSkinForm(other->Handle()), nullptr);
    EXPECT_EQ(SendMessageW(other->Handle(), CN_SkinQuery, 0, 0), 0);
    others_.push_back(std::move(other));
}

TEST_F(FormSkinTest, CaptionButtonsHoverPressAndRelease) {
    ASSERT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[0]));
    Mouse mouse;
    const POINT close = ScreenOf(Centre(kCloseBtn).x, Centre(kCloseBtn).y);
    const POINT client = ScreenOf(kBw.left + 100, kBw.top + 50);

    // Hover: the hot frame; leaving: normal again.
    mouse.Run([&] { Mouse::MoveTo(close.x, close.y); });
    mouse.Finish();
    EXPECT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[2])) << "hot frame under the mouse";
    // The hint comes after twice the hint pause (1 s) and goes with the mouse.
    auto hint = [] {
        HWND h = FindWindowW(L"TSkinHintWindow", nullptr);
        return h && IsWindowVisible(h) && GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId() ? h : nullptr;
    };
    const DWORD hoverStart = GetTickCount();
    EXPECT_TRUE(PumpUntil([&] { return hint() != nullptr; }, 4000)) << "the close button's hint";
    EXPECT_GE(GetTickCount() - hoverStart, 500u) << "not before the pause";
    if (HWND h = hint()) {
        RECT hr{};
        GetWindowRect(h, &hr);
        EXPECT_GE(hr.top, close.y) << "below the cursor";
    }
    mouse.Run([&] { Mouse::MoveTo(client.x, client.y); });
    mouse.Finish();
    EXPECT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[0])) << "normal frame once the mouse has left";
    EXPECT_TRUE(PumpUntil([&] { return hint() == nullptr; })) << "the hint goes with the mouse";

    // Press, move off, release outside: no action.
    mouse.Run([&] {
        Mouse::MoveTo(close.x, close.y);
        Mouse::Button(MOUSEEVENTF_LEFTDOWN);
    });
    mouse.Finish();
    EXPECT_TRUE(PixelBecomes(Centre(kCloseBtn), kClose[1])) << "pressed frame";
    mouse.Run([&] {
        Mouse::MoveTo(client.x, client.y);
        Mouse::Button(MOUSEEVENTF_LEFTUP);
    });
    mouse.Finish();
    PumpFor(300);
    EXPECT_EQ(closes_, 0) << "a release outside the button does nothing";

    // Press and release inside: exactly one close request.
    mouse.Run([&] {
        Mouse::MoveTo(close.x, close.y);
        Mouse::Button(MOUSEEVENTF_LEFTDOWN);
        Mouse::Button(MOUSEEVENTF_LEFTUP);
    });
    mouse.Finish();
    EXPECT_TRUE(PumpUntil([&] { return closes_ > 0; }));
    PumpFor(300);
    EXPECT_EQ(closes_, 1) << "one press and release, one action";

    // The disabled maximise button does nothing.
    const POINT max = ScreenOf(Centre(kMaxBtn).x, Centre(kMaxBtn).y);
    mouse.Run([&] {
        Mouse::MoveTo(max.x, max.y);
        Mouse::Button(MOUSEEVENTF_LEFTDOWN);
        Mouse::Button(MOUSEEVENTF_LEFTUP);
    });
    mouse.Finish();
    PumpFor(300);
    EXPECT_FALSE(IsZoomed(hwnd_));
    EXPECT_EQ(WindowSize().cx, kWinW);

    // Minimise through its button, then restore: the same geometry again.
    const POINT min = ScreenOf(Centre(kMinBtn).x, Centre(kMinBtn).y);
    mouse.Run([&] {
        Mouse::MoveTo(min.x, min.y);
        Mouse::Button(MOUSEEVENTF_LEFTDOWN);
        Mouse::Button(MOUSEEVENTF_LEFTUP);
    });
    mouse.Finish();
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(hwnd_) != FALSE; })) << "minimised by its button";
    ShowWindow(hwnd_, SW_RESTORE);
    SetForegroundWindow(hwnd_);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(hwnd_); }));
    PumpFor(100);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(WindowSize().cx, kWinW);
    EXPECT_EQ(WindowSize().cy, kWinH);
    EXPECT_TRUE(PixelBecomes({3, 60}, kLeft)) << "the frame is painted again after restoring";
}

TEST_F(FormSkinTest, DoubleClickOnTheIconClosesOnce) {
    const POINT icon = ScreenOf(Centre(kIcon).x, Centre(kIcon).y);
    Mouse mouse;
    mouse.Run([&] {
        Mouse::MoveTo(icon.x, icon.y);
        for (int i = 0; i < 2; ++i) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_MOUSE;
            in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(2, in, sizeof(INPUT));
            Sleep(30);
        }
    });
    mouse.Finish();
    EXPECT_TRUE(PumpUntil([&] { return closes_ > 0; })) << "a double click on the icon closes the window";
    PumpFor(GetDoubleClickTime() + 200);
    EXPECT_EQ(closes_, 1);
}

TEST_F(FormSkinTest, SystemMenuByKeyboardAndMouse) {
    const DWORD ui = GetCurrentThreadId();
    const POINT caption = ScreenOf(200, 12);
    const POINT icon = ScreenOf(Centre(kIcon).x, Centre(kIcon).y);
    auto altSpace = [] {
        Mouse::Key(VK_MENU, false);
        Mouse::Key(VK_SPACE, false);
        Mouse::Key(VK_SPACE, true);
        Mouse::Key(VK_MENU, true);
    };
    struct Way {
        const char* name;
        std::function<void()> open;
    } ways[] = {
        {"Alt+Space", altSpace},
        {"right click on the caption",
         [&] {
             Mouse::MoveTo(caption.x, caption.y);
             Mouse::Button(MOUSEEVENTF_RIGHTDOWN);
             Mouse::Button(MOUSEEVENTF_RIGHTUP);
         }},
        {"click on the icon",
         [&] {
             Mouse::MoveTo(icon.x, icon.y);
             Mouse::Button(MOUSEEVENTF_LEFTDOWN);
             Mouse::Button(MOUSEEVENTF_LEFTUP);
         }},
    };
    Mouse mouse;
    for (const auto& way : ways) {
        // The menu is tracked inside this thread's handlers: another thread watches it.
        std::atomic<LRESULT> query{-1};
        std::atomic<bool> seen{false};
        std::atomic<int> items{-1};
        mouse.Run([&] {
            way.open();
            for (int i = 0; i < 150 && !seen; ++i) {
                if (HWND menu = MenuWindowOf(ui)) {
                    seen = true;
                    Sleep(100);
                    DWORD_PTR answer = 0;
                    if (SendMessageTimeoutW(menu, CN_SkinQuery, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer))
                        query = static_cast<LRESULT>(answer);
                    // MN_GETHMENU: the menu the window shows.
                    if (SendMessageTimeoutW(menu, 0x01E1, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer) && answer)
                        items = GetMenuItemCount(reinterpret_cast<HMENU>(answer));
                } else {
                    Sleep(20);
                }
            }
            Mouse::Key(VK_ESCAPE, false);
            Mouse::Key(VK_ESCAPE, true);
        });
        mouse.Finish();
        EXPECT_TRUE(seen.load()) << "case: " << way.name << ": a menu opens";
        EXPECT_EQ(query.load(), 1) << "case: " << way.name << ": the menu window is skinned";
        EXPECT_EQ(items.load(), GetMenuItemCount(GetSystemMenu(hwnd_, FALSE)))
            << "case: " << way.name << ": one item per item of the window's system menu";
        EXPECT_TRUE(PumpUntil([&] { return MenuWindowOf(ui) == nullptr; })) << "case: " << way.name;
        PumpFor(static_cast<int>(GetDoubleClickTime()) + 100);  // the next opening is no second click
        EXPECT_EQ(closes_, 0) << "case: " << way.name;
    }
}

TEST_F(FormSkinTest, DraggingByTheCaptionMovesTheWindow) {
    RECT before{};
    GetWindowRect(hwnd_, &before);
    const POINT from = ScreenOf(200, 12);
    Mouse mouse;
    mouse.Run([&] {
        Mouse::MoveTo(from.x, from.y);
        Mouse::Button(MOUSEEVENTF_LEFTDOWN);
        Mouse::MoveTo(from.x + 20, from.y + 10);
        Mouse::MoveTo(from.x + 50, from.y + 30);
        Mouse::Button(MOUSEEVENTF_LEFTUP);
    });
    mouse.Finish();
    PumpFor(200);
    RECT after{};
    GetWindowRect(hwnd_, &after);
    EXPECT_EQ(after.left - before.left, 50);
    EXPECT_EQ(after.top - before.top, 30);
    EXPECT_EQ(after.right - after.left, kWinW) << "moved, not resized";
}

TEST_F(FormSkinTest, SwitchingOffAndOnKeepsTheClientArea) {
    const SIZE skinnedWindow = WindowSize();
    const POINT skinnedOrigin = ClientOrigin();
    HRGN first = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(hwnd_, first);

    SwitchSkin(false);
    EXPECT_EQ(SendMessageW(hwnd_, CN_SkinQuery, 0, 0), 0) << "the subclass is gone";
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(ClientOrigin().x, skinnedOrigin.x) << "the client area stays where it was";
    EXPECT_EQ(ClientOrigin().y, skinnedOrigin.y);
    HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(hwnd_, none), ERROR) << "no window region without the skin";
    DeleteObject(none);
    EXPECT_TRUE(form_->Caption() == L"Skin test 皮肤");
    EXPECT_NE(GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_SYSMENU, 0) << "the system menu style is back";

    SwitchSkin(true);
    EXPECT_EQ(SendMessageW(hwnd_, CN_SkinQuery, 0, 0), 1);
    EXPECT_EQ(WindowSize().cx, skinnedWindow.cx) << "the same skinned geometry as the first time";
    EXPECT_EQ(WindowSize().cy, skinnedWindow.cy);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    HRGN second = CreateRectRgn(0, 0, 0, 0);
    GetWindowRgn(hwnd_, second);
    EXPECT_TRUE(EqualRgn(first, second)) << "the same window region";
    DeleteObject(first);
    DeleteObject(second);
    EXPECT_TRUE(PixelBecomes({3, 60}, kLeft));
}

TEST_F(FormSkinTest, DeferredSkinChangeAndReskinOfOneForm) {
    // A new skin: the manager's action 3 applies it to the skinned window.
    TMemoryStream wide;
    const Bytes& bytes = FlatSkin(true);
    wide.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    wide.SetPosition(0);
    data_->LoadFromStream(wide);
    ASSERT_TRUE(PumpUntil([&] { return Sf() && Sf()->bw.Left == 16 && Sf()->Skinstate == 1; }));
    PumpFor(100);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(WindowSize().cx, kClientW + 16 + 12);
    EXPECT_EQ(WindowSize().cy, kClientH + 48 + 10);
    EXPECT_TRUE(PixelBecomes({12, 60}, kLeft)) << "the wider left border is painted";

    // Action 7: the form is unskinned and skinned afresh by a new object.
    // The application's events see the window as it is on the screen.
    int skinned = 0;
    bool shownBefore = false, shownAfter = false;
    data_->OnBeforeSkinForm = [&](TObject*, HWND w, const std::wstring&) {
        if (w == hwnd_) shownBefore = IsWindowVisible(w) != FALSE;
    };
    data_->OnAfterSkinForm = [&](TObject*, HWND w, const std::wstring&) {
        if (w != hwnd_) return;
        ++skinned;
        shownAfter = IsWindowVisible(w) != FALSE;
    };
    data_->ChangeForm(form_.get());
    ASSERT_TRUE(PumpUntil([&] { return skinned == 1 && Skinned(hwnd_); }));
    EXPECT_TRUE(shownBefore);
    EXPECT_TRUE(shownAfter);
    PumpFor(100);
    EXPECT_EQ(ClientSize().cx, kClientW);
    EXPECT_EQ(ClientSize().cy, kClientH);
    EXPECT_EQ(WindowSize().cx, kClientW + 16 + 12);
}

TEST_F(FormSkinTest, QueryFinishedNotificationAndDetachOnDestroy) {
    EXPECT_EQ(SendMessageW(hwnd_, CN_SkinQuery, 0, 0), 1);
    MSG msg{};
    EXPECT_TRUE(PeekMessageW(&msg, hwnd_, CN_SkinFinished, CN_SkinFinished, PM_REMOVE)) << "CN_SkinFinished posted";
    EXPECT_EQ(msg.lParam, SkinSignature);
    EXPECT_EQ(form_->Perform(CN_SkinProbe, 0, SkinSignature), SkinSignature);
    EXPECT_EQ(form_->Perform(CN_SkinProbe, 0, 5), 1);
    EXPECT_EQ(form_->Perform(CN_SkinPaintFrame, 0, 5), 0) << "without the signature nothing happens";
    EXPECT_EQ(form_->Perform(CN_SkinPaintFrame, 0, SkinSignature), SkinSignature);

    TWinSkinForm* sf = Sf();
    ASSERT_NE(sf, nullptr);
    form_->DestroyHandle();
    EXPECT_EQ(sf->Skinstate, 6) << "dead once its window is gone";
    EXPECT_FALSE(sf->subclassed);
    const HWND gone = hwnd_;
    SkinManager->DeleteDeleted();
    EXPECT_EQ(SkinManager->FindSkinForm(gone), nullptr) << "dropped by the manager";
    // The form makes a new window and gets a new object when activated.
    form_->Show();
    hwnd_ = form_->Handle();
    SetForegroundWindow(hwnd_);
    EXPECT_TRUE(PumpUntil([&] { return Skinned(hwnd_); }));
}

TEST_F(FormSkinTest, MessageBoxIsSkinnedAndWidened) {
    struct Seen {
        std::atomic<bool> done{false};
        std::atomic<LRESULT> query{-1};
        std::atomic<int> leftWidth{-1}, topHeight{-1};
        std::atomic<int> width{0};
    } seen;
    const DWORD uiThread = GetCurrentThreadId();
    std::thread watcher([&] {
        HWND box = nullptr;
        for (int i = 0; i < 300 && !box; ++i) {
            Sleep(20);
            EnumThreadWindows(uiThread, FindDialog, reinterpret_cast<LPARAM>(&box));
        }
        if (box) {
            // Skinning finishes on CN_SkinActive; give the box's thread the time.
            for (int i = 0; i < 100 && seen.query.load() != 1; ++i) {
                Sleep(20);
                seen.query = SendMessageW(box, CN_SkinQuery, 0, 0);
            }
            Sleep(300);
            RECT wr{}, cr{};
            GetWindowRect(box, &wr);
            GetClientRect(box, &cr);
            POINT o{0, 0};
            ClientToScreen(box, &o);
            seen.leftWidth = o.x - wr.left;
            seen.topHeight = o.y - wr.top;
            seen.width = wr.right - wr.left;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        seen.done = true;
    });
    const std::wstring title = L"A message box with a caption long enough to need a wider window than its text";
    MessageBoxW(hwnd_, L"OK?", title.c_str(), MB_OK);
    watcher.join();
    ASSERT_TRUE(seen.done.load());
    EXPECT_EQ(seen.query.load(), 1) << "the message box is skinned";
    EXPECT_EQ(seen.leftWidth.load(), kBw.left);
    EXPECT_EQ(seen.topHeight.load(), kBw.top);
    // Widened so that its caption fits: at least the caption's width.
    HDC dc = GetDC(nullptr);
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof ncm;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    HFONT font = CreateFontIndirectW(&ncm.lfCaptionFont);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE text{};
    GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &text);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    EXPECT_GE(seen.width.load(), text.cx + 30 + 70) << "title text plus the title's insets";
}

TEST_F(FormSkinTest, HundredSwitchesLeaveNoHandlesBehind) {
    auto cycle = [&](int code) {
        SkinManager->UpdateData = data_.get();
        SkinManager->SetAction(code, 1);
        return PumpUntil([&] { return code == 1 ? Skinned(hwnd_) : !SkinManager->FindSkinForm(hwnd_); });
    };
    // One round first so lazily made objects (fonts, brushes of the system) exist.
    ASSERT_TRUE(cycle(2));
    ASSERT_TRUE(cycle(1));
    PumpFor(100);
    const size_t gdi = test_support::GdiObjects();
    const size_t user = UserObjectsInUse();
    ASSERT_GT(gdi, 0u) << "GDI objects can be counted";
    ASSERT_GT(user, 0u) << "USER objects can be counted";
    const SIZE window = WindowSize();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(cycle(2)) << "round " << i;
        ASSERT_EQ(ClientSize().cx, kClientW) << "round " << i;
        ASSERT_EQ(ClientSize().cy, kClientH) << "round " << i;
        ASSERT_TRUE(cycle(1)) << "round " << i;
        ASSERT_EQ(ClientSize().cx, kClientW) << "round " << i;
        ASSERT_EQ(ClientSize().cy, kClientH) << "round " << i;
        ASSERT_EQ(WindowSize().cx, window.cx) << "round " << i;
        ASSERT_EQ(WindowSize().cy, window.cy) << "round " << i;
    }
    PumpFor(300);
    EXPECT_EQ(test_support::GdiObjects(), gdi);
    EXPECT_EQ(UserObjectsInUse(), user);
}

}  // namespace
