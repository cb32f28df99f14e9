// Control skinning on real windows under Wine: push buttons driven by the
// mouse and keyboard, check box and radio strips, the progress bar's filled
// width, detaching with another subclass on top, and a control destroyed
// while hot. The skin is built in memory from flat, distinct colours so each
// frame is known by its pixels.
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
#include <type_traits>
#include <utility>
#include <vector>

#include "app/Main.h"
#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ProgressBar.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinProgress.h"
#include "skin/draw/DrawUtils.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/SkinFixture.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::CaptureClient;
using test_support::Key;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Pixels;
using test_support::Pump;
using test_support::PumpUntil;
using test_support::SkinFixture;

// Colours as TColor (0x00BBGGRR).
constexpr TColor kFace = 0x303030;
constexpr TColor kButtonFrames[5] = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0, 0xC000C0};  // frames 1..5
constexpr TColor kTrack = 0x404080;
constexpr TColor kBar = 0x40A040;
constexpr TColor kChunk = 0xA04040;

uint32_t Rgb(TColor c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// A distinct colour for strip frame i (1-based).
TColor StripColor(int i) {
    return static_cast<TColor>(0x101010 * i + 0x000080);
}

void FillStrip(TBitmap& bmp, int frames, int frameWidth, int height, TColor (*color)(int)) {
    bmp.SetSize(frames * frameWidth, height);
    for (int i = 1; i <= frames; ++i)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < frameWidth; ++x) bmp.SetPixel((i - 1) * frameWidth + x, y, color(i));
}

uint32_t PixelOf(HWND hwnd, int x, int y) {
    return CaptureClient(hwnd, true).At(x, y);
}

// Button frames 1..5 and a progress bar of two frames: the track, then the bar.
void ButtonAndProgressSkin(TSkinData& sd) {
    sd.Colors[csButtonFace] = kFace;
    sd.Colors[csButtonText] = clWhite;
    sd.Button = std::make_unique<TDataSkinButton>(L"Button");
    auto& b = *sd.Button;
    b.Map.SetSize(5 * 20, 20);
    for (int f = 0; f < 5; ++f)
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) b.Map.SetPixel(f * 20 + x, y, kButtonFrames[f]);
    b.r = TRect{3, 3, 3, 3};
    b.frame = 5;
    sd.progress = std::make_unique<TDataSkinBorder>(L"Progress");
    auto& p = *sd.progress;
    p.Map.SetSize(2 * 12, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x) {
            p.Map.SetPixel(x, y, kTrack);
            p.Map.SetPixel(12 + x, y, kBar);
        }
    p.r = TRect{2, 0, 5, 0};
    p.frame = 2;
}

// Where the form goes on the screen.
constexpr POINT kFormAt{50, 50};

bool Listed(const TWinSkinForm& sf, const TSkinControl* c) {
    return std::find(sf.Controllist.begin(), sf.Controllist.end(), c) != sf.Controllist.end();
}

// A plain top-level parent for bare child windows, with dialog navigation.
struct BareParent {
    HWND hwnd = nullptr;
    std::vector<std::pair<WPARAM, LPARAM>> commands;

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<BareParent*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && msg == WM_COMMAND) self->commands.emplace_back(wp, lp);
        return DefWindowProcW(h, msg, wp, lp);
    }
    BareParent() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ControlSkinTestParent";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, wc.lpszClassName, L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60,
                               60, 480, 260, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~BareParent() { DestroyWindow(hwnd); }
    HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) const {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    }
    // Messages through the dialog manager, so Tab moves the focus.
    void PumpDialog(int rounds = 5) const {
        for (int i = 0; i < rounds; ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                if (!IsDialogMessageW(hwnd, &msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
        }
    }
};

}  // namespace

