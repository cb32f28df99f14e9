// The skinned combo boxes, edits, spin buttons and date pickers on real
// windows under Wine, driven by real input: which frame each state shows,
// the mirrored button, a skin without the combo button, the same picks
// skinned as unskinned, edit frames, the spin repeat and the date arrow. The
// skin is built in memory from flat, distinct colours so every frame is
// known by its pixels.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/EditControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinCombo.h"
#include "skin/controls/SkinDateTime.h"
#include "skin/controls/SkinEdit.h"
#include "skin/controls/SkinScrollbar.h"
#include "skin/controls/SkinUpDown.h"
#include "skin/draw/ImgUtil.h"
#include "skin/form/SkinData_win.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/SkinFixture.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::CaptureClient;
using test_support::Click;
using test_support::Key;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Pixels;
using test_support::Press;
using test_support::Pump;
using test_support::PumpUntil;
using test_support::SkinFixture;

constexpr TColor kFace = 0x303030;
constexpr TColor kShadow = 0x102070;
constexpr TColor kButton[4] = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0};  // ComboButton frames 1..4
constexpr TColor kSunk[4] = {0x4080C0, 0x40C080, 0xC08040, 0x80C040};    // SunkEdge frames 1..4
constexpr TColor kArrow[4] = {0xA000A0, 0xA0A000, 0x00A0A0, 0x6060E0};   // arrow glyph frames 1..4

uint32_t Rgb(TColor c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// A distinct colour for up-down frame i (1-based, 8 frames).
TColor SpinColor(int i) {
    return static_cast<TColor>(0x081018 * i + 0x200000);
}

void Strip(TBitmap& bmp, int frames, int w, int h, const TColor* colors) {
    bmp.SetSize(frames * w, h);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) bmp.SetPixel(f * w + x, y, colors[f]);
}

// Combo box pieces (the button only when comboButton) and an up-down strip.
void EditSkin(TSkinData& sd, bool comboButton) {
    sd.Colors[csButtonFace] = kFace;
    sd.Colors[csButtonShadow] = kShadow;
    sd.Colors[csButtonText] = clWhite;
    if (comboButton) {
        sd.combox = std::make_unique<TDataSkinBorder>(L"ComboButton");
        Strip(sd.combox->Map, 4, 17, 20, kButton);
        sd.combox->frame = 4;
        sd.combox->MaskMap.Assign(sd.combox->Map);
        SpiegelnHorizontal(sd.combox->MaskMap);
    }
    sd.Comboxborder = std::make_unique<TDataSkinObject>(L"SunkEdge");
    Strip(sd.Comboxborder->Map, 4, 12, 12, kSunk);
    sd.Comboxborder->frame = 4;
    sd.Comboxborder->r = TRect{2, 2, 2, 2};
    sd.comboxarrow = std::make_unique<TDataSkinObject>(L"ComboArrow");
    Strip(sd.comboxarrow->Map, 4, 10, 10, kArrow);
    sd.comboxarrow->frame = 4;
    sd.VSpin = std::make_unique<TDataSkinBorder>(L"UpDown.Vert");
    TColor spin[8];
    for (int i = 0; i < 8; ++i) spin[i] = SpinColor(i + 1);
    Strip(sd.VSpin->Map, 8, 10, 10, spin);
    sd.VSpin->frame = 8;
}

template <class C>
C* Place(TForm* form, int x, int y, int w, int h) {
    auto* c = new C(form);
    c->SetParent(form);
    c->SetBounds(x, y, w, h);
    return c;
}

uint32_t At(HWND hwnd, int x, int y) {
    return CaptureClient(hwnd, true).At(x, y);
}

void ShowAndFocus(TForm& form, TWinControl* focus) {
    form.Show();
    SetForegroundWindow(form.Handle());
    Pump(5);
    focus->SetFocus();
    PumpUntil([&] { return GetFocus() == focus->Handle(); });
}

}  // namespace

