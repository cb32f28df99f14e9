// Skinned bitmap and speed buttons on real windows under Wine, driven by
// real mouse input: the button frame and glyph frame per state, clicks,
// the embossed disabled glyph, where the glyph goes for each layout, margin
// and spacing, and the window-less speed button painted through its
// parent's paint. Skins and glyphs are flat, distinct colours.
#include <gtest/gtest.h>

// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

#include <memory>
#include <string>

#include "app/Main.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/GlyphButtons.h"
#include "framework/controls/TimerAndPanel.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinGlyphButtons.h"
#include "skin/form/SkinData_win.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/SkinFixture.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::CaptureClient;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Pixels;
using test_support::Pump;
using test_support::PumpUntil;
using test_support::SkinFixture;

constexpr TColor kFace = 0x303030;
constexpr TColor kButtonFrames[5] = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0, 0xC000C0};  // frames 1..5
constexpr TColor kGlyphFrames[4] = {0x20E0E0, 0xE020E0, 0xE0E020, 0x80FF80};             // glyph frames 1..4
constexpr TColor kGlyphKey = 0x0080FF;

uint32_t Rgb(TColor c) {
    const COLORREF r = static_cast<COLORREF>(ColorToRGB(c));
    return (GetRValue(r) << 16) | (GetGValue(r) << 8) | GetBValue(r);
}

uint32_t FrameColor(int frame) {
    return Rgb(kButtonFrames[frame - 1]);
}

uint32_t GlyphColor(int index) {
    return Rgb(kGlyphFrames[index - 1]);
}

// frames frames of size x size side by side, each its own flat colour with
// the key colour at its bottom-left pixel (the transparent one).
void MakeGlyph(TBitmap& bmp, int frames, int size) {
    bmp.SetSize(frames * size, size);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                bmp.SetPixel(f * size + x, y, x == 0 && y == size - 1 ? kGlyphKey : kGlyphFrames[f]);
}

// Button frames 1..5, each one flat colour.
void ButtonSkin(TSkinData& sd) {
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
}

// Where the form goes on the screen.
constexpr POINT kFormAt{50, 50};

// The top-left corner of the pixels of colour c (-1, -1 when none).
POINT FirstOf(const Pixels& p, uint32_t c) {
    POINT at{-1, -1};
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.At(x, y) == c) {
                if (at.x < 0 || x < at.x) at.x = x;
                if (at.y < 0 || y < at.y) at.y = y;
            }
    return at;
}

// What the form shows on screen (window-less controls have no window of their own).
uint32_t ScreenPixel(HWND hwnd, int x, int y) {
    return CaptureClient(hwnd, false).At(x, y);
}

}  // namespace

TEST(SkinBitButton, FramesAndGlyphPerStateClicksAndEmbossedDisabledGlyph) {
    auto form = MakeForm(300, 120, kFormAt);
    auto* other = new TButton(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 10, 60, 24);
    auto* button = new TBitBtn(form.get());
    button->SetParent(form.get());
    button->SetBounds(100, 40, 120, 40);
    TBitmap glyph;
    MakeGlyph(glyph, 3, 16);
    button->SetGlyph(glyph);
    button->SetNumGlyphs(3);
    button->SetMargin(5);
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    SkinFixture fx(form->Handle(), ButtonSkin);
    auto* obj = dynamic_cast<TSkinBitButton*>(AddComp(*fx.sf, button, form.get()));
    ASSERT_NE(obj, nullptr) << "a bitmap button gets the bitmap button object";
    const HWND b = button->Handle();
    SetForegroundWindow(form->Handle());
    other->SetFocus();
    MouseTo(form->Handle(), 5, 110);
    Pump();
    // Glyph left, margin 5, centred vertically: (40 - 16 + 1) / 2 = 12.
    const int gx = 5 + 8, gy = 12 + 8;
    auto look = [&](const char* what, int frame, int glyphIndex) {
        const Pixels p = CaptureClient(b, true);
        EXPECT_EQ(p.At(1, 1), FrameColor(frame)) << what;
        EXPECT_EQ(p.At(gx, gy), GlyphColor(glyphIndex)) << what;
    };
    look("normal", 1, 1);

    MouseTo(b, 60, 20);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) != 0; }));
    look("hot", 4, 1);
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    look("pressed", 2, 3);
    EXPECT_EQ(clicks, 0);
    MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return clicks > 0; }));
    Pump(10);
    EXPECT_EQ(clicks, 1) << "one release inside, one click";
    look("hot after the release", 4, 1);

    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    MouseTo(form->Handle(), 5, 110);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) == 0; }));
    MouseButton(false);
    Pump(10);
    EXPECT_EQ(clicks, 1) << "released outside: no click";
    look("focused", 5, 1);

    button->SetEnabled(false);
    Pump();
    look("disabled: its own glyph frame", 3, 2);

    // One frame only: the disabled glyph is frame 1 embossed. A dark 6 x 6
    // square on white: shadow where it is, highlight one pixel right and
    // down where it is not, the rest (the face colour) transparent.
    TBitmap single(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) single.SetPixel(x, y, x >= 5 && x <= 10 && y >= 5 && y <= 10 ? clBlack : clWhite);
    button->SetGlyph(single);
    button->SetNumGlyphs(1);
    Pump();
    const Pixels p = CaptureClient(b, true);
    const uint32_t shadow = Rgb(clBtnShadow), highlight = Rgb(clBtnHighlight);
    ASSERT_NE(shadow, highlight);
    EXPECT_EQ(p.At(5 + 7, 12 + 7), shadow) << "the dark square, engraved";
    EXPECT_EQ(p.At(5 + 11, 12 + 8), highlight) << "its highlight, one pixel right";
    EXPECT_EQ(p.At(5 + 8, 12 + 11), highlight) << "and one pixel down";
    EXPECT_EQ(p.At(5 + 2, 12 + 2), FrameColor(3)) << "the rest lets the frame through";
    EXPECT_EQ(p.At(5 + 13, 12 + 13), FrameColor(3));

    MouseTo(b, 60, 20);
    Pump(5);
    MouseButton(true);
    Pump(5);
    MouseButton(false);
    Pump(10);
    EXPECT_EQ(clicks, 1) << "a disabled button never clicks";
    MouseTo(form->Handle(), 5, 110);
    Pump();
}