TEST(SkinButton, MouseFramesAndExactlyOneClickPerPressReleasedInside) {
    auto form = MakeForm(300, 120, kFormAt);
    auto* other = new TButton(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 10, 80, 30);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(120, 60, 90, 30);
    button->SetCaption(L"取消");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    SkinFixture fx(form->Handle(), ButtonAndProgressSkin);
    auto* obj = dynamic_cast<TSkinButton*>(AddComp(*fx.sf, button, form.get()));
    ASSERT_NE(obj, nullptr);
    ASSERT_NE(AddComp(*fx.sf, other, form.get()), nullptr);
    EXPECT_EQ(AddComp(*fx.sf, button, form.get()), nullptr) << "a skinned control is not skinned twice";
    EXPECT_TRUE(Listed(*fx.sf, obj));
    const HWND b = button->Handle();
    EXPECT_EQ(SendMessageW(b, CN_SkinQuery, 0, 0), 1);
    SetForegroundWindow(form->Handle());
    other->SetFocus();
    MouseTo(form->Handle(), 5, 100);
    Pump();
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[0])) << "normal";

    MouseTo(b, 45, 15);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) != 0; })) << "hover";
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[3])) << "hot";
    EXPECT_EQ(fx.sf->Activeskincontrol, obj);
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[1])) << "pressed";
    EXPECT_EQ(GetFocus(), b) << "a press focuses the button";
    EXPECT_EQ(clicks, 0) << "no click before the release";
    MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return clicks > 0; }));
    Pump(10);
    EXPECT_EQ(clicks, 1) << "one release inside, one click";
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[3])) << "hot again after the release";

    // Press, move out, release outside: no click.
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    MouseTo(form->Handle(), 5, 100);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) == 0; })) << "the leave is seen";
    MouseButton(false);
    Pump(10);
    EXPECT_EQ(clicks, 1) << "released outside";
    EXPECT_EQ(obj->MouseState(), 0);
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[4])) << "focused, not hot";

    // Space on the focused button: one click.
    Key(VK_SPACE, true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[1])) << "pressed by Space";
    Key(VK_SPACE, false);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 2; }));
    Pump(10);
    EXPECT_EQ(clicks, 2);

    // Disabled: its frame, and the mouse does nothing.
    button->SetEnabled(false);
    Pump();
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[2])) << "disabled";
    MouseTo(b, 40, 15);
    Pump(5);
    MouseButton(true);
    Pump(5);
    MouseButton(false);
    Pump(10);
    EXPECT_EQ(clicks, 2) << "a disabled button never clicks";
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[2]));
    MouseTo(form->Handle(), 5, 100);
    Pump();
}

TEST(SkinButton, BareButtonsFocusFrameFollowsTabAndClickTellsTheParentWhich) {
    BareParent parent;
    const HWND first = parent.Child(L"BUTTON", L"One", BS_PUSHBUTTON | WS_TABSTOP, 20, 20, 90, 28, 101);
    const HWND second = parent.Child(L"BUTTON", L"Two", BS_PUSHBUTTON | WS_TABSTOP, 140, 20, 90, 28, 102);
    SkinFixture fx(parent.hwnd, ButtonAndProgressSkin);
    auto* one = dynamic_cast<TSkinButton*>(AddControlh(*fx.sf, first));
    auto* two = dynamic_cast<TSkinButton*>(AddControlh(*fx.sf, second));
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(AddControlh(*fx.sf, first), nullptr) << "a skinned window is not skinned twice";
    SetForegroundWindow(parent.hwnd);
    MouseTo(parent.hwnd, 300, 200);
    SetFocus(first);
    parent.PumpDialog();
    EXPECT_EQ(PixelOf(first, 1, 1), Rgb(kButtonFrames[4])) << "focused";
    EXPECT_EQ(PixelOf(second, 1, 1), Rgb(kButtonFrames[0]));
    Key(VK_TAB, true);
    Key(VK_TAB, false);
    for (int i = 0; i < 100 && GetFocus() != second; ++i) parent.PumpDialog(1);
    ASSERT_EQ(GetFocus(), second);
    parent.PumpDialog();
    // The dialog manager makes a focused push button the default one; the
    // old one loses both.
    EXPECT_EQ(PixelOf(first, 1, 1), Rgb(kButtonFrames[0])) << "focus left";
    EXPECT_EQ(PixelOf(second, 1, 1), Rgb(kButtonFrames[4])) << "focus arrived";

    parent.commands.clear();
    MouseTo(second, 40, 14);
    for (int i = 0; i < 100 && !(two->MouseState() & scMouseIn); ++i) parent.PumpDialog(1);
    MouseButton(true);
    parent.PumpDialog(5);
    MouseButton(false);
    for (int i = 0; i < 100 && parent.commands.empty(); ++i) parent.PumpDialog(1);
    parent.PumpDialog(5);
    int clicked = 0;
    for (auto& [wp, lp] : parent.commands)
        if (HIWORD(wp) == BN_CLICKED) {
            ++clicked;
            EXPECT_EQ(LOWORD(wp), 102) << "the parent learns which button";
            EXPECT_EQ(reinterpret_cast<HWND>(lp), second);
        }
    EXPECT_EQ(clicked, 1);
    MouseTo(parent.hwnd, 300, 200);
    parent.PumpDialog();
}

