// The scrolling framework controls without skin: memo, list box, scroll box
// and scroll bar on real windows, driven by the mouse.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <string>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/ScrollingControls.h"
#include "framework/streaming/PublishedProperties.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/TestForm.h"

namespace {

using test_support::MakeForm;
using test_support::MouseButton;
using test_support::MouseTo;
using test_support::Pump;
using test_support::PumpUntil;

// Press and release are queued together: a press on a scroll bar enters the
// platform's tracking loop, which returns only when it sees the release.
void Click(HWND hwnd, int x, int y) {
    MouseTo(hwnd, x, y);
    Pump(2);
    MouseButton(true);
    MouseButton(false);
    Pump(5);
}

std::wstring Numbered(int n) {
    std::wstring text;
    for (int i = 0; i < n; ++i) text += (i ? L"\r\n" : L"") + std::wstring(L"line ") + std::to_wstring(i);
    return text;
}

TEST(Memo, KeepsTextAndLinesAcrossTheWindowAndItsBars) {
    auto form = MakeForm(420, 300);
    auto* memo = new TMemo(form.get());
    memo->SetParent(form.get());
    memo->SetBounds(10, 10, 200, 100);
    memo->SetLines([] {
        TStringList l;
        l.Add(L"第一行");
        l.Add(L"second");
        return l;
    }());
    EXPECT_EQ(memo->Text(), L"第一行\r\nsecond") << "before the window";
    memo->SetScrollBars(ssVertical);
    form->Show();
    const HWND h = memo->Handle();
    EXPECT_EQ(memo->Text(), L"第一行\r\nsecond") << "the window got the text";
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VSCROLL);
    EXPECT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_HSCROLL);
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & ES_MULTILINE);
    memo->AddLine(L"third");
    EXPECT_EQ(memo->LineCount(), 3);
    EXPECT_EQ(memo->Lines()[2], L"third");
    memo->SetScrollBars(ssBoth);
    EXPECT_TRUE(GetWindowLongPtrW(memo->Handle(), GWL_STYLE) & WS_HSCROLL) << "the window was made again";
    EXPECT_EQ(memo->LineCount(), 3) << "with its text";
    // Long texts are not cut at the platform's default limit.
    memo->SetText(Numbered(10000));
    EXPECT_EQ(memo->LineCount(), 10000);
    EXPECT_EQ(GetPropValue(*memo, L"BorderStyle").Text, L"bsSingle");
}

TEST(Memo, ArrowClickScrollsOneLine) {
    auto form = MakeForm(420, 300);
    auto* memo = new TMemo(form.get());
    memo->SetParent(form.get());
    memo->SetBounds(10, 10, 200, 100);
    memo->SetScrollBars(ssVertical);
    memo->SetText(Numbered(200));
    form->Show();
    Pump();
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetScrollBarInfo(memo->Handle(), OBJID_VSCROLL, &info));
    POINT p{(info.rcScrollBar.left + info.rcScrollBar.right) / 2, info.rcScrollBar.bottom - 4};
    ScreenToClient(form->Handle(), &p);
    Click(form->Handle(), p.x, p.y);
    EXPECT_TRUE(PumpUntil([&] { return memo->TopLine() == 1; })) << memo->TopLine();
}

TEST(ListBox, ItemsSelectionAndClickBySelection) {
    auto form = MakeForm(420, 300);
    auto* list = new TListBox(form.get());
    list->SetParent(form.get());
    list->SetBounds(10, 10, 150, 120);
    for (int i = 0; i < 30; ++i) list->AddItem(L"项目 " + std::to_wstring(i));
    list->SetItemIndex(2);
    int clicks = 0;
    list->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    EXPECT_EQ(list->Count(), 30);
    EXPECT_EQ(list->ItemIndex(), 2) << "set before the window";
    EXPECT_EQ(list->Items()[29], L"项目 29");
    EXPECT_EQ(clicks, 0) << "setting from code is no click";
    const int itemHeight = static_cast<int>(SendMessageW(list->Handle(), LB_GETITEMHEIGHT, 0, 0));
    Click(list->Handle(), 20, itemHeight * 4 + itemHeight / 2);
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));
    EXPECT_EQ(list->ItemIndex(), 4);
    EXPECT_TRUE(GetWindowLongPtrW(list->Handle(), GWL_STYLE) & WS_VSCROLL) << "30 items do not fit";
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(list->ItemIndex(), -1);
}

TEST(ScrollBox, ChildrenBeyondItGiveBarsAndScrollingMovesThem) {
    auto form = MakeForm(420, 300);
    auto* box = new TScrollBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(10, 10, 200, 150);
    auto* nearButton = new TButton(form.get());
    nearButton->SetParent(box);
    nearButton->SetBounds(5, 5, 80, 25);
    form->Show();
    Pump();
    const HWND h = box->Handle();
    EXPECT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VSCROLL) << "everything fits";
    auto* farButton = new TButton(form.get());
    farButton->SetParent(box);
    farButton->SetBounds(20, 400, 80, 25);
    box->Realign();
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VSCROLL) << "a child below";
    EXPECT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_HSCROLL) << "nothing to the right";
    SendMessageW(h, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(box->VertPosition(), 16);
    EXPECT_EQ(nearButton->Top(), 5 - 16) << "the children moved up";
    RECT r;
    GetWindowRect(farButton->Handle(), &r);
    MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.top, 400 - 16) << "their windows too";
    SendMessageW(h, WM_VSCROLL, SB_BOTTOM, 0);
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(box->VertPosition(), 425 - client.bottom) << "the farButton child's bottom at the bottom edge";
    EXPECT_EQ(GetScrollPos(h, SB_VERT), box->VertPosition());
    box->ScrollTo(0, 0);
    EXPECT_EQ(nearButton->Top(), 5);
}

TEST(ScrollBar, ArrowsTrackAndChangeEvents) {
    auto form = MakeForm(420, 300);
    auto* bar = new TScrollBar(form.get());
    bar->SetParent(form.get());
    bar->SetBounds(10, 200, 300, GetSystemMetrics(SM_CYHSCROLL));
    bar->SetParams(10, 0, 100);
    bar->SetSmallChange(2);
    bar->SetLargeChange(20);
    int changes = 0;
    std::vector<int> requests;
    bar->OnChange = [&](TObject*) { ++changes; };
    bar->OnScroll = [&](TObject*, int request, int&) { requests.push_back(request); };
    form->Show();
    Pump();
    EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 10);
    Click(bar->Handle(), 300 - 5, 5);
    EXPECT_TRUE(PumpUntil([&] { return bar->Position() == 12; })) << bar->Position();
    EXPECT_EQ(requests.front(), SB_LINEDOWN);
    Click(bar->Handle(), 250, 5);
    EXPECT_TRUE(PumpUntil([&] { return bar->Position() == 32; })) << "a page: " << bar->Position();
    EXPECT_GE(changes, 2);
    bar->SetPosition(500);
    EXPECT_EQ(bar->Position(), 100) << "clamped to Max";
    EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 100);
    bar->SetKind(sbVertical);
    EXPECT_TRUE(GetWindowLongPtrW(bar->Handle(), GWL_STYLE) & SBS_VERT);
    EXPECT_EQ(bar->Width(), GetSystemMetrics(SM_CYHSCROLL)) << "turned on its side";
    EXPECT_EQ(GetPropValue(*bar, L"Kind").Text, L"sbVertical");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InitCommonControls();
    Application->Initialize();
    RegisterControlClasses();
    return RUN_ALL_TESTS();
}
