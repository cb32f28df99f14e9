// The selection tables carried out on real forms skinned by the skin manager
// with the built-in skin: the application's OnSkinControl answer, a radio
// group's own buttons, a control bar's bands, a tool button's drop-down menu
// when only menus are skinned, and a memo whose window is made again.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "framework/controls/ProgressBar.h"
#include "framework/controls/ScrollingControls.h"
#include "framework/controls/ToolBars.h"
#include "framework/system/StreamsAndLists.h"
#include "skin/controls/ControlSkinning.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinScrollbar.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "tests/win/support/ClientPixels.h"
#include "tests/win/support/Input.h"
#include "tests/win/support/NoAccessViolations.h"

namespace {

using test_support::Pump;
using test_support::PumpUntil;

// Foreign classes known to the tables by name only.
class TRadioGroup : public TGroupBox {
public:
    using TGroupBox::TGroupBox;
    std::wstring ClassName() const override { return L"TRadioGroup"; }
};
class TOptionPanel : public TGroupBox {
public:
    using TGroupBox::TGroupBox;
    std::wstring ClassName() const override { return L"TOptionPanel"; }
};
class TRzRadioButton : public TRadioButton {
public:
    using TRadioButton::TRadioButton;
    std::wstring ClassName() const override { return L"TRzRadioButton"; }
};

bool LoadBuiltInSkin(TSkinData& sd) {
    HRSRC info = FindResourceW(nullptr, L"SKINVIEW_DEFAULT_SKIN", MAKEINTRESOURCEW(10));
    HGLOBAL res = info ? LoadResource(nullptr, info) : nullptr;
    const void* bytes = res ? LockResource(res) : nullptr;
    if (!bytes) return false;
    TMemoryStream package;
    package.WriteBuffer(bytes, SizeofResource(nullptr, info));
    package.SetPosition(0);
    sd.LoadFromStream(package);
    return !sd.Empty;
}

bool Skinned(HWND hwnd) {
    return SendMessageW(hwnd, CN_SkinQuery, 0, 0) == 1;
}

// A form with its own skin data; prepare adds its controls and options
// before it is shown and skinned.
class LiveForm {
public:
    template <class Prepare>
    explicit LiveForm(Prepare prepare) {
        form_ = std::make_unique<TForm>(nullptr);
        form_->SetBorderStyle(bsSingle);
        form_->SetBounds(40, 40, 460, 320);
        data_ = new TSkinData(form_.get());
        prepare(*form_, *data_);
        data_->SetActive(true);
        ok_ = LoadBuiltInSkin(*data_);
        form_->Show();
        SetForegroundWindow(form_->Handle());
    }
    ~LiveForm() {
        form_.reset();
        Pump(3);
    }
    bool Ready() {
        const HWND h = form_->Handle();
        return ok_ && PumpUntil([&] { return Skinned(h); }, 10000) && (Pump(10), true);
    }
    TForm& form() { return *form_; }
    TSkinData& data() { return *data_; }
    TWinSkinForm* skinForm() { return SkinManager ? SkinManager->FindSkinForm(form_->Handle()) : nullptr; }
    TSkinControl* objectOf(HWND hwnd) {
        TWinSkinForm* sf = skinForm();
        return sf ? sf->Lookupcontrol(hwnd) : nullptr;
    }

private:
    std::unique_ptr<TForm> form_;
    TSkinData* data_ = nullptr;
    bool ok_ = false;
};

}  // namespace

TEST(SkinSelectLive, OnSkinControlDecidesFirst) {
    TSkinButton* given = nullptr;
    TButton* button = nullptr;
    TCheckBox* check = nullptr;
    TProgressBar* bar = nullptr;
    std::vector<std::wstring> asked;
    LiveForm f([&](TForm& form, TSkinData& sd) {
        auto place = [&](TWinControl* c, int y) {
            c->SetParent(&form);
            c->SetBounds(10, y, 120, 24);
        };
        button = new TButton(&form);
        place(button, 10);
        check = new TCheckBox(&form);
        place(check, 50);
        bar = new TProgressBar(&form);
        place(bar, 90);
        sd.OnSkinControl = [&](TComponent*, TSkinData* data, TControl* formArg, TControl* control,
                               const std::wstring& cls, TComponent*& object) {
            asked.push_back(cls);
            EXPECT_EQ(data, &sd);
            EXPECT_EQ(formArg, &form);
            if (control == button) {
                given = new TSkinButton(button);  // the application's own object
                object = given;
            } else if (control == check) {
                object = new TComponent(check);  // something else: stays as it is
            }
        };
    });
    ASSERT_TRUE(f.Ready());
    ASSERT_NE(given, nullptr) << "the handler was asked for the button";
    EXPECT_TRUE(std::find(asked.begin(), asked.end(), L"TBUTTON") != asked.end()) << "asked by upper-case class";
    EXPECT_EQ(f.objectOf(button->Handle()), given) << "the application's object is listed";
    EXPECT_TRUE(given->IsInited()) << "and attached";
    EXPECT_TRUE(Skinned(button->Handle()));
    EXPECT_FALSE(Skinned(check->Handle())) << "another kind of object: not skinned";
    EXPECT_EQ(f.objectOf(check->Handle()), nullptr);
    ASSERT_NE(f.objectOf(bar->Handle()), nullptr) << "no answer: the tables decide";
    EXPECT_EQ(f.objectOf(bar->Handle())->ClassName(), L"TSkinProgress");
}