TEST(SkinCheckBox, GlyphFramePerStateAndStrip) {
    // Expected strip frame for: unchecked, checked, unchecked disabled,
    // checked disabled, indeterminate, indeterminate disabled.
    struct Case {
        const char* name;
        bool radio;
        int frames;
        int expected[6];
    };
    const Case cases[] = {
        {"check box, 4 frames", false, 4, {1, 2, 3, 4, 4, 4}},
        {"check box, 6 frames", false, 6, {1, 2, 3, 4, 4, 4}},
        {"check box, 12 frames", false, 12, {1, 5, 4, 8, 9, 12}},
        {"radio button, 4 frames", true, 4, {1, 2, 3, 4, 0, 0}},
        {"radio button, 8 frames", true, 8, {1, 5, 4, 8, 0, 0}},
    };
    for (const Case& c : cases) {
        BareParent parent;
        const DWORD style = c.radio ? BS_AUTORADIOBUTTON : BS_AUTO3STATE;
        const HWND box = parent.Child(L"BUTTON", L"Option", style, 20, 20, 120, 24, 201);
        SkinFixture fx(parent.hwnd, ButtonAndProgressSkin);
        TBitmap& strip = c.radio ? fx.sd->Button->RadioMap : fx.sd->Button->CheckMap;
        FillStrip(strip, c.frames, 13, 13, StripColor);
        (c.radio ? fx.sd->Button->radioframe : fx.sd->Button->checkframe) = c.frames;
        TSkinControl* obj = AddControlh(*fx.sf, box);
        ASSERT_NE(obj, nullptr) << "case: " << c.name;
        EXPECT_EQ(obj->ClassName(), c.radio ? L"TSkinRadioButton" : L"TSkinCheckBox");
        auto* cb = static_cast<TSkinCheckBox*>(obj);
        struct Step {
            WPARAM check;
            bool enabled;
        };
        const Step steps[] = {{BST_UNCHECKED, true}, {BST_CHECKED, true},       {BST_UNCHECKED, false},
                              {BST_CHECKED, false},  {BST_INDETERMINATE, true}, {BST_INDETERMINATE, false}};
        for (int i = 0; i < 6; ++i) {
            if (c.expected[i] == 0) continue;
            EnableWindow(box, steps[i].enabled);
            SendMessageW(box, BM_SETCHECK, steps[i].check, 0);
            parent.PumpDialog(2);
            EXPECT_EQ(cb->GlyphFrame(), c.expected[i]) << "case: " << c.name << ", step " << i;
            // What the window shows: the box is centred vertically at the left.
            RECT wr;
            GetWindowRect(box, &wr);
            POINT centre{wr.left + 6, wr.top + (wr.bottom - wr.top) / 2};
            HDC screen = GetDC(nullptr);
            const COLORREF shown = GetPixel(screen, centre.x, centre.y);
            ReleaseDC(nullptr, screen);
            EXPECT_EQ(shown, StripColor(c.expected[i])) << "case: " << c.name << ", step " << i;
        }
    }
}

