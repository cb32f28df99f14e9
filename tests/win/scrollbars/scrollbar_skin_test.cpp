// Skinned scroll bars on real windows under Wine: the overlay lies exactly on
// the native bar, a skinned and an unskinned control given the same input
// end at the same place, and the arrows, track and thumb show the frames the
// skin gives for each state. The skin is built in memory from flat, distinct
// colours so each frame is known by its pixels.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "framework/controls/ScrollingControls.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinScrollbar.h"
#include "skin/form/SkinData_win.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/ObjectCounts.h"
#include "tests/win/support/SkinFixture.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::CaptureClient;
using test_support::FillStrip;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::Pixels;
using test_support::Pump;
using test_support::PumpUntil;
using test_support::SkinFixture;

constexpr TColor kFace = 0x303030;
constexpr TColor kShadow = 0x101010;

uint32_t Rgb(TColor c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
// Frame i (from 1) of each strip in its own colour.
TColor ArrowColor(int i) {
    return static_cast<TColor>(0x000040 + 0x000008 * i + 0x200000);
}
TColor BarColor(int i) {
    return static_cast<TColor>(0x004000 + 0x002000 * i);
}
TColor SliderColor(int i) {
    return static_cast<TColor>(0x400000 + 0x200000 * i + 0x80);
}

// Scroll arrows, tracks and thumbs, each frame its own colour.
void ScrollSkin(TSkinData& sd) {
    const int cw = GetSystemMetrics(SM_CXHSCROLL);
    sd.Colors[csButtonFace] = kFace;
    sd.Colors[csButtonShadow] = kShadow;
    sd.SArrow = std::make_unique<TDataSkinObject>(L"Scrollbar");
    FillStrip(sd.SArrow->Map, 23, cw, cw, ArrowColor);
    sd.SArrow->frame = 23;
    for (auto* bar : {&sd.HBar, &sd.VBar}) {
        *bar = std::make_unique<TDataSkinObject>(L"Scroll");
        FillStrip((*bar)->Map, 4, 8, 8, BarColor);
        (*bar)->frame = 4;
    }
    for (auto* slider : {&sd.HSlider, &sd.VSlider}) {
        *slider = std::make_unique<TDataSkinObject>(L"ScrollThumb");
        FillStrip((*slider)->Map, 3, 8, 8, SliderColor);
        (*slider)->frame = 3;
    }
}

// Where the form goes on the screen.
constexpr POINT kFormAt{30, 30};

std::wstring Numbered(int n) {
    std::wstring text;
    for (int i = 0; i < n; ++i) text += (i ? L"\r\n" : L"") + std::wstring(L"行 line ") + std::to_wstring(i);
    return text;
}

TMemo* AddMemo(TForm& form, int x, int y, int w, int h, TScrollStyle bars) {
    auto* memo = new TMemo(&form);
    memo->SetParent(&form);
    memo->SetBounds(x, y, w, h);
    memo->SetWordWrap(false);
    memo->SetScrollBars(bars);
    return memo;
}

RECT BarRect(HWND hwnd, LONG id) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    GetScrollBarInfo(hwnd, id, &info);
    return info.rcScrollBar;
}

RECT ScreenRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

