// The control selection tables: framework controls (by class chain, the
// skin's options, DisableTag, Skin3rd and the owner rules) and bare windows
// (by window class and style) to the skinning class they get.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "skin/controls/SkinSelect.h"

namespace {

using C = TSkinControlClass;
using K = TSkinActionKind;
using O = TSkinOutcome;

std::string Narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

TSkinControlDesc Ctl(std::vector<std::wstring> chain) {
    TSkinControlDesc d;
    d.ClassChain = std::move(chain);
    return d;
}

// Every control kind on, the skin has a tab object.
TSkinSelectOptions AllOn() {
    TSkinSelectOptions o;
    o.SkinControls = TSkinControlTypes::All();
    o.HasTab = true;
    o.Skin3rd.clear();
    return o;
}

TSkinSelectOptions Without(std::initializer_list<TSkinControlType> off) {
    TSkinSelectOptions o = AllOn();
    for (TSkinControlType t : off) o.SkinControls.Exclude(t);
    return o;
}

const std::vector<std::wstring> kWin = {L"TWinControl", L"TControl", L"TComponent", L"TObject"};
std::vector<std::wstring> Chain(std::initializer_list<std::wstring> own) {
    std::vector<std::wstring> c(own);
    c.insert(c.end(), kWin.begin(), kWin.end());
    return c;
}

struct Row {
    const char* name;
    TSkinControlDesc control;
    TSkinSelectOptions options;
    O outcome;
    std::wstring row;
    C object;
};

void ExpectRows(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        TSkinChoice c = AddComp(r.control, r.options);
        EXPECT_EQ(c.Outcome, r.outcome) << "case: " << r.name;
        EXPECT_EQ(c.Row, r.row) << "case: " << r.name;
        EXPECT_EQ(c.Object(), r.object) << "case: " << r.name << " got " << Narrow(SkinControlClassName(c.Object()));
    }
}

TSkinControlDesc With(TSkinControlDesc d, void (*tweak)(TSkinControlDesc&)) {
    tweak(d);
    return d;
}

}  // namespace