TEST(SkinRadioButton, GroupKeepsExactlyOneChecked) {
    BareParent parent;
    const HWND a = parent.Child(L"BUTTON", L"A", BS_AUTORADIOBUTTON | WS_GROUP, 20, 20, 100, 24, 301);
    const HWND b = parent.Child(L"BUTTON", L"B", BS_AUTORADIOBUTTON, 20, 60, 100, 24, 302);
    SkinFixture fx(parent.hwnd, ButtonAndProgressSkin);
    FillStrip(fx.sd->Button->RadioMap, 4, 13, 13, StripColor);
    fx.sd->Button->radioframe = 4;
    auto* ra = static_cast<TSkinRadioButton*>(AddControlh(*fx.sf, a));
    auto* rb = static_cast<TSkinRadioButton*>(AddControlh(*fx.sf, b));
    ASSERT_TRUE(ra && rb);
    SendMessageW(a, BM_SETCHECK, BST_CHECKED, 0);
    SetForegroundWindow(parent.hwnd);
    MouseTo(b, 6, 12);
    parent.PumpDialog(3);
    MouseButton(true);
    parent.PumpDialog(3);
    MouseButton(false);
    for (int i = 0; i < 100 && SendMessageW(b, BM_GETCHECK, 0, 0) != BST_CHECKED; ++i) parent.PumpDialog(1);
    parent.PumpDialog(3);
    EXPECT_EQ(SendMessageW(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ra->GlyphFrame(), 1);
    EXPECT_EQ(rb->GlyphFrame(), 2);
    HDC screen = GetDC(nullptr);
    RECT wa, wb;
    GetWindowRect(a, &wa);
    GetWindowRect(b, &wb);
    EXPECT_EQ(GetPixel(screen, wa.left + 6, wa.top + 12), StripColor(1)) << "A shows unchecked";
    EXPECT_EQ(GetPixel(screen, wb.left + 6, wb.top + 12), StripColor(2)) << "B shows checked";
    ReleaseDC(nullptr, screen);
    MouseTo(parent.hwnd, 300, 200);
    parent.PumpDialog();
}

TEST(SkinProgress, FilledWidthFollowsPositionOnThe377PixelBar) {
    auto form = MakeForm(460, 100, kFormAt);
    auto* bar = new TProgressBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(20, 40, 377, 17);
    bar->SetMax(10000);
    form->Show();
    SkinFixture fx(form->Handle(), ButtonAndProgressSkin);
    ASSERT_NE(dynamic_cast<TSkinProgress*>(AddComp(*fx.sf, bar, form.get())), nullptr);
    const HWND h = bar->Handle();
    struct Case {
        int position;
        int filled;
    };
    // MulDiv rounds to nearest: 5000 of 377 is 188.5 -> 189, 9999 -> 376.96 -> 377.
    const Case cases[] = {{0, 0}, {1, 0}, {5000, 189}, {9999, 377}, {10000, 377}, {26, 1}};
    for (const Case& c : cases) {
        bar->SetPosition(c.position);
        Pump(2);
        const Pixels p = CaptureClient(h, true);
        ASSERT_EQ(p.width, 377);
        int filled = 0;
        for (int x = 0; x < p.width; ++x) filled += p.At(x, 8) == Rgb(kBar) ? 1 : 0;
        EXPECT_EQ(filled, c.filled) << "position " << c.position;
        for (int x = 0; x < p.width; ++x) {
            const uint32_t want = x < c.filled ? Rgb(kBar) : Rgb(kTrack);
            if (p.At(x, 8) != want) {
                ADD_FAILURE() << "position " << c.position << ": pixel " << x << " is not " << std::hex << want;
                break;
            }
        }
    }
    // Also what the screen shows after a position change repaints by itself.
    bar->SetPosition(2500);
    Pump(5);
    const Pixels screen = CaptureClient(h, false);
    EXPECT_EQ(screen.At(93, 8), Rgb(kBar));
    EXPECT_EQ(screen.At(95, 8), Rgb(kTrack));

    // The two-frame style counts from the minimum.
    bar->SetMin(100);
    bar->SetMax(200);
    bar->SetPosition(150);
    Pump(2);
    const Pixels half = CaptureClient(h, true);
    EXPECT_EQ(half.At(187, 8), Rgb(kBar));
    EXPECT_EQ(half.At(189, 8), Rgb(kTrack));
}

TEST(SkinProgress, ChunksAreTiledAndVerticalBarsGrowUpwards) {
    BareParent parent;
    const HWND h = parent.Child(PROGRESS_CLASSW, L"", 0, 20, 20, 377, 17, 401);
    const HWND v = parent.Child(PROGRESS_CLASSW, L"", PBS_VERTICAL, 420, 20, 17, 100, 402);
    SkinFixture fx(parent.hwnd, ButtonAndProgressSkin);
    // The tables give a bare system progress bar no object; attach one directly.
    auto attach = [&](HWND w) {
        auto* object = new TSkinProgress(fx.sf.get());
        object->Inithwnd(w, fx.sd.get(), fx.sf->fCanvas.get(), fx.sf.get());
        return object;
    };
    attach(v);
    SendMessageW(v, PBM_SETRANGE32, 0, 10000);
    SendMessageW(v, PBM_SETPOS, 5000, 0);
    parent.PumpDialog(2);
    const Pixels vp = CaptureClient(v, true);
    EXPECT_EQ(vp.At(8, 99), Rgb(kBar)) << "bottom filled";
    EXPECT_EQ(vp.At(8, 50), Rgb(kBar));
    EXPECT_EQ(vp.At(8, 49), Rgb(kTrack)) << "top half empty";

    // Chunk style: a 6-pixel chunk, 4 coloured and 2 transparent, repeated
    // from x = r.Left + 2 across the filled width.
    // This style's track is the whole image as one frame.
    fx.sd->progress->style = 1;
    FillStrip(fx.sd->progress->Map, 1, 12, 10, [](int) { return kTrack; });
    fx.sd->progresschunk = std::make_unique<TDataSkinObject>(L"Progress.Chunk");
    auto& chunk = *fx.sd->progresschunk;
    chunk.Map.SetSize(6, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 6; ++x) chunk.Map.SetPixel(x, y, x < 4 ? kChunk : kSkinKeyColor);
    chunk.Tile = 1;
    chunk.r = TRect{1, 0, 1, 0};
    attach(h);
    SendMessageW(h, PBM_SETRANGE32, 0, 10000);
    SendMessageW(h, PBM_SETPOS, 5000, 0);
    parent.PumpDialog(2);
    const Pixels p = CaptureClient(h, true);
    const int start = 3;
    const int filled = MulDiv(377, 5000, 10000);
    const int y = 8;  // (17 - 9) / 2 = 4: rows 4..12 carry chunks
    for (int x = 0; x < p.width; ++x) {
        uint32_t want = Rgb(kTrack);
        if (x >= start && x < start + filled && (x - start) % 6 < 4) want = Rgb(kChunk);
        if (p.At(x, y) != want) {
            ADD_FAILURE() << "chunk row: pixel " << x << " is " << std::hex << p.At(x, y) << ", want " << want;
            break;
        }
    }
    EXPECT_EQ(p.At(10, 2), Rgb(kTrack)) << "above the chunk row";
}

// The base's fields are its own and its subclasses': others read them
// through accessors.
template <class T, class = void>
struct PublicSkinState : std::false_type {};
template <class T>
struct PublicSkinState<T, std::void_t<decltype(std::declval<T&>().skinstate)>> : std::true_type {};
template <class T, class = void>
struct PublicHwnd : std::false_type {};
template <class T>
struct PublicHwnd<T, std::void_t<decltype(std::declval<T&>().hwnd)>> : std::true_type {};
template <class T, class = void>
struct PublicMouseState : std::false_type {};
template <class T>
struct PublicMouseState<T, std::void_t<decltype(std::declval<T&>().state)>> : std::true_type {};
static_assert(!PublicSkinState<TSkinControl>::value && !PublicHwnd<TSkinControl>::value &&
                  !PublicMouseState<TSkinButton>::value,
              "the control base's fields are not public");

// Paint, print and erase of a control painted whole are answered by the
// base: a print gives the skin's picture, an erase touches nothing. Without
// the button image the control erases and paints itself.
TEST(SkinControl, BaseAnswersPaintPrintAndEraseAsThePaintModeSays) {
    auto form = MakeForm(300, 120, kFormAt);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(20, 20, 90, 30);
    auto* bar = new TProgressBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(20, 70, 200, 17);
    form->Show();
    SkinFixture fx(form->Handle(), ButtonAndProgressSkin);
    auto* obj = dynamic_cast<TSkinButton*>(AddComp(*fx.sf, button, form.get()));
    ASSERT_NE(obj, nullptr);
    ASSERT_NE(AddComp(*fx.sf, bar, form.get()), nullptr);
    EXPECT_EQ(obj->Window(), button->Handle());
    EXPECT_EQ(obj->Control(), button);
    EXPECT_EQ(obj->SkinForm(), fx.sf.get());
    EXPECT_TRUE(obj->IsInited());
    EXPECT_EQ(obj->SkinState(), 1);
    Pump();

    constexpr TColor kMarker = 0x00FF00;
    const std::vector<uint32_t> buttonFrames = {Rgb(kButtonFrames[0]), Rgb(kButtonFrames[1]), Rgb(kButtonFrames[2]),
                                                Rgb(kButtonFrames[3]), Rgb(kButtonFrames[4])};
    struct Case {
        const char* name;
        HWND hwnd;
        std::vector<uint32_t> skinned;  // the skin's colours at (5, 5)
    };
    const Case cases[] = {{"button", button->Handle(), buttonFrames}, {"progress", bar->Handle(), {Rgb(kTrack)}}};
    for (const Case& c : cases) {
        TBitmap picture(40, 12);
        TSkinControl::FillColor(picture.DC(), TRect{0, 0, 40, 12}, kMarker);
        EXPECT_EQ(SendMessageW(c.hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(picture.DC()), 0), 1)
            << "case: " << c.name;
        GdiFlush();
        EXPECT_EQ(picture.Pixel(5, 5), kMarker) << "case: " << c.name << ": the erase drew nothing";
        const uint32_t printed = CaptureClient(c.hwnd, true).At(5, 5);
        EXPECT_NE(std::find(c.skinned.begin(), c.skinned.end(), printed), c.skinned.end())
            << "case: " << c.name << ": printed " << std::hex << printed;
        EXPECT_EQ(CaptureClient(c.hwnd, false).At(5, 5), printed)
            << "case: " << c.name << ": the screen shows the same";
    }

    // A skin without the button image: the button paints itself again.
    fx.sd->Button->Map.SetSize(0, 0);
    const uint32_t own = CaptureClient(button->Handle(), true).At(5, 5);
    EXPECT_EQ(std::find(buttonFrames.begin(), buttonFrames.end(), own), buttonFrames.end())
        << "printed by the control: " << std::hex << own;
}

TEST(SkinControl, DetachGivesBackTheWindowEvenUnderAnotherSubclass) {
    BareParent parent;
    const HWND b = parent.Child(L"BUTTON", L"Plain", BS_PUSHBUTTON, 20, 20, 90, 28, 501);
    const auto original = GetWindowLongPtrW(b, GWLP_WNDPROC);
    SkinFixture fx(parent.hwnd, ButtonAndProgressSkin);
    TSkinControl* obj = AddControlh(*fx.sf, b);
    ASSERT_NE(obj, nullptr);
    // Someone else subclasses the button after us.
    struct Counter {
        int seen = 0;
        static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) {
            ++reinterpret_cast<Counter*>(ref)->seen;
            return DefSubclassProc(h, m, w, l);
        }
    } counter;
    ASSERT_TRUE(SetWindowSubclass(b, Counter::Proc, 7, reinterpret_cast<DWORD_PTR>(&counter)));
    EXPECT_EQ(SendMessageW(b, CN_SkinQuery, 0, 0), 1);
    parent.PumpDialog(2);
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[0]));

    // Unskinning frees the object; the other subclass keeps working.
    fx.sf->DeleteControls();
    EXPECT_TRUE(fx.sf->Controllist.empty());
    const int before = counter.seen;
    EXPECT_EQ(SendMessageW(b, CN_SkinQuery, 0, 0), 0) << "no skin answers any more";
    EXPECT_GT(counter.seen, before) << "the subclass on top still sees messages";
    EXPECT_NE(PixelOf(b, 1, 1), Rgb(kButtonFrames[0])) << "the button paints itself again";
    RemoveWindowSubclass(b, Counter::Proc, 7);
    EXPECT_EQ(GetWindowLongPtrW(b, GWLP_WNDPROC), original) << "the class procedure is back";
    EXPECT_EQ(SendMessageW(b, CN_SkinQuery, 0, 0), 0);

    // A framework control gets its previous handler back.
    auto form = MakeForm(200, 80, kFormAt);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    form->Show();
    TSkinControl* fobj = AddComp(*fx.sf, button, form.get());
    ASSERT_NE(fobj, nullptr);
    EXPECT_EQ(SendMessageW(button->Handle(), CN_SkinQuery, 0, 0), 1);
    fx.sf->DeleteControls();
    EXPECT_EQ(button->ComponentCount(), 0) << "the object left its control";
    EXPECT_EQ(SendMessageW(button->Handle(), CN_SkinQuery, 0, 0), 0);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1) << "the control's own handling is intact";
}