std::string Show(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

void MouseAt(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = (screen.x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = (screen.y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

// Press and release queued together: the press enters the platform's
// tracking loop, which returns when it reads the release.
void ClickAt(POINT screen, int times = 1) {
    MouseAt(screen);
    Pump(3);
    for (int i = 0; i < times; ++i) {
        MouseButton(true);
        MouseButton(false);
    }
    Pump(10);
}

// Runs f once from the message loop after ms, also inside a modal loop that
// dispatches (the platform's scroll tracking does).
struct Later {
    static inline std::function<void()> pending;
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        auto f = std::move(pending);
        pending = nullptr;
        if (f) f();
    }
    static void Run(UINT ms, std::function<void()> f) {
        pending = std::move(f);
        SetTimer(nullptr, 0, ms, Fire);
    }
};

// The moves and the release come while the platform tracks the press (it
// has the mouse captured by then), as a hand's would.
void DragFrom(POINT screen, int dx, int dy) {
    MouseAt(screen);
    Pump(3);
    bool released = false;
    MouseButton(true);
    Later::Run(150, [&] {
        MouseAt(POINT{screen.x + dx / 2, screen.y + dy / 2});
        Later::Run(150, [&] {
            MouseAt(POINT{screen.x + dx, screen.y + dy});
            Later::Run(150, [&] {
                MouseButton(false);
                released = true;
            });
        });
    });
    PumpUntil([&] { return released; });
    Pump(10);
}

void Wheel(POINT screen, int notches) {
    MouseAt(screen);
    Pump(3);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    in.mi.mouseData = static_cast<DWORD>(-notches * WHEEL_DELTA);
    SendInput(1, &in, sizeof in);
    Pump(10);
}

// Points on a vertical bar of the window: its arrows, and the track below the thumb.
struct VBarPoints {
    POINT down, up, belowThumb, thumb;
};
VBarPoints VerticalBar(HWND hwnd) {
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    GetScrollBarInfo(hwnd, OBJID_VSCROLL, &info);
    const RECT& r = info.rcScrollBar;
    const int x = (r.left + r.right) / 2;
    return VBarPoints{POINT{x, r.bottom - 4}, POINT{x, r.top + 4},
                      POINT{x, r.top + (info.xyThumbBottom + r.bottom - r.top - info.dxyLineButton) / 2},
                      POINT{x, r.top + (info.xyThumbTop + info.xyThumbBottom) / 2}};
}

uint32_t ScreenPixel(HWND overlay, int x, int y) {
    return CaptureClient(overlay, false).At(x, y);
}

}  // namespace

TEST(SkinnedMemo, OverlaysCoverTheBarsExactlyAsTheMemoResizes) {
    auto form = MakeForm(420, 300, kFormAt);
    TMemo* memo = AddMemo(*form, 10, 10, 220, 140, ssBoth);
    memo->SetText(Numbered(200) + L"\r\n" + std::wstring(120, L'w'));
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* obj = dynamic_cast<TSkinScrollbar*>(AddComp(*fx.sf, memo, form.get()));
    ASSERT_NE(obj, nullptr);
    Pump();
    const HWND h = memo->Handle();
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(
            PumpUntil([&] { return IsWindowVisible(obj->vb->Handle()) && IsWindowVisible(obj->hb->Handle()); }));
        EXPECT_PRED2(SameRect, ScreenRect(obj->vb->Handle()), BarRect(h, OBJID_VSCROLL))
            << "round " << round << ": " << Show(ScreenRect(obj->vb->Handle())) << " / "
            << Show(BarRect(h, OBJID_VSCROLL));
        EXPECT_PRED2(SameRect, ScreenRect(obj->hb->Handle()), BarRect(h, OBJID_HSCROLL)) << "round " << round;
        // The overlay is what the pointer meets there.
        const VBarPoints p = VerticalBar(h);
        EXPECT_EQ(WindowFromPoint(p.down), obj->vb->Handle()) << "round " << round;
        const Pixels v = CaptureClient(obj->vb->Handle(), false);
        const int cw = GetSystemMetrics(SM_CXHSCROLL);
        EXPECT_EQ(v.At(v.width / 2, 2), Rgb(ArrowColor(9))) << "up arrow, round " << round;
        EXPECT_EQ(v.At(v.width / 2, v.height - 3), Rgb(ArrowColor(13))) << "down arrow, round " << round;
        EXPECT_EQ(v.At(v.width / 2, v.height - cw - 3), Rgb(BarColor(1))) << "track, round " << round;
        const Pixels hz = CaptureClient(obj->hb->Handle(), false);
        EXPECT_EQ(hz.At(2, hz.height / 2), Rgb(ArrowColor(1))) << "left arrow, round " << round;
        EXPECT_EQ(hz.At(hz.width - 3, hz.height / 2), Rgb(ArrowColor(5))) << "right arrow, round " << round;
        memo->SetBounds(10 + 5 * round, 10, 260 - 30 * round, 160 + 40 * round);
        Pump();
    }
    // Removing the skin takes the overlays away and leaves the native bar.
    const HWND overlay = obj->vb->Handle();
    obj->Unsubclass();
    Pump();
    EXPECT_FALSE(IsWindow(overlay));
    EXPECT_EQ(WindowFromPoint(VerticalBar(h).down), h);
}

TEST(SkinnedListBox, OverlayFollowsTheBarBeingHiddenAndShown) {
    auto form = MakeForm(420, 300, kFormAt);
    auto* list = new TListBox(form.get());
    list->SetParent(form.get());
    list->SetBounds(10, 10, 160, 120);
    for (int i = 0; i < 3; ++i) list->AddItem(L"item " + std::to_wstring(i));
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* obj = dynamic_cast<TSkinScrollbar*>(AddComp(*fx.sf, list, form.get()));
    ASSERT_NE(obj, nullptr);
    Pump();
    const HWND h = list->Handle();
    EXPECT_FALSE(IsWindowVisible(obj->vb->Handle())) << "three items fit: no bar, no overlay";
    for (int i = 3; i < 60; ++i) list->AddItem(L"item " + std::to_wstring(i));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(obj->vb->Handle()) != FALSE; })) << "content grew";
    EXPECT_PRED2(SameRect, ScreenRect(obj->vb->Handle()), BarRect(h, OBJID_VSCROLL));
    list->Clear();
    list->AddItem(L"alone");
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(obj->vb->Handle()); })) << "fits again";
}

