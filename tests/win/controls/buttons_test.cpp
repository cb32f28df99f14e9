// Check boxes, radio buttons, bitmap and speed buttons, panels and group
// boxes on real windows under Wine, driven by real input (SendInput): what a
// click, Space, Enter, Esc, Tab and the arrows do, what they draw, and their
// properties by name and in form text.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
// clang-format on

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/GlyphButtons.h"
#include "framework/controls/TimerAndPanel.h"
#include "framework/streaming/FormReadWrite.h"
#include "framework/streaming/FormText.h"
#include "framework/streaming/PublishedProperties.h"
#include "framework/system/CodePage.h"
#include "framework/system/StreamsAndLists.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"

namespace {

using test_support::CaptureClient;
using test_support::Pixels;
using test_support::PumpInput;
using test_support::PumpUntil;

uint32_t Px(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
}

// ---------------------------------------------------------------- input

void SendMouse(DWORD flags, POINT screen) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &in, sizeof in);
    PumpInput();
}

void SendKey(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

void PressKey(WORD vk, bool shift = false) {
    if (shift) SendKey(VK_SHIFT, false);
    SendKey(vk, false);
    SendKey(vk, true);
    if (shift) SendKey(VK_SHIFT, true);
    PumpInput();
}

// A point of a control, in screen coordinates.
POINT ScreenPointOf(TControl& control, int x, int y) {
    POINT p{control.Left() + x, control.Top() + y};
    ClientToScreen(control.Parent()->Handle(), &p);
    return p;
}

void MoveTo(TControl& c, int x, int y) {
    SendMouse(0, ScreenPointOf(c, x, y));
}
void Press(TControl& c, int x, int y) {
    SendMouse(MOUSEEVENTF_LEFTDOWN, ScreenPointOf(c, x, y));
}
void Release(TControl& c, int x, int y) {
    SendMouse(MOUSEEVENTF_LEFTUP, ScreenPointOf(c, x, y));
}
void ClickOn(TControl& c) {
    MoveTo(c, c.Width() / 2, c.Height() / 2);
    Press(c, c.Width() / 2, c.Height() / 2);
    Release(c, c.Width() / 2, c.Height() / 2);
    // Far enough apart that no two clicks of a test make a double click.
    MoveTo(c, c.Width() + 40, c.Height() + 40);
}

// ---------------------------------------------------------------- forms

// A shown form in front, with the keyboard focus, and the mouse parked away from it.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControlClasses();
        form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(bsSingle);
        form->SetClientWidth(400);
        form->SetClientHeight(240);
        form->SetLeft(60);
        form->SetTop(60);
        form->Font().Name = L"Tahoma";
        form->Font().Height = -13;
        form->Perform(CM_FONTCHANGED);
    }
    void ShowForm() {
        form->Show();
        const HWND h = form->Handle();
        SetForegroundWindow(h);
        SetActiveWindow(h);
        UpdateWindow(h);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == h; })) << "the form did not come to the front";
        PumpInput();
    }
    void TearDown() override {
        // Buttons left pressed would confuse the next test.
        SendKey(VK_SHIFT, true);
        SendMouse(MOUSEEVENTF_LEFTUP, POINT{5, 5});
        form.reset();
        PumpInput();
    }
    template <class T>
    T* Add(TWinControl* parent, int left, int top, int width, int height, const std::wstring& caption = L"") {
        auto* c = new T(form.get());
        c->SetParent(parent);
        c->SetBounds(left, top, width, height);
        if (!caption.empty()) c->SetCaption(caption);
        return c;
    }
    bool HasFocus(TWinControl* c) { return GetFocus() == c->WindowHandle(); }

    std::unique_ptr<TForm> form;
};

int CheckedCount(const std::vector<TRadioButton*>& group) {
    int n = 0;
    for (TRadioButton* r : group) {
        const bool windowChecked = SendMessageW(r->Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
        EXPECT_EQ(windowChecked, r->Checked()) << "the object and its window agree";
        n += r->Checked() ? 1 : 0;
    }
    return n;
}

}  // namespace

// ---------------------------------------------------------------- check boxes and radio buttons

using CheckBoxTest = FormTest;