TEST(SkinSelect, ClassChainRows) {
    const auto all = AllOn();
    ExpectRows({
        {"push button", Ctl(Chain({L"TButton"})), all, O::Rule, L"39", C::TSkinButton},
        {"button without xcButton", Ctl(Chain({L"TButton"})), Without({xcButton}), O::NoRule, L"", C::None},
        {"descendant of a button", Ctl(Chain({L"TMyButton", L"TButton"})), all, O::Rule, L"39", C::TSkinButton},
        {"class names in any case", Ctl(Chain({L"tmybutton", L"tbutton"})), all, O::Rule, L"39", C::TSkinButton},
        {"progress bar", Ctl(Chain({L"TProgressBar"})), all, O::Rule, L"22", C::TSkinProgress},
        {"progress bar without xcProgress", Ctl(Chain({L"TProgressBar"})), Without({xcProgress}), O::NoRule, L"",
         C::None},
        {"label", Ctl({L"TLabel", L"TGraphicControl", L"TControl", L"TComponent", L"TObject"}), all, O::NoRule, L"",
         C::None},
        {"check box", Ctl(Chain({L"TCheckBox"})), all, O::Rule, L"9", C::TSkinCheckBox},
        {"check box descendant", Ctl(Chain({L"TDBCheckBox", L"TCheckBox"})), all, O::Rule, L"9", C::TSkinCheckBox},
        {"radio button", Ctl(Chain({L"TRadioButton"})), all, O::Rule, L"19", C::TSkinRadioButton},
        {"radio button without xcRadioButton", Ctl(Chain({L"TRadioButton"})), Without({xcRadioButton}), O::NoRule, L"",
         C::None},
        {"bitmap button", Ctl(Chain({L"TBitBtn", L"TButton"})), all, O::Rule, L"30", C::TSkinBitButton},
        {"bitmap button without xcBitBtn stays unskinned", Ctl(Chain({L"TBitBtn", L"TButton"})), Without({xcBitBtn}),
         O::Rule, L"30", C::None},
        {"speed button", Ctl({L"TSpeedButton", L"TGraphicControl", L"TControl", L"TComponent", L"TObject"}), all,
         O::Rule, L"31", C::TSkinSpeedButton},
        {"group box with xcPanel", Ctl(Chain({L"TGroupBox"})), all, O::Rule, L"18", C::TSkinGroupBox},
        {"group box without xcPanel", Ctl(Chain({L"TGroupBox"})), Without({xcPanel}), O::NoRule, L"", C::None},
        {"panel", Ctl(Chain({L"TPanel"})), all, O::Rule, L"32", C::TSkinBox},
        {"panel without xcPanel", Ctl(Chain({L"TPanel"})), Without({xcPanel}), O::NoRule, L"", C::None},
        {"radio group", Ctl(Chain({L"TRadioGroup", L"TCustomGroupBox"})), all, O::Rule, L"13", C::TSkinGroupBox},
        {"radio group without xcRadioButton is a group box", Ctl(Chain({L"TRadioGroup", L"TCustomGroupBox"})),
         Without({xcRadioButton}), O::Rule, L"18", C::TSkinGroupBox},
        {"tab control", Ctl(Chain({L"TTabControl"})), all, O::Rule, L"1", C::TSkinTab},
        {"tab control, skin without tab", Ctl(Chain({L"TTabControl"})),
         [] {
             auto o = AllOn();
             o.HasTab = false;
             return o;
         }(),
         O::NoRule, L"", C::None},
        {"page control in tabs style", Ctl(Chain({L"TPageControl"})), all, O::Rule, L"1", C::TSkinTab},
        {"page control in button style",
         With(Ctl(Chain({L"TPageControl"})), [](TSkinControlDesc& d) { d.PageStyleTabs = false; }), all, O::Rule, L"1",
         C::TSkinTabBtn},
        {"tab set", Ctl(Chain({L"TTabSet"})), all, O::Rule, L"4", C::TSkinTab31},
        {"tab sheet", Ctl(Chain({L"TTabSheet"})), all, O::Rule, L"5", C::TSkinTabSheet},
        {"tab sheet without xcTab", Ctl(Chain({L"TTabSheet"})), Without({xcTab}), O::NoRule, L"", C::None},
        {"tabbed notebook", Ctl(Chain({L"TTabbedNotebook"})), all, O::Rule, L"6", C::TSkinTab},
        {"header control", Ctl(Chain({L"THeaderControl"})), all, O::Rule, L"8", C::TSkinHeader},
        {"track bar", Ctl(Chain({L"TTrackBar"})), all, O::Rule, L"10", C::TSkinTrackBar},
        {"up-down", Ctl(Chain({L"TUpDown"})), all, O::Rule, L"11", C::TSkinUpDown},
        {"spin button", Ctl(Chain({L"TSpinButton"})), all, O::Rule, L"11", C::TSkinUpDown},
        {"up-down without xcSpin", Ctl(Chain({L"TUpDown"})), Without({xcSpin}), O::NoRule, L"", C::None},
        {"media player", Ctl(Chain({L"TMediaPlayer"})), all, O::Rule, L"12", C::TSkinMP},
        {"navigator", Ctl(Chain({L"TDBNavigator"})), all, O::Rule, L"14", C::TSkinBox},
        {"foreign check box", Ctl(Chain({L"TRzCheckBox"})), all, O::Rule, L"15", C::TSkinObjImage},
        {"foreign radio button", Ctl(Chain({L"TRzDBRadioButton"})), all, O::Rule, L"16", C::TSkinObjImage},
        {"other foreign check box", Ctl(Chain({L"TcxDBCheckBox"})), all, O::Rule, L"17", C::TSkinObjImage},
        {"tool bar", Ctl(Chain({L"TToolBar"})), all, O::Rule, L"20", C::TSkinBox},
        {"status bar", Ctl(Chain({L"TStatusBar"})), all, O::Rule, L"21", C::TSkinStatusBar},
        {"scroll bar control", Ctl(Chain({L"TScrollBar"})), all, O::Rule, L"23", C::TSkinScControl},
        {"unicode combo box", Ctl(Chain({L"TTntComboBox"})), all, O::Rule, L"24", C::TSkinComBox},
        {"combo box", Ctl(Chain({L"TComboBox", L"TCustomComboBox"})), all, O::Rule, L"25", C::TSkinComBox},
        {"combo box without xcCombo", Ctl(Chain({L"TComboBox"})), Without({xcCombo}), O::NoRule, L"", C::None},
        {"date picker", Ctl(Chain({L"TDateTimePicker"})), all, O::Rule, L"26", C::TSkinDateTime},
        {"date picker in up-down mode",
         With(Ctl(Chain({L"TDateTimePicker"})), [](TSkinControlDesc& d) { d.DateUpDown = true; }), all, O::Rule, L"26",
         C::TSkinEdit},
        {"time picker", With(Ctl(Chain({L"TDateTimePicker"})), [](TSkinControlDesc& d) { d.DateTimeKind = true; }), all,
         O::Rule, L"26", C::TSkinEdit},
        {"rich edit", Ctl(Chain({L"TRichEdit", L"TCustomMemo"})), all, O::Rule, L"27", C::TSkinScrollbar},
        {"db rich edit", Ctl(Chain({L"TwwDBRichEdit"})), all, O::Rule, L"28", C::TSkinScrollbar},
        {"tree list", Ctl(Chain({L"TdxDBTreeList"})), all, O::Rule, L"33", C::TSkinScrollbar},
        {"list view", Ctl(Chain({L"TListView"})), all, O::Rule, L"34", C::TSkinListView},
        {"check list box", Ctl(Chain({L"TCheckListBox", L"TCustomListBox"})), all, O::Rule, L"35", C::TSkinCheckList},
        {"memo", Ctl(Chain({L"TMemo", L"TCustomMemo", L"TCustomEdit"})), all, O::Rule, L"36", C::TSkinScrollbar},
        {"memo without xcScrollbar is no edit either", Ctl(Chain({L"TMemo", L"TCustomMemo", L"TCustomEdit"})),
         Without({xcScrollbar}), O::Rule, L"40", C::TSkinEdit},
        {"grid", Ctl(Chain({L"TStringGrid", L"TCustomGrid"})), all, O::Rule, L"37", C::TSkinScrollbar},
        {"list box is scrollable", Ctl(Chain({L"TListBox", L"TCustomListBox"})), all, O::Rule, L"38",
         C::TSkinScrollbar},
        {"any control with a scroll bar style",
         With(Ctl(Chain({L"TFooView"})), [](TSkinControlDesc& d) { d.ScrollStyle = true; }), all, O::Rule, L"38",
         C::TSkinScrollbar},
        {"edit", Ctl(Chain({L"TEdit", L"TCustomEdit"})), all, O::Rule, L"40", C::TSkinEdit},
        {"form", Ctl(Chain({L"TFormMain", L"TForm"})), all, O::Rule, L"41", C::TSkinBox},
        {"frame", Ctl(Chain({L"TFrame1", L"TFrame"})), all, O::Rule, L"41", C::None},
        {"dc edit with one button", With(Ctl(Chain({L"TDCEdit"})), [](TSkinControlDesc& d) { d.NumButtons = 1; }), all,
         O::Rule, L"42", C::TSkinComBox},
        {"dc edit without buttons", With(Ctl(Chain({L"TDCDBEdit"})), [](TSkinControlDesc& d) { d.NumButtons = 0; }),
         all, O::Rule, L"43", C::TSkinEdit},
        {"dc edit with two buttons", With(Ctl(Chain({L"TDCEdit"})), [](TSkinControlDesc& d) { d.NumButtons = 2; }), all,
         O::NoRule, L"", C::None},
        {"never skinned", Ctl(Chain({L"TDBComboBoxEh", L"TComboBox"})), all, O::NeverSkinned, L"", C::None},
        {"never skinned designer page", Ctl(Chain({L"TfrDesignerPage"})), all, O::NeverSkinned, L"", C::None},
        {"never skinned box", Ctl(Chain({L"TFRPBOX"})), all, O::NeverSkinned, L"", C::None},
    });
}