TEST(SkinnedMemo, TwinsGivenTheSameInputEndAtTheSamePlace) {
    auto form = MakeForm(520, 300, kFormAt);
    TMemo* skinned = AddMemo(*form, 10, 10, 220, 200, ssVertical);
    TMemo* plain = AddMemo(*form, 270, 10, 220, 200, ssVertical);
    const std::wstring text = Numbered(500);
    skinned->SetText(text);
    plain->SetText(text);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* obj = dynamic_cast<TSkinScrollbar*>(AddComp(*fx.sf, skinned, form.get()));
    ASSERT_NE(obj, nullptr);
    Pump();
    ASSERT_EQ(WindowFromPoint(VerticalBar(skinned->Handle()).down), obj->vb->Handle());
    ASSERT_EQ(WindowFromPoint(VerticalBar(plain->Handle()).down), plain->Handle());

    struct Step {
        const char* name;
        std::function<void(HWND)> act;
        bool scrolls = true;
    };
    const Step steps[] = {
        {"arrow click", [](HWND h) { ClickAt(VerticalBar(h).down); }},
        {"double click on the arrow", [](HWND h) { ClickAt(VerticalBar(h).down, 2); }},
        {"up arrow", [](HWND h) { ClickAt(VerticalBar(h).up); }},
        {"track below the thumb", [](HWND h) { ClickAt(VerticalBar(h).belowThumb); }},
        {"thumb drag", [](HWND h) { DragFrom(VerticalBar(h).thumb, 0, 45); }},
        // The platform puts the thumb back when the pointer leaves the bar's end.
        {"thumb dragged far below the bar", [](HWND h) { DragFrom(VerticalBar(h).thumb, 0, 400); }, false},
        {"thumb dragged back", [](HWND h) { DragFrom(VerticalBar(h).thumb, 0, -60); }},
        {"wheel",
         [](HWND h) {
             RECT r;
             GetWindowRect(h, &r);
             ClickAt(POINT{r.left + 30, r.top + 30});  // the wheel goes to the focused memo
             Wheel(POINT{r.left + 30, r.top + 30}, 3);
         }},
    };
    int previous = -1;
    for (const Step& s : steps) {
        s.act(skinned->Handle());
        s.act(plain->Handle());
        ASSERT_TRUE(PumpUntil([&] { return skinned->TopLine() == plain->TopLine(); }))
            << "case: " << s.name << ": skinned " << skinned->TopLine() << ", plain " << plain->TopLine();
        if (s.scrolls) {
            EXPECT_NE(plain->TopLine(), previous) << "case: " << s.name << " scrolled";
        }
        previous = plain->TopLine();
    }
}

