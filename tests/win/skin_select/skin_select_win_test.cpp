// The selection tables on real framework controls and real windows: the
// description the adapter builds (class chain, tag, parent, window, border,
// scroll style, properties, CN_SkinQuery) and the class it leads to.
#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/ControlsStreaming.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/ProgressBar.h"
#include "framework/streaming/PublishedProperties.h"
#include "skin/controls/SkinSelect_win.h"
#include "skin/form/SkinManager.h"
#include "tests/win/support/TestForm.h"

namespace {

using C = TSkinControlClass;
using Chain = std::vector<std::wstring>;
using test_support::MakeForm;

const Chain kWinChain = {L"TWinControl", L"TControl", L"TComponent", L"TObject"};
Chain Plus(std::initializer_list<std::wstring> own, const Chain& rest = kWinChain) {
    Chain c(own);
    c.insert(c.end(), rest.begin(), rest.end());
    return c;
}

// Registered with the class registry, as a form-readable class would be.
class TTestDerivedButton : public TButton {
public:
    using TButton::TButton;
    std::wstring ClassName() const override { return L"TTestDerivedButton"; }
};

// Not registered: its chain goes on from the nearest framework class.
class TLooseButton : public TButton {
public:
    using TButton::TButton;
    std::wstring ClassName() const override { return L"TLooseButton"; }
};

// Says it is skinned already, as a control with a skin object does.
class TQueryAnsweringButton : public TButton {
public:
    using TButton::TButton;
    std::wstring ClassName() const override { return L"TQueryAnsweringButton"; }
    void WndProc(TMessage& m) override {
        if (m.Msg == CN_SkinQuery) {
            m.Result = 1;
            return;
        }
        TButton::WndProc(m);
    }
};

class TScrollingPane : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::wstring ClassName() const override { return L"TScrollingPane"; }

protected:
    void CreateParams(TCreateParams& p) override {
        TWinControl::CreateParams(p);
        p.Style |= WS_VSCROLL;
    }
};

class TFailingPane : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::wstring ClassName() const override { return L"TFailingPane"; }

protected:
    void CreateWnd() override { throw EFrameworkError(L"no window for this pane"); }
};

// A foreign edit with the integer property the table reads.
class TTestDcEdit : public TWinControl {
public:
    using TWinControl::TWinControl;
    std::wstring ClassName() const override { return L"TDCEdit"; }
    int NumButtons() const { return numButtons_; }
    void SetNumButtons(int v) { numButtons_ = v; }

private:
    int numButtons_ = 0;
};

// A foreign button whose "Kind" enumeration the Skin3rd kind reads.
class TTestCxButton : public TButton {
public:
    using TButton::TButton;
    std::wstring ClassName() const override { return L"TcxButton"; }
    int Kind() const { return kind_; }
    void SetKind(int v) { kind_ = v; }

private:
    int kind_ = 0;
};

void RegisterTestClasses() {
    static const bool done = [] {
        RegisterControlClasses();
        RegisterClassInfo<TTestDerivedButton>(L"TTestDerivedButton", L"TButton");
        RegisterClassInfo<TTestDcEdit>(L"TDCEdit", L"TWinControl")
            .Integer(L"NumButtons", &TTestDcEdit::NumButtons, &TTestDcEdit::SetNumButtons);
        RegisterClassInfo<TTestCxButton>(L"TcxButton", L"TButton")
            .Enum(L"Kind", &TTestCxButton::Kind, &TTestCxButton::SetKind, {L"firstKind", L"cxbkDropDownButton"});
        return true;
    }();
    (void)done;
}

template <class T>
T* Add(TForm& form, int left) {
    auto* c = new T(&form);
    c->SetParent(&form);
    c->SetBounds(left, 10, 40, 20);
    return c;
}

TSkinSelectOptions DefaultOptions() {
    TSkinDataCore fsd;
    return SelectOptionsOf(fsd, false);
}

std::string Narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

}  // namespace

TEST(SkinSelectAdapter, ClassChainsOfFrameworkControls) {
    RegisterTestClasses();
    auto form = MakeForm(400, 200);
    struct {
        const char* name;
        TControl* control;
        Chain chain;
    } rows[] = {
        {"form", form.get(), Plus({L"TForm"})},
        {"button", Add<TButton>(*form, 0), Plus({L"TButton"})},
        {"progress bar", Add<TProgressBar>(*form, 50), Plus({L"TProgressBar"})},
        {"label", Add<TLabel>(*form, 100), {L"TLabel", L"TGraphicControl", L"TControl", L"TComponent", L"TObject"}},
        {"registered descendant", Add<TTestDerivedButton>(*form, 150), Plus({L"TTestDerivedButton", L"TButton"})},
        {"unregistered descendant", Add<TLooseButton>(*form, 200), Plus({L"TLooseButton", L"TButton"})},
        {"unregistered windowed control", Add<TScrollingPane>(*form, 250), Plus({L"TScrollingPane"})},
    };
    for (const auto& r : rows) EXPECT_EQ(ClassChainOf(*r.control), r.chain) << "case: " << r.name;
}