TEST(SkinSelectLive, RadioGroupsSkinTheirOwnButtons) {
    TRadioGroup* group = nullptr;
    TOptionPanel* third = nullptr;
    std::vector<TRadioButton*> inGroup, inThird;
    LiveForm f([&](TForm& form, TSkinData& sd) {
        group = new TRadioGroup(&form);
        group->SetParent(&form);
        group->SetBounds(10, 10, 200, 110);
        third = new TOptionPanel(&form);
        third->SetParent(&form);
        third->SetBounds(220, 10, 200, 110);
        // The buttons belong to their group, so only the group offers them.
        for (int i = 0; i < 2; ++i) {
            auto* r = new TRadioButton(group);
            r->SetParent(group);
            r->SetBounds(10, 20 + i * 30, 150, 22);
            inGroup.push_back(r);
        }
        auto* plain = new TRadioButton(third);
        auto* rz = new TRzRadioButton(third);
        int y = 20;
        for (TRadioButton* r : {plain, static_cast<TRadioButton*>(rz)}) {
            r->SetParent(third);
            r->SetBounds(10, y, 150, 22);
            y += 30;
            inThird.push_back(r);
        }
        TStringList third3rd = sd.Skin3rd();
        third3rd.Add(L"TOptionPanel=radiogroup");
        sd.SetSkin3rd(third3rd);
    });
    ASSERT_TRUE(f.Ready());
    struct Row {
        const char* name;
        TWinControl* control;
        const wchar_t* object;
    };
    const Row rows[] = {
        {"row 13: the group", group, L"TSkinGroupBox"},
        {"row 13: first button", inGroup[0], L"TSkinRadioButton"},
        {"row 13: second button", inGroup[1], L"TSkinRadioButton"},
        {"radiogroup kind: the group", third, L"TSkinGroupBox"},
        {"radiogroup kind: a plain button", inThird[0], L"TSkinRadioButton"},
        {"radiogroup kind: a TRz button", inThird[1], L"TSkinObjImage"},
    };
    for (const Row& r : rows) {
        TSkinControl* o = f.objectOf(r.control->Handle());
        ASSERT_NE(o, nullptr) << "case: " << r.name;
        EXPECT_EQ(o->ClassName(), r.object) << "case: " << r.name;
        EXPECT_TRUE(Skinned(r.control->Handle())) << "case: " << r.name;
    }
    EXPECT_EQ(group->Color(), f.data().Colors[csButtonFace]) << "the group takes the face colour";
}

TEST(SkinSelectLive, ControlBarBandsTakeTheFaceColourAndGetTheirOwnBack) {
    TControlBar* bar = nullptr;
    TColor own = 0;
    LiveForm f([&](TForm& form, TSkinData&) {
        bar = new TControlBar(&form);
        bar->SetParent(&form);
        bar->SetBounds(10, 10, 400, 30);
        bar->SetColor(0x2040E0);
        own = bar->Color();
        auto* band = new TButton(&form);
        band->SetBounds(0, 0, 90, 22);
        bar->AddBand(band);
    });
    ASSERT_TRUE(f.Ready());
    const TColor face = f.data().Colors[csButtonFace];
    EXPECT_TRUE(Skinned(bar->Handle()));
    EXPECT_EQ(bar->Color(), face);
    // What a user sees right of the last band.
    const test_support::Pixels p = test_support::CaptureClient(bar->Handle(), false);
    const COLORREF rgb = static_cast<COLORREF>(ColorToRGB(face));
    EXPECT_EQ(p.At(380, 15), (static_cast<uint32_t>(GetRValue(rgb)) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb));
    f.data().SetActive(false);
    EXPECT_TRUE(PumpUntil([&] { return !Skinned(f.form().Handle()); }, 10000));
    Pump(5);
    EXPECT_EQ(bar->Color(), own) << "unskinned: the bar's own colour";
}