TEST(SkinSelect, AttachModesAndColours) {
    const auto all = AllOn();
    struct {
        const char* name;
        std::vector<std::wstring> chain;
        TSkinAttach attach;
        bool acolor;
        int kind;
    } rows[] = {
        {"scroll bar control", Chain({L"TScrollBar"}), TSkinAttach::InitScrollbar, false, 0},
        {"speed button", {L"TSpeedButton", L"TGraphicControl"}, TSkinAttach::InitGraphicControl, false, 0},
        {"tab control", Chain({L"TTabControl"}), TSkinAttach::Init, false, 2},
        {"page control", Chain({L"TPageControl"}), TSkinAttach::Init, false, 0},
        {"panel", Chain({L"TPanel"}), TSkinAttach::Init, true, 0},
        {"group box", Chain({L"TGroupBox"}), TSkinAttach::Init, false, 0},
        {"radio group", Chain({L"TRadioGroup"}), TSkinAttach::Init, true, 0},
        {"navigator", Chain({L"TDBNavigator"}), TSkinAttach::Init, true, 0},
        {"foreign check box", Chain({L"TRzCheckBox"}), TSkinAttach::Init, false, 1},
        {"foreign radio button", Chain({L"TRzRadioButton"}), TSkinAttach::Init, false, 2},
        {"other foreign check box", Chain({L"TcxCheckBox"}), TSkinAttach::Init, false, 3},
        {"form", Chain({L"TForm"}), TSkinAttach::Init, true, 0},
        {"button", Chain({L"TButton"}), TSkinAttach::Init, false, 0},
    };
    for (const auto& r : rows) {
        TSkinChoice c = AddComp(Ctl(r.chain), all);
        const TSkinAction* a = c.ObjectAction();
        ASSERT_NE(a, nullptr) << "case: " << r.name;
        EXPECT_EQ(a->Attach, r.attach) << "case: " << r.name;
        EXPECT_EQ(a->acolor, r.acolor) << "case: " << r.name;
        EXPECT_EQ(a->kind, r.kind) << "case: " << r.name;
    }
    TSkinControlDesc dc = Ctl(Chain({L"TDCEdit"}));
    dc.NumButtons = 0;
    EXPECT_EQ(AddComp(dc, all).ObjectAction()->Attach, TSkinAttach::Inithwnd);
}