TEST(SkinnedMemo, ArrowIsHotWhenHoveredAndPressedWhileHeldWithAutoRepeat) {
    auto form = MakeForm(420, 300, kFormAt);
    TMemo* memo = AddMemo(*form, 10, 10, 220, 200, ssVertical);
    memo->SetText(Numbered(300));
    TMemo* other = AddMemo(*form, 260, 10, 100, 100, ssNone);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* obj = dynamic_cast<TSkinScrollbar*>(AddComp(*fx.sf, memo, form.get()));
    ASSERT_NE(obj, nullptr);
    const HWND overlay = obj->vb->Handle();
    RECT o;
    GetClientRect(overlay, &o);
    const POINT arrowInOverlay{o.right / 2, o.bottom - 4};
    RECT away;
    GetWindowRect(other->Handle(), &away);
    MouseAt(POINT{away.left + 10, away.top + 10});
    Pump();
    EXPECT_EQ(ScreenPixel(overlay, arrowInOverlay.x, arrowInOverlay.y), Rgb(ArrowColor(13))) << "normal";

    MouseAt(VerticalBar(memo->Handle()).down);
    ASSERT_TRUE(PumpUntil([&] { return obj->vb->scrollpos == spSecondArrow; }));
    EXPECT_EQ(ScreenPixel(overlay, arrowInOverlay.x, arrowInOverlay.y), Rgb(ArrowColor(16))) << "hot";

    uint32_t whileHeld = 0;
    int linesWhileHeld = 0;
    bool released = false;
    MouseButton(true);
    // Read from inside the platform's tracking loop, then let go.
    Later::Run(800, [&] {
        whileHeld = ScreenPixel(overlay, arrowInOverlay.x, arrowInOverlay.y);
        linesWhileHeld = memo->TopLine();
        MouseButton(false);
        released = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return released; }));
    Pump(10);
    EXPECT_EQ(whileHeld, Rgb(ArrowColor(14))) << "pressed while held";
    EXPECT_GE(linesWhileHeld, 3) << "auto-repeat while held";
    EXPECT_FALSE(obj->vb->fdown) << "the press ended with the release";
    EXPECT_EQ(ScreenPixel(overlay, arrowInOverlay.x, arrowInOverlay.y), Rgb(ArrowColor(16))) << "hot again";
    MouseAt(POINT{away.left + 10, away.top + 10});
    EXPECT_TRUE(PumpUntil([&] { return obj->vb->scrollpos == -1; })) << "left";
}

TEST(SkinnedMemo, DisabledShowsTheDisabledTrackAndNoThumb) {
    auto form = MakeForm(420, 300, kFormAt);
    TMemo* memo = AddMemo(*form, 10, 10, 220, 200, ssVertical);
    memo->SetText(Numbered(300));
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* obj = dynamic_cast<TSkinScrollbar*>(AddComp(*fx.sf, memo, form.get()));
    ASSERT_NE(obj, nullptr);
    Pump();
    auto count = [](const Pixels& p, uint32_t colour) { return std::count(p.data.begin(), p.data.end(), colour); };
    const Pixels enabled = CaptureClient(obj->vb->Handle(), false);
    EXPECT_GT(count(enabled, Rgb(SliderColor(1))), 20) << "a thumb while enabled";
    EXPECT_GT(count(enabled, Rgb(BarColor(1))), 20);
    memo->SetEnabled(false);
    Pump();
    const Pixels disabled = CaptureClient(obj->vb->Handle(), false);
    EXPECT_EQ(count(disabled, Rgb(SliderColor(1))), 0) << "no thumb";
    EXPECT_EQ(count(disabled, Rgb(BarColor(1))), 0);
    EXPECT_GT(count(disabled, Rgb(BarColor(3))), 20) << "the disabled track frame";
    memo->SetEnabled(true);
    Pump();
    EXPECT_GT(count(CaptureClient(obj->vb->Handle(), false), Rgb(SliderColor(1))), 20) << "the thumb is back";
}

