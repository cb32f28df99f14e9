#include "skin/controls/ControlSkinning.h"

#include <algorithm>

#include "framework/controls/Menus.h"
#include "framework/controls/ToolBars.h"
#include "skin/controls/SkinBox.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCombo.h"
#include "skin/controls/SkinDateTime.h"
#include "skin/controls/SkinEdit.h"
#include "skin/controls/SkinGlyphButtons.h"
#include "skin/controls/SkinHeader.h"
#include "skin/controls/SkinListView.h"
#include "skin/controls/SkinMediaPlayer.h"
#include "skin/controls/SkinProgress.h"
#include "skin/controls/SkinScrollbar.h"
#include "skin/controls/SkinSelect_win.h"
#include "skin/controls/SkinStatusBar.h"
#include "skin/controls/SkinTabs.h"
#include "skin/controls/SkinTrackBar.h"
#include "skin/controls/SkinUpDown.h"

namespace {

template <class T>
TSkinControl* Make(TComponent* owner) {
    return new T(owner);
}

// The objects that exist so far; the tables name others that come later
// (those controls stay as they are meanwhile).
const TSkinControlRow kRegistry[] = {
    {TSkinControlClass::TSkinButton, L"TSkinButton", Make<TSkinButton>},
    {TSkinControlClass::TSkinBitButton, L"TSkinBitButton", Make<TSkinBitButton>},
    {TSkinControlClass::TSkinMenuButton, L"TSkinMenuButton", Make<TSkinMenuButton>},
    {TSkinControlClass::TSkinSpeedButton, L"TSkinSpeedButton", Make<TSkinSpeedButton>},
    {TSkinControlClass::TSkinCheckBox, L"TSkinCheckBox", Make<TSkinCheckBox>},
    {TSkinControlClass::TSkinRadioButton, L"TSkinRadioButton", Make<TSkinRadioButton>},
    {TSkinControlClass::TSkinProgress, L"TSkinProgress", Make<TSkinProgress>},
    {TSkinControlClass::TSkinStatusBar, L"TSkinStatusBar", Make<TSkinStatusBar>},
    {TSkinControlClass::TSkinHeader, L"TSkinHeader", Make<skin_controls::TSkinHeader>},
    {TSkinControlClass::TSkinTrackBar, L"TSkinTrackBar", Make<TSkinTrackBar>},
    {TSkinControlClass::TSkinTab, L"TSkinTab", Make<TSkinTab>},
    {TSkinControlClass::TSkinTab31, L"TSkinTab31", Make<TSkinTab31>},
    {TSkinControlClass::TSkinTabSheet, L"TSkinTabSheet", Make<TSkinTabSheet>},
    {TSkinControlClass::TSkinTabBtn, L"TSkinTabBtn", Make<TSkinTabBtn>},
    {TSkinControlClass::TSkinAdvPage, L"TSkinAdvPage", Make<TSkinAdvPage>},
    {TSkinControlClass::TSkinComBox, L"TSkinComBox", Make<TSkinComBox>},
    {TSkinControlClass::TSkinEdit, L"TSkinEdit", Make<TSkinEdit>},
    {TSkinControlClass::TSkinUpDown, L"TSkinUpDown", Make<TSkinUpDown>},
    {TSkinControlClass::TSkinDateTime, L"TSkinDateTime", Make<TSkinDateTime>},
    {TSkinControlClass::TSkinScrollbar, L"TSkinScrollbar", Make<TSkinScrollbar>},
    {TSkinControlClass::TSkinScControl, L"TSkinScControl", Make<TSkinScControl>},
    {TSkinControlClass::TSkinScrollbarH, L"TSkinScrollbarH", Make<TSkinScrollbarH>},
    {TSkinControlClass::TComboxScrollBar, L"TComboxScrollBar", Make<TComboxScrollBar>},
    {TSkinControlClass::TSkinListView, L"TSkinListView", Make<TSkinListView>},
    {TSkinControlClass::TSkinCheckList, L"TSkinCheckList", Make<TSkinCheckList>},
    {TSkinControlClass::TSkinObjImage, L"TSkinObjImage", Make<TSkinObjImage>},
    {TSkinControlClass::TSkinMP, L"TSkinMP", Make<TSkinMP>},
    {TSkinControlClass::TSkinBox, L"TSkinBox", Make<TSkinBox>},
    {TSkinControlClass::TSkinBoxH, L"TSkinBoxH", Make<TSkinBoxH>},
    {TSkinControlClass::TSkinSizer, L"TSkinSizer", Make<TSkinSizer>},
    {TSkinControlClass::TSkinGroupBox, L"TSkinGroupBox", Make<TSkinGroupBox>},
};

TSkinControl* NewObject(TSkinControlClass cls, TComponent* owner) {
    for (const TSkinControlRow& row : kRegistry)
        if (row.Class == cls) return row.Make(owner);
    return nullptr;
}

void SetButtonFace(TWinSkinForm& sf, TControl* control) {
    if (control && sf.fsd) control->SetColor(sf.fsd->Colors[csButtonFace]);
}

// The drop-down menu of one tool button gets the skin's item painter.
void InitToolbarMenu(TWinSkinForm& sf, TToolButton& button) {
    if (TPopupMenu* menu = button.DropdownMenu(); menu && menu->Tag() != sf.fsd->DisableTag()) {
        menu->SetOwnerDraw(true);
        sf.ToolBars().InitToolbarMenu(*menu->Items(), true);
    }
}

void InitToolbarMenus(TWinSkinForm& sf, TToolBar& bar) {
    for (int i = 0; i < bar.ButtonCount(); ++i) InitToolbarMenu(sf, *bar.Buttons(i));
}

// A tool button is a component of its bar, not a control of the form: the
// bar offers its buttons to the table itself.
void OfferToolButtons(TWinSkinForm& sf, TToolBar& bar, const TSkinSelectOptions& options) {
    for (int i = 0; i < bar.ButtonCount(); ++i) {
        TToolButton& button = *bar.Buttons(i);
        TSkinControlDesc d;
        d.ClassChain = ClassChainOf(button);
        d.Tag = button.Tag();
        d.Windowed = false;
        if (AddComp(d, options).Has(TSkinActionKind::InitToolbarMenu)) InitToolbarMenu(sf, button);
    }
}

// The skinning object a framework control gets attached to it, or null.
TSkinControl* Attach(TWinSkinForm& sf, TWinControl* windowed, const TSkinAction& a, TSkinControlClass cls, int kind) {
    TSkinData* sd = sf.fsd;
    if (!windowed || !windowed->HandleAllocated()) return nullptr;
    // A control of a foreign kind that is known by its window only.
    if (a.Attach == TSkinAttach::Inithwnd) {
        TSkinControl* object = NewObject(cls, &sf);
        if (!object) return nullptr;
        if (kind) object->SetKind(kind);
        object->Inithwnd(windowed->WindowHandle(), sd, sf.fCanvas.get(), &sf);
        return object;
    }
    TSkinControl* object = NewObject(cls, windowed);
    if (!object) return nullptr;
    if (kind) object->SetKind(kind);
    object->Configure(a);
    object->AttachTo(sf, windowed, a.acolor);
    return object;
}

// The scroll bar inside a control (the first windowed child): a scroll-bar
// control gets its own object, any other scrolled window the overlays.
TSkinControl* AttachEmbeddedBar(TWinSkinForm& sf, TWinControl* outer, const TSkinAction& a) {
    if (!outer) return nullptr;
    for (int i = 0; i < outer->ControlCount(); ++i) {
        auto* inner = dynamic_cast<TWinControl*>(outer->Controls(i));
        if (!inner || sf.FindSkinComp(inner)) continue;
        inner->HandleNeeded();
        const std::vector<std::wstring> chain = ClassChainOf(*inner);
        const bool isBar = std::find(chain.begin(), chain.end(), L"TScrollBar") != chain.end();
        return Attach(sf, inner, a, isBar ? TSkinControlClass::TSkinScControl : TSkinControlClass::TSkinScrollbar, 0);
    }
    return nullptr;
}

// The application's OnSkinControl handler as the tables ask it; object
// receives what it answered.
TSkinSelectOptions OptionsWithUserHandler(TWinSkinForm& sf, TControl* control, TComponent*& object) {
    TSkinSelectOptions options = SelectOptionsOf(*sf.fsd, sf.sMainMenu);
    TSkinData* sd = sf.fsd;
    if (!sd->OnSkinControl) return options;
    options.OnSkinControl = [&sf, sd, control, &object](const std::wstring& cls, const TSkinControlDesc&) {
        object = nullptr;
        sd->OnSkinControl(sd, sd, sf.FForm, control, cls, object);
        if (!object) return TUserSkinAnswer::Nothing;
        return dynamic_cast<TSkinControl*>(object) ? TUserSkinAnswer::SkinControl : TUserSkinAnswer::OtherObject;
    };
    return options;
}

}  // namespace