// Side actions in the order the form carries them out.
TEST(SkinSelect, OwnerRulesAndSideActions) {
    const auto all = AllOn();
    auto kinds = [](const TSkinChoice& c) {
        std::vector<K> k;
        for (const TSkinAction& a : c.Actions) k.push_back(a.What);
        return k;
    };

    TSkinChoice radioGroup = AddComp(Ctl(Chain({L"TRadioGroup"})), all);
    ASSERT_EQ(kinds(radioGroup), (std::vector<K>{K::EachChildObject, K::CreateObject}));
    EXPECT_EQ(ChildObject(radioGroup.Actions[0], L"TRadioButton"), C::TSkinRadioButton);
    EXPECT_EQ(ChildObject(radioGroup.Actions[0], L"TRzRadioButton"), C::TSkinRadioButton);

    EXPECT_EQ(kinds(AddComp(Ctl(Chain({L"TPanel"})), all)), (std::vector<K>{K::ChildrenThroughTable, K::CreateObject}));
    EXPECT_EQ(kinds(AddComp(Ctl(Chain({L"TGroupBox"})), all)),
              (std::vector<K>{K::ChildrenThroughTable, K::CreateObject}));
    EXPECT_EQ(kinds(AddComp(Ctl(Chain({L"TDBNavigator"})), all)),
              (std::vector<K>{K::CreateObject, K::ChildrenThroughTable}));
    EXPECT_EQ(kinds(AddComp(Ctl(Chain({L"TMVCPanel"})), Without({xcPanel}))),
              (std::vector<K>{K::ChildrenThroughTable}));
    EXPECT_EQ(kinds(AddComp(Ctl(Chain({L"TFormMain", L"TForm"})), all)),
              (std::vector<K>{K::CreateObject, K::ComponentsThroughTable}));
    EXPECT_EQ(kinds(AddComp(Ctl(Chain({L"TFrame1", L"TFrame"})), all)), (std::vector<K>{K::ComponentsThroughTable}));

    TSkinChoice toolbar = AddComp(Ctl(Chain({L"TToolBar"})), all);
    ASSERT_EQ(kinds(toolbar),
              (std::vector<K>{K::SetProperty, K::ToolbarPainters, K::CreateObject, K::InitToolbarMenu}));
    EXPECT_EQ(toolbar.Actions[0].PropName, L"Flat");
    EXPECT_EQ(toolbar.Actions[0].PropValue, L"True");

    EXPECT_EQ(kinds(AddComp(Ctl(Chain({L"TCoolBar"})), all)), (std::vector<K>{K::BandsColorButtonFace}));
    EXPECT_EQ(AddComp(Ctl(Chain({L"TCoolBar"})), Without({xcToolbar})).Outcome, O::NoRule);

    const std::vector<std::wstring> toolButton = {L"TToolButton", L"TGraphicControl", L"TControl"};
    TSkinSelectOptions withMenu = all;
    withMenu.SkinsMainMenu = true;
    EXPECT_EQ(kinds(AddComp(Ctl(toolButton), withMenu)), (std::vector<K>{K::InitToolbarMenu}));
    EXPECT_EQ(AddComp(Ctl(toolButton), all).Outcome, O::NoRule);
}

TEST(SkinSelect, DisableTagParentAndSkinObject) {
    auto o = AllOn();
    TSkinControlDesc button = Ctl(Chain({L"TButton"}));

    button.Tag = 99;  // the construction value of DisableTag
    TSkinChoice c = AddComp(button, o);
    EXPECT_EQ(c.Outcome, O::Disabled);
    EXPECT_TRUE(c.Actions.empty());

    o.DisableTag = 7;
    EXPECT_EQ(AddComp(button, o).Outcome, O::Rule) << "only the skin's own DisableTag counts";
    button.Tag = 7;
    EXPECT_EQ(AddComp(button, o).Outcome, O::Disabled);

    // A disabled radio or check group hands its tag on to its buttons.
    for (const wchar_t* group : {L"TRadioGroup", L"TRzCheckGroup", L"TMyRadioGroupX"}) {
        TSkinControlDesc g = Ctl(Chain({group}));
        g.Tag = 7;
        TSkinChoice gc = AddComp(g, o);
        EXPECT_EQ(gc.Outcome, O::Disabled);
        EXPECT_TRUE(gc.Has(K::DisableControl)) << Narrow(group);
    }

    struct {
        const char* name;
        void (*tweak)(TSkinControlDesc&);
    } skipped[] = {
        {"no parent", [](TSkinControlDesc& d) { d.HasParent = false; }},
        {"already skinned", [](TSkinControlDesc& d) { d.HasSkinObject = true; }},
        {"no window", [](TSkinControlDesc& d) { d.HasWindow = false; }},
    };
    for (const auto& s : skipped) {
        TSkinControlDesc d = With(Ctl(Chain({L"TButton"})), s.tweak);
        EXPECT_EQ(AddComp(d, o).Outcome, O::Skipped) << "case: " << s.name;
    }
    TSkinControlDesc speed = Ctl({L"TSpeedButton", L"TGraphicControl"});
    speed.Windowed = false;
    speed.HasWindow = false;
    EXPECT_EQ(AddComp(speed, o).Object(), C::TSkinSpeedButton) << "a graphic control needs no window";
}

TEST(SkinSelect, OnSkinControlDecidesFirst) {
    auto o = AllOn();
    o.Skin3rd = {L"TButton=nil"};
    int calls = 0;
    std::wstring asked;
    TUserSkinAnswer answer = TUserSkinAnswer::Nothing;
    o.OnSkinControl = [&](const std::wstring& name, const TSkinControlDesc&) {
        ++calls;
        asked = name;
        return answer;
    };
    TSkinControlDesc panel = Ctl(Chain({L"TMyPanel", L"TPanel"}));

    EXPECT_EQ(AddComp(panel, o).Object(), C::TSkinBox);
    EXPECT_EQ(asked, L"TMYPANEL");

    answer = TUserSkinAnswer::SkinControl;
    TSkinChoice c = AddComp(panel, o);
    EXPECT_EQ(c.Outcome, O::UserObject);
    ASSERT_EQ(c.Actions.size(), 2u);
    EXPECT_EQ(c.Actions[0].What, K::AddUserObject);
    EXPECT_EQ(c.Actions[1].What, K::ChildrenThroughTable);

    TSkinChoice b = AddComp(Ctl(Chain({L"TButton"})), o);
    EXPECT_EQ(b.Outcome, O::UserObject) << "the event comes before Skin3rd";
    EXPECT_FALSE(b.Has(K::ChildrenThroughTable));

    answer = TUserSkinAnswer::OtherObject;
    c = AddComp(panel, o);
    EXPECT_EQ(c.Outcome, O::UserOther);
    EXPECT_TRUE(c.Actions.empty());

    // Not asked for controls the first two tests exclude.
    calls = 0;
    TSkinControlDesc tagged = panel;
    tagged.Tag = 99;
    TSkinControlDesc orphan = panel;
    orphan.HasParent = false;
    AddComp(tagged, o);
    AddComp(orphan, o);
    EXPECT_EQ(calls, 0);
}

