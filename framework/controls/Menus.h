// Menus of the framework: menu items and popup menus. Windows only.
//
// A TMenuItem is a node of a menu tree: its children are its sub-menu. An
// item frees its children when it goes, and leaves its parent first; an item
// owned as a component (by a form) is freed by its owner like any component.
// The menu handles follow the tree: an item with children owns the popup
// menu handle that shows them (Handle), remade lazily after a change, and
// the root item of a TMenu holds the menu's own handle.
//
// Every item has a command id of its own (1 to 0xFFFF, unique in the
// process while the item lives) and the item object as the menu item's data,
// so that WM_COMMAND, WM_MEASUREITEM and WM_DRAWITEM find it. Popup menus are
// tracked with a hidden top-level window of the framework as the owner; that
// window hands WM_COMMAND to the item's OnClick and the owner-draw messages
// to its OnMeasureItem / OnDrawItem. TMenu is the common base, so that a menu
// bar can be added beside TPopupMenu.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/Component.h"
#include "framework/graphics/Canvas.h"

// A key with modifiers: the virtual-key code in the low byte and these bits.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(WORD key, TShortCut modifiers);
// "Ctrl+S", "Alt+F4", "Shift+Del"; "" for none.
std::wstring ShortCutToText(TShortCut shortCut);

// The caption's accelerator character ("&x"; "&&" is a plain "&"), upper-cased; 0 for none.
wchar_t GetHotkey(const std::wstring& caption);
// The caption without its "&" markers ("&&" stays one "&").
std::wstring StripHotkey(const std::wstring& caption);

// The screen's menu font (non-client metrics), asked once and kept until
// ForgetMenuFont (on a settings change). UI thread only.
void GetMenuFont(TFont& font);
void ForgetMenuFont();
// A canvas for measuring menu items, screen-compatible, with the menu font
// (reset on each call); the same one for the life of the program. UI thread only.
TCanvas& MenuMeasureCanvas();

class TMenu;
class TMenuItem;
class TForm;

using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas& ACanvas, const RECT& ARect, bool Selected)>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas& ACanvas, int& Width, int& Height)>;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    std::wstring ClassName() const override { return L"TMenuItem"; }

    // "-" makes a separator.
    const std::wstring& Caption() const { return caption_; }
    void SetCaption(const std::wstring& value);
    bool IsLine() const { return caption_ == L"-"; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    // The default item is drawn in bold.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    // A radio item shows a bullet when checked; checking it unchecks the
    // other radio items of its sub-menu with the same GroupIndex.
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool value);
    // Radio groups within a sub-menu; on a menu bar, the merge key (TMainMenu::Merge).
    uint8_t GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(uint8_t value);
    // A click checks the item first (a radio item) or toggles it (any other).
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }

    UINT Command() const { return command_; }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(static_cast<size_t>(index)); }
    int IndexOf(const TMenuItem* item) const;
    // Takes the item into this sub-menu (out of its previous parent); this item then frees it.
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Gives the item back to the caller, who frees it.
    void Remove(TMenuItem* item);
    void Clear();
    TMenuItem* Parent() const { return parent_; }
    // The menu whose tree this item is in, or null.
    TMenu* GetParentMenu() const;

    // The sub-menu's popup menu handle (made when needed); null without children.
    HMENU Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // The handle as it is now, neither made nor brought up to date (for painters).
    HMENU MenuHandle() const { return handle_; }

    // Runs OnClick; nothing when disabled.
    virtual void Click();

    // The default measuring and painting of an owner-drawn item, then the events.
    void MeasureItem(TCanvas& canvas, int& width, int& height);
    void DrawItem(TCanvas& canvas, const RECT& rect, bool selected);

    TNotifyEvent OnClick;
    TMenuDrawItemEvent OnDrawItem;
    TMenuMeasureItemEvent OnMeasureItem;

