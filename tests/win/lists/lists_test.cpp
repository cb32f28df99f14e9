// The framework's list view and check list box on real windows under Wine,
// driven by real input: header clicks report their column and sort, check
// boxes toggle on a click on the box or Space, and disabled and header items
// stay as they are.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <vector>

#include "framework/streaming/PublishedProperties.h"
#include "tests/win/lists/ListsFixture.h"
#include "tests/win/support/ClientPixels.h"

namespace {

using namespace lists_test;

class ListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControlClasses();
        form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(bsSingle);
        form->SetClientWidth(480);
        form->SetClientHeight(140);
        form->SetLeft(70);
        form->SetTop(70);
    }
    void ShowForm() {
        form->Show();
        const HWND h = form->Handle();
        SetForegroundWindow(h);
        UpdateWindow(h);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == h; })) << "the form did not come to the front";
        // The display shows the window a little after Wine says it is in front.
        PumpFor(300);
    }
    void TearDown() override {
        ParkMouse();
        form.reset();
        Pump();
    }
    std::unique_ptr<TForm> form;
};

std::vector<std::wstring> Column0(TListView& lv) {
    std::vector<std::wstring> out;
    for (int i = 0; i < lv.ItemCount(); ++i) {
        // What the window shows, not only what the object keeps.
        wchar_t buf[64] = {};
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = buf;
        item.cchTextMax = 64;
        SendMessageW(lv.Handle(), LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::wstring(buf), lv.ItemText(i, 0)) << "row " << i;
        out.push_back(buf);
    }
    return out;
}