TEST(SkinSelect, Skin3rdLookup) {
    std::wstring kind;
    const std::vector<std::wstring> list = {L"TFooBar=Edit", L"TFoo=BUTTON", L"tfoo=nil", L"TBar= x",
                                            L"TLong=" + std::wstring(60, L'K')};
    EXPECT_TRUE(Find3rdKind(list, L"tFOO", kind));
    EXPECT_EQ(kind, L"button") << "the first line naming the class, lower case";
    EXPECT_TRUE(Find3rdKind(list, L"TFOOBAR", kind));
    EXPECT_EQ(kind, L"edit");
    EXPECT_FALSE(Find3rdKind(list, L"TFo", kind)) << "the whole class name and '=' must begin the line";
    EXPECT_FALSE(Find3rdKind(list, L"TBaz", kind));
    EXPECT_TRUE(Find3rdKind(list, L"TBar", kind));
    EXPECT_EQ(kind, L" x");
    EXPECT_TRUE(Find3rdKind(list, L"TLong", kind));
    EXPECT_EQ(kind, std::wstring(50, L'k'));

    // A listed class with a kind the list does not know is decided, and stays as it is.
    auto o = AllOn();
    o.Skin3rd = {L"TButton=whatever"};
    TSkinChoice c = AddComp(Ctl(Chain({L"TButton"})), o);
    EXPECT_EQ(c.Outcome, O::ThirdParty);
    EXPECT_EQ(c.Object(), C::None);
}

TEST(SkinSelect, Skin3rdOverridesTheTable) {
    struct {
        const char* name;
        std::vector<std::wstring> chain;
        std::wstring line;
        C object;
    } rows[] = {
        {"nil keeps a push button as it is", Chain({L"TButton"}), L"TButton=nil", C::None},
        {"nil in any case", Chain({L"TButton"}), L"tbutton=NIL", C::None},
        {"button in any letter case", Chain({L"TFancyThing"}), L"tFANCYthing=BuTToN", C::TSkinButton},
        {"foreign combo box", Chain({L"TOddCombo"}), L"TOddCombo=combobox", C::TSkinComBox},
        {"listed own class name only", Chain({L"TOddCombo", L"TButton"}), L"TButton=nil", C::TSkinButton},
    };
    for (const auto& r : rows) {
        auto o = AllOn();
        o.Skin3rd = {L"TOther=panel", r.line};
        TSkinChoice c = AddComp(Ctl(r.chain), o);
        EXPECT_EQ(c.Object(), r.object) << "case: " << r.name;
    }
}

TEST(SkinSelect, Skin3rdKinds) {
    struct {
        std::wstring kind;
        TSkinControlType member;  // the set member the kind needs
        C object;
        int objKind;
        bool acolor;
    } rows[] = {
        {L"combobox", xcCombo, C::TSkinComBox, 0, false},
        {L"comboboxex", xcCombo, C::TSkinComBox, 0, false},
        {L"radiobutton", xcRadioButton, C::TSkinRadioButton, 0, false},
        {L"panel", xcPanel, C::TSkinBox, 0, true},
        {L"trackbar", xcButton, C::TSkinTrackBar, 0, false},
        {L"button", xcButton, C::TSkinButton, 0, false},
        {L"datetimepicker", xcCombo, C::TSkinDateTime, 0, false},
        {L"mediaplayer", xcButton, C::TSkinMP, 0, false},
        {L"bitbtn", xcButton, C::TSkinBitButton, 0, false},
        {L"pngbitbtn", xcButton, C::TSkinBitButton, 0, false},
        {L"pngspeedbutton", xcButton, C::TSkinSpeedButton, 0, false},
        {L"menubtn", xcButton, C::TSkinMenuButton, 0, false},
        {L"speedbutton", xcSpeedButton, C::TSkinSpeedButton, 0, false},
        {L"tab", xcTab, C::TSkinTab, 0, false},
        {L"progress", xcProgress, C::TSkinProgress, 0, false},
        {L"scrollbar", xcScrollbar, C::TSkinScrollbar, 0, false},
        {L"singlescrollbar", xcScrollbar, C::TSkinScrollbar, 1, false},
        {L"embedscrollbar", xcScrollbar, C::TSkinScrollbar, 0, false},
        {L"groupbox", xcGroupBox, C::TSkinGroupBox, 0, true},
        {L"advpagecontrol", xcTab, C::TSkinAdvPage, 4, true},
        {L"radiogroup", xcGroupBox, C::TSkinGroupBox, 0, true},
        {L"checkgroup", xcPanel, C::TSkinGroupBox, 0, true},
        {L"checkbox", xcCheckBox, C::TSkinCheckBox, 0, false},
    };
    for (const auto& r : rows) {
        const std::string name = Narrow(r.kind);
        auto o = AllOn();
        o.Skin3rd = {L"TThing=" + r.kind};
        TSkinControlDesc thing = Ctl(Chain({L"TThing"}));
        TSkinChoice c = AddComp(thing, o);
        EXPECT_EQ(c.Outcome, O::ThirdParty) << "case: " << name;
        EXPECT_EQ(c.Row, r.kind) << "case: " << name;
        const TSkinAction* a = c.ObjectAction();
        ASSERT_NE(a, nullptr) << "case: " << name;
        EXPECT_EQ(a->Object, r.object) << "case: " << name;
        EXPECT_EQ(a->kind, r.objKind) << "case: " << name;
        EXPECT_EQ(a->acolor, r.acolor) << "case: " << name;
        EXPECT_EQ(a->Attach, TSkinAttach::Init) << "case: " << name;

        o.SkinControls.Exclude(r.member);
        c = AddComp(thing, o);
        EXPECT_EQ(c.Outcome, O::ThirdParty) << "case: " << name;
        EXPECT_EQ(c.Object(), C::None) << "case without its member: " << name;
    }
}

