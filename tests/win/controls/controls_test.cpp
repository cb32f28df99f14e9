// The controls framework on real windows under Wine: forms, labels painted by
// their parent, buttons, progress bars, timers, the error display of an
// exception escaping a handler, and WindowProc replaced from outside.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ProgressBar.h"
#include "framework/controls/TimerAndPanel.h"
#include "framework/system/CodePage.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::CaptureClient;
using test_support::FontOf;
using test_support::MakeForm;
using test_support::Pixels;
using test_support::PumpUntil;

uint32_t Rgb(TColor c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::wstring WindowText(HWND hwnd) {
    wchar_t buf[256] = {};
    GetWindowTextW(hwnd, buf, 256);
    return buf;
}

// Finds the error box of this process (a dialog titled with the application
// title) from another thread, reads its text and closes it with IDOK.
class ErrorBoxCloser {
public:
    ErrorBoxCloser() : thread_([this] { Run(); }) {}
    ~ErrorBoxCloser() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    bool Found() const { return found_; }
    const std::wstring& Text() const { return text_; }

private:
    struct Search {
        HWND box = nullptr;
    };
    static BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        if (pid == GetCurrentProcessId() && std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd) &&
            WindowText(hwnd) == Application->Title()) {
            reinterpret_cast<Search*>(param)->box = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK CollectText(HWND hwnd, LPARAM param) {
        wchar_t cls[64] = {};
        GetClassNameW(hwnd, cls, 64);
        if (lstrcmpiW(cls, L"Static") == 0) *reinterpret_cast<std::wstring*>(param) += WindowText(hwnd);
        return TRUE;
    }
    void Run() {
        for (int i = 0; i < 1000; ++i) {
            Search s;
            EnumWindows(FindBox, reinterpret_cast<LPARAM>(&s));
            if (s.box) {
                EnumChildWindows(s.box, CollectText, reinterpret_cast<LPARAM>(&text_));
                found_ = true;
                PostMessageW(s.box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    }
    std::atomic<bool> found_{false};
    std::wstring text_;
    std::thread thread_;
};

// Where the form goes on the screen.
constexpr POINT kFormAt{100, 100};

}  // namespace

TEST(Form, BorderStyleAndIconsBecomeWindowStylesAndClientSizeHolds) {
    struct Case {
        const char* name;
        TFormBorderStyle border;
        uint8_t icons;
        DWORD must;
        DWORD mustNot;
        DWORD exMust;
    };
    const Case cases[] = {
        {"single, system menu and minimise", bsSingle, biSystemMenu | biMinimize,
         WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_THICKFRAME | WS_MAXIMIZEBOX | WS_POPUP, 0},
        {"sizeable, all icons", bsSizeable, biSystemMenu | biMinimize | biMaximize,
         WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_POPUP, 0},
        {"single, no icons", bsSingle, 0, WS_CAPTION, WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME, 0},
        {"dialog drops minimise and maximise", bsDialog, biSystemMenu | biMinimize | biMaximize,
         WS_CAPTION | WS_SYSMENU | WS_POPUP, WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME, WS_EX_DLGMODALFRAME},
        {"tool window", bsToolWindow, biSystemMenu | biMinimize, WS_CAPTION | WS_SYSMENU,
         WS_MINIMIZEBOX | WS_THICKFRAME, WS_EX_TOOLWINDOW},
        {"none", bsNone, biSystemMenu | biMinimize, WS_POPUP, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0},
    };
    for (const Case& c : cases) {
        TForm form(nullptr);
        form.SetBorderStyle(c.border);
        form.SetBorderIcons(c.icons);
        form.SetClientWidth(476);
        form.SetClientHeight(103);
        form.SetLeft(325);
        form.SetTop(270);
        form.SetCaption(L"窗体 " + Utf8ToWide(c.name));
        const HWND h = form.Handle();
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
        const DWORD ex = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_EXSTYLE));
        EXPECT_EQ(style & c.must, c.must) << "case: " << c.name << " style " << std::hex << style;
        EXPECT_EQ(style & c.mustNot, 0u) << "case: " << c.name << " style " << std::hex << style;
        EXPECT_EQ(ex & c.exMust, c.exMust) << "case: " << c.name << " exstyle " << std::hex << ex;
        EXPECT_FALSE(IsWindowVisible(h)) << "case: " << c.name << " (a form is created hidden)";

        // Showing is slow under Wine without a window manager (2 s to take a
        // shown window down), so only the first case shows its form.
        if (&c == &cases[0]) {
            form.Show();
            EXPECT_TRUE(IsWindowVisible(h));
        }
        RECT client, window;
        GetClientRect(h, &client);
        GetWindowRect(h, &window);
        EXPECT_EQ(client.right, 476) << "case: " << c.name;
        EXPECT_EQ(client.bottom, 103) << "case: " << c.name;
        EXPECT_EQ(form.ClientWidth(), 476) << "case: " << c.name;
        EXPECT_EQ(window.left, 325) << "case: " << c.name;
        EXPECT_EQ(window.top, 270) << "case: " << c.name;
        EXPECT_EQ(form.Width(), window.right - window.left) << "case: " << c.name;
        EXPECT_EQ(WindowText(h), L"窗体 " + Utf8ToWide(c.name)) << "case: " << c.name;
        EXPECT_EQ(std::wstring(L"TForm"),
                  [&] {
                      wchar_t cls[64] = {};
                      GetClassNameW(h, cls, 64);
                      return std::wstring(cls);
                  }())
            << "case: " << c.name;
    }
}

TEST(Form, StyleAndClientSizeChangesApplyToAnExistingWindow) {
    auto form = MakeForm(200, 100, kFormAt);
    const HWND h = form->Handle();
    ASSERT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_THICKFRAME);
    form->SetBorderStyle(bsSizeable);
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_THICKFRAME);
    form->SetBorderIcons(biSystemMenu);
    EXPECT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_MINIMIZEBOX);
    form->SetClientWidth(321);
    form->SetClientHeight(123);
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 321);
    EXPECT_EQ(client.bottom, 123);
}