TEST(SkinControl, SkinEnableSwitchesDrawingOffAndOn) {
    BareParent parent;
    const HWND b = parent.Child(L"BUTTON", L"Plain", BS_PUSHBUTTON, 20, 20, 90, 28, 601);
    SkinFixture fx(parent.hwnd, ButtonAndProgressSkin);
    ASSERT_NE(AddControlh(*fx.sf, b), nullptr);
    parent.PumpDialog(2);
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[0]));
    SendMessageW(b, CN_SkinEnable, 0, 0);
    EXPECT_NE(PixelOf(b, 1, 1), Rgb(kButtonFrames[0])) << "off: the control paints itself";
    EXPECT_EQ(SendMessageW(b, CN_SkinQuery, 0, 0), 0) << "off: messages go straight to the control";
    SendMessageW(b, CN_SkinEnable, 1, 0);
    EXPECT_EQ(PixelOf(b, 1, 1), Rgb(kButtonFrames[0])) << "on again";
}

TEST(SkinControl, DestroyingAHotControlLeavesNothingDangling) {
    // Framework button: deleted while under the mouse.
    auto form = MakeForm(300, 120, kFormAt);
    auto* button = new TButton(form.get());
    button->SetParent(form.get());
    button->SetBounds(100, 40, 90, 30);
    form->Show();
    SkinFixture fx(form->Handle(), ButtonAndProgressSkin);
    auto* obj = dynamic_cast<TSkinButton*>(AddComp(*fx.sf, button, form.get()));
    ASSERT_NE(obj, nullptr);
    SetForegroundWindow(form->Handle());
    MouseTo(button->Handle(), 40, 15);
    ASSERT_TRUE(PumpUntil([&] { return fx.sf->Activeskincontrol == obj; }));
    delete button;
    EXPECT_EQ(fx.sf->Activeskincontrol, nullptr);
    EXPECT_FALSE(Listed(*fx.sf, obj));
    MouseTo(form->Handle(), 5, 5);
    Pump(10);  // the leave notification, if any, finds nothing

    // Bare button: its window destroyed while hot.
    BareParent parent;
    const HWND b = parent.Child(L"BUTTON", L"Bare", BS_PUSHBUTTON, 20, 20, 90, 28, 701);
    SkinFixture bare(parent.hwnd, ButtonAndProgressSkin);
    TSkinControl* bobj = AddControlh(*bare.sf, b);
    ASSERT_NE(bobj, nullptr);
    SetForegroundWindow(parent.hwnd);
    MouseTo(b, 40, 14);
    for (int i = 0; i < 300 && bare.sf->Activeskincontrol != bobj; ++i) parent.PumpDialog(1);
    ASSERT_EQ(bare.sf->Activeskincontrol, bobj);
    DestroyWindow(b);
    EXPECT_EQ(bare.sf->Activeskincontrol, nullptr);
    EXPECT_EQ(bobj->SkinState(), 6);
    bare.sf->DeleteSkinDeleted();
    EXPECT_TRUE(bare.sf->Controllist.empty()) << "the dead object is freed";
    MouseTo(parent.hwnd, 300, 200);
    parent.PumpDialog(10);
}