TEST_F(CheckBoxTest, ClickAndSpaceMoveTheStateAndClick) {
    auto* box = Add<TCheckBox>(form.get(), 20, 20, 150, 20, L"检查更新");
    auto* gray = Add<TCheckBox>(form.get(), 20, 60, 150, 20, L"Three states");
    gray->SetAllowGrayed(true);
    int clicks = 0, grayClicks = 0;
    box->OnClick = [&](TObject* s) { clicks += s == box ? 1 : 100; };
    gray->OnClick = [&](TObject*) { ++grayClicks; };
    // Set from code: the window follows, no click.
    box->SetChecked(true);
    gray->SetState(cbGrayed);
    ShowForm();
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(gray->Handle(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    EXPECT_EQ(clicks, 0);

    struct Step {
        TCheckBox* target;
        TCheckBoxState expected;
    };
    const Step steps[] = {{box, cbUnchecked}, {box, cbChecked}, {gray, cbUnchecked},
                          {gray, cbChecked},  {gray, cbGrayed}, {gray, cbUnchecked}};
    int n = 0;
    for (const Step& s : steps) {
        ClickOn(*s.target);
        ++n;
        EXPECT_EQ(s.target->State(), s.expected) << "click " << n;
        const LRESULT window = SendMessageW(s.target->Handle(), BM_GETCHECK, 0, 0);
        EXPECT_EQ(window, s.expected == cbGrayed    ? BST_INDETERMINATE
                          : s.expected == cbChecked ? BST_CHECKED
                                                    : 0)
            << "click " << n;
    }
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(grayClicks, 4);
    EXPECT_TRUE(HasFocus(gray)) << "a click focuses the box";

    // Space on the focused box: one step, one click.
    PressKey(VK_SPACE);
    EXPECT_EQ(gray->State(), cbChecked);
    EXPECT_EQ(grayClicks, 5);
    EXPECT_EQ(clicks, 2);

    // Disabled: a click does nothing.
    box->SetEnabled(false);
    ClickOn(*box);
    EXPECT_EQ(box->State(), cbChecked);
    EXPECT_EQ(clicks, 2);
}

using RadioButtonTest = FormTest;

TEST_F(RadioButtonTest, AGroupKeepsExactlyOneCheckedByMouseAndArrows) {
    std::vector<TRadioButton*> group;
    for (int i = 0; i < 3; ++i) group.push_back(Add<TRadioButton>(form.get(), 20, 20 + 30 * i, 120, 20, L"选项"));
    // A second group: the radio buttons of a panel.
    auto* panel = Add<TPanel>(form.get(), 200, 20, 180, 100);
    std::vector<TRadioButton*> other;
    for (int i = 0; i < 2; ++i) other.push_back(Add<TRadioButton>(panel, 10, 10 + 30 * i, 120, 20, L"Other"));
    std::vector<int> clicked;
    for (int i = 0; i < 3; ++i) group[i]->OnClick = [&clicked, i](TObject*) { clicked.push_back(i); };
    group[0]->SetChecked(true);
    other[1]->SetChecked(true);
    ShowForm();
    EXPECT_EQ(CheckedCount(group), 1);

    ClickOn(*group[2]);
    EXPECT_TRUE(group[2]->Checked());
    EXPECT_EQ(CheckedCount(group), 1);
    EXPECT_TRUE(other[1]->Checked()) << "the panel's group is another group";
    EXPECT_EQ(CheckedCount(other), 1);
    ClickOn(*group[2]);
    EXPECT_EQ(CheckedCount(group), 1);
    EXPECT_EQ(clicked, std::vector<int>{2}) << "clicking the checked one again changes nothing";

    // Arrows move through the group and check what they reach, round the end.
    ASSERT_TRUE(HasFocus(group[2]));
    PressKey(VK_DOWN);
    EXPECT_TRUE(group[0]->Checked());
    EXPECT_TRUE(HasFocus(group[0]));
    EXPECT_EQ(CheckedCount(group), 1);
    PressKey(VK_UP);
    EXPECT_TRUE(group[2]->Checked());
    PressKey(VK_LEFT);
    EXPECT_TRUE(group[1]->Checked());
    EXPECT_EQ(CheckedCount(group), 1);
    EXPECT_EQ(clicked, (std::vector<int>{2, 0, 2, 1}));
    EXPECT_EQ(CheckedCount(other), 1);
    EXPECT_TRUE(other[1]->Checked());

    // Checking from code keeps the rule too.
    other[0]->SetChecked(true);
    EXPECT_EQ(CheckedCount(other), 1);
    EXPECT_TRUE(group[1]->Checked());
}

// ---------------------------------------------------------------- keyboard on the form

using KeyboardTest = FormTest;

TEST_F(KeyboardTest, TabSpaceEnterAndEscape) {
    auto* check = Add<TCheckBox>(form.get(), 20, 20, 120, 20, L"Check");
    auto* panel = Add<TPanel>(form.get(), 20, 50, 200, 80);
    auto* first = Add<TRadioButton>(panel, 10, 10, 100, 20, L"A");
    auto* second = Add<TRadioButton>(panel, 10, 40, 100, 20, L"B");
    auto* ok = Add<TButton>(form.get(), 240, 200, 70, 25, L"确定");
    auto* cancel = Add<TBitBtn>(form.get(), 320, 200, 70, 25, L"取消");
    auto* other = Add<TButton>(form.get(), 240, 160, 70, 25, L"Other");
    ok->SetDefault(true);
    cancel->SetCancel(true);
    second->SetChecked(true);
    int okClicks = 0, cancelClicks = 0, otherClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    cancel->OnClick = [&](TObject*) { ++cancelClicks; };
    other->OnClick = [&](TObject*) { ++otherClicks; };
    ShowForm();
    ASSERT_TRUE(HasFocus(check)) << "the form focuses its first control";
    EXPECT_TRUE(ok->Active()) << "the Default button shows as default while no button has the focus";
    EXPECT_TRUE(GetWindowLongPtrW(ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);

    // Tab order: the check box, the checked radio button of the panel (only
    // that one), then the buttons in the order they were made; and around.
    const std::vector<TWinControl*> order{check, second, ok, cancel, other, check};
    for (size_t i = 1; i < order.size(); ++i) {
        PressKey(VK_TAB);
        EXPECT_TRUE(HasFocus(order[i])) << "tab " << i;
    }
    PressKey(VK_TAB, true);
    EXPECT_TRUE(HasFocus(other)) << "Shift+Tab goes back";
    EXPECT_FALSE(ok->Active()) << "another button has the focus";
    EXPECT_TRUE(other->Active());

    // Enter clicks the focused button; Space too.
    PressKey(VK_RETURN);
    EXPECT_EQ(otherClicks, 1);
    EXPECT_EQ(okClicks, 0);
    PressKey(VK_SPACE);
    EXPECT_EQ(otherClicks, 2);

    // Elsewhere Enter clicks the Default button and Esc the Cancel one.
    check->SetFocus();
    PumpInput();
    EXPECT_TRUE(ok->Active());
    PressKey(VK_RETURN);
    EXPECT_EQ(okClicks, 1);
    PressKey(VK_ESCAPE);
    EXPECT_EQ(cancelClicks, 1);
    EXPECT_EQ(check->State(), cbUnchecked) << "Enter does not toggle a check box";
    EXPECT_TRUE(HasFocus(check)) << "the focus stays";
    PressKey(VK_SPACE);
    EXPECT_EQ(check->State(), cbChecked);
    EXPECT_EQ(otherClicks, 2);

    // A disabled default button is not clicked.
    ok->SetEnabled(false);
    PressKey(VK_RETURN);
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(first->Checked(), false);
}

// ---------------------------------------------------------------- speed buttons

using SpeedButtonTest = FormTest;

TEST_F(SpeedButtonTest, OneClickPerPressAndReleaseInside) {
    auto* button = Add<TSpeedButton>(form.get(), 40, 40, 60, 30, L"Go");
    int clicks = 0;
    button->OnClick = [&](TObject* s) { clicks += s == button ? 1 : 100; };
    ShowForm();

    MoveTo(*button, 30, 15);
    EXPECT_TRUE(button->MouseInside());
    Press(*button, 30, 15);
    EXPECT_TRUE(button->Pressed());
    EXPECT_EQ(clicks, 0) << "the click comes with the release";
    Release(*button, 30, 15);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button->Pressed());

    // Out while pressed: shown up; back in: down again; released outside: no click.
    MoveTo(*button, 10, 10);
    Press(*button, 10, 10);
    MoveTo(*button, 200, 100);
    EXPECT_FALSE(button->Pressed());
    MoveTo(*button, 20, 20);
    EXPECT_TRUE(button->Pressed());
    MoveTo(*button, 200, 100);
    Release(*button, 200, 100);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button->Pressed());
    EXPECT_FALSE(button->MouseInside());
    EXPECT_FALSE(button->Down()) << "without a group a button never stays down";

    // A press elsewhere released over the button is no click either.
    MoveTo(*button, 200, 100);
    Press(*button, 200, 100);
    MoveTo(*button, 30, 15);
    Release(*button, 30, 15);
    EXPECT_EQ(clicks, 1);

    button->SetEnabled(false);
    ClickOn(*button);
    EXPECT_EQ(clicks, 1) << "disabled";
}

TEST_F(SpeedButtonTest, GroupedButtonsStayDownExclusively) {
    auto* a = Add<TSpeedButton>(form.get(), 20, 20, 40, 30, L"A");
    auto* b = Add<TSpeedButton>(form.get(), 70, 20, 40, 30, L"B");
    auto* c = Add<TSpeedButton>(form.get(), 120, 20, 40, 30, L"C");
    auto* loose = Add<TSpeedButton>(form.get(), 170, 20, 40, 30, L"D");
    for (TSpeedButton* s : {a, b, c}) s->SetGroupIndex(1);
    loose->SetGroupIndex(2);
    loose->SetAllowAllUp(true);
    int clicks = 0;
    for (TSpeedButton* s : {a, b, c, loose}) s->OnClick = [&](TObject*) { ++clicks; };
    a->SetDown(true);
    loose->SetDown(true);
    ShowForm();

    auto down = [&] {
        std::string s;
        for (TSpeedButton* x : {a, b, c, loose}) s += x->Down() ? '1' : '0';
        return s;
    };
    EXPECT_EQ(down(), "1001");
    ClickOn(*b);
    EXPECT_EQ(down(), "0101");
    ClickOn(*c);
    EXPECT_EQ(down(), "0011");
    ClickOn(*c);
    EXPECT_EQ(down(), "0011") << "without AllowAllUp the down button stays down";
    ClickOn(*loose);
    EXPECT_EQ(down(), "0010") << "with AllowAllUp a click brings it up";
    EXPECT_EQ(clicks, 4);

    // Down from code keeps the group exclusive; up only with AllowAllUp.
    a->SetDown(true);
    EXPECT_EQ(down(), "1000");
    a->SetDown(false);
    EXPECT_TRUE(a->Down());
    a->SetGroupIndex(0);
    EXPECT_FALSE(a->Down()) << "out of the group it comes up";
}

// ---------------------------------------------------------------- what they draw

namespace {

// A glyph strip of flat colours, one per frame, with the bottom-left pixel
// of each frame magenta (the transparent colour).
TBitmap* MakeGlyph(TBitmap& glyph, const std::vector<TColor>& frames, int size) {
    glyph.SetSize(size * static_cast<int>(frames.size()), size);
    for (size_t f = 0; f < frames.size(); ++f)
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) glyph.SetPixel(static_cast<int>(f) * size + x, y, frames[f]);
    for (size_t f = 0; f < frames.size(); ++f) glyph.SetPixel(static_cast<int>(f) * size, size - 1, clFuchsia);
    return &glyph;
}

// The bounding box of the pixels of colour px inside area; empty when none.
// Areas are clipped to the picture.
RECT Clip(const Pixels& p, RECT area) {
    RECT all{0, 0, p.width, p.height}, out{};
    IntersectRect(&out, &all, &area);
    return out;
}

RECT BoxOf(const Pixels& p, uint32_t px, RECT area) {
    area = Clip(p, area);
    RECT box{area.right, area.bottom, area.left, area.top};
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (p.At(x, y) == px) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
                ++n;
            }
    return n ? box : RECT{0, 0, 0, 0};
}