TSkinControl* AddComp(TWinSkinForm& sf, TControl* control, TWinControl*) {
    TSkinData* sd = sf.fsd;
    if (!sd || !control) return nullptr;
    TComponent* userObject = nullptr;
    const TSkinSelectOptions options = OptionsWithUserHandler(sf, control, userObject);
    const TSkinChoice choice = AddComp(*control, options, sf.FindSkinComp(control));
    auto* windowed = dynamic_cast<TWinControl*>(control);
    auto* toolBar = dynamic_cast<TToolBar*>(control);
    unsigned toolBarPainters = 0;
    TSkinControl* created = nullptr;
    const bool embedded = choice.Outcome == TSkinOutcome::ThirdParty && choice.Row == L"embedscrollbar";
    for (const TSkinAction& a : choice.Actions) {
        switch (a.What) {
            case TSkinActionKind::CreateObject: {
                if (a.Object == TSkinControlClass::TSkinSpeedButton) {
                    // Window-less: hooked through its WindowProc, painted after its own paint.
                    if (!dynamic_cast<TGraphicControl*>(control)) break;
                    // The registry's row makes exactly this class.
                    auto* speed =
                        static_cast<TSkinSpeedButton*>(NewObject(TSkinControlClass::TSkinSpeedButton, control));
                    speed->Configure(a);
                    if (a.kind) speed->SetKind(a.kind);
                    speed->InitGraphicControl(&sf, sd, sf.fCanvas.get());
                    created = speed;
                    break;
                }
                if (embedded) {
                    created = AttachEmbeddedBar(sf, windowed, a);
                    break;
                }
                if (a.Attach == TSkinAttach::InitGraphicControl) break;
                TSkinControl* object = Attach(sf, windowed, a, a.Object, a.kind);
                if (!object) break;
                if (auto* box = dynamic_cast<TSkinBox*>(object); box && toolBar) {
                    box->SetToolbarPainters(toolBar, toolBarPainters);
                    toolBarPainters = 0;
                }
                created = object;
                break;
            }
            case TSkinActionKind::EachChildObject:
                if (!windowed) break;
                for (int i = 0; i < windowed->ControlCount(); ++i) {
                    auto* child = dynamic_cast<TWinControl*>(windowed->Controls(i));
                    if (!child || sf.FindSkinComp(child)) continue;
                    child->HandleNeeded();
                    int kind = 0;
                    const TSkinControlClass cls = ChildObject(a, child->ClassName(), &kind);
                    TSkinAction init = a;
                    init.acolor = false;
                    Attach(sf, child, init, cls, kind);
                }
                break;
            case TSkinActionKind::AddUserObject:
                if (auto* object = dynamic_cast<TSkinControl*>(userObject)) {
                    if (!sf.AddControlList(object)) object->Init(&sf, sd, sf.fCanvas.get(), object->NewColor());
                    created = object;
                }
                break;
            case TSkinActionKind::SetProperty: SetProperty(control, a.PropName, a.PropValue); break;
            case TSkinActionKind::ToolbarPainters:
                if (toolBar) toolBarPainters = sf.ToolBars().AttachToolbarPainters(*toolBar);
                break;
            case TSkinActionKind::InitToolbarMenu:
                if (toolBar) InitToolbarMenus(sf, *toolBar);
                break;
            case TSkinActionKind::ChildrenThroughTable:
                if (windowed) sf.InitChildCtrl(windowed);
                break;
            case TSkinActionKind::ComponentsThroughTable:
                if (windowed) sf.InitControlA(windowed);
                break;
            case TSkinActionKind::DisableControl:
                if (windowed) sf.DisableControl(windowed);
                break;
            case TSkinActionKind::ColorButtonFace: SetButtonFace(sf, control); break;
            case TSkinActionKind::BandsColorButtonFace: {
                // The bands are drawn in the bar's colour; an object keeps the
                // old one to give it back when the skin goes.
                TSkinAction face = a;
                face.acolor = true;
                created = Attach(sf, windowed, face, TSkinControlClass::TSkinBox, 0);
                break;
            }
            default: break;
        }
    }
    // No object took the painters over: nobody would give the events back.
    if (toolBar && toolBarPainters) TToolBarPainter::DetachToolbarPainters(*toolBar, toolBarPainters);
    if (toolBar && choice.Outcome != TSkinOutcome::Disabled && choice.Outcome != TSkinOutcome::Skipped &&
        !choice.Has(TSkinActionKind::InitToolbarMenu))
        OfferToolButtons(sf, *toolBar, options);
    return created;
}

