// Edits, combo boxes, up-down buttons, spin edits and date pickers of the
// framework on real windows under Wine, unskinned, driven by real input:
// typing, picking list items by mouse and keys, the events in their order,
// spin buttons and keys, and the properties the skin engine reads by name.
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
#include "framework/streaming/PublishedProperties.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::Click;
using test_support::Key;
using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Press;
using test_support::Pump;
using test_support::PumpUntil;

template <class C>
C* Place(TForm* form, int x, int y, int w, int h) {
    auto* c = new C(form);
    c->SetParent(form);
    c->SetBounds(x, y, w, h);
    return c;
}

void Type(const std::wstring& letters) {
    for (wchar_t ch : letters) Press(static_cast<WORD>(ch));
}

void Show(TForm& form, TWinControl* focus) {
    form.Show();
    SetForegroundWindow(form.Handle());
    Pump(5);
    if (focus) focus->SetFocus();
    PumpUntil([&] { return !focus || GetFocus() == focus->Handle(); });
}

// The drop-down list window of a combo, and the centre of item i in it.
POINT ListItemCentre(HWND combo, int i, HWND* list) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo, &info);
    *list = info.hwndList;
    RECT r{};
    SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

TEST(Edit, TypingChangesTextAndCallsOnChangeOncePerChange) {
    auto form = MakeForm(300, 120);
    auto* edit = Place<TEdit>(form.get(), 10, 10, 150, 22);
    auto* limited = Place<TEdit>(form.get(), 10, 40, 150, 22);
    limited->SetMaxLength(3);
    auto* readOnly = Place<TEdit>(form.get(), 10, 70, 150, 22);
    readOnly->SetText(L"fixed");
    readOnly->SetReadOnly(true);
    std::vector<std::wstring> seen;
    edit->OnChange = [&](TObject*) { seen.push_back(edit->Text()); };
    Show(*form, edit);
    Type(L"AB");
    ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 2; }));
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"a", L"ab"}));
    edit->SetText(L"code");
    EXPECT_EQ(seen.size(), 3u) << "a change by code is a change too";
    EXPECT_EQ(edit->Text(), L"code");

    limited->SetFocus();
    Type(L"ABCDE");
    EXPECT_EQ(limited->Text(), L"abc") << "MaxLength holds";
    readOnly->SetFocus();
    Type(L"X");
    EXPECT_EQ(readOnly->Text(), L"fixed") << "read-only";

    SetPropText(*edit, L"BorderStyle", L"bsNone");
    RECT wr{}, cr{};
    GetWindowRect(edit->Handle(), &wr);
    GetClientRect(edit->Handle(), &cr);
    EXPECT_EQ(wr.right - wr.left, cr.right) << "no border: the client area is the window";
}

struct ComboEvents {
    std::vector<std::wstring> log;
    void Watch(TComboBox* c) {
        c->OnChange = [this, c](TObject*) { log.push_back(L"change " + std::to_wstring(c->ItemIndex())); };
        c->OnSelect = [this, c](TObject*) { log.push_back(L"select " + std::to_wstring(c->ItemIndex())); };
        c->OnDropDown = [this](TObject*) { log.push_back(L"dropdown"); };
        c->OnCloseUp = [this](TObject*) { log.push_back(L"closeup"); };
    }
};

