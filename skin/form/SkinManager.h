// The skin manager: the one process-wide TSkinManage (SkinManager) that
// keeps the registered skin data components, finds the windows to skin
// through a CBT hook on the user-interface thread, and runs the deferred
// switch-on, switch-off and re-skin actions from its timer. Windows only.
//
// Windows get a TWinSkinForm (WinSkinForm.h): a framework form owns its
// object, the manager's list owns a bare window's; Flist lists both. Popup
// menu windows get their skinning object (TWinSkinPopMenu, SkinMenu.h) from
// AddMenu, owned by the manager until the window goes.
//
// Everything runs on the user-interface thread; nothing is locked. The
// hooks always chain to the next hook and return its answer, and once the
// manager is shutting down they do nothing else.
#pragma once

#ifndef _WIN32
#error "SkinManager.h is Windows only"
#endif

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/Controls.h"
#include "framework/controls/TimerAndPanel.h"

class TSkinData;
class TForm;
class TWinSkinForm;     // the form skinning object (WinSkinForm.h)
class TWinSkinPopMenu;  // the popup menu skinning object (SkinMenu.h)

// Asked of a window: a skinned window answers 1 (shared with the form skinning object).
constexpr UINT CN_SkinQuery = 0x3523;

// The packed OS version (GetVersion) taken by InstallHook; values at or
// above 0x80000000 denote the old Windows 9x family.
extern DWORD WinVersion;
// Makes the code see this packed version instead of the system's, now and
// at every InstallHook (0 gives the system's back). The system may report a
// version other than the one a program ships for (compatibility shims, Wine),
// so the rules that read the version are tested through this.
void ForceWinVersion(DWORD packed);

// The deferred actions SetAction schedules; the numbers are the ones the
// skin data component and the secondary managers exchange.
enum class ManagerAction : int32_t {
    None = 0,
    Skin = 1,
    Unskin = 2,
    ApplyChange = 3,  // a changed skin on every window skinned with UpdateData
    FreeDead = 6,     // frees the objects whose windows are gone
    ReskinForm = 7,   // unskins and skins again the window lpara
};

// The kind of the menu about to pop up; AddMenu skins it by the kind's option.
enum class MenuKind : int32_t {
    Popup = 0,    // any other popup
    MenuBar = 1,  // a drop-down of the menu bar or a form's popup menu
    System = 2,
};

// A CBT hook for another thread of the process.
class TSkinThread {
public:
    HHOOK hook = nullptr;
    DWORD ThreadID = 0;
};

class TSkinManage {
public:
    // amode 0: the main manager with its own lists; else a secondary manager
    // (mode = this module's instance) that gets its lists from AssignData.
    explicit TSkinManage(int amode);
    ~TSkinManage();
    TSkinManage(const TSkinManage&) = delete;
    TSkinManage& operator=(const TSkinManage&) = delete;

    // The CBT hook of this thread (once; a second call keeps the first hook).
    void InstallHook();
    void InstallThread(DWORD threadId);
    void UnInstallThread(DWORD threadId);
    void DeleteAllThreads();

    // The first registered skin data of type sfMainform becomes MainData.
    void AddSkinData(TSkinData* data);
    void RemoveSkinData(TSkinData* data);
    // Share main's lists (null: detach, state 4, inactive, unhooked).
    void AssignData(TSkinManage* main);

    // Skins a window; true when a form skinning object was created.
    bool AddForm(HWND hwnd);
    // Tests 1 to 9 of AddForm: the skin data the window would be skinned
    // with, or null when a test refuses it.
    TSkinData* FormSkinData(HWND hwnd);
    bool ActiveForm(TForm* form);
    bool DeleteForm(HWND hwnd);
    void DeleteForm2(HWND hwnd);
    void DeleteDeleted();
    void DeleteForm3();
    void DeleteAllForms();
    TWinSkinForm* FindSkinForm(HWND hwnd) const;
    // The framework form with this window, else the framework control of it.
    TWinControl* FindTForm(HWND hwnd) const;
    static bool NestedForm(HWND hwnd);
    // True for a window that is no framework control of this module.
    static bool IsDllForm(HWND hwnd);
    TSkinData* FindSkindata(HWND hwnd) const;
    bool OnBeforeSkin(HWND hwnd, const std::wstring& className);