int CountOf(const Pixels& p, uint32_t px, RECT area) {
    area = Clip(p, area);
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += p.At(x, y) == px ? 1 : 0;
    return n;
}

RECT BoundsOf(TControl& c) {
    return c.BoundsRect();
}

}  // namespace

using PaintTest = FormTest;

TEST_F(PaintTest, BitBtnDrawsTheGlyphFrameOfItsState) {
    const TColor up = clLime, disabled = clBlue, pressed = clRed;
    TBitmap glyph;
    MakeGlyph(glyph, {up, disabled, pressed}, 16);
    auto* button = Add<TBitBtn>(form.get(), 40, 40, 120, 40, L"Update");
    button->SetGlyph(glyph);
    button->SetNumGlyphs(3);
    auto* plain = Add<TBitBtn>(form.get(), 40, 120, 120, 40);  // glyph only, centred
    TBitmap single;
    plain->SetGlyph(*MakeGlyph(single, {clBlack}, 16));
    ShowForm();
    const HWND h = form->Handle();
    const RECT area = BoundsOf(*button);

    Pixels shot = CaptureClient(h, false);
    const RECT g = BoxOf(shot, Px(up), area);
    EXPECT_EQ(g.right - g.left, 16) << "the whole up frame";
    EXPECT_EQ(g.bottom - g.top, 16);
    EXPECT_EQ(CountOf(shot, Px(up), area), 16 * 16 - 1) << "all but the transparent corner";
    EXPECT_EQ(CountOf(shot, Px(clFuchsia), area), 0);
    EXPECT_EQ(CountOf(shot, Px(disabled), area) + CountOf(shot, Px(pressed), area), 0) << "one frame only";
    EXPECT_EQ((g.top - area.top) + (g.bottom - area.top), 40) << "centred vertically";
    // Glyph left, caption right of it, the pair centred.
    const RECT captionArea{g.right, area.top + 3, area.right - 3, area.bottom - 3};
    EXPECT_GT(shot.CountInk(captionArea, Px(clBtnFace)), 20) << "the caption, right of the glyph";
    // (Inside the focus rectangle the button shows: it is the form's first control.)
    const RECT leftOfGlyph{area.left + 5, area.top + 5, g.left, area.bottom - 5};
    EXPECT_EQ(shot.CountInk(leftOfGlyph, Px(clBtnFace)), 0) << "nothing left of the glyph";
    EXPECT_GT(g.left - area.left, 10) << "margin -1 centres the pair";

    const RECT plainArea = BoundsOf(*plain);
    const RECT pg = BoxOf(shot, Px(clBlack),
                          RECT{plainArea.left + 3, plainArea.top + 3, plainArea.right - 3, plainArea.bottom - 3});
    EXPECT_EQ(pg.right - pg.left, 16);
    EXPECT_LE(std::abs((pg.left - plainArea.left) - (plainArea.right - pg.right)), 1) << "alone, centred";

    // Pressed: frame 3, moved one pixel right and down.
    MoveTo(*button, 100, 20);
    Press(*button, 100, 20);
    UpdateWindow(button->Handle());
    shot = CaptureClient(h, false);
    const RECT pressedBox = BoxOf(shot, Px(pressed), area);
    EXPECT_EQ(pressedBox.left, g.left + 1);
    EXPECT_EQ(pressedBox.top, g.top + 1);
    EXPECT_EQ(CountOf(shot, Px(up), area), 0);
    Release(*button, 200, 200);

    // Disabled: frame 2; a one-frame glyph is drawn engraved instead.
    button->SetEnabled(false);
    plain->SetEnabled(false);
    UpdateWindow(h);
    PumpInput();
    shot = CaptureClient(h, false);
    EXPECT_EQ(CountOf(shot, Px(disabled), area), 16 * 16 - 1);
    EXPECT_EQ(CountOf(shot, Px(up), area), 0);
    EXPECT_EQ(CountOf(shot, Px(clBlack), plainArea), 0) << "no black: engraved in the shadow colours";
    EXPECT_GT(CountOf(shot, Px(clBtnShadow), plainArea), 16 * 16 / 2);
}

