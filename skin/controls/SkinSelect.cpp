#include "skin/controls/SkinSelect.h"

#include <algorithm>
#include <initializer_list>

#include "skin/controls/SkinObjectUtil.h"

namespace {

using C = TSkinControlClass;
using A = TSkinActionKind;

// Class names are ASCII; other characters pass unchanged.
std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return s;
}
using skin_controls_util::Lower;

bool StartsWith(const std::wstring& s, const std::wstring& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// The class or one of its ancestors has one of these (upper-case) names.
// Each kind lists the framework's class and the base its relatives share.
bool IsA(const TSkinControlDesc& c, std::initializer_list<const wchar_t*> names) {
    for (const std::wstring& cls : c.ClassChain) {
        std::wstring up = Upper(cls);
        for (const wchar_t* n : names)
            if (up == n) return true;
    }
    return false;
}

bool NameIs(const std::wstring& upper, std::initializer_list<const wchar_t*> names) {
    return std::any_of(names.begin(), names.end(), [&](const wchar_t* n) { return upper == n; });
}

bool IsTabControl(const TSkinControlDesc& c) {
    return IsA(c, {L"TCUSTOMTABCONTROL", L"TTABCONTROL", L"TPAGECONTROL"});
}
bool IsPageControl(const TSkinControlDesc& c) {
    return IsA(c, {L"TPAGECONTROL"});
}
bool IsPanel(const TSkinControlDesc& c) {
    return IsA(c, {L"TCUSTOMPANEL", L"TPANEL"});
}
bool IsScrollBarControl(const TSkinControlDesc& c) {
    return IsA(c, {L"TSCROLLBAR"});
}

TSkinAction Create(C object, bool acolor = false, int kind = 0, TSkinAttach attach = TSkinAttach::Init) {
    TSkinAction a;
    a.What = A::CreateObject;
    a.Object = object;
    a.acolor = acolor;
    a.kind = kind;
    a.Attach = attach;
    return a;
}
TSkinAction Step(A what) {
    TSkinAction a;
    a.What = what;
    return a;
}
TSkinAction EachChild(C object, C rzObject = C::None, int rzKind = 0) {
    TSkinAction a;
    a.What = A::EachChildObject;
    a.Object = object;
    a.RzObject = rzObject;
    a.RzKind = rzKind;
    return a;
}
TSkinAction SetProp(const wchar_t* name, const wchar_t* value) {
    TSkinAction a;
    a.What = A::SetProperty;
    a.PropName = name;
    a.PropValue = value;
    return a;
}

void Decide(TSkinChoice& choice, TSkinOutcome outcome, std::wstring row, std::vector<TSkinAction> actions = {}) {
    choice.Outcome = outcome;
    choice.Row = std::move(row);
    choice.Actions = std::move(actions);
}

// The Skin3rd kinds.
void ThirdPartyActions(const std::wstring& kind, const std::wstring& className, const TSkinControlDesc& c,
                       const TSkinControlTypes& set, bool hasTab, std::vector<TSkinAction>& out) {
    auto has = [&](TSkinControlType t) { return set.Contains(t); };
    if (kind == L"combobox") {
        if (has(xcCombo)) out.push_back(Create(C::TSkinComBox));
    } else if (kind == L"comboboxex") {
        if (has(xcCombo)) {
            TSkinAction a = Create(C::TSkinComBox);
            a.HasButton = true;
            out.push_back(a);
        }
    } else if (kind == L"edit") {
        if (has(xcEdit) && c.HasBorder) out.push_back(Create(C::TSkinEdit));
    } else if (kind == L"radiobutton") {
        if (has(xcRadioButton)) out.push_back(Create(C::TSkinRadioButton));
    } else if (kind == L"panel") {
        if (has(xcPanel)) {
            out.push_back(SetProp(L"Transparent", L"True"));
            out.push_back(Create(C::TSkinBox, true));
        }
    } else if (kind == L"trackbar") {
        if (has(xcButton)) {
            out.push_back(SetProp(L"Transparent", L"True"));
            out.push_back(Create(C::TSkinTrackBar));
        }
    } else if (kind == L"button") {
        if (has(xcButton)) out.push_back(Create(C::TSkinButton));
    } else if (kind == L"datetimepicker") {
        if (has(xcCombo)) out.push_back(Create(C::TSkinDateTime));
    } else if (kind == L"mediaplayer") {
        if (has(xcButton)) out.push_back(Create(C::TSkinMP));
    } else if (kind == L"bitbtn") {
        if (has(xcButton)) {
            bool dropDown = Upper(className) == L"TCXBUTTON" && Lower(c.Kind) == L"cxbkdropdownbutton";
            out.push_back(Create(dropDown ? C::TSkinMenuButton : C::TSkinBitButton));
        }
    } else if (kind == L"pngbitbtn" || kind == L"pngspeedbutton") {
        if (has(xcButton)) {
            TSkinAction a = Create(kind == L"pngbitbtn" ? C::TSkinBitButton : C::TSkinSpeedButton);
            a.PicField = L"PngImage";
            out.push_back(a);
        }
    } else if (kind == L"menubtn") {
        if (has(xcButton)) out.push_back(Create(C::TSkinMenuButton));
    } else if (kind == L"speedbutton") {
        if (has(xcSpeedButton)) out.push_back(Create(C::TSkinSpeedButton));
    } else if (kind == L"tab") {
        if (has(xcTab) && hasTab) out.push_back(Create(C::TSkinTab));
    } else if (kind == L"progress") {
        if (has(xcProgress)) out.push_back(Create(C::TSkinProgress));
    } else if (kind == L"scrollbar") {
        if (has(xcScrollbar)) {
            out.push_back(Create(C::TSkinScrollbar));
            out.push_back(Step(A::ChildrenThroughTable));
        }
    } else if (kind == L"singlescrollbar") {
        if (has(xcScrollbar)) out.push_back(Create(C::TSkinScrollbar, false, 1));
    } else if (kind == L"embedscrollbar") {
        if (has(xcScrollbar)) out.push_back(Create(IsScrollBarControl(c) ? C::TSkinScControl : C::TSkinScrollbar));
    } else if (kind == L"container") {
        out.push_back(Step(A::ChildrenThroughTable));
    } else if (kind == L"groupbox") {
        if (has(xcGroupBox)) out.push_back(Create(C::TSkinGroupBox, true));
    } else if (kind == L"advpagecontrol") {
        if (has(xcTab)) out.push_back(Create(C::TSkinAdvPage, true, 4));
    } else if (kind == L"radiogroup") {
        if (has(xcGroupBox)) {
            if (has(xcRadioButton)) out.push_back(EachChild(C::TSkinRadioButton, C::TSkinObjImage, 2));
            out.push_back(Create(C::TSkinGroupBox, true));
        }
    } else if (kind == L"checkgroup") {
        if (has(xcPanel)) {
            if (has(xcRadioButton)) out.push_back(EachChild(C::TSkinCheckBox, C::TSkinObjImage, 1));
            if (has(xcGroupBox)) out.push_back(Create(C::TSkinGroupBox, true));
        }
    } else if (kind == L"checkbox") {
        if (has(xcCheckBox)) out.push_back(Create(C::TSkinCheckBox));
    }
    // "nil" and any kind not listed: the control stays as it is.
}

// The rows of the table for framework controls, in order; false when none matches.
bool TableRows(const TSkinControlDesc& c, const TSkinSelectOptions& o, TSkinChoice& choice) {
    const std::wstring name = c.ClassNameUpper();
    auto has = [&](TSkinControlType t) { return o.SkinControls.Contains(t); };
    auto rule = [&](const wchar_t* row, std::vector<TSkinAction> actions) {
        Decide(choice, TSkinOutcome::Rule, row, std::move(actions));
        return true;
    };
    const bool tabs = has(xcTab) && o.HasTab;

    if (IsTabControl(c) && tabs) {
        if (!IsPageControl(c)) return rule(L"1", {Create(C::TSkinTab, false, 2)});
        return rule(L"1", {Create(c.PageStyleTabs ? C::TSkinTab : C::TSkinTabBtn)});
    }
    if (IsA(c, {L"TTOOLBUTTON"}) && o.SkinsMainMenu) return rule(L"2", {Step(A::InitToolbarMenu)});
    // The framework's band container is its control bar.
    if (IsA(c, {L"TCUSTOMCOOLBAR", L"TCOOLBAR", L"TCONTROLBAR"}) && has(xcToolbar))
        return rule(L"3", {Step(A::BandsColorButtonFace)});
    if (name == L"TTABSET" && tabs) return rule(L"4", {Create(C::TSkinTab31)});
    if (IsA(c, {L"TTABSHEET"}) && tabs) return rule(L"5", {Create(C::TSkinTabSheet)});
    if (name == L"TTABBEDNOTEBOOK" && tabs) return rule(L"6", {Create(C::TSkinTab)});
    if (name == L"TMVCPANEL") return rule(L"7", {Step(A::ChildrenThroughTable)});
    if (IsA(c, {L"TCUSTOMHEADERCONTROL", L"THEADERCONTROL"}) && has(xcPanel))
        return rule(L"8", {Create(C::TSkinHeader)});
    if (IsA(c, {L"TCUSTOMCHECKBOX", L"TCHECKBOX"}) && has(xcCheckBox)) return rule(L"9", {Create(C::TSkinCheckBox)});
    if (IsA(c, {L"TTRACKBAR"}) && has(xcTrackBar)) return rule(L"10", {Create(C::TSkinTrackBar)});
    if (NameIs(name, {L"TUPDOWN", L"TSPINBUTTON"}) && has(xcSpin)) return rule(L"11", {Create(C::TSkinUpDown)});
    if (name == L"TMEDIAPLAYER" && has(xcButton)) return rule(L"12", {Create(C::TSkinMP)});
    if (IsA(c, {L"TCUSTOMRADIOGROUP", L"TRADIOGROUP"}) && has(xcRadioButton))
        return rule(L"13", {EachChild(C::TSkinRadioButton), Create(C::TSkinGroupBox, true)});
    if (name == L"TDBNAVIGATOR" && has(xcPanel))
        return rule(L"14", {Create(C::TSkinBox, true), Step(A::ChildrenThroughTable)});
    if (NameIs(name, {L"TRZCHECKBOX", L"TRZDBCHECKBOX"}) && has(xcCheckBox))
        return rule(L"15", {Create(C::TSkinObjImage, false, 1)});
    if (NameIs(name, {L"TRZRADIOBUTTON", L"TRZDBRADIOBUTTON"}) && has(xcRadioButton))
        return rule(L"16", {Create(C::TSkinObjImage, false, 2)});
    if (NameIs(name, {L"TCXCHECKBOX", L"TCXDBCHECKBOX"}) && has(xcCheckBox))
        return rule(L"17", {Create(C::TSkinObjImage, false, 3)});
    if (IsA(c, {L"TCUSTOMGROUPBOX", L"TGROUPBOX"}) && has(xcPanel))
        return rule(L"18", {Step(A::ChildrenThroughTable), Create(C::TSkinGroupBox)});
    if (IsA(c, {L"TRADIOBUTTON"}) && has(xcRadioButton)) return rule(L"19", {Create(C::TSkinRadioButton)});
    if (IsA(c, {L"TTOOLBAR"}) && has(xcToolbar))
        return rule(L"20", {SetProp(L"Flat", L"True"), Step(A::ToolbarPainters), Create(C::TSkinBox),
                            Step(A::InitToolbarMenu)});
    if (IsA(c, {L"TCUSTOMSTATUSBAR", L"TSTATUSBAR"}) && has(xcStatusBar))
        return rule(L"21", {Create(C::TSkinStatusBar)});
    if (IsA(c, {L"TPROGRESSBAR"}) && has(xcProgress)) return rule(L"22", {Create(C::TSkinProgress)});
    if (IsScrollBarControl(c) && has(xcScrollbar))
        return rule(L"23", {Create(C::TSkinScControl, false, 0, TSkinAttach::InitScrollbar)});
    if (name == L"TTNTCOMBOBOX" && has(xcCombo)) return rule(L"24", {Create(C::TSkinComBox)});
    if (IsA(c, {L"TCUSTOMCOMBOBOX", L"TCOMBOBOX"}) && has(xcCombo)) return rule(L"25", {Create(C::TSkinComBox)});
    if (IsA(c, {L"TDATETIMEPICKER"}) && has(xcEdit))
        return rule(L"26", {Create(c.DateUpDown || c.DateTimeKind ? C::TSkinEdit : C::TSkinDateTime)});
    if (name == L"TRICHEDIT" && has(xcScrollbar)) return rule(L"27", {Create(C::TSkinScrollbar)});
    if (NameIs(name, {L"TWWDBRICHEDIT", L"TDXDBMEMO"}) && has(xcScrollbar))
        return rule(L"28", {Create(C::TSkinScrollbar)});
    if (name == L"TTABBEDNOTEBOOK" && tabs) return rule(L"29", {Create(C::TSkinTab)});
    // A bitmap button is never taken for a push button.
    if (IsA(c, {L"TBITBTN"})) {
        if (has(xcBitBtn)) return rule(L"30", {Create(C::TSkinBitButton)});
        return rule(L"30", {});
    }
    if (IsA(c, {L"TSPEEDBUTTON"}) && has(xcSpeedButton))
        return rule(L"31", {Create(C::TSkinSpeedButton, false, 0, TSkinAttach::InitGraphicControl)});
    if (IsPanel(c) && has(xcPanel)) return rule(L"32", {Step(A::ChildrenThroughTable), Create(C::TSkinBox, true)});
    if (NameIs(name, {L"TDXTREELIST", L"TDXDBTREELIST", L"TDXDBGRID"}) && has(xcScrollbar))
        return rule(L"33", {Create(C::TSkinScrollbar)});
    if (IsA(c, {L"TCUSTOMLISTVIEW", L"TLISTVIEW"}) && has(xcScrollbar)) return rule(L"34", {Create(C::TSkinListView)});
    if (name == L"TCHECKLISTBOX" && has(xcScrollbar)) return rule(L"35", {Create(C::TSkinCheckList)});
    if (IsA(c, {L"TCUSTOMMEMO", L"TMEMO"}) && has(xcScrollbar)) return rule(L"36", {Create(C::TSkinScrollbar)});
    if (IsA(c, {L"TCUSTOMGRID"}) && has(xcScrollbar)) return rule(L"37", {Create(C::TSkinScrollbar)});
    if (IsScrollControl(c) && has(xcScrollbar)) return rule(L"38", {Create(C::TSkinScrollbar)});
    if (IsA(c, {L"TBUTTON"}) && has(xcButton)) return rule(L"39", {Create(C::TSkinButton)});
    if (IsA(c, {L"TCUSTOMEDIT", L"TEDIT"}) && has(xcEdit)) return rule(L"40", {Create(C::TSkinEdit)});
    if (!NameIs(name, {L"TDCEDIT", L"TDCDBEDIT"})) {
        if (IsA(c, {L"TCUSTOMFRAME", L"TFRAME"})) return rule(L"41", {Step(A::ComponentsThroughTable)});
        if (IsA(c, {L"TCUSTOMFORM", L"TFORM"}))
            return rule(L"41", {Create(C::TSkinBox, true), Step(A::ComponentsThroughTable)});
        return false;  // a plain control: no row has anything for it
    }
    if (c.NumButtons == 1 && has(xcCombo)) return rule(L"42", {Create(C::TSkinComBox)});
    if (c.NumButtons == 0 && has(xcEdit)) return rule(L"43", {Create(C::TSkinEdit, false, 0, TSkinAttach::Inithwnd)});
    return false;
}

}  // namespace

