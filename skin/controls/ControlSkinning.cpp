#include "skin/controls/ControlSkinning.h"

#include "framework/controls/ComCtrls.h"
#include "framework/controls/StdCtrls.h"
#include "framework/system/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinProgress.h"

namespace {

bool Has(const TSkinData* sd, TSkinControlType member) {
    return sd->SkinControls().Contains(member);
}

template <class T>
TSkinControl* Attach(TWinSkinForm& sf, TWinControl* control) {
    auto* object = new T(control);
    object->Init(&sf, sf.fsd, sf.fCanvas.get(), false);
    return object;
}

template <class T>
TSkinControl* AttachWindow(TWinSkinForm& sf, HWND window) {
    auto* object = new T(&sf);
    object->Inithwnd(window, sf.fsd, sf.fCanvas.get(), &sf);
    return object;
}

}  // namespace

TSkinControl* AddComp(TWinSkinForm& sf, TControl* control, TWinControl*) {
    TSkinData* sd = sf.fsd;
    if (!sd || !control) return nullptr;
    auto* w = dynamic_cast<TWinControl*>(control);
    if (control->Tag() == sd->DisableTag()) {
        if (w) sf.DisableControl(w);
        return nullptr;
    }
    if (!control->Parent() || !w || sf.FindSkinComp(control)) return nullptr;
    try {
        w->HandleNeeded();
    } catch (...) {
        return nullptr;  // a control without a window is not skinned
    }
    if (!w->HandleAllocated()) return nullptr;
    if (dynamic_cast<TProgressBar*>(w)) return Has(sd, xcProgress) ? Attach<TSkinProgress>(sf, w) : nullptr;
    if (dynamic_cast<TButton*>(w)) return Has(sd, xcButton) ? Attach<TSkinButton>(sf, w) : nullptr;
    return nullptr;
}

TSkinControl* AddControlh(TWinSkinForm& sf, HWND child) {
    TSkinData* sd = sf.fsd;
    if (!sd || !child || !IsWindow(child)) return nullptr;
    if (sf.Lookupcontrol(child) || SendMessageW(child, CN_SkinQuery, 0, 0) == 1) return nullptr;
    const std::wstring cls = LowerCaseAscii(GetWindowClassname(child));
    if (cls == L"button" || cls == L"tbutton") {
        switch (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON: return Has(sd, xcButton) ? AttachWindow<TSkinButton>(sf, child) : nullptr;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE: return Has(sd, xcCheckBox) ? AttachWindow<TSkinCheckBox>(sf, child) : nullptr;
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON:
                return Has(sd, xcRadioButton) ? AttachWindow<TSkinRadioButton>(sf, child) : nullptr;
            default: return nullptr;
        }
    }
    if (cls == L"msctls_progress32" || cls == L"tprogressbar")
        return Has(sd, xcProgress) ? AttachWindow<TSkinProgress>(sf, child) : nullptr;
    return nullptr;
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