TEST(SkinBitButton, GlyphPlacedByLayoutMarginAndSpacing) {
    auto form = MakeForm(300, 120, kFormAt);
    auto* button = new TBitBtn(form.get());
    button->SetParent(form.get());
    button->SetBounds(100, 40, 120, 40);
    TBitmap glyph;
    MakeGlyph(glyph, 1, 16);
    button->SetGlyph(glyph);
    form->Show();
    SkinFixture fx(form->Handle(), ButtonSkin);
    ASSERT_NE(dynamic_cast<TSkinBitButton*>(AddComp(*fx.sf, button, form.get())), nullptr);
    const HWND b = button->Handle();
    SetForegroundWindow(form->Handle());
    MouseTo(form->Handle(), 5, 110);
    Pump();

    // The caption's size, measured as the button does: in the client less
    // 2 on every side and the glyph's room (+2) along the layout.
    auto measure = [&](const std::wstring& text, bool across) {
        HDC dc = GetDC(b);
        HGDIOBJ old = SelectObject(dc, button->Font().Handle());
        RECT r{0, 0, 120 - 4 - (across ? 18 : 0), 40 - 4 - (across ? 0 : 18)};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK);
        SelectObject(dc, old);
        ReleaseDC(b, dc);
        return SIZE{r.right - r.left, r.bottom - r.top};
    };
    const SIZE across = measure(L"Ab", true);
    const SIZE down = measure(L"Ab", false);
    ASSERT_GT(across.cx, 0);
    ASSERT_GT(down.cy, 0);

    struct Case {
        const char* name;
        TButtonLayout layout;
        int margin, spacing;
        const wchar_t* caption;
        int x, y;  // the glyph's top-left corner
    };
    const Case cases[] = {
        {"left, margin 5", blGlyphLeft, 5, 4, L"", 5, 12},
        {"right, margin 5", blGlyphRight, 5, 4, L"", 120 - 5 - 16, 12},
        {"top, margin 3", blGlyphTop, 3, 4, L"", 52, 3},
        {"bottom, margin 3", blGlyphBottom, 3, 4, L"", 52, 40 - 3 - 16},
        // No caption: spacing counts 0 and the glyph is centred.
        {"left, automatic, no caption", blGlyphLeft, -1, -1, L"", 52, 12},
        {"left, automatic, caption: thirds", blGlyphLeft, -1, -1, L"Ab", (120 - 16 - across.cx) / 3, 12},
        {"right, automatic margin, spacing 6", blGlyphRight, -1, 6, L"Ab", 120 - (120 - 16 - 6 - across.cx) / 2 - 16,
         12},
        {"bottom, automatic, caption: thirds", blGlyphBottom, -1, -1, L"Ab", 52, 40 - (40 - 16 - down.cy) / 3 - 16},
        {"top, margin 2, automatic spacing", blGlyphTop, 2, -1, L"Ab", 52, 2},
    };
    for (const Case& c : cases) {
        button->SetLayout(c.layout);
        button->SetMargin(c.margin);
        button->SetSpacing(c.spacing);
        button->SetCaption(c.caption);
        Pump();
        const POINT at = FirstOf(CaptureClient(b, true), GlyphColor(1));
        EXPECT_EQ(at.x, c.x) << "case: " << c.name;
        EXPECT_EQ(at.y, c.y) << "case: " << c.name;
    }

    // The caption follows the glyph after the spacing: left, margin 4,
    // automatic spacing (120 - 4 - 16 - text) / 2.
    button->SetLayout(blGlyphLeft);
    button->SetMargin(4);
    button->SetSpacing(-1);
    button->SetCaption(L"Ab");
    button->Font().Color = clWhite;
    button->Invalidate();
    Pump();
    const int textLeft = 4 + 16 + (120 - 4 - 16 - across.cx) / 2;
    const POINT ink = FirstOf(CaptureClient(b, true), Rgb(clWhite));
    EXPECT_GE(ink.x, textLeft);
    EXPECT_LE(ink.x, textLeft + 2) << "the caption starts where the arithmetic puts it";
}