TEST_F(PaintTest, LayoutAndMarginPlaceTheGlyphAgainstTheCaption) {
    Add<TCheckBox>(form.get(), 0, 0, 20, 20);  // takes the focus, so no button shows a focus rectangle
    TBitmap glyph;
    MakeGlyph(glyph, {clLime}, 10);
    struct Case {
        const char* name;
        TButtonLayout layout;
        int margin;
        RECT bounds;
    };
    const Case cases[] = {
        {"left", blGlyphLeft, -1, {10, 25, 130, 59}},
        {"right", blGlyphRight, -1, {10, 63, 130, 97}},
        {"top", blGlyphTop, -1, {200, 25, 290, 75}},
        {"bottom", blGlyphBottom, -1, {200, 79, 290, 129}},
        {"left, margin 6", blGlyphLeft, 6, {10, 101, 130, 135}},
        {"left, margin 6, wider", blGlyphLeft, 6, {10, 139, 200, 173}},
    };
    std::vector<TBitBtn*> buttons;
    for (const Case& c : cases) {
        const RECT& r = c.bounds;
        auto* b = Add<TBitBtn>(form.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, L"Go");
        b->SetGlyph(glyph);
        b->SetLayout(c.layout);
        b->SetMargin(c.margin);
        buttons.push_back(b);
    }
    ShowForm();
    const Pixels shot = CaptureClient(form->Handle(), false);
    std::vector<RECT> glyphs;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const Case& c = cases[i];
        RECT inner = BoundsOf(*buttons[i]);
        InflateRect(&inner, -4, -4);
        inner = Clip(shot, inner);
        const RECT g = BoxOf(shot, Px(clLime), inner);
        glyphs.push_back(g);
        ASSERT_EQ(g.right - g.left, 10) << "case: " << c.name;
        // The caption: whatever is neither face nor glyph.
        RECT t{inner.right, inner.bottom, inner.left, inner.top};
        for (int py = inner.top; py < inner.bottom; ++py)
            for (int px = inner.left; px < inner.right; ++px) {
                const uint32_t v = shot.At(px, py);
                if (v == Px(clBtnFace) || v == Px(clLime)) continue;
                t.left = std::min<LONG>(t.left, px);
                t.top = std::min<LONG>(t.top, py);
                t.right = std::max<LONG>(t.right, px + 1);
                t.bottom = std::max<LONG>(t.bottom, py + 1);
            }
        ASSERT_LT(t.left, t.right) << "case: " << c.name << ": no caption drawn";
        switch (c.layout) {
            case blGlyphLeft: EXPECT_LE(g.right, t.left) << "case: " << c.name; break;
            case blGlyphRight: EXPECT_GE(g.left, t.right) << "case: " << c.name; break;
            case blGlyphTop: EXPECT_LE(g.bottom, t.top) << "case: " << c.name; break;
            case blGlyphBottom: EXPECT_GE(g.top, t.bottom) << "case: " << c.name; break;
        }
    }
    // Margin -1 centres glyph and caption; a fixed margin keeps the glyph
    // at the same place however wide the button.
    const RECT b0 = BoundsOf(*buttons[0]);
    EXPECT_GT(glyphs[0].left - b0.left, 20);
    EXPECT_EQ(glyphs[4].left, glyphs[5].left);
    EXPECT_LT(glyphs[4].left - b0.left, 12);
}