TEST(SkinSelect, Skin3rdKindDetails) {
    auto o = AllOn();
    auto choose = [&](const std::wstring& line, TSkinControlDesc d) {
        o.Skin3rd = {line};
        return AddComp(d, o);
    };
    TSkinControlDesc thing = Ctl(Chain({L"TThing"}));

    EXPECT_TRUE(choose(L"TThing=comboboxex", thing).ObjectAction()->HasButton);
    EXPECT_FALSE(choose(L"TThing=combobox", thing).ObjectAction()->HasButton);
    EXPECT_EQ(choose(L"TThing=pngbitbtn", thing).ObjectAction()->PicField, L"PngImage");
    EXPECT_EQ(choose(L"TThing=pngspeedbutton", thing).ObjectAction()->PicField, L"PngImage");
    EXPECT_EQ(choose(L"TThing=bitbtn", thing).ObjectAction()->PicField, L"");

    // An edit only with a border.
    EXPECT_EQ(choose(L"TThing=edit", thing).Object(), C::None);
    TSkinControlDesc bordered = thing;
    bordered.HasBorder = true;
    EXPECT_EQ(choose(L"TThing=Edit", bordered).Object(), C::TSkinEdit);

    // "Transparent" is set before the object.
    for (const wchar_t* kind : {L"panel", L"trackbar"}) {
        TSkinChoice c = choose(std::wstring(L"TThing=") + kind, thing);
        ASSERT_EQ(c.Actions.size(), 2u) << Narrow(kind);
        EXPECT_EQ(c.Actions[0].What, K::SetProperty);
        EXPECT_EQ(c.Actions[0].PropName, L"Transparent");
        EXPECT_EQ(c.Actions[0].PropValue, L"True");
    }

    // The drop-down kind of the one foreign button class.
    TSkinControlDesc cx = Ctl(Chain({L"TcxButton"}));
    EXPECT_EQ(choose(L"TcxButton=bitbtn", cx).Object(), C::TSkinBitButton);
    cx.Kind = L"cxbkDropDownButton";
    EXPECT_EQ(choose(L"TcxButton=bitbtn", cx).Object(), C::TSkinMenuButton);
    TSkinControlDesc other = Ctl(Chain({L"TRzBitbtn"}));
    other.Kind = L"cxbkDropDownButton";
    EXPECT_EQ(choose(L"TRzBitbtn=bitbtn", other).Object(), C::TSkinBitButton);

    // The scroll bar inside: a scroll bar control gets the control object.
    EXPECT_EQ(choose(L"TMyBar=embedscrollbar", Ctl(Chain({L"TMyBar", L"TScrollBar"}))).Object(), C::TSkinScControl);

    EXPECT_EQ(choose(L"TThing=tab", thing).Object(), C::TSkinTab);
    o.HasTab = false;
    EXPECT_EQ(choose(L"TThing=tab", thing).Object(), C::None);
    o.HasTab = true;

    TSkinChoice scroll = choose(L"TThing=scrollbar", thing);
    ASSERT_EQ(scroll.Actions.size(), 2u);
    EXPECT_EQ(scroll.Actions[1].What, K::ChildrenThroughTable);
    TSkinChoice container = choose(L"TThing=container", thing);
    ASSERT_EQ(container.Actions.size(), 1u);
    EXPECT_EQ(container.Actions[0].What, K::ChildrenThroughTable);

    // Group kinds: their buttons, foreign "TRZ" ones as images.
    TSkinChoice radio = choose(L"TThing=radiogroup", thing);
    ASSERT_EQ(radio.Actions.size(), 2u);
    int k = -1;
    EXPECT_EQ(ChildObject(radio.Actions[0], L"TRzRadioButton", &k), C::TSkinObjImage);
    EXPECT_EQ(k, 2);
    EXPECT_EQ(ChildObject(radio.Actions[0], L"TRadioButton", &k), C::TSkinRadioButton);
    EXPECT_EQ(k, 0);
    TSkinChoice check = choose(L"TThing=checkgroup", thing);
    ASSERT_EQ(check.Actions.size(), 2u);
    EXPECT_EQ(ChildObject(check.Actions[0], L"trzcheckbox", &k), C::TSkinObjImage);
    EXPECT_EQ(k, 1);
    EXPECT_EQ(ChildObject(check.Actions[0], L"TCheckBox", &k), C::TSkinCheckBox);

    o.SkinControls.Exclude(xcRadioButton);
    radio = choose(L"TThing=radiogroup", thing);
    EXPECT_FALSE(radio.Has(K::EachChildObject));
    EXPECT_EQ(radio.Object(), C::TSkinGroupBox);
    check = choose(L"TThing=checkgroup", thing);
    EXPECT_FALSE(check.Has(K::EachChildObject));
    EXPECT_EQ(check.Object(), C::TSkinGroupBox);
    o.SkinControls.Exclude(xcGroupBox);
    EXPECT_EQ(choose(L"TThing=checkgroup", thing).Actions.size(), 0u);
}