TEST(SkinControl, SwitchToASkinWithoutButtonPartsLeavesControlsPaintingThemselves) {
    // Each skinned control beside a twin that was never skinned: once the
    // skin has lost the part, the two must look the same (not blank).
    auto form = MakeForm(360, 160, kFormAt);
    auto place = [&](auto* c, int x, int y, const wchar_t* text) {
        c->SetParent(form.get());
        c->SetBounds(x, y, 110, 26);
        c->SetCaption(text);
        return c;
    };
    auto* button = place(new TButton(form.get()), 10, 10, L"Button");
    auto* buttonTwin = place(new TButton(form.get()), 180, 10, L"Button");
    auto* box = place(new TCheckBox(form.get()), 10, 60, L"Box");
    auto* boxTwin = place(new TCheckBox(form.get()), 180, 60, L"Box");
    box->SetChecked(true);
    boxTwin->SetChecked(true);
    form->Show();
    SkinFixture fx(form->Handle(), ButtonAndProgressSkin);
    FillStrip(fx.sd->Button->CheckMap, 4, 13, 13, StripColor);
    fx.sd->Button->checkframe = 4;
    TSkinControl* b = AddComp(*fx.sf, button, form.get());
    TSkinControl* c = AddComp(*fx.sf, box, form.get());
    ASSERT_TRUE(b && c);
    // None of them has the focus, so skinned and twin differ only by the skin.
    auto* holder = place(new TButton(form.get()), 10, 110, L"Focus");
    SetForegroundWindow(form->Handle());
    holder->SetFocus();
    Pump(3);
    EXPECT_EQ(PixelOf(button->Handle(), 1, 1), Rgb(kButtonFrames[0])) << "skinned first";
    EXPECT_EQ(PixelOf(box->Handle(), 6, 13), Rgb(StripColor(2))) << "skinned first";

    struct Case {
        const char* name;
        std::function<void()> strip;
    };
    const Case cases[] = {
        {"empty images",
         [&] {
             fx.sd->Button->Map.SetSize(0, 0);
             fx.sd->Button->CheckMap.SetSize(0, 0);
         }},
        {"no Button object", [&] { fx.sd->Button.reset(); }},
    };
    for (const Case& k : cases) {
        k.strip();
        for (TSkinControl* o : fx.sf->Controllist) ControlSkinning().SkinChange(o);
        Pump(3);
        EXPECT_EQ(SendMessageW(button->Handle(), CN_SkinQuery, 0, 0), 1) << "case: " << k.name << ": still hooked";
        const Pixels shownButton = CaptureClient(button->Handle(), false);
        EXPECT_EQ(shownButton.data, CaptureClient(buttonTwin->Handle(), false).data)
            << "case: " << k.name << ": the push button paints itself";
        EXPECT_GT(shownButton.CountInk(RECT{0, 0, shownButton.width, shownButton.height}, shownButton.At(5, 5)), 0)
            << "case: " << k.name << ": not blank";
        EXPECT_EQ(CaptureClient(box->Handle(), false).data, CaptureClient(boxTwin->Handle(), false).data)
            << "case: " << k.name << ": the check box paints itself";
    }
    // Clicks still reach a button that paints itself.
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    MouseTo(button->Handle(), 40, 12);
    Pump(3);
    MouseButton(true);
    Pump(3);
    MouseButton(false);
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));
    MouseTo(form->Handle(), 300, 150);
    Pump(3);
}