TEST_F(PaintTest, SpeedButtonShowsUpPressedAndDownFrames) {
    TBitmap glyph;
    MakeGlyph(glyph, {clLime, clBlue, clRed, clYellow}, 12);
    auto* button = Add<TSpeedButton>(form.get(), 40, 40, 40, 30);
    button->SetGlyph(glyph);
    button->SetNumGlyphs(4);
    button->SetGroupIndex(3);
    button->SetAllowAllUp(true);
    ShowForm();
    const HWND h = form->Handle();
    const RECT area = BoundsOf(*button);
    auto frameShown = [&] {
        UpdateWindow(h);
        Pixels shot = CaptureClient(h, false);
        for (TColor c : {clLime, clBlue, clRed, clYellow})
            if (CountOf(shot, Px(c), area) == 12 * 12 - 1) return c;
        return clNone;
    };
    EXPECT_EQ(frameShown(), clLime);
    MoveTo(*button, 20, 15);
    Press(*button, 20, 15);
    EXPECT_EQ(frameShown(), clRed);
    Release(*button, 20, 15);
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(frameShown(), clYellow);
    button->SetEnabled(false);
    EXPECT_EQ(frameShown(), clBlue);
}

TEST_F(PaintTest, FlatSpeedButtonShowsItsBorderOnlyUnderTheMouseOrDown) {
    auto* flat = Add<TSpeedButton>(form.get(), 40, 40, 40, 30);
    flat->SetFlat(true);
    auto* raised = Add<TSpeedButton>(form.get(), 100, 40, 40, 30);
    ShowForm();
    const HWND h = form->Handle();
    const uint32_t face = Px(clBtnFace);
    auto ink = [&](TControl& c) {
        UpdateWindow(h);
        return CaptureClient(h, false).CountInk(BoundsOf(c), face);
    };
    EXPECT_EQ(ink(*flat), 0) << "flat and idle: nothing but the face";
    EXPECT_GT(ink(*raised), 60) << "not flat: always its border";
    MoveTo(*flat, 20, 15);
    ASSERT_TRUE(flat->MouseInside());
    EXPECT_GT(ink(*flat), 60) << "under the mouse";
    MoveTo(*flat, 200, 100);
    EXPECT_FALSE(flat->MouseInside());
    EXPECT_EQ(ink(*flat), 0) << "the mouse gone";
    flat->SetGroupIndex(1);
    flat->SetDown(true);
    EXPECT_GT(ink(*flat), 60) << "down";
}

