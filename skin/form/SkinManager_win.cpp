#include <algorithm>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "framework/system/ErrorsAndStrings.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"
#include "skin/form/SkinMenu.h"
#include "skin/form/WinSkinForm.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

TSkinManage* SkinManager = nullptr;
DWORD WinVersion = 0;

namespace {

DWORD forcedVersion = 0;

// The module's CBT hook on its user-interface thread: there is one manager
// per module, so the hook procedures work on SkinManager.
HHOOK guiHook = nullptr;
// Set while the manager goes: a late hook call only chains.
bool shuttingDown = false;

std::wstring WindowClass(HWND hwnd) {
    wchar_t name[256];
    const int n = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

bool IsSkinned(HWND hwnd) {
    return SendMessageW(hwnd, CN_SkinQuery, 0, 0) == 1;
}

BOOL CALLBACK CollectForm(HWND hwnd, LPARAM list) {
    if (auto* form = dynamic_cast<TForm*>(FindControl(hwnd)))
        reinterpret_cast<std::vector<TForm*>*>(list)->push_back(form);
    return TRUE;
}

// Program end: every remaining window is unskinned and the hooks go.
struct ManagerFinalizer {
    ~ManagerFinalizer() { FreeSkinManager(); }
} managerFinalizer;

}  // namespace

HINSTANCE SkinModuleInstance() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

void FreeSkinManager() {
    delete SkinManager;
    SkinManager = nullptr;
}

TSkinManage::TSkinManage(int amode) {
    if (amode == 0)
        lists_ = std::make_shared<Lists>();
    else {
        mode = reinterpret_cast<intptr_t>(SkinModuleInstance());
        lists_ = std::make_shared<Lists>();  // replaced by AssignData
    }
    Timer = std::make_unique<TTimer>(nullptr);
    Timer->SetEnabled(false);
    Timer->SetInterval(100);
    Timer->OnTimer = [this](TObject*) { OnTimer(); };
    shuttingDown = false;
}

TSkinManage::~TSkinManage() {
    state = 4;
    active = false;
    Timer.reset();
    if (mode == 0) {
        DeleteAllThreads();
        if (!Flist().empty()) DeleteAllForms();
        Flist().clear();
        for (TWinSkinPopMenu* menu : Mlist()) delete menu;
        Mlist().clear();
        Dlist().clear();
        for (TSkinManage* sub : std::vector<TSkinManage*>(sublist()))
            if (sub != this) sub->mmgr = nullptr;
        sublist().clear();
    } else {
        // A secondary manager unskins its own windows: they live on without it.
        for (TWinSkinForm* sf : std::vector<TWinSkinForm*>(Flist()))
            if (sf->mode == mode) UnskinForm(sf);
        if (mmgr) {
            auto& subs = sublist();
            subs.erase(std::remove(subs.begin(), subs.end(), this), subs.end());
        }
    }
    RemoveHook();
    shuttingDown = true;
    if (SkinManager == this) SkinManager = nullptr;
}

void ForceWinVersion(DWORD packed) {
    forcedVersion = packed;
    WinVersion = packed ? packed : GetVersion();
}

void TSkinManage::InstallHook() {
    WinVersion = forcedVersion ? forcedVersion : GetVersion();
    shuttingDown = false;
    if (hook_) return;
    hook_ = SetWindowsHookExW(WH_CBT, CBTProc, nullptr, GetCurrentThreadId());
    guiHook = hook_;
}

void TSkinManage::RemoveHook() {
    if (!hook_) return;
    UnhookWindowsHookEx(hook_);
    if (guiHook == hook_) guiHook = nullptr;
    hook_ = nullptr;
}

void TSkinManage::InstallThread(DWORD threadId) {
    for (const auto& t : Threadlist())
        if (t->ThreadID == threadId) return;
    auto t = std::make_unique<TSkinThread>();
    t->ThreadID = threadId;
    t->hook = SetWindowsHookExW(WH_CBT, ThreadCBTProc, nullptr, threadId);
    if (t->hook) Threadlist().push_back(std::move(t));
}

void TSkinManage::UnInstallThread(DWORD threadId) {
    auto& list = Threadlist();
    for (auto it = list.begin(); it != list.end(); ++it)
        if ((*it)->ThreadID == threadId) {
            UnhookWindowsHookEx((*it)->hook);
            list.erase(it);
            return;
        }
}

void TSkinManage::DeleteAllThreads() {
    for (const auto& t : Threadlist()) UnhookWindowsHookEx(t->hook);
    Threadlist().clear();
}

void TSkinManage::AddSkinData(TSkinData* data) {
    auto& list = Dlist();
    if (std::find(list.begin(), list.end(), data) == list.end()) list.push_back(data);
    if (!MainData && data->ftype == sfMainform) MainData = data;
}

void TSkinManage::RemoveSkinData(TSkinData* data) {
    // No window may keep painting with a skin data that goes away.
    for (TWinSkinForm* sf : std::vector<TWinSkinForm*>(Flist()))
        if (sf->fsd == data) UnskinForm(sf);
    auto& list = Dlist();
    list.erase(std::remove(list.begin(), list.end(), data), list.end());
    if (UpdateData == data) UpdateData = nullptr;
    if (MainData == data) {
        MainData = nullptr;
        for (TSkinData* d : list)
            if (d->ftype == sfMainform) {
                MainData = d;
                break;
            }
    }
}

void TSkinManage::AssignData(TSkinManage* main) {
    if (main) {
        lists_ = main->lists_;
        state = 1;
        active = main->active;
        mmgr = main;
        sublist().push_back(this);
        return;
    }
    state = 4;
    active = false;
    RemoveHook();
    if (mmgr) {
        auto& subs = sublist();
        subs.erase(std::remove(subs.begin(), subs.end(), this), subs.end());
    }
    mmgr = nullptr;
    lists_ = std::make_shared<Lists>();
}

TSkinData* TSkinManage::FormSkinData(HWND hwnd) {
    if (!active || !IsWindow(hwnd)) return nullptr;
    DeleteDeleted();
    if (IsSkinned(hwnd) || FindSkinForm(hwnd)) return nullptr;
    TWinControl* control = FindTForm(hwnd);
    if (!skinchildform && NestedForm(hwnd)) return nullptr;
    auto* form = dynamic_cast<TForm*>(control);
    const std::wstring className = WindowClass(hwnd);
    const bool ours = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd, GWLP_HINSTANCE)) == SkinModuleInstance();
    if (!form && !ours && className != L"#32770") return nullptr;
    RECT r{};
    GetWindowRect(hwnd, &r);
    const bool mdiChild = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
    if ((r.right - r.left) * (r.bottom - r.top) == 0 && !mdiChild) return nullptr;
    if (form && form->Tag() == 99) return nullptr;
    if (className.find(L"TcxPopupEditPopupWindow") != std::wstring::npos ||
        className.find(L"TTERenderWindow") != std::wstring::npos || className == L"TApplication")
        return nullptr;
    if (!OnBeforeSkin(hwnd, className)) return nullptr;
    TSkinData* data = FindSkindata(hwnd);
    if (!data || data->Empty) return nullptr;
    return data;
}