TEST(ComboBox, MouseAndKeysPickItemsWithTheSameEvents) {
    const TComboBoxStyle styles[] = {csDropDown, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable};
    for (TComboBoxStyle style : styles) {
        SCOPED_TRACE("style " + std::to_string(style));
        auto form = MakeForm(300, 260);
        auto* combo = Place<TComboBox>(form.get(), 10, 10, 160, 22);
        combo->SetStyle(style);
        for (int i = 0; i < 20; ++i) combo->AddItem(L"item " + std::to_wstring(i));
        combo->SetDropDownCount(5);
        ComboEvents ev;
        ev.Watch(combo);
        Show(*form, combo);
        const HWND h = combo->Handle();
        RECT cr{};
        GetClientRect(h, &cr);
        // The mouse: open the list at the button, pick the third item.
        Click(h, cr.right - 8, cr.bottom / 2);
        ASSERT_TRUE(PumpUntil([&] { return combo->DroppedDown(); }));
        HWND list = nullptr;
        const POINT item = ListItemCentre(h, 2, &list);
        Click(list, item.x, item.y);
        ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown(); }));
        EXPECT_EQ(combo->ItemIndex(), 2);
        EXPECT_EQ(combo->Text(), L"item 2");
        // The platform closes the list before it reports the pick.
        EXPECT_EQ(ev.log, (std::vector<std::wstring>{L"dropdown", L"closeup", L"select 2", L"change 2"}));
        // The keys: Down twice on the closed combo.
        ev.log.clear();
        Press(VK_DOWN);
        Press(VK_DOWN);
        ASSERT_TRUE(PumpUntil([&] { return ev.log.size() >= 4; }));
        EXPECT_EQ(combo->ItemIndex(), 4);
        EXPECT_EQ(ev.log, (std::vector<std::wstring>{L"select 3", L"change 3", L"select 4", L"change 4"}));
        // The list scrolls to an item far below its first page.
        Click(h, cr.right - 8, cr.bottom / 2);
        ASSERT_TRUE(PumpUntil([&] { return combo->DroppedDown(); }));
        for (int i = 0; i < 12; ++i) Press(VK_DOWN);
        Press(VK_RETURN);
        ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown(); }));
        EXPECT_EQ(combo->ItemIndex(), 16);
        EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0) << "the list scrolled";
    }
}

TEST(ComboBox, TypingInTheEditCallsOnChangeAndSimpleShowsItsList) {
    auto form = MakeForm(300, 200);
    auto* combo = Place<TComboBox>(form.get(), 10, 10, 160, 22);
    combo->AddItem(L"alpha");
    combo->AddItem(L"beta");
    auto* simple = Place<TComboBox>(form.get(), 10, 50, 160, 120);
    simple->SetStyle(csSimple);
    simple->AddItem(L"one");
    simple->AddItem(L"two");
    ComboEvents ev;
    ev.Watch(combo);
    Show(*form, combo);
    Type(L"XY");
    ASSERT_TRUE(PumpUntil([&] { return ev.log.size() >= 2; }));
    EXPECT_EQ(ev.log, (std::vector<std::wstring>{L"change -1", L"change -1"}));
    EXPECT_EQ(combo->Text(), L"xy");
    combo->SetText(L"beta");
    EXPECT_EQ(combo->Text(), L"beta");

    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(simple->Handle(), &info));
    EXPECT_TRUE(IsWindowVisible(info.hwndList)) << "a simple combo's list is always shown";
    RECT wr{};
    GetWindowRect(simple->Handle(), &wr);
    EXPECT_EQ(wr.bottom - wr.top, 120);
    EXPECT_EQ(GetPropText(*simple, L"Style"), L"csSimple");
}

TEST(SpinEdit, ButtonsAndKeysStepWithinTheLimits) {
    auto form = MakeForm(300, 120);
    auto* spin = Place<TSpinEdit>(form.get(), 10, 10, 100, 24);
    spin->SetMinValue(0);
    spin->SetMaxValue(10);
    spin->SetIncrement(2);
    spin->SetValue(4);
    Show(*form, spin);
    const HWND buttons = spin->ButtonHandle();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(GetParent(buttons), spin->Handle()) << "the buttons live inside the edit";
    RECT br{};
    GetClientRect(buttons, &br);
    Click(buttons, br.right / 2, br.bottom / 4);
    EXPECT_EQ(spin->Value(), 6) << "up";
    Click(buttons, br.right / 2, br.bottom * 3 / 4);
    EXPECT_EQ(spin->Value(), 4) << "down";
    spin->SetFocus();
    Press(VK_UP);
    Press(VK_UP);
    Press(VK_UP);
    Press(VK_UP);
    EXPECT_EQ(spin->Value(), 10) << "keys, held at MaxValue";
    EXPECT_EQ(spin->Text(), L"10");
    Press(VK_DOWN);
    EXPECT_EQ(spin->Value(), 8);
    EXPECT_EQ(GetPropText(*spin, L"Value"), L"8");
}

