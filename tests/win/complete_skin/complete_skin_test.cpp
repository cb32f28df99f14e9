// The complete skin (skins/complete, the package skinview carries beside it)
// on real windows under Wine, through the image paths that the updater's own
// skin never reaches: spin buttons, track-bar thumbs and channels, tab pages,
// popup menu items, a maximised MDI child's buttons in the frame's menu band,
// the title's background and the menu bar image. Every part of that skin has
// a flat body of a known colour (CompletePalette.h), so the screen's pixels
// tell which frame of which image was drawn.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/controls/BarControls.h"
#include "framework/controls/EditControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "framework/controls/TabControls.h"
#include "framework/system/StreamsAndLists.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/SkinMenu.h"
#include "skin/form/WinSkinForm.h"
#include "skins/complete/CompletePalette.h"
#include "tests/win/support/Input.h"

namespace {

using namespace complete_skin;
using test_support::PumpFor;
using test_support::PumpUntil;

// ---- Messages, input and the screen

unsigned ScreenPixel(POINT p) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

POINT OnScreen(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
}

void Mouse(DWORD flags, POINT at) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = static_cast<LONG>((at.x * 65535LL + sw / 2) / (sw - 1));
    in.mi.dy = static_cast<LONG>((at.y * 65535LL + sh / 2) / (sh - 1));
    in.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

void Key(WORD vk) {
    INPUT in[2]{};
    in[0].type = INPUT_KEYBOARD;
    in[0].ki.wVk = vk;
    in[1] = in[0];
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// A colour as six hexadecimal digits, RRGGBB, for the failure messages.
std::string Hex(unsigned v) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", v);
    return text;
}

// The visible popup menu window of a thread, into *lParam.
BOOL CALLBACK FindMenuWindow(HWND hwnd, LPARAM out) {
    wchar_t cls[16] = L"";
    if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 16) && std::wstring(cls) == L"#32768") {
        *reinterpret_cast<HWND*>(out) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// ---- The skin on a form

std::wstring PackagePath() {
    const std::string narrow = COMPLETE_SKIN_PACKAGE;
    return std::wstring(narrow.begin(), narrow.end());
}

TWinSkinForm* SkinFormOf(HWND hwnd) {
    return SkinManager ? SkinManager->FindSkinForm(hwnd) : nullptr;
}

class CompleteSkinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallControlSkinning(); }
    void TearDown() override {
        SetCursorPos(0, 0);
        form_.reset();  // frees its skin data and controls
        FreeSkinManager();
        PumpFor(50);
    }

    // The form, its controls built by build, in the complete skin, shown, active and skinned.
    void ShowSkinned(const std::function<void(TForm&)>& build, int width, int height, TFormStyle style = fsNormal) {
        form_ = std::make_unique<TForm>(nullptr);
        form_->SetFormStyle(style);
        form_->SetBorderStyle(bsSingle);
        form_->SetCaption(L"complete skin");
        form_->SetBounds(40, 40, width, height);
        build(*form_);
        data_ = new TSkinData(form_.get());
        data_->SetActive(true);
        TMemoryStream package;
        {
            TFileStream file(PackagePath(), fmOpenRead | fmShareDenyWrite);
            package.CopyFrom(file, 0);
        }
        package.SetPosition(0);
        data_->LoadFromStream(package);
        ASSERT_FALSE(data_->Empty) << "the package beside skinview is a skin";
        form_->Show();
        SetForegroundWindow(form_->Handle());
        ASSERT_TRUE(PumpUntil([&] {
            TWinSkinForm* sf = SkinFormOf(form_->Handle());
            return sf && sf->Skinstate == SkinStage::Skinned;
        })) << "the activated form gets skinned";
        PumpFor(300);
    }

    std::unique_ptr<TForm> form_;
    TSkinData* data_ = nullptr;  // owned by the form
};

