#include "framework/controls/Menus.h"

#include <algorithm>
#include <cwctype>
#include <unordered_map>
#include <unordered_set>

#include "framework/controls/FormsAndApplication.h"
#include "framework/graphics/GdiHandles.h"

namespace {

// Every living item, and the items by command id: the owner window gets
// command ids and item data back from the system and must not follow a
// pointer to an item that has gone meanwhile.
std::unordered_set<const TMenuItem*>& LiveItems() {
    static std::unordered_set<const TMenuItem*> items;
    return items;
}
std::unordered_map<UINT, TMenuItem*>& ItemsByCommand() {
    static std::unordered_map<UINT, TMenuItem*> items;
    return items;
}

UINT AllocateCommand(TMenuItem* item) {
    static UINT next = 0;
    auto& map = ItemsByCommand();
    // WM_COMMAND carries 16 bits; ids are reused once freed.
    for (UINT tries = 0; tries < 0xFFFF; ++tries) {
        next = next % 0xFFFF + 1;
        if (map.emplace(next, item).second) return next;
    }
    throw EFrameworkError(L"No free menu command id");
}

std::wstring KeyName(WORD key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::wstring(1, static_cast<wchar_t>(key));
    if (key >= VK_F1 && key <= VK_F24) return L"F" + std::to_wstring(key - VK_F1 + 1);
    switch (key) {
        case VK_BACK: return L"BkSp";
        case VK_TAB: return L"Tab";
        case VK_RETURN: return L"Enter";
        case VK_ESCAPE: return L"Esc";
        case VK_SPACE: return L"Space";
        case VK_PRIOR: return L"PgUp";
        case VK_NEXT: return L"PgDn";
        case VK_END: return L"End";
        case VK_HOME: return L"Home";
        case VK_LEFT: return L"Left";
        case VK_UP: return L"Up";
        case VK_RIGHT: return L"Right";
        case VK_DOWN: return L"Down";
        case VK_INSERT: return L"Ins";
        case VK_DELETE: return L"Del";
        default: break;
    }
    // Anything else by the keyboard's own name for it.
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    wchar_t name[64] = L"";
    if (scan && GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 64) > 0) return name;
    return L"";
}

// The hidden top-level window that owns tracked popup menus. A message-only
// window cannot own a menu, so this one is a never-shown popup window.
class PopupOwner {
public:
    PopupOwner() {
        static const ATOM atom = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = WndProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"TMenuOwnerWindow";
            return RegisterClassExW(&wc);
        }();
        if (!atom) throw EFrameworkError(L"Cannot register the menu owner window class");
        hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"TMenuOwnerWindow", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
        if (!hwnd_) throw EFrameworkError(L"Cannot create the menu owner window (error " + IntToStr(GetLastError()) + L")");
    }
    ~PopupOwner() {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    }
    PopupOwner(const PopupOwner&) = delete;
    PopupOwner& operator=(const PopupOwner&) = delete;
    HWND Handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    HWND hwnd_ = nullptr;
};

LRESULT CALLBACK PopupOwner::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        LRESULT result = 0;
        if (DispatchMenuMessage(msg, wParam, lParam, result)) return result;
    } catch (...) {
        Application->HandleException(nullptr);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

PopupOwner& TheOwner() {
    static PopupOwner owner;
    return owner;
}

}  // namespace