TSkinControl* AddControlh(TWinSkinForm& sf, HWND child) {
    TSkinData* sd = sf.fsd;
    if (!sd || !child || !IsWindow(child)) return nullptr;
    const TSkinSelectOptions options = SelectOptionsOf(*sd, sf.sMainMenu);
    const TSkinChoice choice = AddControlh(child, options, sf.Lookupcontrol(child) != nullptr);
    TSkinControl* created = nullptr;
    for (const TSkinAction& a : choice.Actions) {
        switch (a.What) {
            case TSkinActionKind::CreateObject: {
                HWND target = a.ToFirstChild ? GetWindow(child, GW_CHILD) : child;
                if (!target) break;
                TSkinControl* object = NewObject(a.Object, &sf);
                if (!object) break;
                object->Configure(a);
                object->Inithwnd(target, sd, sf.fCanvas.get(), &sf);
                created = object;
                break;
            }
            case TSkinActionKind::ChildWindowsThroughTable: sf.InitHwndControls(child); break;
            case TSkinActionKind::ColorButtonFace: SetButtonFace(sf, FindControl(child)); break;
            default: break;
        }
    }
    return created;
}

static TSkinControl* RecreateControl(TWinSkinForm& sf, TSkinControl* old) {
    if (!old || !old->Control()) return nullptr;
    TWinControl* control = old->Control();
    // The old object lets go of the control first: the new one hooks it
    // afresh, and freeing the old one later must not take that hook off.
    old->ReleaseControl();
    if (!control->HandleAllocated()) return nullptr;
    return AddComp(sf, control, control->Parent());
}