TEST(SkinCombo, FramesForFocusPressAndHotOverTheButtonOnly) {
    auto form = MakeForm(320, 200);
    auto* other = Place<TEdit>(form.get(), 10, 150, 100, 22);
    auto* combo = Place<TComboBox>(form.get(), 20, 20, 180, 24);
    combo->SetStyle(csDropDownList);
    for (int i = 0; i < 10; ++i) combo->AddItem(L"item " + std::to_wstring(i));
    ShowAndFocus(*form, other);
    MouseTo(form->Handle(), 300, 180);
    SkinFixture fx(form->Handle(), EditSkin, true);
    auto* obj = dynamic_cast<TSkinComBox*>(AddComp(*fx.sf, combo, form.get()));
    ASSERT_NE(obj, nullptr);
    const HWND h = combo->Handle();
    RECT cr{};
    GetClientRect(h, &cr);
    const int bx = cr.right - 5, by = cr.bottom / 2;
    Pump(5);
    EXPECT_EQ(At(h, bx, by), Rgb(kButton[0])) << "normal: frame 1";
    EXPECT_EQ(At(h, 1, by), Rgb(kSunk[0])) << "the sunken edge, frame 1";

    // Hot only over the button rectangle.
    MouseTo(h, 30, by);
    Pump(10);
    EXPECT_EQ(At(h, bx, by), Rgb(kButton[0])) << "over the text: not hot";
    MouseTo(h, bx, by);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) != 0; }));
    EXPECT_EQ(At(h, bx, by), Rgb(kButton[3])) << "hot: frame 4";
    MouseTo(h, 30, by);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scMouseIn) == 0; }));
    EXPECT_EQ(At(h, bx, by), Rgb(kButton[0])) << "left the button";

    // Pressed while the button is held.
    MouseTo(h, bx, by);
    Pump(3);
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (obj->MouseState() & scDown) != 0; }));
    EXPECT_EQ(At(h, bx, by), Rgb(kButton[1])) << "held: frame 2";
    EXPECT_EQ(At(h, 1, by), Rgb(kSunk[1]));
    MouseButton(false);
    Pump(5);
    if (combo->DroppedDown()) Press(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown() && (obj->MouseState() & scDown) == 0; }));
    MouseTo(form->Handle(), 300, 180);
    PumpUntil([&] { return (obj->MouseState() & scMouseIn) == 0; });
    ASSERT_EQ(GetFocus(), h);
    EXPECT_EQ(At(h, bx, by), Rgb(kButton[3])) << "focused: frame 4";
    EXPECT_EQ(At(h, 1, by), Rgb(kSunk[3]));
    other->SetFocus();
    Pump(5);
    EXPECT_EQ(At(h, bx, by), Rgb(kButton[0])) << "focus gone";

    combo->SetEnabled(false);
    Pump(5);
    EXPECT_EQ(At(h, bx, by), Rgb(kButton[2])) << "disabled: frame 3";
}

TEST(SkinCombo, LeftScrollBarStyleMirrorsTheButton) {
    auto form = MakeForm(320, 120);
    auto* other = Place<TEdit>(form.get(), 10, 80, 100, 22);
    auto* combo = Place<TComboBox>(form.get(), 20, 20, 180, 24);
    combo->SetStyle(csDropDownList);
    combo->AddItem(L"one");
    combo->SetItemIndex(0);
    ShowAndFocus(*form, other);
    const HWND h = combo->Handle();
    SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_LEFTSCROLLBAR);
    MouseTo(form->Handle(), 300, 110);
    SkinFixture fx(form->Handle(), EditSkin, true);
    auto* obj = dynamic_cast<TSkinComBox*>(AddComp(*fx.sf, combo, form.get()));
    ASSERT_NE(obj, nullptr);
    Pump(5);
    RECT cr{};
    GetClientRect(h, &cr);
    const Pixels p = CaptureClient(h, true);
    const int B = GetSystemMetrics(SM_CXHSCROLL);
    EXPECT_EQ(p.At(5, cr.bottom / 2), Rgb(kButton[0])) << "the button at the left, in its normal frame";
    EXPECT_EQ(obj->rBtn.Left, 0);
    EXPECT_EQ(obj->rBtn.Right, B + 2);
    for (TColor c : kButton) EXPECT_NE(p.At(cr.right - 8, cr.bottom / 2), Rgb(c)) << "no button at the right";
    combo->SetFocus();
    Pump(5);
    EXPECT_EQ(At(h, 5, cr.bottom / 2), Rgb(kButton[3])) << "focused: frame 4, mirrored";
}