bool DispatchMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 && lParam == 0) {
                if (TMenuItem* item = FindMenuItem(LOWORD(wParam))) {
                    item->Click();
                    result = 0;
                    return true;
                }
            }
            return false;
        case WM_MEASUREITEM: {
            auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (mis->CtlType != ODT_MENU) return false;
            TMenuItem* item = MenuItemFromData(mis->itemData);
            if (!item) return false;
            TCanvas& canvas = MenuMeasureCanvas();
            int width = static_cast<int>(mis->itemWidth), height = static_cast<int>(mis->itemHeight);
            item->MeasureItem(canvas, width, height);
            mis->itemWidth = static_cast<UINT>(std::max(width, 0));
            mis->itemHeight = static_cast<UINT>(std::max(height, 0));
            result = TRUE;
            return true;
        }
        case WM_DRAWITEM: {
            auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            if (dis->CtlType != ODT_MENU) return false;
            TMenuItem* item = MenuItemFromData(dis->itemData);
            if (!item) return false;
            SavedDCState saved(dis->hDC);
            TCanvas canvas(dis->hDC);
            GetMenuFont(canvas.Font);
            item->DrawItem(canvas, dis->rcItem, (dis->itemState & ODS_SELECTED) != 0);
            result = TRUE;
            return true;
        }
        case WM_MENUCHAR: {
            // Owner-drawn items have no text of the system's: find the accelerator here.
            const auto menu = reinterpret_cast<HMENU>(lParam);
            TMenu* owner = FindMenuByHandle(menu);
            TMenuItem* parent = owner ? owner->FindItemByHandle(menu) : nullptr;
            if (!parent) return false;
            const wchar_t key = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(LOWORD(wParam))));
            int position = 0;
            for (int i = 0; i < parent->Count(); ++i) {
                TMenuItem* item = parent->Items(i);
                if (!item->Visible()) continue;
                if (item->Enabled() && GetHotkey(item->Caption()) == key) {
                    result = MAKELRESULT(position, MNC_EXECUTE);
                    return true;
                }
                ++position;
            }
            return false;
        }
        default: return false;
    }
}

TShortCut ShortCut(WORD key, TShortCut modifiers) {
    return static_cast<TShortCut>((key & 0xFF) | modifiers);
}

std::wstring ShortCutToText(TShortCut shortCut) {
    const std::wstring name = KeyName(static_cast<WORD>(shortCut & 0xFF));
    if (name.empty()) return L"";
    std::wstring text;
    if (shortCut & scShift) text += L"Shift+";
    if (shortCut & scCtrl) text += L"Ctrl+";
    if (shortCut & scAlt) text += L"Alt+";
    return text + name;
}

wchar_t GetHotkey(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(caption[i + 1])));
    }
    return 0;
}

std::wstring StripHotkey(const std::wstring& caption) {
    std::wstring out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&') {
            if (i + 1 < caption.size() && caption[i + 1] == L'&') out += L'&';
            ++i;
            if (i < caption.size() && caption[i] != L'&') out += caption[i];
            continue;
        }
        out += caption[i];
    }
    return out;
}

namespace {
// Asking the system costs more than drawing a menu item, and the answer only
// changes with the display settings.
struct MenuFontCache {
    bool known = false;
    LOGFONTW font{};
};
MenuFontCache& TheMenuFont() {
    static MenuFontCache cache;
    return cache;
}
}  // namespace

void GetMenuFont(TFont& font) {
    MenuFontCache& cache = TheMenuFont();
    if (!cache.known) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            cache.font = metrics.lfMenuFont;
            cache.known = true;
        }
    }
    if (cache.known) font.AssignLogFont(cache.font);
    font.Color = clMenuText;
}

void ForgetMenuFont() {
    TheMenuFont().known = false;
}

TCanvas& MenuMeasureCanvas() {
    // Made once: a font handle per measured item costs more than the rest of
    // the measuring.
    struct Measurer {
        MemoryDC dc = MemoryDC::CompatibleWith(nullptr);
        TCanvas canvas{dc.get()};
    };
    static Measurer measurer;
    GetMenuFont(measurer.canvas.Font);
    measurer.canvas.Font.Style = 0;
    return measurer.canvas;
}

TMenuItem* FindMenuItem(UINT command) {
    auto& map = ItemsByCommand();
    auto it = map.find(command);
    return it == map.end() ? nullptr : it->second;
}

TMenuItem* MenuItemFromData(ULONG_PTR itemData) {
    auto* item = reinterpret_cast<TMenuItem*>(itemData);
    return LiveItems().count(item) ? item : nullptr;
}

TMenu* FindMenuByHandle(HMENU handle) {
    if (!handle) return nullptr;
    for (const TMenuItem* item : LiveItems())
        if (item->handle_ == handle) return item->GetParentMenu();
    return nullptr;
}

HWND PopupOwnerWindow() {
    return TheOwner().Handle();
}

// ---- TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {
    command_ = AllocateCommand(this);
    LiveItems().insert(this);
}