TEST(SkinSpeedButton, FramesPerStateDownFlatAndClicks) {
    auto form = MakeForm(300, 120, kFormAt);
    auto* speed = new TSpeedButton(form.get());
    speed->SetParent(form.get());
    speed->SetBounds(40, 30, 60, 30);
    speed->SetGroupIndex(1);
    speed->SetAllowAllUp(true);
    TBitmap glyph;
    MakeGlyph(glyph, 4, 12);
    speed->SetGlyph(glyph);
    speed->SetNumGlyphs(4);
    int clicks = 0;
    speed->OnClick = [&](TObject*) { ++clicks; };
    auto* flat = new TSpeedButton(form.get());
    flat->SetParent(form.get());
    flat->SetBounds(160, 30, 60, 30);
    flat->SetFlat(true);
    form->Show();
    const HWND f = form->Handle();
    SetForegroundWindow(f);
    MouseTo(f, 5, 110);
    Pump();
    ASSERT_NE(ScreenPixel(f, 41, 31), FrameColor(1)) << "unskinned it paints itself";

    SkinFixture fx(f, ButtonSkin);
    auto* obj = dynamic_cast<TSkinSpeedButton*>(AddComp(*fx.sf, speed, form.get()));
    ASSERT_NE(obj, nullptr);
    auto* flatObj = dynamic_cast<TSkinSpeedButton*>(AddComp(*fx.sf, flat, form.get()));
    ASSERT_NE(flatObj, nullptr);
    EXPECT_EQ(obj->GraphicControl(), speed);
    EXPECT_EQ(speed->Perform(CN_SkinQuery), 1);
    Pump();

    // No caption, margin -1: the glyph is centred, (60 - 12) / 2 and (30 - 12 + 1) / 2.
    const int gx = 40 + 24 + 6, gy = 30 + 9 + 6;
    auto look = [&](const char* what, int frame, int glyphIndex) {
        const Pixels p = CaptureClient(f, false);
        EXPECT_EQ(p.At(41, 31), FrameColor(frame)) << what;
        EXPECT_EQ(p.At(gx, gy), GlyphColor(glyphIndex)) << what;
    };
    look("normal", 1, 1);
    // Window-less: it is painted when its parent paints, after its own paint.
    InvalidateRect(f, nullptr, TRUE);
    UpdateWindow(f);
    look("after the parent's repaint", 1, 1);
    EXPECT_EQ(ScreenPixel(f, 161, 31), Rgb(kFace)) << "flat: no frame while not hot";

    MouseTo(f, 70, 45);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) != 0; }));
    Pump();
    look("hot", 4, 1);
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    Pump();
    look("pressed", 2, 3);
    MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return clicks > 0; }));
    Pump(10);
    EXPECT_EQ(clicks, 1) << "one press and release inside, one click";
    ASSERT_TRUE(speed->Down());
    look("down, under the mouse", 2, 4);
    MouseTo(f, 5, 110);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) == 0; }));
    Pump();
    look("down", 2, 4);

    // Press inside, release outside: no click, still down.
    MouseTo(f, 70, 45);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) != 0; }));
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    MouseTo(f, 5, 110);
    ASSERT_TRUE(PumpUntil([&] { return obj->MouseState() == 0; })) << "pressed no more once outside";
    MouseButton(false);
    Pump(10);
    EXPECT_EQ(clicks, 1) << "released outside";
    EXPECT_TRUE(speed->Down());
    EXPECT_EQ(obj->MouseState(), 0);

    // A second click inside lets it up.
    MouseTo(f, 70, 45);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) != 0; }));
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return clicks == 2; }));
    EXPECT_FALSE(speed->Down());
    MouseTo(f, 5, 110);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) == 0; }));
    Pump();
    look("up again", 1, 1);

    // The flat one shows its frame only under the mouse.
    MouseTo(f, 190, 45);
    ASSERT_TRUE(PumpUntil([&] { return (flatObj->MouseState() & scMouseIn) != 0; }));
    Pump();
    EXPECT_EQ(ScreenPixel(f, 161, 31), FrameColor(4)) << "flat and hot";
    MouseTo(f, 5, 110);
    ASSERT_TRUE(PumpUntil([&] { return flatObj->MouseState() == 0; }));
    Pump();
    EXPECT_EQ(ScreenPixel(f, 161, 31), Rgb(kFace)) << "flat again";

    speed->SetEnabled(false);
    Pump();
    look("disabled", 3, 2);
}