template <class T>
T* Place(TWinControl* parent, int left, int top, int width, int height) {
    T* control = new T(parent);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

struct Sample {
    std::string what;
    POINT at;  // screen
    Rgb want;
};

void ExpectSamples(const std::vector<Sample>& samples) {
    for (const Sample& s : samples) {
        // Painting may still be on its way: wait a little for each, then judge.
        PumpUntil([&] { return ScreenPixel(s.at) == s.want.Packed(); }, 1500);
        EXPECT_EQ(Hex(ScreenPixel(s.at)), Hex(s.want.Packed())) << "sample: " << s.what;
    }
}

}  // namespace

// Spin buttons from UpDown.Vert and UpDown.Horz (body and arrow glyph of the
// right frame for each half), track-bar thumbs from frame 2 of their strips,
// and a page control's page from Tab.Pane (Tabs Style=1) with the selected
// tab's teal top from the tab strip.
TEST_F(CompleteSkinTest, SpinButtonsThumbsAndTabPagesAreDrawnFromTheirImages) {
    TUpDown *vertical = nullptr, *horizontal = nullptr;
    TTrackBar *across = nullptr, *down = nullptr;
    TPageControl* pages = nullptr;
    ASSERT_NO_FATAL_FAILURE(ShowSkinned(
        [&](TForm& f) {
            vertical = Place<TUpDown>(&f, 20, 20, 17, 24);
            vertical->SetMax(10);
            vertical->SetPosition(5);
            horizontal = Place<TUpDown>(&f, 60, 23, 34, 18);
            horizontal->SetOrientation(udHorizontal);
            across = Place<TTrackBar>(&f, 120, 10, 200, 40);
            across->SetRange(0, 10);
            across->SetPosition(3);
            down = Place<TTrackBar>(&f, 340, 10, 40, 124);
            down->SetOrientation(trVertical);
            down->SetRange(0, 10);
            down->SetPosition(6);
            pages = Place<TPageControl>(&f, 20, 150, 240, 120);
            for (const wchar_t* caption : {L"One", L"Two"}) {
                auto* page = new TTabSheet(&f);
                page->SetCaption(caption);
                page->SetPageControl(pages);
            }
        },
        460, 340));

    std::vector<Sample> samples;
    // Vertical spin: two halves, each a 16 x 12 frame centred, its arrow 7 x 4
    // at (4, 4) of the frame; the row of the arrow's base is full.
    {
        const HWND h = vertical->Handle();
        RECT c{};
        GetClientRect(h, &c);
        const int w = c.right, half = c.bottom / 2, gx = (w - 16) / 2;
        const int upTop = (half - 12) / 2, downTop = half + (c.bottom - half - 12) / 2;
        samples.push_back({"up button body (frame 1)", OnScreen(h, 2, 2), kRaised});
        samples.push_back({"up arrow's base (glyph frame 1)", OnScreen(h, gx + 7, upTop + 7), kInk});
        samples.push_back({"down button body (frame 5)", OnScreen(h, 2, half + 2), kRaised});
        samples.push_back({"down arrow's base (glyph frame 5)", OnScreen(h, gx + 7, downTop + 4), kInk});
    }
    // Horizontal spin: 12 x 16 frames, the arrows 4 x 7 at (4, 4), their base column full.
    {
        const HWND h = horizontal->Handle();
        RECT c{};
        GetClientRect(h, &c);
        const int half = c.right / 2, gy = (c.bottom - 16) / 2 + 4 + 3;
        samples.push_back({"left button body", OnScreen(h, 2, 2), kRaised});
        samples.push_back({"left arrow's base", OnScreen(h, (half - 12) / 2 + 4 + 3, gy), kInk});
        samples.push_back({"right button body", OnScreen(h, half + 2, 2), kRaised});
        samples.push_back({"right arrow's base", OnScreen(h, half + (c.right - half - 12) / 2 + 4, gy), kInk});
    }
    // Thumbs: frame 2 of ThumbHorz and ThumbVert, teal in the middle.
    for (TTrackBar* bar : {across, down}) {
        RECT t{};
        SendMessageW(bar->Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&t));
        samples.push_back({bar == across ? "horizontal thumb" : "vertical thumb",
                           OnScreen(bar->Handle(), (t.left + t.right) / 2, (t.top + t.bottom) / 2), kTeal});
    }
    // Channels: Track keeps its 4 rows (outline, 2 of body, outline) from the
    // channel's top; TRACKVERT keeps its 4 columns, centred in the channel.
    {
        RECT cr{};
        SendMessageW(across->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&cr));
        const int y = cr.top + (4 < cr.bottom - cr.top ? (cr.bottom - cr.top) / 2 : 0);
        samples.push_back({"horizontal channel's outline", OnScreen(across->Handle(), cr.left + 4, y), kLine});
        samples.push_back({"horizontal channel's body", OnScreen(across->Handle(), cr.left + 4, y + 1), kSunk});
        SendMessageW(down->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&cr));
        if (cr.right - cr.left > cr.bottom - cr.top) cr = RECT{cr.top, cr.left, cr.bottom, cr.right};
        const int x = cr.left + std::max(0, static_cast<int>(cr.right - cr.left - 4) / 2);
        samples.push_back({"vertical channel's outline", OnScreen(down->Handle(), x, cr.top + 3), kLine});
        samples.push_back({"vertical channel's body", OnScreen(down->Handle(), x + 1, cr.top + 3), kSunk});
    }
    // The page: the display rectangle grown by 4 (one pixel off the tabs) is
    // Tab.Pane, an outline and a light rim around the sheet.
    {
        const HWND h = pages->Handle();
        RECT p{};
        GetClientRect(h, &p);
        SendMessageW(h, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&p));
        InflateRect(&p, kPageRim, kPageRim);
        p.top += 1;
        const int midY = (p.top + p.bottom) / 2, midX = (p.left + p.right) / 2;
        samples.push_back({"page outline, left", OnScreen(h, p.left, midY), kLine});
        samples.push_back({"page rim, left", OnScreen(h, p.left + 2, midY), kPage});
        samples.push_back({"page rim, right", OnScreen(h, p.right - 3, midY), kPage});
        samples.push_back({"page rim, bottom", OnScreen(h, midX, p.bottom - 3), kPage});
        samples.push_back({"page outline, bottom", OnScreen(h, midX, p.bottom - 1), kLine});
        RECT tab{};
        SendMessageW(h, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
        samples.push_back(
            {"selected tab's top (frame 2)", OnScreen(h, (tab.left + tab.right) / 2, tab.top + 2), kTeal});
    }
    ExpectSamples(samples);

    // The spin's states: the up half hot (frame 4) under the pointer, pressed
    // (frame 2) while the button is held; the down half stays normal.
    const HWND spin = vertical->Handle();
    RECT c{};
    GetClientRect(spin, &c);
    const int half = c.bottom / 2;
    Mouse(0, OnScreen(spin, c.right / 2, half / 2));
    ExpectSamples({{"up button hot", OnScreen(spin, 2, 2), kTealPale},
                   {"down button while the up one is hot", OnScreen(spin, 2, half + 2), kRaised}});
    Mouse(MOUSEEVENTF_LEFTDOWN, OnScreen(spin, c.right / 2, half / 2));
    ExpectSamples({{"up button pressed", OnScreen(spin, 2, 2), kSunk},
                   {"down button while the up one is pressed", OnScreen(spin, 2, half + 2), kRaised}});
    Mouse(MOUSEEVENTF_LEFTUP, OnScreen(spin, c.right / 2, half / 2));
    PumpFor(100);
}