namespace {

// Width and height of an icon's colour bitmap.
SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return SIZE{0, 0};
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return SIZE{bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
}

class WindowWatcher : public TComponent {
public:
    using TComponent::TComponent;
    void OwnerWindowCreated() override {
        auto* form = dynamic_cast<TForm*>(Owner());
        windows.push_back(form ? form->WindowHandle() : nullptr);
        icon = form ? reinterpret_cast<HICON>(SendMessageW(form->WindowHandle(), WM_GETICON, ICON_SMALL, 0)) : nullptr;
    }
    std::vector<HWND> windows;
    HICON icon = nullptr;
};

}  // namespace

// The test program links the updater's icon resource, as MAINICON.
TEST(Form, CarriesTheProgramIconAtBothSizesAndTellsItsComponents) {
    auto form = MakeForm(200, 100, kFormAt);
    auto* watcher = new WindowWatcher(form.get());
    ASSERT_FALSE(form->HandleAllocated());
    EXPECT_TRUE(watcher->windows.empty());
    const HWND h = form->Handle();
    struct Case {
        const char* name;
        WPARAM which;
        int cx, cy;
    } cases[] = {{"big", ICON_BIG, SM_CXICON, SM_CYICON}, {"small", ICON_SMALL, SM_CXSMICON, SM_CYSMICON}};
    for (const auto& c : cases) {
        const auto icon = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, c.which, 0));
        ASSERT_NE(icon, nullptr) << "case: " << c.name;
        const SIZE size = IconSize(icon);
        EXPECT_EQ(size.cx, GetSystemMetrics(c.cx)) << "case: " << c.name;
        EXPECT_EQ(size.cy, GetSystemMetrics(c.cy)) << "case: " << c.name;
        // The program's own icon resource, not a stock one.
        EXPECT_EQ(icon, LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, GetSystemMetrics(c.cx),
                                   GetSystemMetrics(c.cy), LR_SHARED))
            << "case: " << c.name;
    }
    // The owned components hear of the window once it has its icon, and of each new one.
    ASSERT_EQ(watcher->windows, std::vector<HWND>{h});
    EXPECT_NE(watcher->icon, nullptr);
    form->DestroyHandle();
    const HWND again = form->Handle();
    EXPECT_EQ(watcher->windows, (std::vector<HWND>{h, again}));
    EXPECT_NE(reinterpret_cast<HICON>(SendMessageW(again, WM_GETICON, ICON_BIG, 0)), nullptr);
}