// A push-button object that tells when it is destroyed.
class TProbeButton : public TSkinButton {
public:
    TProbeButton(TComponent* owner, bool* destroyed) : TSkinButton(owner), destroyed_(destroyed) {}
    ~TProbeButton() override { *destroyed_ = true; }

private:
    bool* destroyed_;
};

TEST(SkinControl, ClickHandlerThatUnskinsOrFreesItsOwnControl) {
    struct Case {
        const char* name;
        bool byKey;        // Space: the click comes from the control's own handler
        bool freeControl;  // the handler deletes the button; else it unskins the form's controls
    };
    const Case cases[] = {
        {"mouse, unskin", false, false},
        {"space, unskin", true, false},
        {"mouse, delete the button", false, true},
        {"space, delete the button", true, true},
    };
    for (const Case& c : cases) {
        auto form = MakeForm(300, 120, kFormAt);
        auto* button = new TButton(form.get());
        button->SetParent(form.get());
        button->SetBounds(100, 40, 90, 30);
        button->SetCaption(L"Go");
        form->Show();
        SkinFixture fx(form->Handle(), ButtonAndProgressSkin);
        bool destroyed = false;
        auto* probe = new TProbeButton(button, &destroyed);
        probe->Init(fx.sf.get(), fx.sd.get(), fx.sf->fCanvas.get(), false);
        ASSERT_TRUE(Listed(*fx.sf, probe)) << "case: " << c.name;
        int clicks = 0;
        bool destroyedInHandler = true;
        button->OnClick = [&](TObject*) {
            ++clicks;
            if (c.freeControl) {
                delete button;
                button = nullptr;
            } else {
                fx.sf->DeleteControls();
                destroyedInHandler = destroyed;
            }
        };
        SetForegroundWindow(form->Handle());
        button->SetFocus();
        Pump(3);
        const HWND hwnd = button->Handle();
        if (c.byKey) {
            Key(VK_SPACE, true);
            Pump(3);
            Key(VK_SPACE, false);
        } else {
            MouseTo(hwnd, 40, 15);
            Pump(3);
            MouseButton(true);
            Pump(3);
            MouseButton(false);
        }
        ASSERT_TRUE(PumpUntil([&] { return clicks > 0; })) << "case: " << c.name;
        Pump(5);
        EXPECT_EQ(clicks, 1) << "case: " << c.name;
        EXPECT_TRUE(destroyed) << "case: " << c.name << ": the object is freed in the end";
        EXPECT_TRUE(fx.sf->Controllist.empty()) << "case: " << c.name;
        if (!c.freeControl) {
            EXPECT_FALSE(destroyedInHandler) << "case: " << c.name << ": not freed under its own message";
            EXPECT_EQ(SendMessageW(hwnd, CN_SkinQuery, 0, 0), 0) << "case: " << c.name << ": unskinned";
            int more = 0;
            button->OnClick = [&](TObject*) { ++more; };
            SendMessageW(hwnd, BM_CLICK, 0, 0);
            EXPECT_EQ(more, 1) << "case: " << c.name << ": the button works on its own";
        } else {
            EXPECT_FALSE(IsWindow(hwnd)) << "case: " << c.name;
        }
        MouseTo(form->Handle(), 5, 5);
        Pump(3);
    }
}