const wchar_t* SkinControlClassName(TSkinControlClass cls) {
    switch (cls) {
        case C::None: return L"";
        case C::TSkinButton: return L"TSkinButton";
        case C::TSkinBitButton: return L"TSkinBitButton";
        case C::TSkinMenuButton: return L"TSkinMenuButton";
        case C::TSkinSpeedButton: return L"TSkinSpeedButton";
        case C::TSkinCheckBox: return L"TSkinCheckBox";
        case C::TSkinRadioButton: return L"TSkinRadioButton";
        case C::TSkinProgress: return L"TSkinProgress";
        case C::TSkinScrollbar: return L"TSkinScrollbar";
        case C::TSkinListView: return L"TSkinListView";
        case C::TSkinCheckList: return L"TSkinCheckList";
        case C::TSkinScrollbarH: return L"TSkinScrollbarH";
        case C::TComboxScrollBar: return L"TComboxScrollBar";
        case C::TSkinScControl: return L"TSkinScControl";
        case C::TSkinComBox: return L"TSkinComBox";
        case C::TSkinEdit: return L"TSkinEdit";
        case C::TSkinUpDown: return L"TSkinUpDown";
        case C::TSkinDateTime: return L"TSkinDateTime";
        case C::TSkinTab: return L"TSkinTab";
        case C::TSkinTab31: return L"TSkinTab31";
        case C::TSkinTabSheet: return L"TSkinTabSheet";
        case C::TSkinTabBtn: return L"TSkinTabBtn";
        case C::TSkinAdvPage: return L"TSkinAdvPage";
        case C::TSkinGroupBox: return L"TSkinGroupBox";
        case C::TSkinBox: return L"TSkinBox";
        case C::TSkinBoxH: return L"TSkinBoxH";
        case C::TSkinSizer: return L"TSkinSizer";
        case C::TSkinTrackBar: return L"TSkinTrackBar";
        case C::TSkinStatusBar: return L"TSkinStatusBar";
        case C::TSkinHeader: return L"TSkinHeader";
        case C::TSkinObjImage: return L"TSkinObjImage";
        case C::TSkinMP: return L"TSkinMP";
    }
    return L"";
}