TMenuItem::~TMenuItem() {
    if (parent_) parent_->Remove(this);
    while (!items_.empty()) delete items_.back();
    if (handle_) DestroyOwnHandle();
    ItemsByCommand().erase(command_);
    LiveItems().erase(this);
}

void TMenuItem::SetCaption(const std::wstring& value) {
    if (caption_ == value) return;
    caption_ = value;
    Changed();
}
void TMenuItem::SetEnabled(bool value) {
    if (enabled_ == value) return;
    enabled_ = value;
    Changed();
}
void TMenuItem::SetChecked(bool value) {
    if (checked_ == value) return;
    checked_ = value;
    if (radioItem_ && checked_) UncheckRadioSiblings();
    Changed();
}
void TMenuItem::SetVisible(bool value) {
    if (visible_ == value) return;
    visible_ = value;
    Changed();
}
void TMenuItem::SetDefault(bool value) {
    if (default_ == value) return;
    default_ = value;
    Changed();
}
void TMenuItem::SetImageIndex(int value) {
    if (imageIndex_ == value) return;
    imageIndex_ = value;
    Changed();
}
void TMenuItem::SetShortCut(TShortCut value) {
    if (shortCut_ == value) return;
    shortCut_ = value;
    Changed();
}
void TMenuItem::SetRadioItem(bool value) {
    if (radioItem_ == value) return;
    radioItem_ = value;
    if (radioItem_ && checked_) UncheckRadioSiblings();
    Changed();
}
void TMenuItem::SetGroupIndex(uint8_t value) {
    if (groupIndex_ == value) return;
    groupIndex_ = value;
    if (radioItem_ && checked_) UncheckRadioSiblings();
    Changed();
}

void TMenuItem::UncheckRadioSiblings() {
    if (!parent_) return;
    for (TMenuItem* other : parent_->items_)
        if (other != this && other->radioItem_ && other->groupIndex_ == groupIndex_ && other->checked_) {
            other->checked_ = false;
            other->Changed();
        }
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item || item == this) return;
    for (TMenuItem* p = this; p; p = p->parent_)
        if (p == item) throw EFrameworkError(L"A menu item cannot be inserted into its own sub-menu");
    if (item->parent_) item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end()) return;
    // The handle must not refer to the item's sub-menu once the item may go.
    if (handle_) ClearHandleItems();
    items_.erase(it);
    item->parent_ = nullptr;
    Changed();
}

void TMenuItem::Clear() {
    while (!items_.empty()) delete items_.back();
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    return root->menu_;
}

void TMenuItem::Changed() {
    // Our entry lives in the parent's handle, its entry in its parent's, and so on.
    TMenuItem* root = this;
    for (TMenuItem* p = this; p; p = p->parent_) {
        p->dirty_ = true;
        root = p;
    }
    if (root->menu_) root->menu_->MenuChanged();
}

void TMenuItem::ClearHandleItems() {
    // RemoveMenu, not DeleteMenu: the sub-menu handles belong to the items.
    while (GetMenuItemCount(handle_) > 0)
        if (!RemoveMenu(handle_, 0, MF_BYPOSITION)) break;
}

void TMenuItem::DestroyOwnHandle() {
    ClearHandleItems();
    DestroyMenu(handle_);
    handle_ = nullptr;
}

HMENU TMenuItem::Handle() {
    if (items_.empty() && !menu_) {
        if (handle_) {
            // The parent's entry must not keep the handle about to go.
            if (parent_ && parent_->handle_) {
                parent_->ClearHandleItems();
                parent_->Changed();
            }
            DestroyOwnHandle();
        }
        return nullptr;
    }
    if (!handle_ || dirty_) RebuildHandle();
    return handle_;
}

