// MDI frames of the framework on real windows under Wine: the client window,
// children made through it, tile and cascade, maximise / minimise / restore,
// closing, the window menu and the keys of the active child.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
// clang-format on

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"

namespace {

using test_support::Pump;
using test_support::PumpUntil;

// A child that tells the test when it is freed.
class ProbeChild : public TForm {
public:
    ProbeChild(TComponent* owner, bool* gone) : TForm(owner), gone_(gone) {}
    ~ProbeChild() override {
        if (gone_) *gone_ = true;
    }

private:
    bool* gone_;
};

RECT InClient(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::wstring MenuText(HMENU menu, int pos) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(pos), text, 128, MF_BYPOSITION);
    return text;
}

class MdiTest : public ::testing::Test {
protected:
    void SetUp() override {
        frame = new TForm(nullptr);
        frame->SetFormStyle(fsMDIForm);
        frame->SetBounds(40, 40, 600, 420);
        frame->SetCaption(L"MDI frame");
        frame->Show();
        ASSERT_TRUE(frame->ClientHandle());
    }
    void TearDown() override {
        for (TForm* c : children) delete c;
        delete frame;
        Pump();
    }
    ProbeChild* AddChild(const std::wstring& caption, bool* gone = nullptr) {
        auto* c = new ProbeChild(frame, gone);
        c->SetFormStyle(fsMDIChild);
        c->SetCaption(caption);
        c->SetBounds(10, 10, 200, 150);
        c->Show();
        children.push_back(c);
        return c;
    }
    void Forget(TForm* c) { children.erase(std::remove(children.begin(), children.end(), c), children.end()); }

    TForm* frame = nullptr;
    std::vector<TForm*> children;
};

TEST_F(MdiTest, ClientFillsTheFrameAndHoldsTheChildren) {
    wchar_t cls[32] = {};
    GetClassNameW(frame->ClientHandle(), cls, 32);
    EXPECT_EQ(0, lstrcmpiW(cls, L"MDIClient"));
    RECT frameClient{}, client{};
    GetClientRect(frame->Handle(), &frameClient);
    GetWindowRect(frame->ClientHandle(), &client);
    EXPECT_EQ(frameClient.right, client.right - client.left);
    EXPECT_EQ(frameClient.bottom, client.bottom - client.top);

    TForm* a = AddChild(L"A");
    TForm* b = AddChild(L"B");
    EXPECT_EQ(frame->ClientHandle(), GetParent(a->Handle()));
    EXPECT_TRUE(GetWindowLongPtrW(a->Handle(), GWL_EXSTYLE) & WS_EX_MDICHILD);
    EXPECT_EQ(a, FindControl(a->Handle())) << "the child window is claimed by its form";
    EXPECT_EQ(2, frame->MDIChildCount());
    EXPECT_EQ(b, frame->ActiveMDIChild()) << "the newest child is active";
    EXPECT_EQ(b, frame->MDIChildren(0));
    EXPECT_EQ(a, frame->MDIChildren(1));
    EXPECT_EQ(nullptr, frame->MDIChildren(2));

    // The client resizes with the frame.
    frame->SetBounds(40, 40, 500, 380);
    Pump();
    GetClientRect(frame->Handle(), &frameClient);
    GetWindowRect(frame->ClientHandle(), &client);
    EXPECT_EQ(frameClient.right, client.right - client.left);

    frame->Next();
    EXPECT_EQ(a, frame->ActiveMDIChild());
    frame->Previous();
    EXPECT_EQ(b, frame->ActiveMDIChild());
}

TEST_F(MdiTest, TileAndCascadeShareTheClientArea) {
    TForm* a = AddChild(L"A");
    TForm* b = AddChild(L"B");

    struct Case {
        const char* name;
        TTileMode mode;
    } cases[] = {{"vertical", tbVertical}, {"horizontal", tbHorizontal}};
    for (const Case& c : cases) {
        frame->SetTileMode(c.mode);
        frame->Tile();
        // Tiled children need no scroll bars: the area is the client's after tiling.
        RECT area{};
        GetClientRect(frame->ClientHandle(), &area);
        const RECT ra = InClient(a->Handle()), rb = InClient(b->Handle());
        RECT overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &ra, &rb)) << "case: " << c.name;
        EXPECT_GE(ra.left, 0) << "case: " << c.name;
        EXPECT_GE(ra.top, 0) << "case: " << c.name;
        EXPECT_LE(std::max(ra.right, rb.right), area.right) << "case: " << c.name;
        EXPECT_LE(std::max(ra.bottom, rb.bottom), area.bottom) << "case: " << c.name;
        if (c.mode == tbVertical) {
            EXPECT_EQ(ra.top, rb.top) << "case: " << c.name << ": side by side";
            // Whole pixels: the share of each child is rounded down.
            EXPECT_NEAR(area.right, (ra.right - ra.left) + (rb.right - rb.left), 1) << "case: " << c.name;
        } else {
            EXPECT_EQ(ra.left, rb.left) << "case: " << c.name << ": one above the other";
            EXPECT_NEAR(area.bottom, (ra.bottom - ra.top) + (rb.bottom - rb.top), 1) << "case: " << c.name;
        }
    }

    frame->Cascade();
    const RECT ra = InClient(a->Handle()), rb = InClient(b->Handle());
    // The active child lies last, down and right of the other; both of one size.
    EXPECT_GT(rb.left, ra.left);
    EXPECT_GT(rb.top, ra.top);
    EXPECT_EQ(ra.right - ra.left, rb.right - rb.left);
}