TEST(SkinSelectLive, ToolButtonMenusAreSkinnedWhenOnlyMenusAre) {
    TPopupMenu* menu = nullptr;
    TPopupMenu* barMenu = nullptr;
    LiveForm f([&](TForm& form, TSkinData& sd) {
        auto* bar = new TToolBar(&form);
        bar->SetParent(&form);
        bar->SetBounds(10, 10, 300, 28);
        menu = new TPopupMenu(&form);
        auto* item = new TMenuItem(menu->Items());
        item->SetCaption(L"Item");
        menu->Items()->Add(item);
        auto* b = new TToolButton(bar);
        b->SetStyle(tbsDropDown);
        b->SetDropdownMenu(menu);
        barMenu = menu;
        // The tool bar itself is not skinned, nor the form's popup menus;
        // the form skins its main menu.
        TSkinControlTypes set = sd.SkinControls();
        set.Exclude(xcToolbar);
        set.Exclude(xcPopupMenu);
        set.Include(xcMainMenu);
        sd.SetSkinControls(set);
    });
    ASSERT_TRUE(f.Ready());
    ASSERT_NE(f.skinForm(), nullptr);
    ASSERT_TRUE(f.skinForm()->sMainMenu);
    EXPECT_TRUE(barMenu->OwnerDraw()) << "row 2: the drop-down menu is painted by the skin";
}

TEST(SkinSelectLive, RecreatedMemoKeepsItsSkinAndOverlays) {
    TMemo* memo = nullptr;
    LiveForm f([&](TForm& form, TSkinData&) {
        memo = new TMemo(&form);
        memo->SetParent(&form);
        memo->SetBounds(10, 10, 240, 150);
        memo->SetWordWrap(false);
        std::wstring text;
        for (int i = 0; i < 80; ++i) text += L"line " + std::to_wstring(i) + L" of a rather long memo text\r\n";
        memo->SetText(text);
    });
    ASSERT_TRUE(f.Ready());
    struct Step {
        const char* name;
        void (*change)(TMemo*);
        bool vertical, horizontal;
    };
    const Step steps[] = {
        {"SetScrollBars(ssVertical)", [](TMemo* m) { m->SetScrollBars(ssVertical); }, true, false},
        {"SetScrollBars(ssBoth)", [](TMemo* m) { m->SetScrollBars(ssBoth); }, true, true},
        {"SetWordWrap(true)", [](TMemo* m) { m->SetWordWrap(true); }, true, true},
    };
    for (const Step& s : steps) {
        const HWND before = memo->Handle();
        s.change(memo);
        const HWND now = memo->Handle();
        ASSERT_NE(now, before) << "case: " << s.name << ": a new window";
        ASSERT_TRUE(PumpUntil([&] { return Skinned(now); })) << "case: " << s.name << ": skinned again";
        Pump(5);
        auto* o = dynamic_cast<TSkinScrollbar*>(f.objectOf(now));
        ASSERT_NE(o, nullptr) << "case: " << s.name;
        EXPECT_EQ(f.objectOf(before), nullptr) << "case: " << s.name << ": the old object is gone";
        EXPECT_EQ(std::count_if(f.skinForm()->Controllist.begin(), f.skinForm()->Controllist.end(),
                                [&](TSkinControl* c) { return c->Control() == memo; }),
                  1)
            << "case: " << s.name;
        // The overlays lie on the new window's bars.
        for (auto [bar, id, wanted] : {std::tuple{o->vb.get(), OBJID_VSCROLL, s.vertical},
                                       std::tuple{o->hb.get(), OBJID_HSCROLL, s.horizontal}}) {
            ASSERT_NE(bar, nullptr) << "case: " << s.name;
            EXPECT_EQ(bar->hwnd, now) << "case: " << s.name;
            EXPECT_EQ(IsWindowVisible(bar->Handle()) != FALSE, wanted) << "case: " << s.name << ", bar " << id;
            if (!wanted) continue;
            SCROLLBARINFO info{};
            info.cbSize = sizeof info;
            GetScrollBarInfo(now, id, &info);
            RECT overlay{};
            GetWindowRect(bar->Handle(), &overlay);
            EXPECT_TRUE(EqualRect(&overlay, &info.rcScrollBar)) << "case: " << s.name << ", bar " << id;
        }
    }
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new test_support::NoAccessViolations);
    InitCommonControls();
    Application->Initialize();
    InstallControlSkinning();
    const int rc = RUN_ALL_TESTS();
    FreeSkinManager();
    return rc;
}