TEST(Form, ChildrenTakeTheFormFontAndFollowItsChanges) {
    auto form = MakeForm(300, 100, kFormAt);
    form->Font().Name = L"宋体";
    form->Font().Height = -12;
    form->Font().Charset = GB2312_CHARSET;
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetCaption(L"更新进度：");
    form->HandleNeeded();

    LOGFONTW lf = FontOf(button->Handle());
    EXPECT_EQ(std::wstring(lf.lfFaceName), L"宋体");
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
    EXPECT_EQ(label->Font().Name, L"宋体");
    const int smallHeight = label->Height();

    form->Font().Height = -24;
    form->Perform(CM_FONTCHANGED);
    EXPECT_EQ(FontOf(button->Handle()).lfHeight, -24);
    EXPECT_EQ(label->Font().Height, -24);
    EXPECT_GT(label->Height(), smallHeight) << "an auto-sized label grows with its font";

    // A font of its own stops the label following the form.
    label->Font().Height = -12;
    label->Perform(CM_FONTCHANGED);
    EXPECT_FALSE(label->ParentFont());
    form->Font().Height = -30;
    form->Perform(CM_FONTCHANGED);
    EXPECT_EQ(label->Font().Height, -12);
    EXPECT_EQ(FontOf(button->Handle()).lfHeight, -30);
}

TEST(Label, AutoSizesToItsTextAndKeepsOneLineWhenEmpty) {
    auto form = MakeForm(300, 100, kFormAt);
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetLeft(16);
    label->SetTop(20);

    label->SetCaption(L"短");
    const int shortWidth = label->Width();
    const int lineHeight = label->Height();
    EXPECT_GT(shortWidth, 0);
    EXPECT_GT(lineHeight, 0);
    label->SetCaption(L"已是最新版本，无需升级！");
    EXPECT_GT(label->Width(), shortWidth * 5);
    EXPECT_EQ(label->Height(), lineHeight);
    label->SetCaption(L"");
    EXPECT_EQ(label->Height(), lineHeight) << "an empty label keeps the height of a line";
    EXPECT_GT(label->Width(), 0);
    EXPECT_LT(label->Width(), shortWidth);
    EXPECT_EQ(label->Left(), 16);
    EXPECT_EQ(label->Top(), 20);

    label->SetAutoSize(false);
    label->SetBounds(16, 20, 40, 30);
    label->SetCaption(L"已是最新版本，无需升级！");
    EXPECT_EQ(label->Width(), 40) << "without AutoSize the bounds stay";
    EXPECT_EQ(label->Height(), 30);
}