TEST_F(PaintTest, PanelAndGroupBoxPaintTheirCaptions) {
    auto* left = Add<TPanel>(form.get(), 10, 10, 180, 40, L"左边的标题");
    left->SetAlignment(taLeftJustify);
    left->SetBevelOuter(pbNone);
    auto* right = Add<TPanel>(form.get(), 200, 10, 180, 40, L"Right");
    right->SetAlignment(taRightJustify);
    right->SetBevelOuter(pbNone);
    auto* raised = Add<TPanel>(form.get(), 10, 60, 180, 40);
    raised->SetBevelWidth(2);
    auto* group = Add<TGroupBox>(form.get(), 10, 120, 200, 100, L"下载选项");
    auto* inside = Add<TCheckBox>(group, 10, 30, 100, 20, L"Inner");
    auto* empty = Add<TGroupBox>(form.get(), 220, 120, 170, 100);
    ShowForm();
    const HWND h = form->Handle();
    const uint32_t face = Px(clBtnFace);

    {
        Pixels shot = CaptureClient(h, false);
        // Left-aligned caption in the left half only, right-aligned in the right half only.
        EXPECT_GT(shot.CountInk(RECT{10, 10, 100, 50}, face), 30);
        EXPECT_EQ(shot.CountInk(RECT{110, 10, 190, 50}, face), 0);
        EXPECT_EQ(shot.CountInk(RECT{200, 10, 290, 50}, face), 0);
        EXPECT_GT(shot.CountInk(RECT{290, 10, 380, 50}, face), 20);
        // A raised bevel of 2: light top-left, dark bottom-right, then the face.
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(shot.At(10 + 90, 60 + i), Px(clBtnHighlight)) << "top line " << i;
            EXPECT_EQ(shot.At(10 + i, 60 + 20), Px(clBtnHighlight)) << "left line " << i;
            EXPECT_EQ(shot.At(10 + 90, 99 - i), Px(clBtnShadow)) << "bottom line " << i;
            EXPECT_EQ(shot.At(189 - i, 60 + 20), Px(clBtnShadow)) << "right line " << i;
        }
        EXPECT_EQ(shot.CountInk(RECT{13, 63, 187, 97}, face), 0) << "no caption, plain face";

        // Group box: the caption from x = 8 in the top band, breaking the frame line.
        const RECT band{10 + 8, 120, 10 + 80, 120 + 16};
        EXPECT_GT(shot.CountInk(band, face), 30) << "caption";
        EXPECT_EQ(shot.CountInk(RECT{10 + 120, 120 + 16, 10 + 195, 120 + 28}, face), 0) << "inside is plain";
        EXPECT_GT(shot.CountInk(RECT{10 + 100, 120, 10 + 200, 120 + 12}, face), 60) << "the top frame line";
        EXPECT_GT(shot.CountInk(RECT{10, 120 + 40, 10 + 3, 120 + 90}, face), 40) << "the left frame line";
        // An empty group box is one unbroken frame.
        const int topLine = shot.CountInk(RECT{220 + 4, 120, 220 + 166, 120 + 12}, face);
        EXPECT_GE(topLine, 162);
    }
    // Printing a panel gives what the screen shows.
    const Pixels screen = CaptureClient(h, false);
    const Pixels printed = CaptureClient(left->Handle(), true);
    int differ = 0;
    for (int y = 0; y < printed.height; ++y)
        for (int x = 0; x < printed.width; ++x) differ += printed.At(x, y) != screen.At(10 + x, 10 + y) ? 1 : 0;
    EXPECT_EQ(differ, 0);
    EXPECT_GT(printed.CountInk(RECT{0, 0, 90, 40}, face), 30);
    EXPECT_TRUE(IsWindowVisible(inside->Handle()));
    EXPECT_EQ(GetParent(inside->Handle()), group->Handle());
    EXPECT_TRUE(GetWindowLongPtrW(group->Handle(), GWL_STYLE) & WS_CLIPCHILDREN);
    (void)empty;
}