TEST_F(MdiTest, MaximiseMinimiseAndRestoreAChild) {
    TForm* a = AddChild(L"A");
    TForm* b = AddChild(L"B");
    const RECT before = InClient(b->Handle());

    b->SetWindowState(wsMaximized);
    EXPECT_EQ(wsMaximized, b->WindowState());
    RECT area{};
    GetClientRect(frame->ClientHandle(), &area);
    RECT bc{};
    GetClientRect(b->Handle(), &bc);
    EXPECT_EQ(area.right, bc.right) << "a maximised child's client fills the MDI client";
    EXPECT_EQ(area.bottom, bc.bottom);
    // Activating another child while one is maximised maximises that one.
    frame->Next();
    EXPECT_EQ(a, frame->ActiveMDIChild());
    EXPECT_EQ(wsMaximized, a->WindowState());

    a->SetWindowState(wsNormal);
    EXPECT_EQ(wsNormal, a->WindowState());
    b->SetWindowState(wsNormal);
    EXPECT_EQ(wsNormal, b->WindowState());
    const RECT after = InClient(b->Handle());
    EXPECT_TRUE(EqualRect(&before, &after)) << "restored where it was";

    b->SetWindowState(wsMinimized);
    EXPECT_EQ(wsMinimized, b->WindowState());
    frame->ArrangeIcons();
    b->SetWindowState(wsNormal);
    EXPECT_EQ(wsNormal, b->WindowState());
}

TEST_F(MdiTest, ClosingAChildFreesItAndActivatesAnother) {
    bool aGone = false, bGone = false;
    TForm* a = AddChild(L"A", &aGone);
    TForm* b = AddChild(L"B", &bGone);
    const HWND bw = b->Handle();

    // The close box's command: the system asks the form, which frees itself.
    SendMessageW(bw, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return bGone; }));
    Forget(b);
    EXPECT_FALSE(IsWindow(bw));
    EXPECT_EQ(1, frame->MDIChildCount());
    EXPECT_EQ(a, frame->ActiveMDIChild());

    // OnClose may keep it.
    a->OnClose = [](TObject*, TCloseAction& action) { action = caNone; };
    a->Close();
    Pump();
    EXPECT_FALSE(aGone);

    // A maximised child closed: the next one takes its place, the frame is whole.
    a->OnClose = nullptr;
    TForm* c = AddChild(L"C");
    c->SetWindowState(wsMaximized);
    const HWND cw = c->Handle();
    delete c;
    Forget(c);
    EXPECT_FALSE(IsWindow(cw));
    EXPECT_EQ(a, frame->ActiveMDIChild());
    EXPECT_EQ(1, frame->MDIChildCount());
}

TEST_F(MdiTest, WindowMenuListsTheChildren) {
    // Owned by the frame: it outlives the children, whose entries the client keeps in it.
    auto& windowItem = *new TMenuItem(frame);
    windowItem.SetCaption(L"&Window");
    auto* tile = new TMenuItem(nullptr);
    tile->SetCaption(L"&Tile");
    windowItem.Add(tile);
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(windowItem.Handle()), L"&Window");
    SetMenu(frame->Handle(), bar);
    frame->SetWindowMenu(&windowItem);

    TForm* a = AddChild(L"First child");
    AddChild(L"Second child");
    Pump();
    HMENU popup = windowItem.Handle();
    const int n = GetMenuItemCount(popup);
    ASSERT_GE(n, 4) << "the own item, a separator and one entry per child";
    EXPECT_EQ(L"&Tile", MenuText(popup, 0));
    std::wstring entries;
    for (int i = 1; i < n; ++i) entries += MenuText(popup, i) + L"|";
    EXPECT_NE(std::wstring::npos, entries.find(L"First child"))
        << "entries: " << std::string(entries.begin(), entries.end());
    EXPECT_NE(std::wstring::npos, entries.find(L"Second child"));

    // Choosing an entry activates that child (the frame passes it to the client).
    const UINT firstId = GetMenuItemID(popup, n - 2);
    SendMessageW(frame->Handle(), WM_COMMAND, firstId, 0);
    Pump();
    EXPECT_EQ(a, frame->ActiveMDIChild());

    SetMenu(frame->Handle(), nullptr);
    RemoveMenu(bar, 0, MF_BYPOSITION);  // the popup is the item's
    DestroyMenu(bar);
}

