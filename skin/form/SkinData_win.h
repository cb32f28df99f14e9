// TSkinData: the framework component around TSkinDataCore, on Windows. The
// property setters talk to the skin manager; it also holds Loaded, the
// caption font, the application icon, the hint window and the optional
// user32 functions.
//
// Ownership: as TSkinDataCore; the hint window, menu glyphs, brush and
// caption font belong to the component.
#pragma once

// windows.h first: commctrl.h relies on its types.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <type_traits>

#include "framework/controls/Controls.h"
#include "framework/graphics/GdiHandles.h"
#include "skin/data/SkinData.h"

struct ImageListDestroyer {
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};
using UniqueImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDestroyer>;

class TSkinData;
class TSkinStore;
class TSkinHintWindow;
class TForm;
class TSkinManage;

using TOnFormSkin = std::function<void(TObject* Sender, const std::wstring& aName, bool& DoSkin)>;
using TOnSkinForm = std::function<void(TObject* Sender, HWND ahwnd, const std::wstring& aName)>;
using TOnSkinControl = std::function<void(TComponent* Sender, TSkinData* SkinData, TControl* Form, TControl* Control,
                                          const std::wstring& ControlClass, TComponent*& SkinnedControl)>;

// Sets an enumeration property of obj by the member's name; false when obj
// has no such property. The streaming layer provides it (SetSkinPropertySetter).
using TSkinEnumPropertySetter =
    std::function<bool(TObject* obj, const std::wstring& propName, const std::wstring& valueName)>;
void SetSkinPropertySetter(TSkinEnumPropertySetter setter);

class TSkinData : public TComponent, public TSkinDataCore {
public:
    explicit TSkinData(TComponent* AOwner);
    ~TSkinData() override;
    std::wstring ClassName() const override { return L"TSkinData"; }

    // Published properties (construction values in TSkinDataCore).
    bool Active() const { return factive; }
    void SetActive(bool value);
    int32_t DisableTag() const { return fdisableTag; }
    void SetDisableTag(int32_t value) { fdisableTag = value; }
    TSkinControlTypes SkinControls() const { return FSkinControls; }
    void SetSkinControls(TSkinControlTypes value) { FSkinControls = value; }
    TSkinOptions Options() const { return fSkinOptions; }
    void SetOptions(TSkinOptions value) { fSkinOptions = value; }
    const TStringList& Skin3rd() const { return f3rdControls; }
    void SetSkin3rd(const TStringList& value) { f3rdControls = value; }
    const std::wstring& SkinFile() const { return fskinfile; }
    void SetSkinFile(const std::wstring& value) { LoadFromFile(value); }
    // "(Good)" when a package is stored, else "(none)"; writing does nothing.
    std::wstring SkinStore() const;
    void SetSkinStore(const std::wstring&) {}
    TSkinFormType SkinFormtype() const { return ftype; }
    void SetSkinFormtype(TSkinFormType value) { ftype = value; }
    const std::wstring& Version() const { return fversion; }
    void SetVersion(const std::wstring&) {}
    bool MenuUpdate() const { return fmenuauto; }
    void SetMenuUpdate(bool value) { fmenuauto = value; }
    bool MenuMerge() const { return fmenumerge; }
    void SetMenuMerge(bool value) { fmenumerge = value; }

    TOnFormSkin OnFormSkin;
    TNotifyEvent OnSkinChanged;
    TOnSkinControl OnSkinControl;
    TOnSkinForm OnBeforeSkinForm, OnAfterSkinForm;

    // Registration with the manager once the form has been read.
    void Loaded() override;
    // A form's window does not exist yet when the form has been read: the
    // application icon is taken again once the owning form has its window.
    void OwnerWindowCreated() override;

    // Loading a package and having the manager apply it.
    void LoadFromFile(const std::wstring& path);
    void LoadFromStream(TStream& stream);
    void LoadFromCollection(TSkinStore* store, int index);
    void UpdateSkin();

    void Install();
    void Uninstall();
    void EnableSkin(bool value);
    void ChangeForm(TForm* form);
    void SkinForm(HWND hwnd);
    void InstallThread(DWORD threadId);
    void UnInstallThread(DWORD threadId);

    // Questions of the skinning objects.
    void DoFormSkin(HWND hwnd, const std::wstring& className, bool& DoSkin);
    void DoSkinChanged();
    void ActivateHint(const RECT& screenRect, const std::wstring& text);
    void HideHint();
    bool IsHint() const { return hashint; }
    bool GetScrollBarInfo(HWND hwnd, LONG idObject, SCROLLBARINFO* info) const;
    void UpdateSkinControl(TForm* form, TControl* control);
    void AddNestForm(TWinControl* parent, TWinControl* nested);
    void DeleteGraphicControl(TForm* form, TControl* control);
    void UpdateMenu(TForm* form);
    void UpdateMainMenu(bool value);
    void ChangeProperty(TObject* obj, const std::wstring& propName, const std::wstring& value);

    void CreateCaptionFont();
    void GetAppIcon();

    std::unique_ptr<TSkinHintWindow> fhintwindow;
    bool hashint = false;
    UniqueBrush BGBrush;       // solid, of the ButtonFace colour; remade by each load
    UniqueImageList bmpmenu;   // 16 x 16 menu glyphs, white as mask
    int cxMax = 0, cyMax = 0;  // SM_CXMAXIMIZED, SM_CYMAXIMIZED at construction
    std::unique_ptr<TFont> CaptionFont;
    HWND formhwnd = nullptr;  // last window passed to DoFormSkin
    int hintcount = 0;

protected:
    void SkinBuilt() override;

private:
    bool Reading() const { return (ComponentState() & csLoading) != 0; }
};

// The optional user32 functions, resolved by name once; each may be null.
struct TOptionalUser32 {
    BOOL(WINAPI* GetScrollBarInfo)(HWND, LONG, PSCROLLBARINFO) = nullptr;
    BOOL(WINAPI* TrackMouseEvent)(LPTRACKMOUSEEVENT) = nullptr;
    BOOL(WINAPI* GetComboBoxInfo)(HWND, PCOMBOBOXINFO) = nullptr;
    void(WINAPI* DisableProcessWindowsGhosting)() = nullptr;
};
const TOptionalUser32& OptionalUser32();

// Creates the manager (mode 1) when there is none, makes it share main's
// lists, hooks this thread and counts the start; returns the manager.
TSkinManage* SkinDll(TSkinManage* main);
// The framework control of the window, or null.
TWinControl* FindControlx(HWND hwnd);
// One WM_MOUSELEAVE for the window, when the platform can.
void DoTrackMouse(HWND hwnd);
// DrawTextW (the UTF-16 text as it is).
int Tnt_DrawTextW(HDC dc, const std::wstring& text, RECT& rect, UINT format);