    // Popup menu windows: AddMenu skins one (the kind by menutype), DeleteMenu
    // unskins and frees it; an empty list clears menuactive and menutype.
    void AddMenu(HWND hwnd);
    void DeleteMenu(HWND hwnd);
    TWinSkinPopMenu* FindSkinMenu(HWND hwnd) const;
    // Marks every popup object owner-drawn.
    void SetPopMenu();
    // Gives hmenu to the popup window showing it, else to the newest popup
    // that has no menu handle yet.
    void SetHMenu(HMENU hmenu);
    // The popup object showing hmenu, or null.
    TWinSkinPopMenu* FindPopupForMenu(HMENU hmenu) const;
    // The composed background of the popup showing hmenu, or null.
    const TBitmap* GetMenuBg(HMENU hmenu) const;
    // menuactive := true when hmenu belongs to a framework popup menu.
    void FindPopupMenu(HMENU hmenu);

    // Schedules the action interval ms from now; while state is 0, Skin and
    // Unskin only switch `active`.
    void SetAction(ManagerAction code, UINT interval);
    // Drops the caption buttons of every window skinned with UpdateData.
    void DeleteSysbtn();
    // MDI children follow the maximised state: regions off while one is maximised.
    void SetMDIMax(bool on);
    void SetMDIMax2(bool on);  // without the child-border option test
    void SetCaption();
    int GetMDIChildNum() const;

    // The lists (a secondary manager shares its main manager's).
    struct Lists {
        std::vector<TWinSkinForm*> Flist;
        std::vector<TWinSkinPopMenu*> Mlist;
        std::vector<TSkinData*> Dlist;
        std::vector<std::unique_ptr<TSkinThread>> Threadlist;
        std::vector<TSkinManage*> sublist;
    };
    std::vector<TWinSkinForm*>& Flist() { return lists_->Flist; }
    std::vector<TWinSkinPopMenu*>& Mlist() { return lists_->Mlist; }
    std::vector<TSkinData*>& Dlist() { return lists_->Dlist; }
    const std::vector<TSkinData*>& Dlist() const { return lists_->Dlist; }
    std::vector<std::unique_ptr<TSkinThread>>& Threadlist() { return lists_->Threadlist; }
    std::vector<TSkinManage*>& sublist() { return lists_->sublist; }

    std::unique_ptr<TTimer> Timer;
    bool active = false;
    bool skinchildform = false;
    int32_t state = 0;  // 0 created, 1 running, 4 shutting down
    MenuKind menutype = MenuKind::Popup;
    bool menuactive = false;
    bool MDIMax = false;
    HWND clienthwnd = nullptr;
    TForm* MDIForm = nullptr;
    ManagerAction action = ManagerAction::None;
    TSkinData* UpdateData = nullptr;
    bool SBinstall = false;
    TSkinData* MainData = nullptr;
    intptr_t mode = 0;
    HWND handle = nullptr;
    HWND lpara = nullptr;
    TSkinManage* mmgr = nullptr;

    // The CBT hook handle of this manager (null when none).
    HHOOK Hook() const { return hook_; }

private:
    void OnTimer();
    void UnskinForm(TWinSkinForm* sf);
    void RunAction(TSkinData* data);
    void RemoveHook();
    static LRESULT CALLBACK CBTProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK ThreadCBTProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
    void HookCall(int code, WPARAM wParam, LPARAM lParam, bool guiThread);

    std::shared_ptr<Lists> lists_;
    HHOOK hook_ = nullptr;
};

// The one manager; null until the first skin data is loaded.
extern TSkinManage* SkinManager;
// This module's instance handle.
HINSTANCE SkinModuleInstance();
// Frees SkinManager (program end; tests). Safe when there is none.
void FreeSkinManager();