// The skin data's own options and its default list, as the form passes them.
TEST(SkinSelect, SkinDataDefaults) {
    TSkinDataCore fsd;
    TSkinSelectOptions o = SelectOptionsOf(fsd, false);
    EXPECT_EQ(o.DisableTag, 99);
    EXPECT_EQ(o.Skin3rd.size(), 118u);
    EXPECT_FALSE(o.HasTab);
    EXPECT_EQ(AddComp(Ctl(Chain({L"TTabControl"})), o).Object(), C::None) << "no tab object in an empty skin";
    fsd.tab = std::make_unique<TDataSkinBorder>(L"tab");
    o = SelectOptionsOf(fsd, true);
    EXPECT_TRUE(o.HasTab);
    EXPECT_TRUE(o.SkinsMainMenu);
    EXPECT_EQ(AddComp(Ctl(Chain({L"TTabControl"})), o).Object(), C::TSkinTab);

    struct {
        const wchar_t* cls;
        C object;
    } rows[] = {
        {L"TComboboxex", C::TSkinComBox},
        {L"TcxButton", C::TSkinBitButton},
        {L"TRzMenuButton", C::TSkinMenuButton},
        {L"TDBCheckboxEh", C::TSkinCheckBox},
        {L"TLMDRadiobutton", C::TSkinRadioButton},
        {L"TPngSpeedbutton", C::TSkinSpeedButton},
        {L"TCategoryButtons", C::TSkinScrollbar},
        {L"TcxGroupbox", C::TSkinGroupBox},
        {L"TRzGroup", C::TSkinBox},
        {L"TRxSpeedButton", C::TSkinSpeedButton},
    };
    for (const auto& r : rows) {
        TSkinChoice c = AddComp(Ctl(Chain({r.cls})), o);
        EXPECT_EQ(c.Outcome, O::ThirdParty) << Narrow(r.cls);
        EXPECT_EQ(c.Object(), r.object) << Narrow(r.cls);
    }
    EXPECT_TRUE(AddComp(Ctl(Chain({L"TcxGroupbox"})), o).ObjectAction()->acolor);
    // The default set leaves xcMenuItem and xcFastReport out, which no rule reads.
    EXPECT_EQ(AddComp(Ctl(Chain({L"TButton"})), o).Object(), C::TSkinButton);
}