std::wstring TSkinControlDesc::ClassNameUpper() const {
    return ClassChain.empty() ? L"" : Upper(ClassChain.front());
}

TSkinSelectOptions SelectOptionsOf(const TSkinDataCore& fsd, bool skinsMainMenu) {
    TSkinSelectOptions o;
    o.SkinControls = fsd.FSkinControls;
    o.DisableTag = fsd.fdisableTag;
    o.Skin3rd.assign(fsd.f3rdControls.begin(), fsd.f3rdControls.end());
    o.HasTab = fsd.tab != nullptr;
    o.SkinsMainMenu = skinsMainMenu;
    return o;
}

TSkinControlClass TSkinChoice::Object() const {
    const TSkinAction* a = ObjectAction();
    return a ? a->Object : TSkinControlClass::None;
}

const TSkinAction* TSkinChoice::ObjectAction() const {
    for (const TSkinAction& a : Actions)
        if (a.What == A::CreateObject) return &a;
    return nullptr;
}

bool TSkinChoice::Has(TSkinActionKind what) const {
    return std::any_of(Actions.begin(), Actions.end(), [&](const TSkinAction& a) { return a.What == what; });
}

TSkinControlClass ChildObject(const TSkinAction& action, const std::wstring& childClassName, int* kind) {
    if (action.RzObject != C::None && StartsWith(Upper(childClassName), L"TRZ")) {
        if (kind) *kind = action.RzKind;
        return action.RzObject;
    }
    if (kind) *kind = 0;
    return action.Object;
}