void ClickHeader(TListView& lv, int column) {
    HWND header = lv.HeaderHandle();
    RECT r{};
    ASSERT_TRUE(Header_GetItemRect(header, column, &r));
    Click(header, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

TEST_F(ListsTest, HeaderClicksReportTheColumnAndSort) {
    TListView* lv = MakeListView(form.get());
    std::vector<int> clicks;
    lv->OnColumnClick = [&](TObject*, int column) {
        clicks.push_back(column);
        lv->SortBy(column, lv->SortColumn() == column ? !lv->SortAscending() : true);
    };
    ShowForm();
    ASSERT_NE(lv->HeaderHandle(), nullptr);
    EXPECT_EQ(Header_GetItemCount(lv->HeaderHandle()), 3);
    lv->SetItemIndex(1);  // alpha

    ClickHeader(*lv, 0);
    PumpUntil([&] { return clicks.size() == 1; });
    ASSERT_EQ(clicks, (std::vector<int>{0}));
    EXPECT_EQ(Column0(*lv), (std::vector<std::wstring>{L"alpha", L"bravo", L"charlie", L"delta", L"echo", L"foxtrot",
                                                       L"golf", L"hotel", L"india"}));
    EXPECT_EQ(lv->ItemIndex(), 0) << "the selection follows its item";
    PumpFor(GetDoubleClickTime() + 200);  // not a double click
    ClickHeader(*lv, 0);
    PumpUntil([&] { return clicks.size() == 2; });
    EXPECT_EQ(Column0(*lv).front(), L"india") << "a second click turns the order";
    EXPECT_EQ(lv->ItemIndex(), 8);
    PumpFor(GetDoubleClickTime() + 200);
    ClickHeader(*lv, 2);
    PumpUntil([&] { return clicks.size() == 3; });
    EXPECT_EQ(clicks, (std::vector<int>{0, 0, 2}));
    EXPECT_EQ(Column0(*lv).front(), L"charlie") << "by the third column's text";
    EXPECT_EQ(lv->ItemText(0, 1), L"30") << "sub-items move with their item";

    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(lv->HeaderHandle(), 2, &item);
    EXPECT_TRUE(item.fmt & HDF_SORTUP);
    Header_GetItem(lv->HeaderHandle(), 0, &item);
    EXPECT_FALSE(item.fmt & (HDF_SORTUP | HDF_SORTDOWN));
}

TEST_F(ListsTest, ItemsGivenBeforeTheWindowAppearInIt) {
    TListView* lv = MakeListView(form.get());
    lv->SortBy(1, false);  // before the window
    ShowForm();
    EXPECT_EQ(ListView_GetItemCount(lv->Handle()), 9);
    EXPECT_EQ(Column0(*lv).front(), L"india");
    lv->Clear();
    EXPECT_EQ(ListView_GetItemCount(lv->Handle()), 0);
    lv->AddItem(L"x", {L"1"});
    EXPECT_EQ(Column0(*lv), std::vector<std::wstring>{L"x"});
}

TEST_F(ListsTest, CheckListClicksToggleTheBoxOfTheItem) {
    TCheckListBox* cl = MakeCheckList(form.get());
    cl->SetAllowGrayed(true);
    cl->SetItemEnabled(4, false);
    cl->SetHeader(5, true);
    std::vector<int> clicked;
    cl->OnClickCheck = [&](TObject*, int index) { clicked.push_back(index); };
    ShowForm();
    HWND h = cl->Handle();
    auto boxClick = [&](int index) {
        const RECT r = cl->ItemRect(index);
        Click(h, r.left + 2 + TCheckListBox::CheckBoxSize() / 2, (r.top + r.bottom) / 2);
    };
    boxClick(2);
    EXPECT_EQ(cl->State(2), cbChecked);
    EXPECT_EQ(cl->ItemIndex(), 2) << "the click selects the item too";
    PumpFor(GetDoubleClickTime() + 200);  // no double click
    boxClick(2);
    EXPECT_EQ(cl->State(2), cbGrayed);
    PumpFor(GetDoubleClickTime() + 200);
    boxClick(2);
    EXPECT_EQ(cl->State(2), cbUnchecked);
    // On the text: selects, does not toggle.
    const RECT r1 = cl->ItemRect(1);
    Click(h, r1.left + 60, (r1.top + r1.bottom) / 2);
    EXPECT_EQ(cl->ItemIndex(), 1);
    EXPECT_EQ(cl->State(1), cbUnchecked);
    // Disabled and header items stay.
    boxClick(4);
    boxClick(5);
    EXPECT_EQ(cl->State(4), cbUnchecked);
    EXPECT_EQ(cl->State(5), cbUnchecked);
    // Space toggles the selected item.
    cl->SetItemIndex(1);
    test_support::Key(VK_SPACE, true);
    test_support::Key(VK_SPACE, false);
    Pump(10);
    EXPECT_EQ(cl->State(1), cbChecked);
    EXPECT_EQ(clicked, (std::vector<int>{2, 2, 2, 1}));
}

TEST_F(ListsTest, CheckListDrawsTheStateOfEachBox) {
    TCheckListBox* cl = MakeCheckList(form.get());
    cl->SetChecked(1, true);
    cl->SetState(2, cbGrayed);
    cl->SetHeader(3, true);
    cl->SetHeaderBackgroundColor(static_cast<TColor>(0x00C08040));
    ShowForm();
    const test_support::Pixels px = test_support::CaptureClient(cl->Handle(), false);
    auto box = [&](int index) {
        const RECT r = cl->ItemRect(index);
        const int top = r.top + (r.bottom - r.top - TCheckListBox::CheckBoxSize()) / 2;
        // Inside the box's frame.
        return RECT{r.left + 2 + 3, top + 3, r.left + 2 + 10, top + 10};
    };
    const uint32_t window = px.At(box(0).left + 2, box(0).top + 2);
    EXPECT_EQ(px.CountInk(box(0), window), 0) << "an unchecked box is empty inside";
    EXPECT_GT(px.CountInk(box(1), window), 6) << "a checked box has its mark";
    EXPECT_GT(px.CountInk(box(2), window), 6) << "a grayed box has its mark";
    const RECT h = cl->ItemRect(3);
    EXPECT_EQ(px.At(h.left + 3, h.top + 1), 0x4080C0u) << "a header item has its background colour";
}

}  // namespace