TEST(Label, IsPaintedByItsParentAndInvalidatesItsAreaOnChange) {
    auto form = MakeForm(300, 100, kFormAt);
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetBounds(16, 20, 0, 0);
    label->SetCaption(L"获取更新信息失败！");
    const HWND h = form->Handle();
    EXPECT_EQ(GetWindow(h, GW_CHILD), nullptr) << "a label has no window";

    const uint32_t face = Rgb(ColorToRGB(clBtnFace));
    const RECT labelRect = label->BoundsRect();
    const RECT everywhere{0, 0, 300, 100};

    // The form paints the label into a DC it is given (printing, captures).
    Pixels printed = CaptureClient(h, true);
    const int ink = printed.CountInk(labelRect, face);
    EXPECT_GT(ink, 20) << "the text is drawn in the label's area";
    EXPECT_EQ(printed.CountInk(everywhere, face), ink) << "nothing is drawn outside the label";

    // And on the screen through WM_PAINT.
    form->Show();
    UpdateWindow(h);
    Application->ProcessMessages();
    Pixels screen = CaptureClient(h, false);
    EXPECT_GT(screen.CountInk(labelRect, face), 20);

    // A new caption marks the old and the new area of the label in the form.
    ValidateRect(h, nullptr);
    label->SetCaption(L"短");
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetUpdateRgn(h, region, FALSE), ERROR);
    EXPECT_TRUE(PtInRegion(region, labelRect.right - 2, labelRect.top + 2)) << "old area (the longer text)";
    EXPECT_TRUE(PtInRegion(region, label->Left() + 1, label->Top() + 1)) << "new area";
    EXPECT_FALSE(PtInRegion(region, 250, 90)) << "the rest of the form is left alone";
    DeleteObject(region);

    label->SetCaption(L"");
    Pixels empty = CaptureClient(h, true);
    EXPECT_EQ(empty.CountInk(everywhere, face), 0) << "an empty label draws no text";
}

TEST(Button, ClickThroughTheWindowFiresOnClick) {
    auto form = MakeForm(300, 100, kFormAt);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(213, 67, 65, 20);
    button->SetCaption(L"取消");
    int clicks = 0;
    TObject* sender = nullptr;
    button->OnClick = [&](TObject* s) {
        ++clicks;
        sender = s;
    };
    form->Show();
    const HWND b = button->Handle();
    wchar_t cls[64] = {};
    GetClassNameW(b, cls, 64);
    EXPECT_EQ(std::wstring(cls), L"TButton");
    EXPECT_EQ(WindowText(b), L"取消");
    EXPECT_EQ(GetParent(b), form->Handle());
    RECT r;
    GetWindowRect(b, &r);
    MapWindowPoints(HWND_DESKTOP, form->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 213);
    EXPECT_EQ(r.top, 67);
    EXPECT_EQ(r.right - r.left, 65);
    EXPECT_EQ(r.bottom - r.top, 20);

    SendMessageW(b, BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(sender, button);
    // Other notifications of the button do not click.
    SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_SETFOCUS), reinterpret_cast<LPARAM>(b));
    EXPECT_EQ(clicks, 1);
    button->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(b));
}

TEST(ProgressBar, RangeAndPositionAreTheCommonControls) {
    struct Case {
        const char* name;
        int min, max, position;
        bool beforeWindow;
        int expectedPosition;
    };
    const Case cases[] = {
        {"design range, set before the window", 0, 10000, 0, true, 0},
        {"range in KiB, set on the window", 0, 523, 300, false, 300},
        {"position above the range is held at Max", 0, 100, 250, false, 100},
        {"position kept until the window exists", 0, 100, 40, true, 40},
        {"negative minimum", -50, 50, -10, false, -10},
    };
    for (const Case& c : cases) {
        auto form = MakeForm(300, 100, kFormAt);
        auto* bar = new TProgressBar(form.get());
        bar->SetParent(form.get());
        bar->SetBounds(82, 41, 377, 17);
        if (!c.beforeWindow) form->HandleNeeded();
        bar->SetMin(c.min);
        bar->SetMax(c.max);
        bar->SetPosition(c.position);
        const HWND h = bar->Handle();
        PBRANGE range{};
        SendMessageW(h, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        EXPECT_EQ(range.iLow, c.min) << "case: " << c.name;
        EXPECT_EQ(range.iHigh, c.max) << "case: " << c.name;
        EXPECT_EQ(SendMessageW(h, PBM_GETPOS, 0, 0), c.expectedPosition) << "case: " << c.name;
        EXPECT_EQ(bar->Position(), c.expectedPosition) << "case: " << c.name;
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        EXPECT_EQ(std::wstring(cls), L"TProgressBar") << "case: " << c.name;
    }

    // Whoever moves the bar through its window, the object reports it.
    auto form = MakeForm(300, 100, kFormAt);
    auto* bar = new TProgressBar(form.get());
    bar->SetParent(form.get());
    bar->SetMax(10000);
    SendMessageW(bar->Handle(), PBM_SETPOS, 7777, 0);
    EXPECT_EQ(bar->Position(), 7777);
}

TEST(Timer, FiresWhileEnabledAndStopsWhenDisabled) {
    TTimer timer(nullptr);
    timer.SetEnabled(false);
    timer.SetInterval(1);
    int ticks = 0;
    TObject* sender = nullptr;
    timer.OnTimer = [&](TObject* s) {
        sender = s;
        if (++ticks == 3) timer.SetEnabled(false);
    };
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 0) << "a disabled timer does not fire";
    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));
    EXPECT_EQ(sender, &timer);
    // Disabled from inside its own handler: no further tick arrives.
    Sleep(50);
    Application->ProcessMessages();
    EXPECT_EQ(ticks, 3);
}