// ---------------------------------------------------------------- properties by name and form text

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 32 == 0) s += "\n      ";
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 15];
    }
    return s;
}

std::vector<uint8_t> BmpBytes(TBitmap& bitmap) {
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    std::vector<uint8_t> bytes(static_cast<size_t>(stream.Size()));
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return bytes;
}

}  // namespace

TEST(ControlProperties, ReadFromFormTextAndByName) {
    RegisterControlClasses();
    TBitmap glyph;
    MakeGlyph(glyph, {clRed, clBlue}, 8);
    const std::string text = R"(object Form1: TForm
  Caption = 'Props'
  object Panel1: TPanel
    Left = 8
    Top = 8
    Width = 300
    Height = 200
    Alignment = taLeftJustify
    BevelInner = pbLowered
    BevelWidth = 3
    Caption = 'Panel'
    object GroupBox1: TGroupBox
      Left = 4
      Top = 4
      Caption = 'Group'
      object CheckBox1: TCheckBox
        Left = 8
        Top = 20
        AllowGrayed = True
        Alignment = taLeftJustify
        Caption = 'Check'
        State = cbGrayed
      end
      object RadioButton1: TRadioButton
        Left = 8
        Top = 44
        Caption = 'Radio'
        Checked = True
      end
    end
    object BitBtn1: TBitBtn
      Left = 8
      Top = 150
      Caption = 'OK'
      Default = True
      Glyph.Data = {)" + Hex(BmpBytes(glyph)) +
                             R"(}
      Layout = blGlyphTop
      Margin = 2
      NumGlyphs = 2
      Spacing = -1
    end
    object Button1: TButton
      Left = 100
      Top = 150
      Cancel = True
      Caption = 'Cancel'
    end
    object SpeedButton1: TSpeedButton
      Left = 200
      Top = 150
      AllowAllUp = True
      Caption = 'S'
      Down = True
      Flat = True
      GroupIndex = 4
      Layout = blGlyphRight
      NumGlyphs = 2
    end
  end
end
)";
    const std::vector<uint8_t> data = ObjectTextToBinary(text);
    TForm form(nullptr);
    TReader reader(data.data(), data.size());
    reader.ReadRootComponent(form);

    struct Case {
        const wchar_t* component;
        const wchar_t* property;
        const wchar_t* text;
    };
    const Case cases[] = {
        {L"Panel1", L"Alignment", L"taLeftJustify"},
        {L"Panel1", L"BevelInner", L"pbLowered"},
        {L"Panel1", L"BevelOuter", L"pbRaised"},
        {L"Panel1", L"BevelWidth", L"3"},
        {L"Panel1", L"Caption", L"Panel"},
        {L"GroupBox1", L"Caption", L"Group"},
        {L"CheckBox1", L"State", L"cbGrayed"},
        {L"CheckBox1", L"Checked", L"False"},
        {L"CheckBox1", L"AllowGrayed", L"True"},
        {L"CheckBox1", L"Alignment", L"taLeftJustify"},
        {L"RadioButton1", L"Checked", L"True"},
        {L"RadioButton1", L"Alignment", L"taRightJustify"},
        {L"BitBtn1", L"Default", L"True"},
        {L"BitBtn1", L"Cancel", L"False"},
        {L"BitBtn1", L"Layout", L"blGlyphTop"},
        {L"BitBtn1", L"Margin", L"2"},
        {L"BitBtn1", L"Spacing", L"-1"},
        {L"BitBtn1", L"NumGlyphs", L"2"},
        {L"BitBtn1", L"Visible", L"True"},
        {L"BitBtn1", L"Enabled", L"True"},
        {L"Button1", L"Cancel", L"True"},
        {L"Button1", L"Default", L"False"},
        {L"SpeedButton1", L"Down", L"True"},
        {L"SpeedButton1", L"Flat", L"True"},
        {L"SpeedButton1", L"GroupIndex", L"4"},
        {L"SpeedButton1", L"AllowAllUp", L"True"},
        {L"SpeedButton1", L"Layout", L"blGlyphRight"},
        {L"SpeedButton1", L"Margin", L"-1"},
        {L"SpeedButton1", L"Spacing", L"4"},
        {L"SpeedButton1", L"Caption", L"S"},
    };
    for (const Case& c : cases) {
        TComponent* component = form.FindComponent(c.component);
        ASSERT_NE(component, nullptr) << "case: " << WideToUtf8(c.component);
        EXPECT_EQ(GetPropText(*component, c.property), c.text)
            << "case: " << WideToUtf8(c.component) << "." << WideToUtf8(c.property);
    }
    auto& check = dynamic_cast<TCheckBox&>(*form.FindComponent(L"CheckBox1"));
    EXPECT_EQ(check.Parent(), form.FindComponent(L"GroupBox1"));
    EXPECT_EQ(check.State(), cbGrayed);

    // The glyph, as the nested object of its property: the stored pixels.
    auto& bit = dynamic_cast<TBitBtn&>(*form.FindComponent(L"BitBtn1"));
    TBitmap* read = GetObjectProp<TBitmap>(bit, L"Glyph");
    ASSERT_EQ(read, &bit.Glyph());
    ASSERT_EQ(read->Width(), 16);
    ASSERT_EQ(read->Height(), 8);
    EXPECT_EQ(read->Pixel(3, 3), clRed);
    EXPECT_EQ(read->Pixel(12, 3), clBlue);
    EXPECT_EQ(read->Pixel(0, 7), clFuchsia);
    auto* speed = dynamic_cast<TSpeedButton*>(form.FindComponent(L"SpeedButton1"));
    ASSERT_NE(speed, nullptr);
    EXPECT_TRUE(GetObjectProp<TBitmap>(*speed, L"Glyph")->Empty());

    // Set by name as the skin and the form reader do.
    EXPECT_TRUE(SetPropText(check, L"Checked", L"True"));
    EXPECT_EQ(check.State(), cbChecked);
    EXPECT_TRUE(SetPropText(bit, L"Layout", L"blGlyphBottom"));
    EXPECT_EQ(bit.Layout(), blGlyphBottom);
    EXPECT_FALSE(SetPropText(bit, L"Layout", L"sideways"));

    // Written and read back: the same text, glyph included.
    TWriter writer;
    writer.WriteRootComponent(form);
    const std::string written = ObjectBinaryToText(writer.Bytes().data(), writer.Bytes().size());
    EXPECT_NE(written.find("Glyph.Data = {"), std::string::npos);
    EXPECT_EQ(written.find("SpeedButton1.Glyph"), std::string::npos);
    TForm again(nullptr);
    TReader second(writer.Bytes().data(), writer.Bytes().size());
    second.ReadRootComponent(again);
    TWriter rewriter;
    rewriter.WriteRootComponent(again);
    EXPECT_EQ(rewriter.Bytes(), writer.Bytes());
    EXPECT_EQ(GetObjectProp<TBitmap>(*again.FindComponent(L"BitBtn1"), L"Glyph")->Pixel(12, 3), clBlue);
}
