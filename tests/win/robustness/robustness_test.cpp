// Skinning many controls and menus gives back every GDI object and window it
// took: forms full of every control kind the engine skins are created, skinned
// by the skin manager with the built-in skin, painted, their popup and
// drop-down menus shown, and destroyed, over a thousand skinned controls.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <iostream>
#include <memory>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/GlyphButtons.h"
#include "framework/controls/Menus.h"
#include "framework/controls/ProgressBar.h"
#include "framework/controls/TimerAndPanel.h"
#include "framework/controls/ToolBars.h"
#include "framework/system/StreamsAndLists.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/SkinMenu.h"
#include "skin/form/WinSkinForm.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/ObjectCounts.h"

namespace {

using test_support::GdiObjects;
using test_support::Pump;
using test_support::PumpUntil;
using test_support::ThreadWindows;

// The built-in skin: the updater's own package, linked in as RCDATA.
void LoadBuiltInSkin(TSkinData& data) {
    HRSRC info = FindResourceW(nullptr, L"ROBUSTNESS_SKIN", MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL res = info ? LoadResource(nullptr, info) : nullptr;
    const void* bytes = res ? LockResource(res) : nullptr;
    ASSERT_NE(bytes, nullptr);
    TMemoryStream package;
    package.WriteBuffer(bytes, SizeofResource(nullptr, info));
    package.SetPosition(0);
    data.LoadFromStream(package);
}

template <class C>
C* Place(TWinControl* parent, TComponent* owner, int x, int y, int w, int h, const std::wstring& caption = L"") {
    auto* c = new C(owner);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    if (!caption.empty()) c->SetCaption(caption);
    return c;
}

void AddItems(TMenuItem* root, int count) {
    for (int i = 0; i < count; ++i) {
        auto* item = new TMenuItem(root);
        item->SetCaption(i == 1 ? L"-" : L"Item " + std::to_wstring(i));
        root->Add(item);
    }
}

// Menus that were open when the timer closed them, and of those the ones whose window the skin had.
int menusShown = 0;
int menusSkinned = 0;

// Closes the open menu once its items have been drawn (a timer callback:
// stdcall on i686, which a lambda is not).
void CALLBACK CloseShownMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup && IsWindowVisible(popup) && GetWindowThreadProcessId(popup, nullptr) == GetCurrentThreadId()) {
        ++menusShown;
        if (SkinManager && SkinManager->FindSkinMenu(popup)) ++menusSkinned;
    }
    EndMenu();
}

// Shows menu at (x, y) and closes it once its items have been drawn.
void ShowAndClose(TPopupMenu& menu, int x, int y) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, CloseShownMenu);
    menu.Popup(x, y);
    KillTimer(nullptr, timer);
}