void TMenuItem::RebuildHandle() {
    if (!handle_) {
        handle_ = menu_ ? menu_->CreateMenuHandle() : CreatePopupMenu();
        if (!handle_) throw EFrameworkError(L"Cannot create a menu (error " + IntToStr(GetLastError()) + L")");
    } else {
        ClearHandleItems();
    }
    TMenu* menu = GetParentMenu();
    const bool ownerDraw = menu && menu->OwnerDraw();
    UINT position = 0;
    for (TMenuItem* item : menu_ ? menu_->RootItems() : items_) {
        if (!item->visible_) continue;
        std::wstring text = item->caption_;
        if (item->shortCut_) {
            const std::wstring keys = ShortCutToText(item->shortCut_);
            if (!keys.empty()) text += L"\t" + keys;
        }
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_DATA | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        // A merged item keeps its own menu's drawing.
        TMenu* itemMenu = item->GetParentMenu();
        const bool itemOwnerDraw = itemMenu && itemMenu != menu ? itemMenu->OwnerDraw() : ownerDraw;
        mii.fType = (item->IsLine() ? MFT_SEPARATOR : MFT_STRING) | (itemOwnerDraw ? MFT_OWNERDRAW : 0) |
                    (item->radioItem_ ? MFT_RADIOCHECK : 0);
        mii.fState = (item->enabled_ ? 0u : MFS_GRAYED) | (item->checked_ ? MFS_CHECKED : 0u) |
                     (item->default_ ? MFS_DEFAULT : 0u);
        mii.wID = item->command_;
        mii.dwItemData = reinterpret_cast<ULONG_PTR>(item);
        // This handle is empty now, so a child's stale sub-menu can go at once.
        if (item->items_.empty() && item->handle_) item->DestroyOwnHandle();
        mii.hSubMenu = item->IsLine() || item->items_.empty() ? nullptr : item->Handle();
        mii.dwTypeData = item->IsLine() ? nullptr : text.data();
        mii.cch = static_cast<UINT>(text.size());
        if (item->IsLine()) mii.fMask &= ~static_cast<UINT>(MIIM_STRING);
        if (!InsertMenuItemW(handle_, position, TRUE, &mii))
            throw EFrameworkError(L"Cannot add a menu item (error " + IntToStr(GetLastError()) + L")");
        ++position;
    }
    dirty_ = false;
}