// Before the form has a window: the tag test comes before the window is
// made, and a control that cannot have one is skipped.
TEST(SkinSelectAdapter, WindowIsMadeOnlyForControlsThatPassTheFirstTests) {
    RegisterTestClasses();
    auto form = MakeForm(400, 200);
    auto* tagged = Add<TButton>(*form, 0);
    tagged->SetTag(99);
    auto* button = Add<TButton>(*form, 50);
    auto* failing = Add<TFailingPane>(*form, 100);
    const auto options = DefaultOptions();
    ASSERT_FALSE(form->HandleAllocated());

    TSkinControlDesc d = DescribeControl(*button, false);
    EXPECT_TRUE(d.Windowed);
    EXPECT_FALSE(d.HasWindow);
    EXPECT_TRUE(d.HasParent);

    TSkinChoice t = AddComp(*tagged, options, false);
    EXPECT_EQ(t.Outcome, TSkinOutcome::Disabled);
    EXPECT_FALSE(tagged->HandleAllocated());
    EXPECT_FALSE(form->HandleAllocated());

    TSkinChoice f = AddComp(*failing, options, false);
    EXPECT_EQ(f.Outcome, TSkinOutcome::Skipped);
    EXPECT_FALSE(failing->HandleAllocated());

    TSkinChoice b = AddComp(*button, options, false);
    EXPECT_TRUE(button->HandleAllocated());
    EXPECT_EQ(b.Outcome, TSkinOutcome::Rule);
    EXPECT_EQ(b.Object(), C::TSkinButton);
    EXPECT_TRUE(DescribeControl(*button, false).HasWindow);
}

TEST(SkinSelectAdapter, DescribesWindowsAndPropertiesAndChooses) {
    RegisterTestClasses();
    auto form = MakeForm(400, 200);
    auto* button = Add<TButton>(*form, 0);
    auto* progress = Add<TProgressBar>(*form, 50);
    auto* label = Add<TLabel>(*form, 100);
    auto* pane = Add<TScrollingPane>(*form, 150);
    auto* skinned = Add<TQueryAnsweringButton>(*form, 200);
    auto* dcEdit = Add<TTestDcEdit>(*form, 250);
    auto* cx = Add<TTestCxButton>(*form, 300);
    auto* orphan = new TButton(form.get());  // owned, never placed
    form->HandleNeeded();
    const auto options = DefaultOptions();

    TSkinControlDesc fd = DescribeControl(*form, false);
    EXPECT_FALSE(fd.HasParent);
    EXPECT_TRUE(fd.HasBorder) << "a form has its frame";
    TSkinControlDesc bd = DescribeControl(*button, false);
    EXPECT_TRUE(bd.HasWindow);
    EXPECT_FALSE(bd.HasBorder);
    EXPECT_FALSE(bd.ScrollStyle);
    EXPECT_EQ(bd.NumButtons, -1);
    TSkinControlDesc ld = DescribeControl(*label, false);
    EXPECT_FALSE(ld.Windowed);
    EXPECT_TRUE(DescribeControl(*pane, false).ScrollStyle);
    EXPECT_TRUE(DescribeControl(*skinned, false).HasSkinObject);
    EXPECT_FALSE(DescribeControl(*button, false).HasSkinObject);
    EXPECT_TRUE(DescribeControl(*button, true).HasSkinObject) << "listed by the form";

    struct {
        const char* name;
        TControl* control;
        TSkinOutcome outcome;
        C object;
    } rows[] = {
        {"the updater's progress bar", progress, TSkinOutcome::Rule, C::TSkinProgress},
        {"the updater's button", button, TSkinOutcome::Rule, C::TSkinButton},
        {"a label", label, TSkinOutcome::NoRule, C::None},
        {"scroll style", pane, TSkinOutcome::Rule, C::TSkinScrollbar},
        {"answers CN_SkinQuery", skinned, TSkinOutcome::Skipped, C::None},
        {"no parent", orphan, TSkinOutcome::Skipped, C::None},
        {"the form", form.get(), TSkinOutcome::Skipped, C::None},
        {"foreign edit without buttons", dcEdit, TSkinOutcome::Rule, C::TSkinEdit},
        {"foreign button, default Skin3rd", cx, TSkinOutcome::ThirdParty, C::TSkinBitButton},
    };
    for (const auto& r : rows) {
        TSkinChoice c = AddComp(*r.control, options, false);
        EXPECT_EQ(c.Outcome, r.outcome) << "case: " << r.name;
        EXPECT_EQ(c.Object(), r.object) << "case: " << r.name << " got " << Narrow(SkinControlClassName(c.Object()));
    }

    dcEdit->SetNumButtons(1);
    EXPECT_EQ(DescribeControl(*dcEdit, false).NumButtons, 1);
    EXPECT_EQ(AddComp(*dcEdit, options, false).Object(), C::TSkinComBox);
    cx->SetKind(1);
    EXPECT_EQ(DescribeControl(*cx, false).Kind, L"cxbkDropDownButton");
    EXPECT_EQ(AddComp(*cx, options, false).Object(), C::TSkinMenuButton);
}