// One form of every kind; answers how many control skinning objects it got.
size_t OneRound(bool menus) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsSingle);
    form->SetClientWidth(420);
    form->SetClientHeight(260);
    form->SetLeft(40);
    form->SetTop(40);
    TForm* f = form.get();
    Place<TButton>(f, f, 8, 8, 90, 25, L"Button");
    Place<TCheckBox>(f, f, 8, 40, 90, 20, L"Check")->SetChecked(true);
    auto* progress = Place<TProgressBar>(f, f, 8, 66, 200, 16);
    progress->SetPosition(40);
    auto* panel = Place<TPanel>(f, f, 220, 8, 190, 60, L"Panel");
    Place<TButton>(panel, f, 8, 8, 80, 25, L"Inner");
    auto* box = Place<TGroupBox>(f, f, 8, 90, 200, 80, L"Group");
    Place<TRadioButton>(box, f, 10, 20, 90, 20, L"One")->SetChecked(true);
    Place<TRadioButton>(box, f, 10, 44, 90, 20, L"Two");
    auto* bitbtn = Place<TBitBtn>(f, f, 220, 80, 90, 25, L"Bit");
    (void)bitbtn;
    Place<TSpeedButton>(f, f, 320, 80, 60, 25, L"Speed");
    auto* bar = Place<TToolBar>(f, f, 8, 180, 300, 30);
    auto* dropdown = new TPopupMenu(f);
    AddItems(dropdown->Items(), 4);
    for (int i = 0; i < 4; ++i) {
        auto* b = new TToolButton(bar);
        b->SetStyle(i == 2 ? tbsSeparator : i == 3 ? tbsDropDown : tbsCheck);
        if (i == 3) b->SetDropdownMenu(dropdown);
    }
    auto* cbar = Place<TControlBar>(f, f, 220, 120, 190, 56);
    cbar->AddBand(Place<TButton>(cbar, f, 0, 0, 60, 22, L"Band"));
    auto* popup = new TPopupMenu(f);
    AddItems(popup->Items(), 6);

    form->Show();
    TWinSkinForm* sf = nullptr;
    EXPECT_TRUE(PumpUntil([&] {
        sf = SkinManager ? SkinManager->FindSkinForm(form->Handle()) : nullptr;
        return sf && sf->Skinstate == SkinStage::Skinned && !sf->Controllist.empty();
    })) << "the manager skins the form";
    if (!sf) return 0;
    RedrawWindow(form->Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(2);
    const size_t skinned = sf->Controllist.size();
    if (menus) {
        // The skin paints framework popup menus through their item events.
        popup->SetOwnerDraw(true);
        SetSkinMenuPainter(*popup->Items(), sf->fsd, true);
        ShowAndClose(*popup, 100, 100);
        ShowAndClose(*dropdown, 120, 120);
    }
    const HWND hwnd = form->Handle();
    form.reset();
    EXPECT_TRUE(PumpUntil([&] { return !SkinManager->FindSkinForm(hwnd); })) << "the manager lets the form go";
    return skinned;
}

class SkinnedObjects : public ::testing::Test {
protected:
    void SetUp() override {
        data = std::make_unique<TSkinData>(nullptr);
        LoadBuiltInSkin(*data);
        ASSERT_FALSE(data->Empty);
        data->SetActive(true);
        ASSERT_NE(SkinManager, nullptr);
    }
    void TearDown() override {
        data.reset();
        FreeSkinManager();
    }
    std::unique_ptr<TSkinData> data;
};

}  // namespace

TEST_F(SkinnedObjects, AThousandControlsAndMenusGiveBackTheirGdiObjectsAndWindows) {
    // First use: window classes, fonts, the manager's and the painters' caches.
    OneRound(true);
    OneRound(true);
    Pump(10);
    const DWORD gdi = GdiObjects();
    const int windows = ThreadWindows();
    SKIP_WITHOUT_GDI_COUNT(gdi);
    size_t controls = 0;
    int rounds = 0;
    menusShown = menusSkinned = 0;
    for (; controls < 1000; ++rounds) {
        const size_t n = OneRound(true);
        ASSERT_GT(n, 8u) << "every kind is skinned, round " << rounds;
        controls += n;
    }
    Pump(10);
    const DWORD gdiAfter = GdiObjects();
    const int windowsAfter = ThreadWindows();
    std::cout << rounds << " forms, " << controls << " skinned controls, " << rounds * 2 << " menus shown; GDI objects "
              << gdi << " -> " << gdiAfter << ", windows of the thread " << windows << " -> " << windowsAfter << "\n";
    // A few objects may stay in caches that fill once, to a bound, depending
    // on timing (Wine's cached window DCs and fonts); most runs end exactly
    // even. A leak of one object per form or per menu would leave at least
    // 77, one per control over 1000: far above this slack.
    constexpr DWORD kSlack = 16;
    EXPECT_GE(gdiAfter + kSlack, gdi);
    EXPECT_LE(gdiAfter, gdi + kSlack);
    EXPECT_EQ(windowsAfter, windows) << "every window went";
    EXPECT_TRUE(SkinManager->Mlist().empty()) << "every popup's skinning object went";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    return RUN_ALL_TESTS();
}