TEST(UpdaterWindow, CancelButtonAndProgressBarAreDrawnFromItsSkin) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    {
        TFormMain form(nullptr);
        form.Timer1->OnTimer = nullptr;  // the window only, no update run
        form.Show();
        SetForegroundWindow(form.Handle());
        const HWND button = form.Button1->Handle();
        const HWND bar = form.ProgressBar1->Handle();
        ASSERT_TRUE(PumpUntil([&] {
            return SendMessageW(button, CN_SkinQuery, 0, 0) == 1 && SendMessageW(bar, CN_SkinQuery, 0, 0) == 1;
        })) << "both controls skinned once the window is";
        ASSERT_NE(SkinManager, nullptr);
        TWinSkinForm* sf = SkinManager->FindSkinForm(form.Handle());
        ASSERT_NE(sf, nullptr);
        ASSERT_NE(sf->Lookupcontrol(button), nullptr);
        ASSERT_NE(sf->Lookupcontrol(bar), nullptr);
        EXPECT_EQ(sf->Lookupcontrol(button)->ClassName(), L"TSkinButton");
        EXPECT_EQ(sf->Lookupcontrol(bar)->ClassName(), L"TSkinProgress");
        form.ProgressBar1->SetPosition(5000);
        Pump(3);
        const Pixels skinnedButton = CaptureClient(button, true);
        const Pixels skinnedBar = CaptureClient(bar, true);
        // The same controls painting themselves look different.
        SendMessageW(button, CN_SkinEnable, 0, 0);
        SendMessageW(bar, CN_SkinEnable, 0, 0);
        EXPECT_NE(CaptureClient(button, true).data, skinnedButton.data);
        EXPECT_NE(CaptureClient(bar, true).data, skinnedBar.data);
        SendMessageW(button, CN_SkinEnable, 1, 0);
        SendMessageW(bar, CN_SkinEnable, 1, 0);
        EXPECT_EQ(CaptureClient(bar, true).data, skinnedBar.data) << "the skin again";
        // Half the bar is the bar frame: the left and right halves differ.
        EXPECT_NE(skinnedBar.At(60, 8), skinnedBar.At(300, 8));
    }
    WSACleanup();
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    return RUN_ALL_TESTS();
}
