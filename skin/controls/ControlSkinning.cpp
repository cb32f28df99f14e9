#include "skin/controls/ControlSkinning.h"

#include "skin/controls/SkinBars.h"
#include "framework/controls/Menus.h"
#include "framework/controls/ToolBars.h"
#include "skin/controls/SkinBox.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCombo.h"
#include "skin/controls/SkinEdit.h"
#include "skin/controls/SkinGlyphButtons.h"
#include "skin/controls/SkinListView.h"
#include "skin/controls/SkinMediaPlayer.h"
#include "skin/controls/SkinProgress.h"
#include "skin/controls/SkinScrollbar.h"
#include "skin/controls/SkinSelect_win.h"
#include "skin/controls/SkinTabs.h"

namespace {

// The objects that exist so far; the tables name others that come later
// (those controls stay as they are meanwhile).
TSkinControl* NewObject(TSkinControlClass cls, TComponent* owner) {
    switch (cls) {
        case TSkinControlClass::TSkinButton: return new TSkinButton(owner);
        case TSkinControlClass::TSkinBitButton: return new TSkinBitButton(owner);
        case TSkinControlClass::TSkinMenuButton: return new TSkinMenuButton(owner);
        case TSkinControlClass::TSkinCheckBox: return new TSkinCheckBox(owner);
        case TSkinControlClass::TSkinRadioButton: return new TSkinRadioButton(owner);
        case TSkinControlClass::TSkinProgress: return new TSkinProgress(owner);
        case TSkinControlClass::TSkinStatusBar: return new TSkinStatusBar(owner);
        case TSkinControlClass::TSkinHeader: return new skin_controls::TSkinHeader(owner);
        case TSkinControlClass::TSkinTrackBar: return new TSkinTrackBar(owner);
        case TSkinControlClass::TSkinTab: return new TSkinTab(owner);
        case TSkinControlClass::TSkinTab31: return new TSkinTab31(owner);
        case TSkinControlClass::TSkinTabSheet: return new TSkinTabSheet(owner);
        case TSkinControlClass::TSkinTabBtn: return new TSkinTabBtn(owner);
        case TSkinControlClass::TSkinAdvPage: return new TSkinAdvPage(owner);
        case TSkinControlClass::TSkinComBox: return new TSkinComBox(owner);
        case TSkinControlClass::TSkinEdit: return new TSkinEdit(owner);
        case TSkinControlClass::TSkinUpDown: return new TSkinUpDown(owner);
        case TSkinControlClass::TSkinDateTime: return new TSkinDateTime(owner);
        case TSkinControlClass::TSkinScrollbar: return new TSkinScrollbar(owner);
        case TSkinControlClass::TSkinScControl: return new TSkinScControl(owner);
        case TSkinControlClass::TSkinScrollbarH: return new TSkinScrollbarH(owner);
        case TSkinControlClass::TComboxScrollBar: return new TComboxScrollBar(owner);
        case TSkinControlClass::TSkinListView: return new TSkinListView(owner);
        case TSkinControlClass::TSkinCheckList: return new TSkinCheckList(owner);
        case TSkinControlClass::TSkinObjImage: return new TSkinObjImage(owner);
        case TSkinControlClass::TSkinMP: return new TSkinMP(owner);
        case TSkinControlClass::TSkinBox: return new TSkinBox(owner);
        case TSkinControlClass::TSkinBoxH: return new TSkinBoxH(owner);
        case TSkinControlClass::TSkinSizer: return new TSkinSizer(owner);
        case TSkinControlClass::TSkinGroupBox: return new TSkinGroupBox(owner);
        default: return nullptr;
    }
}

void SetButtonFace(TWinSkinForm& sf, TControl* control) {
    if (control && sf.fsd) control->SetColor(sf.fsd->Colors[csButtonFace]);
}

// The drop-down menus of a tool bar's buttons get the skin's item painter.
void InitToolbarMenus(TWinSkinForm& sf, TToolBar& bar) {
    for (int i = 0; i < bar.ButtonCount(); ++i)
        if (TPopupMenu* menu = bar.Buttons(i)->DropdownMenu(); menu && menu->Tag() != sf.fsd->DisableTag()) {
            menu->SetOwnerDraw(true);
            sf.InitToolbarMenu(*menu->Items(), true);
        }
}

}  // namespace