// A popup menu's items: the selected one from frame 4 of MenuItem, the others
// let the popup's background (MenuBackground) show through frame 1, and a
// separator is the rule of frame 2's bottom rows.
TEST_F(CompleteSkinTest, PopupMenuItemsAreDrawnFromTheItemStrip) {
    ASSERT_NO_FATAL_FAILURE(ShowSkinned([](TForm&) {}, 300, 200));
    TPopupMenu menu(nullptr);
    menu.SetOwnerDraw(true);
    for (const wchar_t* caption : {L"First", L"Second", L"-", L"Third"}) {
        auto* item = new TMenuItem(nullptr);
        item->SetCaption(caption);
        menu.Items()->Add(item);
    }
    SetSkinMenuPainter(*menu.Items(), data_, true);

    // The menu is tracked on this thread; a driver thread selects the first
    // item, reads the screen and closes the menu.
    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> tracking{true};
    std::vector<std::pair<std::string, unsigned>> seen, wanted;
    std::thread driver([&] {
        HWND popup = nullptr;
        for (int i = 0; i < 300 && !popup && tracking; ++i) {
            EnumThreadWindows(thread, FindMenuWindow, reinterpret_cast<LPARAM>(&popup));
            if (!popup) Sleep(10);
        }
        if (popup) {
            Sleep(150);
            Key(VK_DOWN);
            RECT items[4]{};
            const HMENU shown = menu.Items()->MenuHandle();
            for (UINT i = 0; i < 4; ++i) GetMenuItemRect(nullptr, shown, i, &items[i]);
            RECT window{};
            GetWindowRect(popup, &window);
            auto mid = [](const RECT& r) { return (r.top + r.bottom) / 2; };
            const RECT& rule = items[2];
            const int ruleY = rule.top + (rule.bottom - rule.top) - 5;  // frame 2's rule, 5 rows above its bottom
            const std::vector<Sample> samples = {
                {"popup border (MenuBackground)", POINT{window.left, mid(window)}, kMenuEdge},
                {"selected item (frame 4)", POINT{items[0].right - 3, mid(items[0])}, kTeal},
                {"normal item (frame 1 over the background)", POINT{items[1].right - 3, mid(items[1])}, kMenu},
                {"separator's rule (frame 2)", POINT{rule.right - 3, ruleY}, kMenuRule},
                {"above the rule", POINT{rule.right - 3, ruleY - 1}, kMenu},
                {"last item", POINT{items[3].right - 3, mid(items[3])}, kMenu},
            };
            for (const Sample& s : samples) {
                unsigned got = 0;
                for (int i = 0; i < 50; ++i) {  // the selection is painted after the key
                    got = ScreenPixel(s.at);
                    if (got == s.want.Packed()) break;
                    Sleep(20);
                }
                seen.emplace_back(s.what, got);
                wanted.emplace_back(s.what, s.want.Packed());
            }
        }
        for (int i = 0; i < 3 && tracking; ++i) {
            Key(VK_ESCAPE);
            Sleep(200);
        }
        if (tracking) PostMessageW(PopupOwnerWindow(), WM_CANCELMODE, 0, 0);
    });
    menu.Popup(100, 100);
    tracking = false;
    driver.join();
    PumpFor(200);
    ASSERT_EQ(wanted.size(), 6u) << "the popup menu appeared";
    for (size_t i = 0; i < wanted.size(); ++i)
        EXPECT_EQ(Hex(seen[i].second), Hex(wanted[i].second)) << "sample: " << wanted[i].first;
}