private:
    friend class TMenu;
    friend class TMainMenu;
    friend TMenu* FindMenuByHandle(HMENU handle);
    void Changed();
    void RebuildHandle();
    void UncheckRadioSiblings();
    void ClearHandleItems();
    void DestroyOwnHandle();
    void DefaultDraw(TCanvas& canvas, const RECT& rect, bool selected);

    std::wstring caption_;
    bool enabled_ = true;
    bool checked_ = false;
    bool visible_ = true;
    bool default_ = false;
    bool radioItem_ = false;
    bool autoCheck_ = false;
    uint8_t groupIndex_ = 0;
    int imageIndex_ = -1;
    TShortCut shortCut_ = 0;
    UINT command_ = 0;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;  // set on a menu's root item
    HMENU handle_ = nullptr;
    bool dirty_ = true;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    std::wstring ClassName() const override { return L"TMenu"; }

    TMenuItem* Items() const { return items_.get(); }
    // The menu's handle, with its items as they are now.
    HMENU Handle() { return items_->Handle(); }
    // The handle if it was made, as it is (neither made nor updated).
    HMENU MenuHandleIfMade() const { return items_->MenuHandle(); }
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);
    // Glyphs for the items' ImageIndex; not owned.
    HIMAGELIST Images() const { return images_; }
    void SetImages(HIMAGELIST value) { images_ = value; }

    // The item with this command id, or this sub-menu handle, in this menu.
    TMenuItem* FindItem(UINT command) const;
    TMenuItem* FindItemByHandle(HMENU handle) const;

protected:
    // An empty menu handle of the kind this menu shows (a popup menu here).
    virtual HMENU CreateMenuHandle() { return CreatePopupMenu(); }
    // The items the root handle shows, in order (a menu bar adds merged ones).
    virtual std::vector<TMenuItem*> RootItems() const;
    // Something in the tree changed; the handles are remade on next use.
    virtual void MenuChanged() {}

private:
    friend class TMenuItem;
    std::unique_ptr<TMenuItem> items_;
    bool ownerDraw_ = false;
    HIMAGELIST images_ = nullptr;
};

// Sent (posted, once per burst of changes) to the window of a menu bar whose items changed.
constexpr UINT CM_MENUCHANGED = 0xB000 + 41;

// A window's menu bar (a menu handle of the bar kind). A form shows it when
// it is the form's Menu; the form then gets CM_MENUCHANGED after each burst
// of item changes and sets the bar again. Merging (MDI): the items of a
// merged menu join the bar by GroupIndex: they replace this menu's items of
// the same GroupIndex, or go in before the first item of a higher one. The
// merged menu must stay alive until Unmerge (or this menu's end).
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    std::wstring ClassName() const override { return L"TMainMenu"; }

    // The window showing this bar, told of changes; set by the form.
    HWND WindowHandle() const { return window_; }
    void SetWindowHandle(HWND value) { window_ = value; }

    void Merge(TMainMenu* menu);
    void Unmerge(TMainMenu* menu);
    TMainMenu* Merged() const { return merged_; }
    // Merge the active MDI child's menu automatically (the MDI frame reads it).
    bool AutoMerge() const { return autoMerge_; }
    void SetAutoMerge(bool value) { autoMerge_ = value; }

    // The bar's top-level items as shown, merged items included.
    std::vector<TMenuItem*> BarItems() const { return RootItems(); }
    // The window took the CM_MENUCHANGED: the next change posts another.
    void ChangeNoticed() { changePosted_ = false; }

protected:
    HMENU CreateMenuHandle() override { return CreateMenu(); }
    std::vector<TMenuItem*> RootItems() const override;
    void MenuChanged() override;

private:
    friend class TForm;
    HWND window_ = nullptr;
    TForm* form_ = nullptr;  // the form whose Menu this is
    bool changePosted_ = false;
    TMainMenu* merged_ = nullptr;
    TMainMenu* mergedInto_ = nullptr;
    bool autoMerge_ = false;
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    std::wstring ClassName() const override { return L"TPopupMenu"; }
    // A form whose PopupMenu this is shows it on a right click (WM_CONTEXTMENU).
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }

    // Shows the menu at the screen point and tracks it; returns when it closes.
    // The chosen item's OnClick runs from the message loop afterwards.
    void Popup(int X, int Y);

    TNotifyEvent OnPopup;

private:
    friend class TForm;
    bool autoPopup_ = true;
    TForm* form_ = nullptr;  // the form whose PopupMenu this is
};

// The menu messages a window that shows framework menus answers for them:
// WM_COMMAND of a menu item (runs its Click), WM_MEASUREITEM / WM_DRAWITEM
// of owner-drawn items and WM_MENUCHAR. False when the message is not one
// of a framework item.
bool DispatchMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

// The menu item with this command id or data, if one lives; the window that
// owns a tracked menu uses them, and so may a window that draws menu items.
TMenuItem* FindMenuItem(UINT command);
TMenuItem* MenuItemFromData(ULONG_PTR itemData);
// The framework menu that holds this menu handle (at any depth), or null.
TMenu* FindMenuByHandle(HMENU handle);
// The hidden window that owns tracked popup menus.
HWND PopupOwnerWindow();