bool Find3rdKind(const std::vector<std::wstring>& skin3rd, const std::wstring& className, std::wstring& kind) {
    const std::wstring key = Lower(className) + L"=";
    for (const std::wstring& line : skin3rd) {
        std::wstring lower = Lower(line);
        if (StartsWith(lower, key)) {
            kind = lower.substr(key.size(), 50);
            return true;
        }
    }
    return false;
}

bool Find3rdControl(const std::wstring& className, const TSkinControlDesc& control, const TSkinSelectOptions& options,
                    TSkinChoice& choice) {
    std::wstring kind;
    if (!Find3rdKind(options.Skin3rd, className, kind)) return false;
    std::vector<TSkinAction> actions;
    ThirdPartyActions(kind, className, control, options.SkinControls, options.HasTab, actions);
    Decide(choice, TSkinOutcome::ThirdParty, kind, std::move(actions));
    return true;
}

bool IsScrollControl(const TSkinControlDesc& c) {
    if (!c.Windowed) return false;
    return c.ScrollStyle || IsA(c, {L"TLISTBOX", L"TMEMO", L"TCUSTOMLISTBOX", L"TCUSTOMTREEVIEW", L"TSCROLLBOX"});
}

TSkinChoice AddComp(const TSkinControlDesc& control, const TSkinSelectOptions& options) {
    TSkinChoice choice;
    if (control.Tag == options.DisableTag) {
        std::vector<TSkinAction> actions;
        std::wstring lower = Lower(control.ClassChain.empty() ? std::wstring() : control.ClassChain.front());
        if (lower.find(L"radiogroup") != std::wstring::npos || lower.find(L"checkgroup") != std::wstring::npos)
            actions.push_back(Step(A::DisableControl));
        Decide(choice, TSkinOutcome::Disabled, L"", std::move(actions));
        return choice;
    }
    if (!control.HasParent || control.HasSkinObject || (control.Windowed && !control.HasWindow)) {
        Decide(choice, TSkinOutcome::Skipped, L"");
        return choice;
    }
    const std::wstring name = control.ClassNameUpper();
    if (options.OnSkinControl) {
        switch (options.OnSkinControl(name, control)) {
            case TUserSkinAnswer::Nothing: break;
            case TUserSkinAnswer::OtherObject: Decide(choice, TSkinOutcome::UserOther, L""); return choice;
            case TUserSkinAnswer::SkinControl: {
                std::vector<TSkinAction> actions{Step(A::AddUserObject)};
                if (IsPanel(control)) actions.push_back(Step(A::ChildrenThroughTable));
                Decide(choice, TSkinOutcome::UserObject, L"", std::move(actions));
                return choice;
            }
        }
    }
    const std::wstring ownName = control.ClassChain.empty() ? std::wstring() : control.ClassChain.front();
    if (Find3rdControl(ownName, control, options, choice)) return choice;
    if (NameIs(name, {L"TDBCOMBOBOXEH", L"TFRDESIGNERPAGE", L"TFRPBOX"})) {
        Decide(choice, TSkinOutcome::NeverSkinned, L"");
        return choice;
    }
    if (!TableRows(control, options, choice)) Decide(choice, TSkinOutcome::NoRule, L"");
    return choice;
}