TEST(SkinnedMemo, BarShorterThanTwoArrowsShowsTwoHalfArrows) {
    const int cw = GetSystemMetrics(SM_CXHSCROLL);
    auto form = MakeForm(420, 300, kFormAt);
    TMemo* memo = AddMemo(*form, 10, 10, 200, cw + 10, ssVertical);  // the bar: cw + 6 high
    memo->SetText(Numbered(50));
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* obj = dynamic_cast<TSkinScrollbar*>(AddComp(*fx.sf, memo, form.get()));
    ASSERT_NE(obj, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(obj->vb->Handle()) != FALSE; }));
    const Pixels p = CaptureClient(obj->vb->Handle(), false);
    ASSERT_LT(p.height, 2 * cw);
    const int half = p.height / 2;
    const int x = p.width / 2;
    EXPECT_EQ(p.At(x, 0), Rgb(ArrowColor(9)));
    EXPECT_EQ(p.At(x, half - 1), Rgb(ArrowColor(9))) << "the first arrow takes half";
    EXPECT_EQ(p.At(x, p.height - half), Rgb(ArrowColor(13))) << "the second arrow the other half";
    EXPECT_EQ(p.At(x, p.height - 1), Rgb(ArrowColor(13)));
}

TEST(SkinnedScrollBarControl, OverlayCoversItAndTwinsMoveAlike) {
    auto form = MakeForm(420, 200, kFormAt);
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    auto make = [&](int y) {
        auto* bar = new TScrollBar(form.get());
        bar->SetParent(form.get());
        bar->SetBounds(10, y, 300, cy);
        bar->SetParams(20, 0, 200);
        bar->SetPageSize(20);
        bar->SetSmallChange(3);
        bar->SetLargeChange(25);
        return bar;
    };
    TScrollBar* skinned = make(20);
    TScrollBar* plain = make(80);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* obj = dynamic_cast<TSkinScControl*>(AddComp(*fx.sf, skinned, form.get()));
    ASSERT_NE(obj, nullptr);
    Pump();
    const HWND overlay = obj->sb->Handle();
    EXPECT_PRED2(SameRect, ScreenRect(overlay), ScreenRect(skinned->Handle()));
    EXPECT_EQ(obj->sb->sbDir, 0) << "Kind sbHorizontal";

    auto at = [](TScrollBar* b, int x) {
        RECT r;
        GetWindowRect(b->Handle(), &r);
        return POINT{r.left + x, (r.top + r.bottom) / 2};
    };
    auto thumbCentre = [&](TScrollBar* b) {
        const TScrollThumb t = ControlThumb(300, GetSystemMetrics(SM_CXHSCROLL), 0, 200, 20, b->Position());
        return (t.start + t.end) / 2;
    };
    struct Step {
        const char* name;
        std::function<void(TScrollBar*)> act;
    };
    const Step steps[] = {
        {"right arrow", [&](TScrollBar* b) { ClickAt(at(b, 300 - 4)); }},
        {"left arrow", [&](TScrollBar* b) { ClickAt(at(b, 4)); }},
        {"track after the thumb", [&](TScrollBar* b) { ClickAt(at(b, 250)); }},
        {"thumb drag", [&](TScrollBar* b) { DragFrom(at(b, thumbCentre(b)), 60, 0); }},
    };
    int previous = skinned->Position();
    for (const Step& s : steps) {
        s.act(skinned);
        s.act(plain);
        ASSERT_TRUE(PumpUntil([&] { return skinned->Position() == plain->Position(); }))
            << "case: " << s.name << ": skinned " << skinned->Position() << ", plain " << plain->Position();
        EXPECT_NE(plain->Position(), previous) << "case: " << s.name << " moved";
        previous = plain->Position();
    }
    // The thumb is drawn where the control's range puts it.
    MouseAt(POINT{at(skinned, 150).x, at(skinned, 0).y + 30});
    PumpUntil([&] { return obj->sb->scrollpos == -1; });
    const TScrollThumb t = ControlThumb(300, GetSystemMetrics(SM_CXHSCROLL), 0, 200, 20, skinned->Position());
    const Pixels p = CaptureClient(overlay, false);
    EXPECT_EQ(p.At(t.start + 1, cy / 2), Rgb(SliderColor(1))) << "thumb start at " << t.start;
    EXPECT_EQ(p.At(t.start - 2, cy / 2), Rgb(BarColor(1))) << "track before it";
}