TEST(SkinCombo, SkinWithoutComboButtonLeavesCombosAlone) {
    auto form = MakeForm(320, 120);
    auto* combo = Place<TComboBox>(form.get(), 20, 20, 180, 24);
    combo->SetStyle(csDropDownList);
    combo->AddItem(L"one");
    combo->SetItemIndex(0);
    form->Show();
    Pump(5);
    const Pixels before = CaptureClient(combo->Handle(), true);
    SkinFixture fx(form->Handle(), EditSkin, false);
    AddComp(*fx.sf, combo, form.get());
    InvalidateRect(combo->Handle(), nullptr, TRUE);
    Pump(5);
    const Pixels after = CaptureClient(combo->Handle(), true);
    EXPECT_EQ(after.data, before.data) << "drawn as it was";
    for (TColor c : kSunk) EXPECT_NE(after.At(1, 12), Rgb(c));
}

namespace {

struct PickLog {
    std::vector<std::wstring> log;
    void Watch(TComboBox* c) {
        c->OnChange = [this, c](TObject*) { log.push_back(L"change " + std::to_wstring(c->ItemIndex())); };
        c->OnSelect = [this, c](TObject*) { log.push_back(L"select " + std::to_wstring(c->ItemIndex())); };
    }
};

// Mouse pick of item 2, then Down twice, then a keyboard pick far down the open list.
std::vector<int> DrivePicks(TComboBox* combo, int* topIndex) {
    std::vector<int> indexes;
    const HWND h = combo->Handle();
    combo->SetFocus();
    Pump(3);
    RECT cr{};
    GetClientRect(h, &cr);
    Click(h, cr.right - 6, cr.bottom / 2);
    PumpUntil([&] { return combo->DroppedDown(); });
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(h, &info);
    RECT ir{};
    SendMessageW(info.hwndList, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&ir));
    Click(info.hwndList, (ir.left + ir.right) / 2, (ir.top + ir.bottom) / 2);
    PumpUntil([&] { return !combo->DroppedDown(); });
    indexes.push_back(combo->ItemIndex());
    Press(VK_DOWN);
    Press(VK_DOWN);
    Pump(5);
    indexes.push_back(combo->ItemIndex());
    Click(h, cr.right - 6, cr.bottom / 2);
    PumpUntil([&] { return combo->DroppedDown(); });
    for (int i = 0; i < 12; ++i) Press(VK_DOWN);
    *topIndex = static_cast<int>(SendMessageW(info.hwndList, LB_GETTOPINDEX, 0, 0));
    Press(VK_RETURN);
    PumpUntil([&] { return !combo->DroppedDown(); });
    indexes.push_back(combo->ItemIndex());
    return indexes;
}

}  // namespace