TEST(SkinSelectAdapter, BareWindowsByClassAndStyle) {
    RegisterTestClasses();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_USEREX_CLASSES | ICC_WIN95_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&icc));
    auto form = MakeForm(400, 200);
    auto* frameworkButton = Add<TButton>(*form, 0);
    auto* skinned = Add<TQueryAnsweringButton>(*form, 50);
    HWND parent = form->Handle();
    const auto options = DefaultOptions();

    struct {
        const char* name;
        const wchar_t* cls;
        DWORD style;
        TSkinOutcome outcome;
        C object;
    } rows[] = {
        {"push button", L"BUTTON", BS_PUSHBUTTON, TSkinOutcome::Rule, C::TSkinButton},
        {"auto check box", L"BUTTON", BS_AUTOCHECKBOX, TSkinOutcome::Rule, C::TSkinCheckBox},
        {"auto radio button", L"BUTTON", BS_AUTORADIOBUTTON, TSkinOutcome::Rule, C::TSkinRadioButton},
        {"group box", L"BUTTON", BS_GROUPBOX, TSkinOutcome::Rule, C::None},
        {"owner-draw button", L"BUTTON", BS_OWNERDRAW, TSkinOutcome::NoRule, C::None},
        {"drop-down list", L"COMBOBOX", CBS_DROPDOWNLIST, TSkinOutcome::Rule, C::TSkinComBox},
        {"simple combo", L"COMBOBOX", CBS_SIMPLE, TSkinOutcome::Rule, C::None},
        {"size grip scroll bar", L"SCROLLBAR", SBS_SIZEGRIP, TSkinOutcome::Rule, C::TSkinSizer},
        {"scroll bar with tab stop", L"SCROLLBAR", SBS_VERT | WS_TABSTOP, TSkinOutcome::NoRule, C::None},
        {"edit", L"EDIT", ES_LEFT, TSkinOutcome::Rule, C::TSkinEdit},
        {"tree view", WC_TREEVIEWW, 0, TSkinOutcome::Rule, C::None},
        {"tab control (the skin's tab is not asked)", WC_TABCONTROLW, 0, TSkinOutcome::Rule, C::TSkinTab},
        {"owner-drawn tab control", WC_TABCONTROLW, TCS_OWNERDRAWFIXED, TSkinOutcome::NoRule, C::None},
        {"tool bar", TOOLBARCLASSNAMEW, 0, TSkinOutcome::Rule, C::TSkinBoxH},
        {"static", L"STATIC", 0, TSkinOutcome::NoRule, C::None},
    };
    for (const auto& r : rows) {
        HWND w = CreateWindowExW(0, r.cls, L"", WS_CHILD | r.style, 0, 0, 60, 60, parent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(w, nullptr) << "case: " << r.name;
        TSkinWindowDesc d = DescribeWindow(w, false);
        EXPECT_EQ(d.Style & (WS_CHILD | r.style), WS_CHILD | r.style) << "case: " << r.name;
        TSkinChoice c = AddControlh(w, options, false);
        EXPECT_EQ(c.Outcome, r.outcome) << "case: " << r.name << " class " << Narrow(d.ClassName);
        EXPECT_EQ(c.Object(), r.object) << "case: " << r.name;
        DestroyWindow(w);
    }

    // The extended combo box: attached to its inner combo box.
    HWND ex = CreateWindowExW(0, WC_COMBOBOXEXW, L"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, parent, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(ex, nullptr);
    TSkinWindowDesc exd = DescribeWindow(ex, false);
    EXPECT_TRUE(exd.HasChildWindow);
    TSkinChoice exc = AddControlh(exd, options);
    ASSERT_EQ(exc.Object(), C::TSkinComBox);
    EXPECT_TRUE(exc.ObjectAction()->ToFirstChild);
    DestroyWindow(ex);

    // Framework windows seen bare, by their class names.
    EXPECT_EQ(AddControlh(frameworkButton->Handle(), options, false).Object(), C::TSkinButton);
    EXPECT_EQ(AddControlh(skinned->Handle(), options, false).Outcome, TSkinOutcome::Skipped);
    EXPECT_EQ(AddControlh(frameworkButton->Handle(), options, true).Outcome, TSkinOutcome::Skipped);
}