// A maximised MDI child's buttons, cut from the MDICONTROLS image, in the
// frame's menu band over the menu bar image: glyphs of frame 1, frame 4 under
// the pointer, and the restore button restores the child.
TEST_F(CompleteSkinTest, MaximisedChildsButtonsAreCutFromTheMdiImage) {
    ASSERT_NO_FATAL_FAILURE(ShowSkinned(
        [](TForm& f) {
            auto* bar = new TMainMenu(&f);
            auto* file = new TMenuItem(&f);
            file->SetCaption(L"&File");
            auto* item = new TMenuItem(&f);
            item->SetCaption(L"&Nothing");
            file->Add(item);
            bar->Items()->Add(file);
            f.SetMenu(bar);
        },
        560, 420, fsMDIForm));
    const HWND frame = form_->Handle();
    TWinSkinForm* sf = SkinFormOf(frame);
    ASSERT_NE(sf, nullptr);
    ASSERT_TRUE(sf->MenuBar().menu) << "the frame's menu bar is skinned";

    auto* child = new TForm(form_.get());  // freed with the frame
    child->SetFormStyle(fsMDIChild);
    child->SetCaption(L"child");
    child->SetBounds(10, 10, 220, 160);
    child->Show();
    ASSERT_TRUE(PumpUntil([&] {
        TWinSkinForm* c = SkinFormOf(child->Handle());
        return c && c->Skinstate == SkinStage::Skinned;
    }));
    child->SetWindowState(wsMaximized);
    SetForegroundWindow(frame);
    ASSERT_TRUE(PumpUntil([&] { return sf->MdiClient().MDIChildMax(); }));

    // A button's (x, y) of its 16 x 16 frame, on the screen.
    auto at = [&](int xcoord, int x, int y) {
        RECT r{};
        GetWindowRect(frame, &r);
        const int left = (r.right - r.left) - xcoord - sf->Frame().bw.Right - kMenuBarLeft;
        const int top = sf->Frame().bw.Top + (sf->Frame().MenuHeight - kMdiButton) / 2;
        return POINT{r.left + left + x, r.top + top + y};
    };
    // The glyphs lie at (4, 4) of each frame (see make_complete_skin's MdiButtons).
    ExpectSamples({
        {"minimise glyph", at(kMdiMinimizeX, 6, 9), kChromeInk},
        {"minimise: the bar shows around it", at(kMdiMinimizeX, 6, 3), kSlate},
        {"restore glyph", at(kMdiRestoreX, 6, 4), kChromeInk},
        {"restore: the bar shows beside it", at(kMdiRestoreX, 4, 4), kSlate},
        {"close glyph", at(kMdiCloseX, 4, 4), kChromeInk},
        {"close: the bar shows between its strokes", at(kMdiCloseX, 7, 4), kSlate},
    });

    Mouse(0, at(kMdiRestoreX, 8, 8));
    ExpectSamples({{"restore under the pointer (frame 4)", at(kMdiRestoreX, 1, 8), kSlateHot}});
    const HWND childHwnd = child->Handle();
    Mouse(MOUSEEVENTF_LEFTDOWN, at(kMdiRestoreX, 8, 8));
    PumpFor(80);
    Mouse(MOUSEEVENTF_LEFTUP, at(kMdiRestoreX, 8, 8));
    EXPECT_TRUE(PumpUntil([&] { return !IsZoomed(childHwnd); })) << "the restore button restored the child";
}