TEST(SkinCombo, PicksGiveTheSameIndexesAndEventsAsAnUnskinnedTwin) {
    const TComboBoxStyle styles[] = {csDropDown, csDropDownList, csOwnerDrawFixed};
    for (TComboBoxStyle style : styles) {
        SCOPED_TRACE("style " + std::to_string(style));
        auto form = MakeForm(460, 260);
        TComboBox* twins[2];
        PickLog logs[2];
        for (int t = 0; t < 2; ++t) {
            twins[t] = Place<TComboBox>(form.get(), 10 + t * 220, 10, 180, 24);
            twins[t]->SetStyle(style);
            twins[t]->SetDropDownCount(6);
            for (int i = 0; i < 20; ++i) twins[t]->AddItem(L"item " + std::to_wstring(i));
            logs[t].Watch(twins[t]);
        }
        form->Show();
        SetForegroundWindow(form->Handle());
        Pump(5);
        SkinFixture fx(form->Handle(), EditSkin, true);
        auto* obj = dynamic_cast<TSkinComBox*>(AddComp(*fx.sf, twins[1], form.get()));
        ASSERT_NE(obj, nullptr);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(twins[1]->Handle(), &info));
        ASSERT_NE(obj->db, nullptr) << "the drop-down list has its scroll-bar object";
        EXPECT_EQ(obj->db->Window(), info.hwndList);
        EXPECT_EQ(SendMessageW(info.hwndList, CN_SkinQuery, 0, 0), 1);
        int tops[2] = {0, 0};
        const std::vector<int> plain = DrivePicks(twins[0], &tops[0]);
        const std::vector<int> skinned = DrivePicks(twins[1], &tops[1]);
        EXPECT_EQ(plain, (std::vector<int>{2, 4, 16}));
        EXPECT_EQ(skinned, plain);
        EXPECT_EQ(logs[1].log, logs[0].log);
        EXPECT_GT(tops[1], 0) << "the skinned combo's list scrolled";
        EXPECT_EQ(tops[1], tops[0]);
    }
}

TEST(SkinEdit, FrameWithBorderNoneWithout) {
    auto form = MakeForm(320, 120);
    auto* framed = Place<TEdit>(form.get(), 10, 10, 150, 24);
    auto* bare = Place<TEdit>(form.get(), 10, 50, 150, 24);
    bare->SetBorderStyle(ebsNone);
    bare->SetText(L"plain");
    form->Show();
    Pump(5);
    SkinFixture fx(form->Handle(), EditSkin, true);
    ASSERT_NE(dynamic_cast<TSkinEdit*>(AddComp(*fx.sf, framed, form.get())), nullptr);
    AddComp(*fx.sf, bare, form.get());
    Pump(5);
    // The frame lies on the edit's border: read it from the screen.
    const HWND h = framed->Handle();
    HDC dc = GetWindowDC(h);
    const COLORREF edge = GetPixel(dc, 0, 5), ring1 = GetPixel(dc, 1, 5), ring2 = GetPixel(dc, 2, 5);
    ReleaseDC(h, dc);
    EXPECT_EQ(edge, static_cast<COLORREF>(kShadow)) << "shadow at the edge";
    EXPECT_EQ(ring1, RGB(255, 255, 255));
    EXPECT_EQ(ring2, RGB(255, 255, 255));
    const Pixels p = CaptureClient(bare->Handle(), false);
    for (int y = 0; y < p.height; ++y) EXPECT_NE(p.At(0, y), Rgb(kShadow)) << "no frame on a borderless edit";
}