std::wstring BarTexts(HWND frame) {
    HMENU bar = GetMenu(frame);
    std::wstring out;
    for (int i = 0; bar && i < GetMenuItemCount(bar); ++i) {
        // A maximised child's system-menu and buttons items carry no text.
        const std::wstring t = MenuText(bar, i);
        if (!t.empty()) out += t + L"|";
    }
    return out;
}

TMenuItem* BarItem(TComponent* owner, TMenuItem* parent, const wchar_t* caption, uint8_t group) {
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    item->SetGroupIndex(group);
    auto* sub = new TMenuItem(owner);
    sub->SetCaption(std::wstring(caption) + L" item");
    item->Add(sub);
    parent->Add(item);
    return item;
}

TEST_F(MdiTest, FrameBarShowsTheActiveChildsMenuMerged) {
    auto* bar = new TMainMenu(frame);
    BarItem(frame, bar->Items(), L"&File", 0);
    TMenuItem* window = BarItem(frame, bar->Items(), L"&Window", 9);
    frame->SetMenu(bar);
    frame->SetWindowMenu(window);
    Pump();
    EXPECT_EQ(L"&File|&Window|", BarTexts(frame->Handle()));

    TForm* a = AddChild(L"With menu");
    auto* childBar = new TMainMenu(a);
    BarItem(a, childBar->Items(), L"Child &file", 0);
    BarItem(a, childBar->Items(), L"&Edit", 1);
    a->SetMenu(childBar);
    EXPECT_TRUE(PumpUntil([&] { return BarTexts(frame->Handle()) == L"Child &file|&Edit|&Window|"; }))
        << "bar: " << std::string(BarTexts(frame->Handle()).begin(), BarTexts(frame->Handle()).end());
    // A child window's menu slot is its id: the bar must not have gone there.
    EXPECT_NE(childBar->Handle(), GetMenu(a->Handle())) << "a child shows no bar of its own";

    TForm* b = AddChild(L"Without menu");
    EXPECT_TRUE(PumpUntil([&] { return BarTexts(frame->Handle()) == L"&File|&Window|"; }))
        << "a child without a menu leaves the frame's items";
    frame->Previous();
    EXPECT_TRUE(PumpUntil([&] { return BarTexts(frame->Handle()) == L"Child &file|&Edit|&Window|"; }));

    // Maximised, the child's merged items stay (the client adds only untitled items).
    a->SetWindowState(wsMaximized);
    EXPECT_TRUE(PumpUntil([&] { return BarTexts(frame->Handle()) == L"Child &file|&Edit|&Window|"; }))
        << "bar: " << std::string(BarTexts(frame->Handle()).begin(), BarTexts(frame->Handle()).end());
    a->SetWindowState(wsNormal);

    delete b;
    Forget(b);
    delete a;
    Forget(a);
    EXPECT_TRUE(PumpUntil([&] { return BarTexts(frame->Handle()) == L"&File|&Window|"; }))
        << "the last child gone, the frame's own bar is back";
}

TEST_F(MdiTest, CtrlF6AndCtrlF4ReachTheActiveChild) {
    bool bGone = false;
    TForm* a = AddChild(L"A");
    AddChild(L"B", &bGone);
    SetForegroundWindow(frame->Handle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == frame->Handle(); }));

    test_support::Key(VK_CONTROL, true);
    test_support::Key(VK_F6, true);
    test_support::Key(VK_F6, false);
    test_support::Key(VK_CONTROL, false);
    EXPECT_TRUE(PumpUntil([&] { return frame->ActiveMDIChild() == a; })) << "Ctrl+F6 goes to the next child";

    frame->Previous();
    test_support::Key(VK_CONTROL, true);
    test_support::Key(VK_F4, true);
    test_support::Key(VK_F4, false);
    test_support::Key(VK_CONTROL, false);
    EXPECT_TRUE(PumpUntil([&] { return bGone; })) << "Ctrl+F4 closes the active child";
    if (bGone) children.pop_back();
    EXPECT_EQ(1, frame->MDIChildCount());
}

TEST(MdiStyle, ChildWithoutFrameAndLateStyleChangeAreErrors) {
    TForm orphan(nullptr);
    orphan.SetFormStyle(fsMDIChild);
    EXPECT_THROW(orphan.HandleNeeded(), EFrameworkError);

    TForm made(nullptr);
    made.HandleNeeded();
    EXPECT_THROW(made.SetFormStyle(fsMDIForm), EFrameworkError);
}

}  // namespace