// Bare list windows (no framework object): overlays through TSkinScrollbarH,
// and the drop-down style painted into the non-client area with its own drag.
TEST(SkinnedBareList, OverlaysAndNonClientPaintingWithOwnThumbDrag) {
    auto form = MakeForm(420, 300, kFormAt);
    form->Show();
    SetForegroundWindow(form->Handle());
    auto makeList = [&](int x) {
        HWND h = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, x,
                                 10, 150, 160, form->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
        for (int i = 0; i < 80; ++i)
            SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>((L"item " + std::to_wstring(i)).c_str()));
        return h;
    };
    const HWND overlaid = makeList(10);
    const HWND painted = makeList(200);
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* withOverlay = new TSkinScrollbarH(fx.sf.get());
    withOverlay->Inithwnd(overlaid, fx.sd.get(), fx.sf->fCanvas.get(), fx.sf.get());
    auto* drawn = new TComboxScrollBar(fx.sf.get());
    drawn->Inithwnd(painted, fx.sd.get(), fx.sf->fCanvas.get(), fx.sf.get());
    Pump();

    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(withOverlay->vb->Handle()) != FALSE; }));
    EXPECT_PRED2(SameRect, ScreenRect(withOverlay->vb->Handle()), BarRect(overlaid, OBJID_VSCROLL));
    EXPECT_FALSE(IsWindowVisible(withOverlay->hb->Handle())) << "no horizontal bar";
    ClickAt(VerticalBar(overlaid).down);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageW(overlaid, LB_GETTOPINDEX, 0, 0) == 1; }))
        << "the platform scrolled by a line";

    // The painted bar: the arrows' frames in the list's own window DC.
    const RECT bar = BarRect(painted, OBJID_VSCROLL);
    RECT wr;
    GetWindowRect(painted, &wr);
    auto windowPixel = [&](int x, int y) {
        HDC dc = GetWindowDC(painted);
        const COLORREF c = GetPixel(dc, x - wr.left, y - wr.top);
        ReleaseDC(painted, dc);
        return (static_cast<uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    };
    const int x = (bar.left + bar.right) / 2;
    EXPECT_EQ(windowPixel(x, bar.top + 3), Rgb(ArrowColor(9)));
    EXPECT_EQ(windowPixel(x, bar.bottom - 3), Rgb(ArrowColor(13)));
    const int maxTop = 80 - static_cast<int>(160 / SendMessageW(painted, LB_GETITEMHEIGHT, 0, 0));
    DragFrom(VerticalBar(painted).thumb, 0, 40);
    const int dragged = static_cast<int>(SendMessageW(painted, LB_GETTOPINDEX, 0, 0));
    EXPECT_GT(dragged, 0) << "the own drag loop scrolled";
    EXPECT_LE(dragged, maxTop);
    DragFrom(VerticalBar(painted).thumb, 0, 1000);
    EXPECT_GE(static_cast<int>(SendMessageW(painted, LB_GETTOPINDEX, 0, 0)), maxTop - 1) << "dragged to the end";
    EXPECT_FALSE(drawn->fdown);
    EXPECT_NE(GetCapture(), painted) << "the drag gave the mouse back";
    DestroyWindow(overlaid);
    DestroyWindow(painted);
}