TEST(SkinSelect, BareWindows) {
    constexpr uint32_t child = 0x40000000;  // WS_CHILD
    struct {
        const char* name;
        const wchar_t* cls;
        uint32_t style;
        TSkinSelectOptions options;
        O outcome;
        std::wstring row;
        C object;
    } rows[] = {
        {"push button", L"Button", child | 0x0, AllOn(), O::Rule, L"1d", C::TSkinButton},
        {"default push button", L"BUTTON", child | 0x1, AllOn(), O::Rule, L"1d", C::TSkinButton},
        {"push button without xcButton", L"Button", 0x0, Without({xcButton}), O::Rule, L"1d", C::None},
        {"group box", L"Button", child | 0x7, AllOn(), O::Rule, L"1a", C::None},
        {"bitmap button", L"Button", 0x80, AllOn(), O::Rule, L"1a", C::None},
        {"check box", L"Button", 0x2, AllOn(), O::Rule, L"1b", C::TSkinCheckBox},
        {"auto check box", L"Button", 0x3, AllOn(), O::Rule, L"1b", C::TSkinCheckBox},
        {"three-state", L"Button", 0x5, AllOn(), O::Rule, L"1b", C::TSkinCheckBox},
        {"auto three-state", L"Button", 0x6, AllOn(), O::Rule, L"1b", C::TSkinCheckBox},
        {"check box without xcCheckBox", L"Button", 0x3, Without({xcCheckBox}), O::Rule, L"1b", C::None},
        {"radio button", L"Button", 0x4, AllOn(), O::Rule, L"1c", C::TSkinRadioButton},
        {"auto radio button", L"Button", 0x9, AllOn(), O::Rule, L"1c", C::TSkinRadioButton},
        {"radio without xcRadioButton", L"Button", 0x9, Without({xcRadioButton}), O::Rule, L"1c", C::None},
        {"owner-draw button matches nothing", L"Button", 0xB, AllOn(), O::NoRule, L"", C::None},
        {"owner-draw with more bits", L"Button", 0xF, AllOn(), O::NoRule, L"", C::None},
        {"drop-down combo", L"ComboBox", 0x2, AllOn(), O::Rule, L"2", C::TSkinComBox},
        {"drop-down list", L"ComboBox", 0x3, AllOn(), O::Rule, L"2", C::TSkinComBox},
        {"simple combo", L"ComboBox", 0x1, AllOn(), O::Rule, L"2", C::None},
        {"combo without xcCombo", L"ComboBox", 0x2, Without({xcCombo}), O::NoRule, L"", C::None},
        {"scroll bar without tab stop", L"ScrollBar", child, AllOn(), O::Rule, L"4", C::TSkinSizer},
        {"scroll bar with tab stop", L"ScrollBar", child | 0x10000, AllOn(), O::NoRule, L"", C::None},
        {"tree view", L"SysTreeView32", child, AllOn(), O::Rule, L"5", C::None},
        {"nested dialog", L"#32770", child, AllOn(), O::Rule, L"6", C::TSkinBoxH},
        {"nested dialog with 0x10000", L"#32770", child | 0x10000, AllOn(), O::NoRule, L"", C::None},
        {"framework panel window", L"TPanel", child, AllOn(), O::Rule, L"7", C::None},
        {"unicode panel window", L"TTntPanel.UnicodeClass", child, AllOn(), O::Rule, L"7", C::None},
        {"framework check box window", L"TCheckBox", child, AllOn(), O::Rule, L"8", C::TSkinCheckBox},
        {"framework combo window", L"TComboBox", child, AllOn(), O::Rule, L"9", C::TSkinComBox},
        {"framework button window", L"TButton", child, AllOn(), O::Rule, L"10", C::TSkinButton},
        {"framework button window without xcButton", L"TButton", child, Without({xcButton}), O::NoRule, L"", C::None},
        {"framework progress window, no member tested", L"TProgressBar", child, Without({xcProgress}), O::Rule, L"11",
         C::TSkinProgress},
        {"silent paint panel", L"TSilentPaintPanel", child, AllOn(), O::Rule, L"12", C::None},
        {"tab control", L"SysTabControl32", child, AllOn(), O::Rule, L"13", C::TSkinTab},
        {"owner-drawn tabs", L"SysTabControl32", child | 0x2000, AllOn(), O::NoRule, L"", C::None},
        {"tab control without xcTab", L"SysTabControl32", child, Without({xcTab}), O::NoRule, L"", C::None},
        {"tool bar", L"ToolbarWindow32", child, Without({xcToolbar}), O::Rule, L"14", C::TSkinBoxH},
        {"edit", L"Edit", child, AllOn(), O::Rule, L"15", C::TSkinEdit},
        {"edit without xcEdit", L"Edit", child, Without({xcEdit}), O::NoRule, L"", C::None},
        {"static", L"Static", child, AllOn(), O::NoRule, L"", C::None},
    };
    for (const auto& r : rows) {
        TSkinWindowDesc w;
        w.ClassName = r.cls;
        w.Style = r.style;
        TSkinChoice c = AddControlh(w, r.options);
        EXPECT_EQ(c.Outcome, r.outcome) << "case: " << r.name;
        EXPECT_EQ(c.Row, r.row) << "case: " << r.name;
        EXPECT_EQ(c.Object(), r.object) << "case: " << r.name;
        for (const TSkinAction& a : c.Actions) {
            if (a.What == K::CreateObject) {
                EXPECT_EQ(a.Attach, TSkinAttach::Inithwnd) << "case: " << r.name;
            }
        }
    }
}

TEST(SkinSelect, BareWindowSideActions) {
    const auto all = AllOn();
    TSkinWindowDesc w;
    w.HasChildWindow = true;

    w.ClassName = L"ComboBoxEx32";
    TSkinChoice c = AddControlh(w, all);
    ASSERT_NE(c.ObjectAction(), nullptr);
    EXPECT_EQ(c.Object(), C::TSkinComBox);
    EXPECT_TRUE(c.ObjectAction()->ToFirstChild);
    w.HasChildWindow = false;
    EXPECT_EQ(AddControlh(w, all).Object(), C::None) << "no inner combo box to attach to";

    w.ClassName = L"#32770";
    c = AddControlh(w, all);
    ASSERT_EQ(c.Actions.size(), 2u);
    EXPECT_EQ(c.Actions[0].What, K::ChildWindowsThroughTable);
    EXPECT_EQ(c.Actions[1].Object, C::TSkinBoxH);

    w.ClassName = L"TPanel";
    c = AddControlh(w, all);
    ASSERT_EQ(c.Actions.size(), 2u);
    EXPECT_EQ(c.Actions[0].What, K::ChildWindowsThroughTable);
    EXPECT_EQ(c.Actions[1].What, K::ColorButtonFace);

    w.ClassName = L"TSilentPaintPanel";
    c = AddControlh(w, all);
    ASSERT_EQ(c.Actions.size(), 1u);
    EXPECT_EQ(c.Actions[0].What, K::ColorButtonFace);

    w.ClassName = L"Button";
    w.HasSkinObject = true;
    EXPECT_EQ(AddControlh(w, all).Outcome, O::Skipped);
}

TEST(SkinSelect, EveryClassHasItsName) {
    for (int i = 1; i <= static_cast<int>(C::TSkinMP); ++i) {
        std::wstring name = SkinControlClassName(static_cast<C>(i));
        EXPECT_EQ(name.substr(0, 1), L"T") << i;
        EXPECT_GT(name.size(), 5u) << i;
    }
    EXPECT_EQ(std::wstring(SkinControlClassName(C::TComboxScrollBar)), L"TComboxScrollBar");
    EXPECT_EQ(std::wstring(SkinControlClassName(C::TSkinTab31)), L"TSkinTab31");
}