const TSkinControlRow* SkinControlRegistry(size_t& count) {
    count = std::size(kRegistry);
    return kRegistry;
}

void InstallControlSkinning() {
    TControlSkinning t;
    t.AddComp = AddComp;
    t.AddControlh = AddControlh;
    t.AddBox = [](TWinSkinForm& sf, TWinControl* nested) -> TSkinControl* {
        if (!sf.fsd || !nested || !nested->HandleAllocated() || sf.FindSkinComp(nested)) return nullptr;
        auto* box = new TSkinBox(nested);
        box->Init(&sf, sf.fsd, sf.fCanvas.get(), true);
        return box;
    };
    t.Recreate = RecreateControl;
    t.Unsubclass = [](TSkinControl* c) { c->Unsubclass(); };
    t.SkinChange = [](TSkinControl* c) { c->SkinChange(); };
    t.MouseLeave = [](TSkinControl* c) { c->MouseLeave(); };
    t.State = [](const TSkinControl* c) { return static_cast<int>(c->SkinState()); };
    t.Window = [](const TSkinControl* c) { return c->Window(); };
    t.Control = [](const TSkinControl* c) -> TControl* {
        return c->Control() ? static_cast<TControl*>(c->Control()) : c->GraphicControl();
    };
    t.Free = TSkinControl::Free;
    SetControlSkinning(&t);
}