TSkinControl* AddComp(TWinSkinForm& sf, TControl* control, TWinControl*) {
    TSkinData* sd = sf.fsd;
    if (!sd || !control) return nullptr;
    const TSkinSelectOptions options = SelectOptionsOf(*sd, sf.sMainMenu);
    const TSkinChoice choice = AddComp(*control, options, sf.FindSkinComp(control));
    auto* windowed = dynamic_cast<TWinControl*>(control);
    auto* toolBar = dynamic_cast<TToolBar*>(control);
    unsigned toolBarPainters = 0;
    TSkinControl* created = nullptr;
    for (const TSkinAction& a : choice.Actions) {
        switch (a.What) {
            case TSkinActionKind::CreateObject: {
                if (a.Object == TSkinControlClass::TSkinSpeedButton) {
                    // Window-less: hooked through its WindowProc, painted after its own paint.
                    if (!dynamic_cast<TGraphicControl*>(control)) break;
                    auto* speed = new TSkinSpeedButton(control);
                    speed->PicField = a.PicField;
                    speed->isPicture = !a.PicField.empty();
                    if (a.kind) speed->kind = a.kind;
                    speed->InitGraphicControl(&sf, sd, sf.fCanvas.get());
                    created = speed;
                    break;
                }
                if (!windowed || !windowed->HandleAllocated()) break;
                if (a.Attach != TSkinAttach::Init && a.Attach != TSkinAttach::InitScrollbar) break;
                TSkinControl* object = NewObject(a.Object, control);
                if (!object) break;
                if (a.kind) object->kind = a.kind;
                if (auto* bit = dynamic_cast<TSkinBitButton*>(object)) {
                    bit->PicField = a.PicField;
                    bit->isPicture = !a.PicField.empty();
                }
                if (auto* combo = dynamic_cast<TSkinComBox*>(object)) combo->HasButton = a.HasButton;
                // The scroll-bar family attaches its overlays instead of the plain Init.
                if (auto* scrolled = dynamic_cast<TSkinScrollbar*>(object))
                    scrolled->InitScrollbar(windowed, sd, sf.fCanvas.get(), &sf);
                else if (auto* bar = dynamic_cast<TSkinScControl*>(object))
                    bar->InitScrollbar(windowed, sd, sf.fCanvas.get(), &sf);
                else
                    object->Init(&sf, sd, sf.fCanvas.get(), a.acolor);
                if (auto* box = dynamic_cast<TSkinBox*>(object); box && toolBar) {
                    box->SetToolbarPainters(toolBar, toolBarPainters);
                    toolBarPainters = 0;
                }
                created = object;
                break;
            }
            case TSkinActionKind::SetProperty: SetProperty(control, a.PropName, a.PropValue); break;
            case TSkinActionKind::ToolbarPainters:
                if (toolBar) toolBarPainters = sf.AttachToolbarPainters(*toolBar);
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
            default: break;  // the actions of kinds that come later
        }
    }
    // No object took the painters over: nobody would give the events back.
    if (toolBar && toolBarPainters) TWinSkinForm::DetachToolbarPainters(*toolBar, toolBarPainters);
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
                if (auto* combo = dynamic_cast<TSkinComBox*>(object)) combo->HasButton = a.HasButton;
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

void InstallControlSkinning() {
    TControlSkinning t;
    t.AddComp = AddComp;
    t.AddControlh = AddControlh;
    t.Unsubclass = [](TSkinControl* c) { c->Unsubclass(); };
    t.SkinChange = [](TSkinControl* c) { c->SkinChange(); };
    t.MouseLeave = [](TSkinControl* c) { c->MouseLeave(); };
    t.State = [](const TSkinControl* c) { return static_cast<int>(c->skinstate); };
    t.Window = [](const TSkinControl* c) { return c->hwnd; };
    t.Control = [](const TSkinControl* c) -> TControl* {
        return c->control ? static_cast<TControl*>(c->control) : c->GControl;
    };
    t.Free = [](TSkinControl* c) { delete c; };
    SetControlSkinning(&t);
}