TEST(Application, ExceptionFromAHandlerShowsTheErrorBoxAndTheLoopGoesOn) {
    struct Case {
        const char* name;
        std::function<void()> raise;
        std::wstring expected;
    };
    const Case cases[] = {
        {"framework exception", [] { throw EFileCreateError(L"无法创建文件 C:\\update\\a.dll"); },
         L"无法创建文件 C:\\update\\a.dll"},
        {"foreign std exception shows an empty message", [] { throw std::runtime_error("not ours"); }, L""},
        {"foreign non-class exception", [] { throw 42; }, L""},
    };
    auto form = MakeForm(300, 100, kFormAt);
    auto* bad = new TButton(form.get());
    bad->SetParent(form.get());
    auto* good = new TButton(form.get());
    good->SetParent(form.get());
    good->SetTop(40);
    form->Show();
    for (const Case& c : cases) {
        bool afterThrow = false;
        int goodClicks = 0;
        bad->OnClick = [&](TObject*) {
            c.raise();
            afterThrow = true;
        };
        good->OnClick = [&](TObject*) { ++goodClicks; };

        ErrorBoxCloser closer;
        SendMessageW(bad->Handle(), BM_CLICK, 0, 0);  // returns once the box is closed
        closer.Join();
        EXPECT_TRUE(closer.Found()) << "case: " << c.name;
        EXPECT_EQ(closer.Text(), c.expected) << "case: " << c.name;
        EXPECT_FALSE(afterThrow) << "case: " << c.name;

        SendMessageW(good->Handle(), BM_CLICK, 0, 0);
        EXPECT_EQ(goodClicks, 1) << "case: " << c.name << " (the window still works)";
        EXPECT_TRUE(IsWindow(form->Handle())) << "case: " << c.name;
    }
}

TEST(Application, ExceptionFromATimerShowsTheErrorBox) {
    TTimer timer(nullptr);
    timer.SetInterval(1);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        timer.SetEnabled(false);
        ++ticks;
        throw EFrameworkError(L"定时器错误");
    };
    ErrorBoxCloser closer;
    EXPECT_TRUE(PumpUntil([&] { return ticks == 1 && closer.Found(); }));
    closer.Join();
    EXPECT_EQ(closer.Text(), L"定时器错误");
    EXPECT_EQ(ticks, 1);
}