bool TSkinManage::AddForm(HWND hwnd) {
    TSkinData* data = FormSkinData(hwnd);
    if (!data) return false;
    auto* form = dynamic_cast<TForm*>(FindTForm(hwnd));
    // A framework form owns its object; a bare window's belongs to Flist.
    auto* sf = new TWinSkinForm(form);
    sf->Hwnd = hwnd;
    sf->mode = mode;
    sf->formclass = WindowClass(hwnd);
    Flist().push_back(sf);
    if (form)
        sf->InitTform(data, form);
    else
        sf->InitDlg(data);
    PostMessageW(hwnd, CN_SkinActive, 0, 1000);
    return true;
}

bool TSkinManage::ActiveForm(TForm* form) {
    if (!form || !form->HandleAllocated()) return false;
    HWND hwnd = form->WindowHandle();
    if (!IsWindowVisible(hwnd) || (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) return false;
    return AddForm(hwnd);
}

namespace {

// Frees a form skinning object that is no longer listed.
void FreeSkinForm(TWinSkinForm* sf) {
    TWinSkinForm::Release(sf);
}

}  // namespace

bool TSkinManage::DeleteForm(HWND hwnd) {
    if (state == 4) return false;
    TWinSkinForm* sf = FindSkinForm(hwnd);
    if (!sf || !sf->FForm) return false;
    sf->Skinstate = SkinStage::Destroying;
    sf->UnSubclass();
    auto& list = Flist();
    list.erase(std::remove(list.begin(), list.end(), sf), list.end());
    FreeSkinForm(sf);
    return true;
}

void TSkinManage::DeleteForm2(HWND hwnd) {
    if (state == 4) return;
    auto& list = Flist();
    for (auto it = list.begin(); it != list.end(); ++it)
        if ((*it)->Hwnd == hwnd) {
            list.erase(it);
            return;
        }
}

void TSkinManage::DeleteDeleted() {
    if (state == 4) return;
    auto& list = Flist();
    for (size_t i = list.size(); i-- > 0;) {
        TWinSkinForm* sf = list[i];
        if (sf->Skinstate != SkinStage::Dead || sf->mode != mode) continue;
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        FreeSkinForm(sf);
    }
}

void TSkinManage::DeleteForm3() {
    if (state == 4) return;
    auto& list = Flist();
    for (size_t i = list.size(); i-- > 0;) {
        TWinSkinForm* sf = list[i];
        if (sf->Skinstate != SkinStage::Dead) continue;
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        FreeSkinForm(sf);
    }
}

void TSkinManage::DeleteAllForms() {
    active = false;
    auto& list = Flist();
    std::vector<TWinSkinForm*> mine;
    for (TWinSkinForm* sf : list)
        if (sf->mode == mode) mine.push_back(sf);
    for (TWinSkinForm* sf : mine) {
        list.erase(std::remove(list.begin(), list.end(), sf), list.end());
        sf->UnSubclass3();
        FreeSkinForm(sf);
    }
}

TWinSkinForm* TSkinManage::FindSkinForm(HWND hwnd) const {
    if (!hwnd) return nullptr;
    for (TWinSkinForm* sf : lists_->Flist)
        if (sf->Hwnd == hwnd) return sf;
    return nullptr;
}

TWinSkinPopMenu* TSkinManage::FindSkinMenu(HWND hwnd) const {
    for (TWinSkinPopMenu* menu : lists_->Mlist)
        if (menu->hwnd == hwnd) return menu;
    return nullptr;
}
void TSkinManage::DeleteSysbtn() {
    for (TWinSkinForm* sf : Flist())
        if (sf->fsd == UpdateData) sf->CaptionButtons().DeleteSysbtn();
}

// Unskins one window, repaints it and frees its object (switch-off).
void TSkinManage::UnskinForm(TWinSkinForm* sf) {
    auto& list = Flist();
    list.erase(std::remove(list.begin(), list.end(), sf), list.end());
    const HWND hwnd = sf->Hwnd;
    sf->UnSubclass();
    FreeSkinForm(sf);
    if (IsWindow(hwnd)) TWinSkinForm::RePaint(hwnd);
}

void TSkinManage::SetMDIMax(bool on) {
    if (MDIMax == on) return;
    if (MainData && MainData->Options().Contains(xoMDIChildBorder)) {
        MDIMax = on;
        return;
    }
    SetMDIMax2(on);
}

void TSkinManage::SetMDIMax2(bool on) {
    MDIMax = on;
    for (TWinSkinForm* sf : Flist()) {
        if (sf->FormStyle != sfsMDIChild) continue;
        if (on) {
            sf->Frame().Uncropwindow();
        } else {
            if (sf->Windowstate == swsMin) continue;
            sf->Windowstate = swsNormal;
            sf->Frame().Cropwindow();
            if (!sf->Frame().crop) sf->Refresh();
        }
    }
}

void TSkinManage::SetCaption() {
    for (TWinSkinForm* sf : Flist()) {
        if (sf->FormStyle != sfsMDIChild) continue;
        const LONG_PTR style = GetWindowLongPtrW(sf->Hwnd, GWL_STYLE);
        if ((style & WS_CAPTION) != WS_CAPTION) SetWindowLongPtrW(sf->Hwnd, GWL_STYLE, style | WS_CAPTION);
    }
}

int TSkinManage::GetMDIChildNum() const {
    int n = 0;
    for (TWinSkinForm* sf : lists_->Flist)
        if (sf->FormStyle == sfsMDIChild && sf->Skinstate != SkinStage::Dead) ++n;
    return n;
}

TWinControl* TSkinManage::FindTForm(HWND hwnd) const {
    return FindControl(hwnd);
}

bool TSkinManage::NestedForm(HWND hwnd) {
    if (!(GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_CHILD)) return false;
    if (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD) return false;
    return LowerCaseAscii(WindowClass(GetParent(hwnd))) != L"mdiclient";
}

bool TSkinManage::IsDllForm(HWND hwnd) {
    return FindControl(hwnd) == nullptr;
}

TSkinData* TSkinManage::FindSkindata(HWND hwnd) const {
    const auto& list = Dlist();
    if (list.empty()) return nullptr;
    const std::wstring cls = LowerCaseAscii(WindowClass(hwnd));
    TSkinData *onlyThis = nullptr, *dialog = nullptr, *mainform = nullptr;
    for (TSkinData* d : list) {
        switch (d->ftype) {
            case sfOnlyThisForm:
                if (auto* owner = dynamic_cast<TWinControl*>(d->Owner()); owner && owner->WindowHandle() == hwnd)
                    onlyThis = d;
                break;
            case sfDialog: dialog = d; break;
            case sfMainform: mainform = d; break;
            default: break;
        }
    }
    if (onlyThis) return onlyThis;
    if ((cls == L"tmessageform" || cls == L"#32770") && dialog) return dialog;
    if (mainform) return mainform;
    return list.front();
}

bool TSkinManage::OnBeforeSkin(HWND hwnd, const std::wstring& className) {
    bool result = true;
    if (!MainData) return result;
    const std::wstring lower = LowerCaseAscii(className);
    if (lower.find(L"preview") != std::wstring::npos && !MainData->Options().Contains(xoPreview)) result = false;
    if (className == L"#32770" && (GetWindowLongPtrW(hwnd, GWL_STYLE) & DS_SETFOREGROUND)) result = false;
    if (lower == L"tpopupdbtreeview") result = false;
    MainData->DoFormSkin(hwnd, className, result);
    return result;
}

void TSkinManage::AddMenu(HWND hwnd) {
    if (!active) return;
    if (IsSkinned(hwnd) || FindSkinMenu(hwnd)) return;
    TSkinData* data = FindSkindata(hwnd);
    if (!data || data->Empty) return;
    const TSkinControlTypes kinds = data->SkinControls();
    switch (menutype) {
        case MenuKind::MenuBar:
            if (!kinds.Contains(xcMainMenu) && !kinds.Contains(xcMenuItem)) return;
            break;
        case MenuKind::System:
            if (!kinds.Contains(xcSystemMenu)) return;
            break;
        default:
            if (!kinds.Contains(xcPopupMenu)) return;
            break;
    }
    auto menu = std::make_unique<TWinSkinPopMenu>();
    menu->InitSkin(hwnd, data, nullptr);
    if (menuactive) menu->ownerdraw = true;
    Mlist().push_back(menu.release());
}

void TSkinManage::DeleteMenu(HWND hwnd) {
    TWinSkinPopMenu* menu = FindSkinMenu(hwnd);
    if (!menu) return;
    menu->UnSubClass();
    auto& list = Mlist();
    list.erase(std::remove(list.begin(), list.end(), menu), list.end());
    delete menu;
    if (list.empty()) {
        menuactive = false;
        menutype = MenuKind::Popup;
    }
}

void TSkinManage::SetPopMenu() {
    for (TWinSkinPopMenu* menu : Mlist()) menu->ownerdraw = true;
}

void TSkinManage::SetHMenu(HMENU hmenu) {
    if (!hmenu || FindPopupForMenu(hmenu)) return;
    TWinSkinPopMenu* newest = nullptr;
    for (TWinSkinPopMenu* menu : Mlist()) {
        if (menu->hmenu) continue;
        // The window can say which menu it shows; trust that over the order.
        if (reinterpret_cast<HMENU>(SendMessageW(menu->hwnd, MN_GETHMENU, 0, 0)) == hmenu) {
            menu->hmenu = hmenu;
            return;
        }
        if (menu->paintOrder && (!newest || menu->paintOrder > newest->paintOrder)) newest = menu;
    }
    if (newest) newest->hmenu = hmenu;
}

TWinSkinPopMenu* TSkinManage::FindPopupForMenu(HMENU hmenu) const {
    if (!hmenu) return nullptr;
    for (TWinSkinPopMenu* menu : lists_->Mlist)
        if (menu->hmenu == hmenu) return menu;
    return nullptr;
}

const TBitmap* TSkinManage::GetMenuBg(HMENU hmenu) const {
    const TWinSkinPopMenu* menu = FindPopupForMenu(hmenu);
    return menu ? menu->MenuBg() : nullptr;
}

void TSkinManage::FindPopupMenu(HMENU hmenu) {
    if (dynamic_cast<TPopupMenu*>(FindMenuByHandle(hmenu))) menuactive = true;
}

void TSkinManage::SetAction(ManagerAction code, UINT interval) {
    action = code;
    Timer->SetInterval(interval);
    if (state == 0) {
        if (code == ManagerAction::Skin) active = true;
        if (code == ManagerAction::Unskin) active = false;
        return;
    }
    if (mode == 0)
        for (TSkinManage* sub : sublist()) {
            if (sub == this) continue;
            sub->UpdateData = UpdateData;
            if (code == ManagerAction::Skin) {
                sub->active = true;
                sub->SetAction(ManagerAction::Skin, 300);
            }
            if (code == ManagerAction::Unskin) sub->active = false;
        }
    // Restart the count: the action runs interval ms after the last request.
    Timer->SetEnabled(false);
    Timer->SetEnabled(true);
}

void TSkinManage::OnTimer() {
    Timer->SetEnabled(false);
    TSkinData* data = UpdateData;
    if (!data) return;
    if (action == ManagerAction::ReskinForm && data->ftype != sfOnlyThisForm) {
        if (TWinSkinForm* sf = FindSkinForm(lpara)) {
            sf->UnSubclass();
            sf->Skinstate = SkinStage::Dead;
        }
        DeleteDeleted();
        AddForm(lpara);
        return;
    }
    if (action != ManagerAction::Skin && action != ManagerAction::Unskin && action != ManagerAction::ApplyChange &&
        action != ManagerAction::FreeDead)
        return;
    RunAction(data);
    data->DoSkinChanged();
    UpdateData = nullptr;
}

void TSkinManage::RunAction(TSkinData* data) {
    // The kept menu pictures are of the old skin: free them now rather than
    // when they age out.
    if (action == ManagerAction::ApplyChange) ForgetMenuPictures();
    if (data->ftype == sfOnlyThisForm) {
        switch (action) {
            case ManagerAction::Skin: {
                active = true;
                const bool saved = skinchildform;
                skinchildform = true;
                ActiveForm(dynamic_cast<TForm*>(data->Owner()));
                skinchildform = saved;
                break;
            }
            case ManagerAction::Unskin:
                active = false;
                DeleteDeleted();
                for (TWinSkinForm* sf : std::vector<TWinSkinForm*>(Flist()))
                    if (sf->fsd == data) {
                        UnskinForm(sf);
                        break;
                    }
                break;
            case ManagerAction::ApplyChange:
                DeleteDeleted();
                for (TWinSkinForm* sf : Flist())
                    if (sf->fsd == data) {
                        sf->CaptionButtons().DeleteSysbtn();
                        sf->InitSkinData();
                        sf->SkinChange();
                        break;
                    }
                break;
            case ManagerAction::FreeDead: DeleteForm3(); break;
            default: break;
        }
        return;
    }
    switch (action) {
        case ManagerAction::Skin: {
            active = true;
            skinchildform = true;
            DeleteDeleted();
            // Every form of this thread, the last made first.
            std::vector<TForm*> forms;
            EnumThreadWindows(GetCurrentThreadId(), CollectForm, reinterpret_cast<LPARAM>(&forms));
            for (auto it = forms.rbegin(); it != forms.rend(); ++it) ActiveForm(*it);
            skinchildform = false;
            if (mode == 0)
                for (TSkinManage* sub : sublist())
                    if (sub != this) sub->SetAction(ManagerAction::Skin, 300);
            break;
        }
        case ManagerAction::Unskin:
            active = false;
            DeleteDeleted();
            for (TWinSkinForm* sf : std::vector<TWinSkinForm*>(Flist()))
                if (sf->mode == mode) UnskinForm(sf);
            if (mode == 0)
                for (TSkinManage* sub : sublist())
                    if (sub != this) sub->active = false;
            break;
        case ManagerAction::ApplyChange: {
            DeleteDeleted();
            std::vector<TWinSkinForm*> changed;
            for (TWinSkinForm* sf : Flist())
                if (sf->fsd == data) {
                    sf->CaptionButtons().DeleteSysbtn();
                    sf->InitSkinData();
                    changed.push_back(sf);
                }
            for (TWinSkinForm* sf : changed) sf->SkinChange();
            break;
        }
        case ManagerAction::FreeDead: DeleteForm3(); break;
        default: break;
    }
}

void TSkinManage::HookCall(int code, WPARAM wParam, LPARAM lParam, bool guiThread) {
    const auto hwnd = reinterpret_cast<HWND>(wParam);
    switch (code) {
        case HCBT_ACTIVATE:
            if (state == 0) state = 1;
            AddForm(hwnd);
            break;
        case HCBT_DESTROYWND:
            DeleteMenu(hwnd);
            if (!guiThread) DeleteForm(hwnd);
            break;
        case HCBT_CREATEWND: {
            const CREATESTRUCTW* cs = reinterpret_cast<const CBT_CREATEWNDW*>(lParam)->lpcs;
            const std::wstring cls = WindowClass(hwnd);
            // A size grip of a skinned window goes to that window's control skinning.
            if (SameTextAscii(cls, L"ScrollBar") && (cs->style & SBS_SIZEGRIP))
                if (TWinSkinForm* sf = FindSkinForm(cs->hwndParent); sf && ControlSkinning().AddControlh)
                    ControlSkinning().AddControlh(*sf, hwnd);
            if (!(cs->style & WS_CHILD) && cls == L"#32768" && (mode == 0 || !guiThread)) AddMenu(hwnd);
            if (guiThread && (cs->dwExStyle & WS_EX_MDICHILD)) AddForm(hwnd);
            break;
        }
        default: break;
    }
}

LRESULT CALLBACK TSkinManage::CBTProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code >= 0 && !shuttingDown && SkinManager) {
        try {
            SkinManager->HookCall(code, wParam, lParam, true);
        } catch (...) {
            Application->HandleException(nullptr);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK TSkinManage::ThreadCBTProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code >= 0 && !shuttingDown && SkinManager) {
        try {
            // A scroll bar whose parent is skinned is refused on other threads
            // (answer 10); no window is skinned before the form skinning arrives.
            if (code == HCBT_CREATEWND) {
                const CREATESTRUCTW* cs = reinterpret_cast<const CBT_CREATEWNDW*>(lParam)->lpcs;
                if (SameTextAscii(WindowClass(reinterpret_cast<HWND>(wParam)), L"ScrollBar") &&
                    SkinManager->FindSkinForm(cs->hwndParent))
                    return 10;
            }
            SkinManager->HookCall(code, wParam, lParam, false);
        } catch (...) {
            Application->HandleException(nullptr);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
