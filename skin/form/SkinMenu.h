// Menu skinning below the menu bar: the painter of owner-drawn menu items
// (the skin's MenuItem strip: frame 1 normal, frame 4 selected, frame 2 for
// separators), the skinning object of popup menu windows (class "#32768":
// border and background from the skin's MenuitemBG), and the builder of a
// window's skinned system menu. Windows only.
//
// The painter functions take the skin data they draw with; the form
// skinning object calls them for its menus and hands them to framework menu
// items as their draw and measure events. The skin data must outlive every
// menu whose events were given these functions.
//
// Popup objects are made and freed by the skin manager (AddMenu and
// DeleteMenu, from its CBT hook); each subclasses its window with
// SetWindowSubclass and removes the subclass when the window goes.
#pragma once

#ifndef _WIN32
#error "SkinMenu.h is Windows only"
#endif

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/controls/Menus.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/GdiHandles.h"

class TSkinData;

// One owner-drawn item: the MenuItem strip over the popup's background
// (DefaultMenuItem when the skin has no MenuItem image), composed off screen
// and drawn at rect in one transfer.
void DrawMenuItem(TSkinData& sd, TMenuItem& item, TCanvas& canvas, bool selected, const RECT& rect);
// The item in scheme colours only: Hilight or Menu, then its glyph and text.
void DefaultMenuItem(TSkinData& sd, TMenuItem& item, TCanvas& canvas, bool selected, const RECT& rect);
// Widens the measured item for the skin's left margin and the glyph column.
// sd may be null (a skin data that has gone): only the fixed widths are added.
void MeasureItemPop(const TSkinData* sd, TMenuItem& item, TCanvas& canvas, int& width, int& height);
// Glyph (image, or check mark), caption and shortcut text of an item in rect.
void DrawItemText(TSkinData& sd, TMenuItem& item, TCanvas& canvas, bool selected, const RECT& rect);
// The item's text in the menu's colours; with DT_CALCRECT it only measures
// (into rect). A separator, when not measuring, is an etched line.
int DoDrawText(TSkinData& sd, TMenuItem& item, TCanvas& canvas, const std::wstring& text, RECT& rect, bool selected,
               UINT flags);
// A separator: the bottom rows of frame 2 of the MenuItem strip, three slices, magenta transparent.
void DrawMenuCaption(TSkinData& sd, TCanvas& canvas, const RECT& rect);

// Gives every item of the tree (not the root itself) the skinned painter:
// OnDrawItem := DrawMenuItem, OnMeasureItem := MeasureItemPop when it has
// none. With enable false both events are cleared.
void SetSkinMenuPainter(TMenuItem& root, TSkinData* sd, bool enable);

// The skinned form of a window's system menu: an owner-drawn popup with the
// skin's menu glyphs, one item per item of hsysmenu (command id in Tag; image
// and enabled state from the window's state and caption icons), each posting
// WM_SYSCOMMAND Tag to window when chosen. Null without hsysmenu. The caller
// owns the menu: with a component owner, free it before the owner goes.
// Whoever pops it up sets the manager's menutype to MenuKind::System first, so that its
// window is skinned as a system menu.
std::unique_ptr<TPopupMenu> CreateSkinSysMenu(TComponent* owner, TSkinData& sd, HWND window, HMENU hsysmenu,
                                              bool maximised, bool minimised, bool minBox, bool maxBox);

// Drops the menu pictures kept from earlier openings (a new skin is coming;
// they would never be shown again, as they are kept by skin build).
void ForgetMenuPictures();

class TWinSkinPopMenu {
public:
    TWinSkinPopMenu() = default;
    ~TWinSkinPopMenu();
    TWinSkinPopMenu(const TWinSkinPopMenu&) = delete;
    TWinSkinPopMenu& operator=(const TWinSkinPopMenu&) = delete;

    // Subclasses the popup window (on this thread); ownerdraw := false.
    void InitSkin(HWND window, TSkinData* data, HMENU menu);
    // Gives the window its procedure back and drops the background. Safe twice.
    void UnSubClass();

    bool done = false;
    HWND hwnd = nullptr;
    TSkinData* fsd = nullptr;
    int32_t SelIndex = -1;
    // The composed background of the whole popup window; null until painted.
    const TBitmap* MenuBg() const { return menuBg_ && !menuBg_->Empty() ? menuBg_.get() : nullptr; }
    // Where the client area starts in the background (the popup's border).
    TPoint clientOffset{3, 3};
    HMENU hmenu = nullptr;  // learned from the first item drawn (SetHMenu)
    bool crop = false;
    UniqueRegion clientRgn;
    bool ownerdraw = false;
    // Order in which popups without a menu handle were first painted: the
    // newest takes the next handle.
    uint64_t paintOrder = 0;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR refData) noexcept;
    LRESULT WinWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    bool HasBackground() const;
    void ComposeBackground();
    void PaintClient();
    bool subclassed_ = false;
    // Shared with the kept menu pictures; composed from skin build bgBuild_.
    std::shared_ptr<const TBitmap> menuBg_;
    uint64_t bgBuild_ = 0;
};