TEST(SkinnedScrollBars, SwitchToASkinWithoutArrowsShowsTheNativeBarsAndBackAgain) {
    auto form = MakeForm(420, 240, kFormAt);
    TMemo* memo = AddMemo(*form, 10, 10, 200, 120, ssVertical);
    memo->SetText(Numbered(60));
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    auto makeBar = [&](int y) {
        auto* bar = new TScrollBar(form.get());
        bar->SetParent(form.get());
        bar->SetBounds(10, y, 300, cy);
        bar->SetParams(20, 0, 200);
        bar->SetPageSize(20);
        return bar;
    };
    TScrollBar* bar = makeBar(150);
    TScrollBar* twin = makeBar(190);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto* memoObj = dynamic_cast<TSkinScrollbar*>(AddComp(*fx.sf, memo, form.get()));
    auto* barObj = dynamic_cast<TSkinScControl*>(AddComp(*fx.sf, bar, form.get()));
    ASSERT_TRUE(memoObj && barObj);
    Pump();
    const HWND memoOverlay = memoObj->vb->Handle();
    const HWND barOverlay = barObj->sb->Handle();
    ASSERT_TRUE(IsWindowVisible(memoOverlay));
    ASSERT_TRUE(IsWindowVisible(barOverlay));
    auto switchSkin = [&] {
        for (TSkinControl* c : fx.sf->Controllist) ControlSkinning().SkinChange(c);
        RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump(5);
    };

    std::unique_ptr<TDataSkinObject> arrows = std::move(fx.sd->SArrow);
    switchSkin();
    EXPECT_FALSE(IsWindowVisible(memoOverlay)) << "no arrows: the memo's own bar shows";
    EXPECT_FALSE(IsWindowVisible(barOverlay)) << "no arrows: the scroll-bar control shows";
    // The control paints its bar again, as the twin that was never skinned does.
    EXPECT_EQ(CaptureClient(bar->Handle(), false).data, CaptureClient(twin->Handle(), false).data);
    // Scrolling the memo works and shows on its native bar.
    SendMessageW(memo->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    Pump(3);
    EXPECT_GT(memo->TopLine(), 0);

    fx.sd->SArrow = std::move(arrows);
    switchSkin();
    EXPECT_TRUE(IsWindowVisible(memoOverlay)) << "arrows again: skinned again";
    EXPECT_TRUE(IsWindowVisible(barOverlay));
    EXPECT_PRED2(SameRect, ScreenRect(barOverlay), ScreenRect(bar->Handle()));
    EXPECT_EQ(ScreenPixel(barOverlay, 2, cy / 2), Rgb(ArrowColor(1))) << "the skin's left arrow";
}

TEST(SkinnedMemo, SkinningAndUnskinningLeavesNoGdiObjectsOrWindows) {
    auto form = MakeForm(420, 300, kFormAt);
    TMemo* memo = AddMemo(*form, 10, 10, 220, 200, ssBoth);
    memo->SetText(Numbered(300));
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), ScrollSkin);
    auto cycle = [&] {
        auto* obj = dynamic_cast<TSkinScrollbar*>(AddComp(*fx.sf, memo, form.get()));
        ASSERT_NE(obj, nullptr);
        Pump();
        SendMessageW(memo->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
        Pump();
        obj->Unsubclass();
        delete obj;
        Pump();
    };
    cycle();  // first use creates what lives for the program (window classes, caches)
    const size_t gdi = test_support::GdiObjects();
    int children = 0;
    EnumChildWindows(form->Handle(), test_support::CountOneWindow, reinterpret_cast<LPARAM>(&children));
    for (int i = 0; i < 5; ++i) cycle();
    EXPECT_EQ(test_support::GdiObjects(), gdi);
    int after = 0;
    EnumChildWindows(form->Handle(), test_support::CountOneWindow, reinterpret_cast<LPARAM>(&after));
    EXPECT_EQ(after, children) << "no overlay windows left";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    return RUN_ALL_TESTS();
}