TEST(WindowProc, ReplacedFromOutsideSeesMessagesAndChains) {
    auto form = MakeForm(300, 100, kFormAt);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetCaption(L"文字");
    form->Show();

    std::vector<UINT> seen;
    TWndMethod previous = button->WindowProc;
    button->WindowProc = [&](TMessage& m) {
        seen.push_back(m.Msg);
        if (m.Msg == WM_GETTEXTLENGTH && m.WParam == 12345) {
            m.Result = 99;  // answered here, never reaches the control
            return;
        }
        previous(m);
    };
    button->SetCaption(L"新标题");
    EXPECT_NE(std::find(seen.begin(), seen.end(), static_cast<UINT>(WM_SETTEXT)), seen.end());
    EXPECT_EQ(WindowText(button->Handle()), L"新标题") << "the chained handler reached the window";

    // Messages from the system come through the replaced handler too.
    seen.clear();
    EXPECT_EQ(SendMessageW(button->Handle(), WM_GETTEXTLENGTH, 12345, 0), 99);
    EXPECT_EQ(SendMessageW(button->Handle(), WM_GETTEXTLENGTH, 0, 0), 3);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), static_cast<UINT>(WM_GETTEXTLENGTH)), 2);

    // Clicks still arrive through the chain.
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(std::find(seen.begin(), seen.end(), CN_COMMAND), seen.end());

    // A window-less control's painting goes through its WindowProc as well.
    int labelPaints = 0;
    TWndMethod labelPrevious = label->WindowProc;
    label->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_PAINT) ++labelPaints;
        labelPrevious(m);
    };
    const uint32_t face = Rgb(ColorToRGB(clBtnFace));
    Pixels p = CaptureClient(form->Handle(), true);
    EXPECT_EQ(labelPaints, 1);
    EXPECT_GT(p.CountInk(label->BoundsRect(), face), 0) << "chained paint still draws";

    // A handler that swallows WM_PAINT leaves the label unpainted.
    label->WindowProc = [&](TMessage& m) {
        if (m.Msg != WM_PAINT) labelPrevious(m);
    };
    p = CaptureClient(form->Handle(), true);
    EXPECT_EQ(p.CountInk(label->BoundsRect(), face), 0);

    button->WindowProc = previous;
    label->WindowProc = labelPrevious;
}

TEST(Component, OwnerFreesItsComponentsAndControlsLeaveTheirParent) {
    std::vector<std::wstring> gone;
    struct Recorder : TComponent {
        Recorder(TComponent* owner, std::wstring n, std::vector<std::wstring>& log) : TComponent(owner), log_(log) {
            SetName(std::move(n));
        }
        ~Recorder() override { log_.push_back(Name()); }
        std::vector<std::wstring>& log_;
    };
    auto* owner = new TComponent(nullptr);
    new Recorder(owner, L"A", gone);
    auto* b = new Recorder(owner, L"B", gone);
    new Recorder(owner, L"C", gone);
    EXPECT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(owner->FindComponent(L"b"), b);
    delete b;
    EXPECT_EQ(owner->ComponentCount(), 2);
    delete owner;
    EXPECT_EQ(gone, (std::vector<std::wstring>{L"B", L"C", L"A"}));

    auto form = MakeForm(200, 100, kFormAt);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    const HWND h = button->Handle();
    EXPECT_EQ(form->ControlCount(), 1);
    EXPECT_EQ(FindControl(h), button);
    delete button;
    EXPECT_FALSE(IsWindow(h)) << "the window goes with its control";
    EXPECT_EQ(form->ControlCount(), 0);
    EXPECT_EQ(form->ComponentCount(), 0);

    auto* label = new TLabel(form.get());
    label->SetParent(form.get());
    const HWND formHandle = form->Handle();
    form.reset();
    EXPECT_FALSE(IsWindow(formHandle));
}

TEST(Application, RunShowsTheMainFormAndEndsWhenItCloses) {
    Application->SetMainFormOnTaskBar(true);
    TForm* form = nullptr;
    Application->CreateForm(form);
    ASSERT_EQ(Application->MainForm(), form);
    EXPECT_TRUE(form->HandleAllocated()) << "the main form's window is made by CreateForm";
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(GetWindowLongPtrW(form->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);

    int shows = 0;
    int closes = 0;
    form->OnShow = [&](TObject*) {
        ++shows;
        EXPECT_FALSE(IsWindowVisible(form->Handle())) << "OnShow comes just before the window shows";
        PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
    };
    form->OnClose = [&](TObject*, TCloseAction& action) {
        EXPECT_EQ(action, caHide);
        // The first close is refused; the second ends the application.
        if (++closes == 1) {
            action = caNone;
            PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
        }
    };
    Application->Run();
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(closes, 2);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(IsWindow(form->Handle())) << "closing the main form ends the loop; the form stays";
    delete form;
    EXPECT_EQ(Application->MainForm(), nullptr);
}