TEST(SkinSpinEdit, HoldingTheUpHalfRepeatsAndPressesOnlyThatHalf) {
    auto form = MakeForm(320, 120);
    auto* other = Place<TEdit>(form.get(), 10, 70, 100, 22);
    auto* spin = Place<TSpinEdit>(form.get(), 10, 10, 120, 26);
    spin->SetMaxValue(1000);
    ShowAndFocus(*form, other);
    SkinFixture fx(form->Handle(), EditSkin, true);
    auto* edit = dynamic_cast<TSkinEdit*>(AddComp(*fx.sf, spin, form.get()));
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return edit->updown != nullptr; })) << "the spin buttons were found";
    const HWND b = spin->ButtonHandle();
    EXPECT_EQ(edit->updown->Window(), b);
    RECT br{};
    GetClientRect(b, &br);
    // Pointer away: both halves normal (up frame 1, down frame 5).
    MouseTo(form->Handle(), 300, 110);
    Pump(5);
    InvalidateRect(b, nullptr, TRUE);
    Pump(3);
    const int x = br.right / 2;
    const int upY = br.bottom / 4, downY = br.bottom * 3 / 4;
    EXPECT_EQ(At(b, x, upY), Rgb(SpinColor(1)));
    EXPECT_EQ(At(b, x, downY), Rgb(SpinColor(5)));

    MouseTo(b, x, upY);
    Pump(3);
    MouseButton(true);
    ASSERT_TRUE(PumpUntil([&] { return (edit->updown->MouseState() & scDown) != 0; }));
    EXPECT_TRUE(PumpUntil([&] { return spin->Value() >= 3; })) << "held: the value repeats";
    EXPECT_EQ(At(b, x, upY), Rgb(SpinColor(2))) << "up half pressed: frame 2";
    EXPECT_EQ(At(b, x, downY), Rgb(SpinColor(5))) << "down half stays normal";
    MouseButton(false);
    ASSERT_TRUE(PumpUntil([&] { return (edit->updown->MouseState() & scDown) == 0; }));
    const int stopped = spin->Value();
    Pump(30);
    EXPECT_EQ(spin->Value(), stopped) << "released: no more steps";
    EXPECT_EQ(At(b, x, upY), Rgb(SpinColor(4))) << "hot after the release";
}

TEST(SkinDateTime, ArrowButtonOpensTheCalendar) {
    auto form = MakeForm(320, 260);
    auto* other = Place<TEdit>(form.get(), 10, 200, 100, 22);
    auto* picker = Place<TDateTimePicker>(form.get(), 10, 10, 180, 24);
    int closeups = 0;
    picker->OnCloseUp = [&](TObject*) { ++closeups; };
    ShowAndFocus(*form, other);
    MouseTo(form->Handle(), 300, 250);
    SkinFixture fx(form->Handle(), EditSkin, true);
    auto* obj = dynamic_cast<TSkinDateTime*>(AddComp(*fx.sf, picker, form.get()));
    ASSERT_NE(obj, nullptr);
    ASSERT_TRUE(obj->arrow && obj->arrow->window);
    const HWND arrow = obj->arrow->window;
    EXPECT_EQ(GetParent(arrow), picker->Handle());
    Pump(5);
    RECT ar{};
    GetClientRect(arrow, &ar);
    EXPECT_EQ(ar.right, GetSystemMetrics(SM_CXHSCROLL));
    EXPECT_EQ(At(arrow, ar.right / 2, ar.bottom / 2), Rgb(kArrow[0]));
    MouseTo(arrow, ar.right / 2, ar.bottom / 2);
    ASSERT_TRUE(PumpUntil([&] { return (obj->arrow->state & scMouseIn) != 0; }));
    EXPECT_EQ(At(arrow, ar.right / 2, ar.bottom / 2), Rgb(kArrow[3])) << "hot";
    MouseButton(true);
    Pump(3);
    MouseButton(false);
    EXPECT_TRUE(PumpUntil([&] { return picker->DroppedDown(); })) << "the calendar opened";
    // Close it by picking a day.
    const HWND calendar = reinterpret_cast<HWND>(SendMessageW(picker->Handle(), DTM_GETMONTHCAL, 0, 0));
    if (calendar) {
        RECT kr{};
        GetClientRect(calendar, &kr);
        Click(calendar, kr.right / 2, kr.bottom * 3 / 5);
        EXPECT_TRUE(PumpUntil([&] { return !picker->DroppedDown(); }));
    }
    MouseTo(form->Handle(), 300, 250);
    EXPECT_TRUE(PumpUntil([&] { return (obj->arrow->state & scMouseIn) == 0; }));
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    InitCommonControls();
    Application->Initialize();
    RegisterControlClasses();
    InstallControlSkinning();
    return RUN_ALL_TESTS();
}