// The caption's text background (TextBack: an underline) and the menu bar
// image, each in frame 1 while the window is active and frame 2 while not.
TEST_F(CompleteSkinTest, TitleUnderlineAndMenuBarFollowTheWindowsActivation) {
    ASSERT_NO_FATAL_FAILURE(ShowSkinned(
        [](TForm& f) {
            auto* bar = new TMainMenu(&f);
            auto* file = new TMenuItem(&f);
            file->SetCaption(L"&File");
            bar->Items()->Add(file);
            f.SetMenu(bar);
        },
        360, 240));
    const HWND hwnd = form_->Handle();
    TWinSkinForm* sf = SkinFormOf(hwnd);
    ASSERT_NE(sf, nullptr);
    ASSERT_GT(sf->Frame().MenuHeight, 2) << "the form has a menu band";
    auto window = [&](int x, int y) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return POINT{r.left + x, r.top + y};
    };
    auto samples = [&](bool active) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        const int underline = kCaptionHeight - 4;  // the image's underline rows
        return std::vector<Sample>{
            {active ? "title underline, active" : "title underline, inactive",
             window(sf->Frame().ctr.Left + 4, underline), active ? kTeal : kSlateOffRim},
            {active ? "menu bar, active" : "menu bar, inactive",
             window((r.right - r.left) - sf->Frame().bw.Right - 10, sf->Frame().bw.Top + 2),
             active ? kSlate : kSlateOff},
        };
    };
    ExpectSamples(samples(true));

    // Another window in front: the form is drawn inactive.
    HWND other = CreateWindowExW(0, L"STATIC", L"in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 400, 200, 120,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    PumpUntil([&] { return GetForegroundWindow() == other; });
    ExpectSamples(samples(false));
    DestroyWindow(other);
}