TEST(SkinSpeedButton, ReadsRightToLeftOnARightToLeftParent) {
    // A speed button has no window: its caption's reading order is that of
    // the window it is drawn on.
    auto form = MakeForm(300, 120, kFormAt);
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 280, 100);
    auto* speed = new TSpeedButton(form.get());
    speed->SetParent(panel);
    speed->SetBounds(40, 30, 80, 30);
    speed->SetCaption(L"(A");
    form->Show();
    Pump();
    SkinFixture fx(form->Handle(), ButtonSkin);
    auto* obj = dynamic_cast<TSkinSpeedButton*>(AddComp(*fx.sf, speed, form.get()));
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(obj->CheckBiDi(DT_CENTER), static_cast<UINT>(DT_CENTER)) << "left to right";
    const HWND p = panel->Handle();
    SetWindowLongW(p, GWL_EXSTYLE, GetWindowLongW(p, GWL_EXSTYLE) | WS_EX_RTLREADING);
    EXPECT_EQ(obj->CheckBiDi(DT_CENTER), static_cast<UINT>(DT_CENTER | DT_RTLREADING)) << "right to left";
}

TEST(SkinMenuButton, GlyphThenArrowInOneRowFromTheThirdPartyList) {
    auto form = MakeForm(300, 120, kFormAt);
    auto* other = new TButton(form.get());
    other->SetParent(form.get());
    other->SetBounds(10, 10, 60, 24);
    auto* button = new TBitBtn(form.get());
    button->SetParent(form.get());
    button->SetBounds(100, 40, 120, 40);
    TBitmap glyph;
    MakeGlyph(glyph, 1, 16);
    button->SetGlyph(glyph);
    form->Show();
    SkinFixture fx(form->Handle(), ButtonSkin);
    TStringList list;
    list.Add(L"TBitBtn=menubtn");
    fx.sd->SetSkin3rd(list);
    ASSERT_NE(dynamic_cast<TSkinMenuButton*>(AddComp(*fx.sf, button, form.get())), nullptr);
    const HWND b = button->Handle();
    SetForegroundWindow(form->Handle());
    other->SetFocus();
    MouseTo(form->Handle(), 5, 110);
    Pump();
    // Glyph (16), spacing (4) and arrow (7) centred: margin (120 - 27) / 2 = 46;
    // the arrow's anchor 3 pixels into its room, its top row one above the middle.
    Pixels p = CaptureClient(b, true);
    EXPECT_EQ(FirstOf(p, GlyphColor(1)).x, 46);
    EXPECT_EQ(FirstOf(p, GlyphColor(1)).y, 12);
    EXPECT_EQ(p.At(1, 1), FrameColor(1));
    EXPECT_EQ(p.At(69, 19), Rgb(clWindowText)) << "the arrow";
    EXPECT_EQ(p.At(69, 21), Rgb(clWindowText)) << "its point";
    EXPECT_EQ(p.At(69, 23), FrameColor(1)) << "below the point";
    button->SetEnabled(false);
    Pump();
    p = CaptureClient(b, true);
    EXPECT_EQ(p.At(1, 1), FrameColor(3));
    EXPECT_EQ(p.At(69, 19), Rgb(clBtnShadow)) << "a disabled arrow";
}