void TMenuItem::Click() {
    if (!enabled_) return;
    if (autoCheck_) SetChecked(radioItem_ ? true : !checked_);
    if (OnClick) OnClick(this);
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height) {
    if (IsLine()) {
        width = 0;
        height = GetSystemMetrics(SM_CYMENU) / 2;
    } else {
        TMenu* menu = GetParentMenu();
        int glyphWidth = 16, glyphHeight = 16;
        if (menu && menu->Images()) ImageList_GetIconSize(menu->Images(), &glyphWidth, &glyphHeight);
        const std::wstring keys = ShortCutToText(shortCut_);
        width = canvas.TextWidth(StripHotkey(caption_)) + glyphWidth + 16;
        if (!keys.empty()) width += canvas.TextWidth(keys) + 16;
        height = std::max({canvas.TextHeight(L"Wg") + 4, glyphHeight + 4, GetSystemMetrics(SM_CYMENU)});
    }
    if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::DrawItem(TCanvas& canvas, const RECT& rect, bool selected) {
    if (OnDrawItem)
        OnDrawItem(this, canvas, rect, selected);
    else
        DefaultDraw(canvas, rect, selected);
}

void TMenuItem::DefaultDraw(TCanvas& canvas, const RECT& rect, bool selected) {
    TRect r = FromRECT(rect);
    canvas.Brush.Color = selected && !IsLine() ? clHighlight : clMenu;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(r);
    if (IsLine()) {
        RECT line{rect.left, rect.top + (rect.bottom - rect.top) / 2 - 1, rect.right, rect.bottom};
        DrawEdge(canvas.Handle(), &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    TMenu* menu = GetParentMenu();
    int glyphWidth = 16, glyphHeight = 16;
    if (menu && menu->Images()) ImageList_GetIconSize(menu->Images(), &glyphWidth, &glyphHeight);
    if (menu && menu->Images() && imageIndex_ >= 0 && imageIndex_ < ImageList_GetImageCount(menu->Images()))
        ImageList_Draw(menu->Images(), imageIndex_, canvas.Handle(), rect.left + 2,
                       rect.top + (rect.bottom - rect.top - glyphHeight) / 2, ILD_TRANSPARENT);
    else if (checked_)
        canvas.TextOut(rect.left + 4, rect.top + 2, L"\x221A");
    canvas.Brush.Style = bsClear;
    canvas.Font.Color = !enabled_ ? clGrayText : selected ? clHighlightText : clMenuText;
    if (default_) canvas.Font.Style |= fsBold;
    TRect text = Rect(rect.left + glyphWidth + 6, rect.top, rect.right - 4, rect.bottom);
    canvas.DrawText(caption_, text, DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS);
    const std::wstring keys = ShortCutToText(shortCut_);
    if (!keys.empty()) canvas.DrawText(keys, text, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
}

// ---- TMenu, TPopupMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), items_(std::make_unique<TMenuItem>(nullptr)) {
    items_->menu_ = this;
}

TMenu::~TMenu() {
    // The items go after this object's end: they must not call back into it.
    items_->menu_ = nullptr;
}

void TMenu::SetOwnerDraw(bool value) {
    if (ownerDraw_ == value) return;
    ownerDraw_ = value;
    // Every handle of the tree carries the owner-draw type: all are remade.
    std::vector<TMenuItem*> stack{items_.get()};
    while (!stack.empty()) {
        TMenuItem* item = stack.back();
        stack.pop_back();
        item->dirty_ = true;
        stack.insert(stack.end(), item->items_.begin(), item->items_.end());
    }
}

std::vector<TMenuItem*> TMenu::RootItems() const {
    return items_->items_;
}

TMenuItem* TMenu::FindItem(UINT command) const {
    TMenuItem* item = FindMenuItem(command);
    return item && item->GetParentMenu() == this ? item : nullptr;
}

TMenuItem* TMenu::FindItemByHandle(HMENU handle) const {
    if (!handle) return nullptr;
    for (const TMenuItem* item : LiveItems())
        if (item->handle_ == handle && item->GetParentMenu() == this) return const_cast<TMenuItem*>(item);
    return nullptr;
}

// ---- TMainMenu

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu() {
    if (form_ && form_->Menu() == this) form_->SetMenu(nullptr);
    if (mergedInto_) mergedInto_->Unmerge(this);
    if (merged_) Unmerge(merged_);
}

std::vector<TMenuItem*> TMainMenu::RootItems() const {
    std::vector<TMenuItem*> own = TMenu::RootItems();
    if (!merged_) return own;
    const std::vector<TMenuItem*> theirs = merged_->RootItems();
    auto theirGroup = [&](uint8_t g) {
        return std::any_of(theirs.begin(), theirs.end(), [g](const TMenuItem* i) { return i->GroupIndex() == g; });
    };
    std::vector<TMenuItem*> out;
    for (TMenuItem* item : own)
        if (!theirGroup(item->GroupIndex())) out.push_back(item);
    // Each merged item goes before the first kept item of a higher group.
    for (TMenuItem* item : theirs) {
        auto at = std::find_if(out.begin(), out.end(),
                               [&](const TMenuItem* i) { return i->GroupIndex() > item->GroupIndex(); });
        out.insert(at, item);
    }
    return out;
}

void TMainMenu::Merge(TMainMenu* menu) {
    if (menu == merged_ || menu == this) return;
    if (merged_) Unmerge(merged_);
    if (!menu) return;
    if (menu->mergedInto_) menu->mergedInto_->Unmerge(menu);
    merged_ = menu;
    menu->mergedInto_ = this;
    // The root handle lists other items now; an entry removed from it must
    // not keep a merged sub-menu alive in the bar.
    Items()->Changed();
}

void TMainMenu::Unmerge(TMainMenu* menu) {
    if (!menu || menu != merged_) return;
    merged_ = nullptr;
    menu->mergedInto_ = nullptr;
    // The merged sub-menus must leave our handle before they can change or go.
    if (Items()->handle_) Items()->ClearHandleItems();
    Items()->Changed();
}

void TMainMenu::MenuChanged() {
    if (mergedInto_) mergedInto_->Items()->Changed();
    if (!window_ || !IsWindow(window_) || changePosted_) return;
    changePosted_ = PostMessageW(window_, CM_MENUCHANGED, 0, reinterpret_cast<LPARAM>(this)) != FALSE;
}

// ---- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() {
    if (form_ && form_->PopupMenu() == this) form_->SetPopupMenu(nullptr);
}

void TPopupMenu::Popup(int X, int Y) {
    if (OnPopup) OnPopup(this);
    HMENU menu = Handle();
    if (!menu) return;
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, X, Y, 0, PopupOwnerWindow(), nullptr);
}