TEST(UpDown, ClicksMoveThePositionAndTheAssociate) {
    auto form = MakeForm(300, 120);
    auto* edit = Place<TEdit>(form.get(), 10, 10, 80, 24);
    auto* ud = Place<TUpDown>(form.get(), 92, 10, 17, 24);
    ud->SetMax(3);
    ud->SetAssociate(edit);
    std::vector<int> clicks;
    bool refuse = false;
    ud->OnClick = [&](TObject*, TUDBtnType b) { clicks.push_back(b == udStepUp ? 1 : -1); };
    ud->OnChanging = [&](TObject*, bool& allow) { allow = !refuse; };
    Show(*form, nullptr);
    const HWND h = ud->Handle();
    for (int i = 0; i < 4; ++i) Click(h, 8, 5);
    EXPECT_EQ(ud->Position(), 3) << "held at Max";
    EXPECT_EQ(edit->Text(), L"3");
    Click(h, 8, 19);
    EXPECT_EQ(ud->Position(), 2);
    EXPECT_EQ(clicks, (std::vector<int>{1, 1, 1, 1, -1})) << "every click, the one at Max too";
    refuse = true;
    Click(h, 8, 19);
    EXPECT_EQ(ud->Position(), 2) << "OnChanging refused";
    SetPropText(*ud, L"Orientation", L"udHorizontal");
    EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & UDS_HORZ);
}

TEST(DateTimePicker, DateKeysAndCalendar) {
    auto form = MakeForm(300, 260);
    auto* picker = Place<TDateTimePicker>(form.get(), 10, 10, 180, 24);
    SetPropText(*picker, L"Date", L"2024-03-15");
    int changes = 0;
    picker->OnChange = [&](TObject*) { ++changes; };
    Show(*form, picker);
    EXPECT_EQ(picker->DateText(), L"2024-03-15");
    Click(picker->Handle(), 6, 8);  // selects the first field of the date
    Press(VK_UP);
    ASSERT_TRUE(PumpUntil([&] { return changes > 0; }));
    EXPECT_NE(picker->DateText(), L"2024-03-15");
    RECT cr{};
    GetClientRect(picker->Handle(), &cr);
    Click(picker->Handle(), cr.right - 8, cr.bottom / 2);
    EXPECT_TRUE(PumpUntil([&] { return picker->DroppedDown(); })) << "the button opens the calendar";
    // A day picked in the calendar closes it and becomes the date.
    const HWND calendar = reinterpret_cast<HWND>(SendMessageW(picker->Handle(), DTM_GETMONTHCAL, 0, 0));
    ASSERT_NE(calendar, nullptr);
    RECT kr{};
    GetClientRect(calendar, &kr);
    const std::wstring shown = picker->DateText();
    const int changed = changes;
    Click(calendar, kr.right / 2, kr.bottom * 3 / 5);
    EXPECT_TRUE(PumpUntil([&] { return !picker->DroppedDown(); })) << "a pick closes the calendar";
    EXPECT_GT(changes, changed);
    EXPECT_NE(picker->DateText(), shown);
    // Kind and DateMode are read by position by the skin's tables.
    const std::wstring before = picker->DateText();
    SetPropText(*picker, L"DateMode", L"dmUpDown");
    EXPECT_EQ(GetPropValue(*picker, L"DateMode").Ordinal, 1);
    EXPECT_TRUE(GetWindowLongW(picker->Handle(), GWL_STYLE) & DTS_UPDOWN);
    EXPECT_EQ(picker->DateText(), before) << "the new window keeps the date";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    InitCommonControls();
    Application->Initialize();
    RegisterControlClasses();
    return RUN_ALL_TESTS();
}