TSkinChoice AddControlh(const TSkinWindowDesc& w, const TSkinSelectOptions& o) {
    TSkinChoice choice;
    if (w.HasSkinObject) {
        Decide(choice, TSkinOutcome::Skipped, L"");
        return choice;
    }
    const std::wstring name = Lower(w.ClassName);
    const uint32_t s = w.Style;
    auto has = [&](TSkinControlType t) { return o.SkinControls.Contains(t); };
    auto bits = [&](uint32_t mask) { return (s & mask) == mask; };
    auto rule = [&](const wchar_t* row, std::vector<TSkinAction> actions) {
        for (TSkinAction& a : actions)
            if (a.What == A::CreateObject) a.Attach = TSkinAttach::Inithwnd;
        Decide(choice, TSkinOutcome::Rule, row, std::move(actions));
        return choice;
    };
    auto createIf = [&](bool cond, C object) {
        return cond ? std::vector<TSkinAction>{Create(object)} : std::vector<TSkinAction>{};
    };

    // Owner-drawn buttons (all of the bits 0xB) fall through and match nothing.
    if (name == L"button" && !bits(0xB)) {
        if (bits(0x7) || (s & 0x80)) return rule(L"1a", {});
        if (bits(0x3) || (s & 0x2) || bits(0x5)) return rule(L"1b", createIf(has(xcCheckBox), C::TSkinCheckBox));
        if (bits(0x9) || (s & 0x4)) return rule(L"1c", createIf(has(xcRadioButton), C::TSkinRadioButton));
        return rule(L"1d", createIf(has(xcButton), C::TSkinButton));
    }
    if (name == L"combobox" && has(xcCombo)) return rule(L"2", createIf((s & 0x3) != 0x1, C::TSkinComBox));
    if (name == L"comboboxex32" && has(xcCombo)) {
        std::vector<TSkinAction> actions = createIf(w.HasChildWindow, C::TSkinComBox);
        for (TSkinAction& a : actions) a.ToFirstChild = true;
        return rule(L"3", std::move(actions));
    }
    if (name == L"scrollbar" && !(s & 0x10000)) return rule(L"4", {Create(C::TSkinSizer)});
    if (name == L"systreeview32") return rule(L"5", {});
    if (name == L"#32770" && !(s & 0x10000))
        return rule(L"6", {Step(A::ChildWindowsThroughTable), Create(C::TSkinBoxH)});
    if (NameIs(name, {L"tpanel", L"ttntpanel.unicodeclass", L"ttntsilentpaintpanel.unicodeclass"}))
        return rule(L"7", {Step(A::ChildWindowsThroughTable), Step(A::ColorButtonFace)});
    if (name == L"tcheckbox" && has(xcCheckBox)) return rule(L"8", {Create(C::TSkinCheckBox)});
    if (name == L"tcombobox" && has(xcCombo)) return rule(L"9", {Create(C::TSkinComBox)});
    if (name == L"tbutton" && has(xcButton)) return rule(L"10", {Create(C::TSkinButton)});
    if (name == L"tprogressbar") return rule(L"11", {Create(C::TSkinProgress)});
    if (name == L"tsilentpaintpanel") return rule(L"12", {Step(A::ColorButtonFace)});
    if (name == L"systabcontrol32" && has(xcTab) && !(s & 0x2000)) return rule(L"13", {Create(C::TSkinTab)});
    if (name == L"toolbarwindow32") return rule(L"14", {Create(C::TSkinBoxH)});
    if (name == L"edit" && has(xcEdit)) return rule(L"15", {Create(C::TSkinEdit)});
    Decide(choice, TSkinOutcome::NoRule, L"");
    return choice;
}
