// The menu-bar part of the form skinning object: the skinned menu bar
// (buttons in the band below the caption), opening and tracking its
// drop-downs by mouse and keyboard, and the owner-drawn items of the
// window's menus.
//
// Only one menu can be tracked at a time in a process (the menu loop is
// modal), so the tracking state is kept here for the file, live only while
// CheckMenu runs. Switching from one bar menu to the next closes the open
// one (EndMenu) and opens the next from CheckMenu's own loop.
#include <algorithm>
#include <cwctype>

#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/Menus.h"
#include "skin/draw/DrawUtils.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinMenu.h"
#include "skin/form/WinSkinForm.h"

namespace {

constexpr int kMaxCaption = 80;

struct MenuTracking {
    TWinSkinForm* form = nullptr;
    int index = -1;            // the open button
    HMENU dropdown = nullptr;  // its drop-down
    POINT lastMouse{};
    HHOOK hook = nullptr;
    bool firstKeySent = false;
    bool switching = false;
    int target = -1;          // the button to open when the open one has closed
    bool altPressed = false;  // Alt went down while the menu was open
};
MenuTracking tracking;

TColor Scheme(const TSkinData& sd, TShemeColor slot) {
    return ColorToRGB(sd.Colors[slot]);
}

const TDataSkinObject* MenubarObject(const TSkinData* sd) {
    const TDataSkinObject* o = sd ? sd->Menubar.get() : nullptr;
    return o && !o->Map.Empty() ? o : nullptr;
}

BOOL CALLBACK CollectShownMenus(HWND hwnd, LPARAM lp) {
    wchar_t cls[16] = L"";
    if (IsWindowVisible(hwnd) && GetClassNameW(hwnd, cls, 16) && std::wstring(cls) == L"#32768")
        reinterpret_cast<std::vector<HMENU>*>(lp)->push_back(
            reinterpret_cast<HMENU>(SendMessageW(hwnd, MN_GETHMENU, 0, 0)));
    return TRUE;
}

int HighlightedItem(HMENU menu) {
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state != static_cast<UINT>(-1) && (state & MF_HILITE)) return i;
    }
    return -1;
}

// The deepest open menu of the drop-down top: follow the highlighted items
// down through the sub-menus that are shown. (Windows of menus that are
// closing may linger, so the order of the windows is not trusted.)
HMENU DeepestOpenMenu(HMENU top) {
    std::vector<HMENU> shown;
    EnumThreadWindows(GetCurrentThreadId(), CollectShownMenus, reinterpret_cast<LPARAM>(&shown));
    auto isShown = [&](HMENU m) { return std::find(shown.begin(), shown.end(), m) != shown.end(); };
    if (!top || !isShown(top)) return nullptr;
    HMENU current = top;
    for (int depth = 0; depth < 16; ++depth) {
        const int hi = HighlightedItem(current);
        const HMENU sub = hi >= 0 ? GetSubMenu(current, hi) : nullptr;
        if (!sub || !isShown(sub)) break;
        current = sub;
    }
    return current;
}
// The highlighted item of menu opens a sub-menu.
bool SelectionOpensSubmenu(HMENU menu) {
    const int hi = HighlightedItem(menu);
    return hi >= 0 && GetSubMenu(menu, hi) != nullptr;
}

// The next (step 1) or previous (step -1) visible button with a caption, wrapping round.
int NeighbourButton(const TWinSkinMenu& bar, int from, int step) {
    const int n = static_cast<int>(bar.Buttons.size());
    for (int k = 1; k <= n; ++k) {
        const int i = ((from + step * k) % n + n) % n;
        const TMenuBtn& b = *bar.Buttons[static_cast<size_t>(i)];
        if (b.visible && !b.caption.empty()) return i;
    }
    return from;
}

void SwitchTo(int index) {
    if (index < 0 || index == tracking.index) return;
    tracking.target = index;
    tracking.switching = true;
    EndMenu();
}

LRESULT CALLBACK MenuFilterProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    TWinSkinForm* sf = tracking.form;
    if (code == MSGF_MENU && msg && sf && sf->bidileft && msg->message == WM_KEYDOWN) {
        // A right-to-left bar runs the other way.
        if (msg->wParam == VK_LEFT)
            msg->wParam = VK_RIGHT;
        else if (msg->wParam == VK_RIGHT)
            msg->wParam = VK_LEFT;
    }
    const LRESULT next = CallNextHookEx(tracking.hook, code, wParam, lParam);
    if (next != 0 || code != MSGF_MENU || !msg || !sf || !sf->MenuBar().menu) return next;
    try {
        if (!tracking.firstKeySent) {
            tracking.firstKeySent = true;
            // Selects the first item, as a keyboard user expects.
            PostMessageW(msg->hwnd ? msg->hwnd : sf->Hwnd, WM_KEYDOWN, VK_DOWN, 0);
        }
        TWinSkinMenu& bar = *sf->MenuBar().menu;
        switch (msg->message) {
            case WM_KEYDOWN:
                if (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE) tracking.switching = false;
                if (msg->wParam == VK_LEFT) {
                    const HMENU deepest = DeepestOpenMenu(tracking.dropdown);
                    if (!deepest || deepest == tracking.dropdown) {
                        SwitchTo(NeighbourButton(bar, tracking.index, -1));
                        return 1;
                    }
                } else if (msg->wParam == VK_RIGHT) {
                    const HMENU deepest = DeepestOpenMenu(tracking.dropdown);
                    if (!deepest || !SelectionOpensSubmenu(deepest)) {
                        SwitchTo(NeighbourButton(bar, tracking.index, 1));
                        return 1;
                    }
                }
                break;
            case WM_SYSKEYDOWN:
                if (msg->wParam == VK_MENU) tracking.altPressed = true;
                break;
            case WM_SYSKEYUP:
                if (msg->wParam == VK_MENU && tracking.altPressed) {
                    sf->MenuBar().CancelMenu();
                    EndMenu();
                }
                break;
            case WM_LBUTTONUP:
            case WM_NCLBUTTONUP: {
                // The release of the click that opened the menu, on its button:
                // the menu stays open, as a system menu bar's does.
                POINT cursor{};
                GetCursorPos(&cursor);
                const TMenuBtn* b = bar.FindBtn(sf->GetWinXY(cursor.x, cursor.y));
                if (b && b->index == tracking.index) return 1;
                break;
            }
            case WM_MOUSEMOVE:
            case WM_NCMOUSEMOVE: {
                // The cursor itself: a mouse move the system makes up when a
                // menu window appears can carry an old point.
                POINT cursor{};
                GetCursorPos(&cursor);
                if (cursor.x == tracking.lastMouse.x && cursor.y == tracking.lastMouse.y) break;
                tracking.lastMouse = cursor;
                const POINT p = sf->GetWinXY(cursor.x, cursor.y);
                if (TMenuBtn* b = bar.FindBtn(p)) {
                    if (b->index != tracking.index && b->visible && b->enabled) SwitchTo(b->index);
                }
                break;
            }
            default: break;
        }
    } catch (...) {
        // A hook must not let an exception into the menu loop.
    }
    return next;
}

// Every item of menu and its sub-menus owner-drawn, except ids 1 to 4095
// of items the framework does not know (those stay the system's).
void MarkOwnerDrawn(HMENU menu, std::vector<HMENU>& marked, int depth = 0) {
    if (!menu || depth > 16) return;
    const int n = GetMenuItemCount(menu);
    bool any = false;
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii)) continue;
        if (mii.hSubMenu) MarkOwnerDrawn(mii.hSubMenu, marked, depth + 1);
        const bool framework = MenuItemFromData(mii.dwItemData) != nullptr;
        const bool systemId = !mii.hSubMenu && mii.wID >= 1 && mii.wID <= 4095 && !(mii.fType & MFT_SEPARATOR);
        if (!framework && systemId) continue;
        if (mii.fType & MFT_OWNERDRAW) continue;
        mii.fMask = MIIM_FTYPE;
        mii.fType |= MFT_OWNERDRAW;
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii);
        any = true;
    }
    if (any && std::find(marked.begin(), marked.end(), menu) == marked.end()) marked.push_back(menu);
}

void UnmarkOwnerDrawn(HMENU menu) {
    if (!IsMenu(menu)) return;
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_FTYPE | MIIM_DATA;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii) || !(mii.fType & MFT_OWNERDRAW)) continue;
        TMenuItem* item = MenuItemFromData(mii.dwItemData);
        TMenu* owner = item ? item->GetParentMenu() : nullptr;
        if (owner && owner->OwnerDraw()) continue;  // the framework's own choice
        mii.fMask = MIIM_FTYPE;
        mii.fType &= ~static_cast<UINT>(MFT_OWNERDRAW);
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mii);
    }
}

// A menu item's text as the system holds it, at most kMaxCaption characters.
std::wstring MenuText(HMENU menu, UINT item, bool byPosition) {
    wchar_t text[kMaxCaption + 1] = L"";
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STRING;
    mii.dwTypeData = text;
    mii.cch = kMaxCaption + 1;
    if (!GetMenuItemInfoW(menu, item, byPosition, &mii)) return L"";
    return text;
}

int CaptionWidth(HDC dc, const std::wstring& caption) {
    if (caption.empty()) return 0;
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return r.right - r.left;
}

}  // namespace

void ForgetTrackedForm(TWinSkinForm* sf) {
    if (tracking.form == sf) tracking.form = nullptr;
}

// ---- TMenuBtn, TWinSkinMenu

void TMenuBtn::Draw() {
    TWinSkinMenu* bar = SF->MenuBar().menu.get();
    if (!bar || !fsd || bar->bkmap.Empty() || bounds.Right <= bounds.Left || bounds.Bottom <= bounds.Top) return;
    WindowDC own = WindowDC::Whole(SF->Hwnd);
    if (!own.get()) return;
    const int w = bounds.Right - bounds.Left, h = bounds.Bottom - bounds.Top;
    TBitmap piece(w, h, pf24bit);
    TCanvas& c = piece.Canvas();
    c.CopyRect(Rect(0, 0, w, h), bar->bkmap, Bounds(bounds.Left - bar->Bar.Left, bounds.Top - bar->Bar.Top, w, h));
    if (state == 2 || state == 3) {
        c.Brush.Style = bsSolid;
        c.Brush.Color = Scheme(*fsd, csButtonHilight);
        c.FrameRect(Rect(0, 0, w, h));
    }
    GetMenuFont(c.Font);
    c.Font.Style = 0;
    c.Font.Color = Scheme(*fsd, enabled ? csMenuBarText : csButtonShadow);
    MyDrawCaption(c, Rect(0, 0, w, h), caption, true, DT_CENTER);
    BitBlt(own.get(), bounds.Left, bounds.Top, w, h, piece.DC(), 0, 0, SRCCOPY);
}

TRect TWinSkinMenu::Band() const {
    RECT wr{};
    GetWindowRect(SF->Hwnd, &wr);
    const int width = wr.right - wr.left;
    const TFramePainter& frame = SF->Frame();
    return TRect{frame.bw.Left, frame.bw.Top, width - frame.bw.Right, frame.bw.Top + frame.MenuHeight};
}

void TWinSkinMenu::UpdataBtn() {
    const HWND h = SF->Hwnd;
    HMENU m = GetMenu(h);
    if (!m) m = hmenu;
    if (!m || !IsMenu(m)) return;
    hmenu = m;
    Buttons.clear();
    SF->CaptionButtons().ActiveBtn = nullptr;
    const int n = GetMenuItemCount(m);
    for (int i = 0; i < n; ++i) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA | MIIM_FTYPE;
        if (!GetMenuItemInfoW(m, static_cast<UINT>(i), TRUE, &mii)) continue;
        auto b = std::make_unique<TMenuBtn>(SF, FSD);
        b->index = static_cast<int32_t>(Buttons.size());
        b->caption = MenuText(m, static_cast<UINT>(i), true);
        b->hsubmenu = mii.hSubMenu;
        b->enabled = !(mii.fState & (MFS_GRAYED | MFS_DISABLED));
        b->visible = !(mii.fType & MFT_SEPARATOR);
        b->mid = static_cast<int32_t>(mii.wID);
        // The framework's item knows the caption and state as they are now.
        if (TMenuItem* item = MenuItemFromData(mii.dwItemData)) {
            b->menuitem = item;
            b->caption = item->Caption().substr(0, kMaxCaption);
            b->enabled = item->Enabled();
            b->visible = item->Visible();
            b->hsubmenu = item->Count() > 0 ? item->Handle() : nullptr;
        }
        Buttons.push_back(std::move(b));
    }
    count = static_cast<int32_t>(Buttons.size());
    // The system's bar never shows while the skin draws one.
    SetMenu(h, nullptr);
}

void TWinSkinMenu::UpdataBtn2(HMENU newmenu) {
    if (newmenu) hmenu = newmenu;
    UpdataBtn();
    SetMenuRect();
}

void TWinSkinMenu::LayOut(const TRect& band) {
    WindowDC screen = WindowDC::Client(nullptr);
    TFont font;
    GetMenuFont(font);
    SelectGuard select(screen.get(), font.Handle());
    const TDataSkinObject* mb = MenubarObject(FSD);
    const bool rtl = SF->bidileft;
    const int bandWidth = band.Right - band.Left;
    int offset = !mb ? 6 : rtl ? mb->r.Right + 8 : mb->r.Left + 4;
    if (offset > bandWidth) offset = 12;
    int x = rtl ? band.Right - offset : band.Left + offset;
    for (auto& b : Buttons) {
        if (!b->visible) {
            b->bounds = TRect{0, 0, 0, 0};
            continue;
        }
        const int w = b->caption.empty() ? 0 : CaptionWidth(screen.get(), b->caption) + 10;
        if (rtl) {
            b->bounds = TRect{x - w, band.Top, x, band.Bottom - 1};
            x -= w;
        } else {
            b->bounds = TRect{x, band.Top, x + w, band.Bottom - 1};
            x += w;
        }
    }
}

void TWinSkinMenu::SetMenuRect() {
    LayOut(Band());
}

void TWinSkinMenu::DrawMenu(HDC dc, const TRect& band) {
    const int w = band.Right - band.Left, h = band.Bottom - band.Top;
    if (w <= 0 || h <= 0 || !FSD) return;
    topmenu = true;
    TBitmap compose(w, h, pf24bit);
    TCanvas& c = compose.Canvas();
    const TRect whole = Rect(0, 0, w, h);
    if (const TDataSkinObject* mb = MenubarObject(FSD)) {
        const int frameNo = SF->FWindowActive ? 1 : 2;
        if (mb->Tile == 1)
            DrawRect2(c, whole, mb->Map, mb->r, frameNo, 2, false, false, true);
        else
            DrawRectTile(c, whole, mb->Map, mb->r, frameNo, 2, false, true);
    } else {
        c.Brush.Style = bsSolid;
        c.Brush.Color = Scheme(*FSD, csMenuBar);
        c.FillRect(whole);
    }
    Bar = band;
    bkmap.SetSize(w, h);
    bkmap.Canvas().CopyRect(whole, compose, whole);

    LayOut(band);
    GetMenuFont(c.Font);
    c.Font.Style = 0;
    for (auto& b : Buttons) {
        if (!b->visible || b->caption.empty()) continue;
        const TRect r{b->bounds.Left - band.Left, b->bounds.Top - band.Top, b->bounds.Right - band.Left,
                      b->bounds.Bottom - band.Top};
        if (b->state == 2 || b->state == 3) {
            // A repaint while a button is hot or open keeps its frame.
            c.Brush.Style = bsSolid;
            c.Brush.Color = Scheme(*FSD, csButtonHilight);
            c.FrameRect(r);
        }
        c.Font.Color = Scheme(*FSD, b->enabled ? csMenuBarText : csButtonShadow);
        MyDrawCaption(c, r, b->caption, true, SF->bidileft ? DT_CENTER | DT_RTLREADING : DT_CENTER);
    }
    BitBlt(dc, band.Left, band.Top, w, h, compose.DC(), 0, 0, SRCCOPY);
    SF->MdiClient().DrawMDIChildButtons(dc);
    topmenu = false;
}

TMenuBtn* TWinSkinMenu::FindBtn(POINT p) const {
    for (const auto& b : Buttons) {
        if (b->caption.empty()) continue;
        const TRect& r = b->bounds;
        if (p.x >= r.Left && p.x < r.Right && p.y >= r.Top && p.y < r.Bottom) return b.get();
    }
    return nullptr;
}

// ---- the bar's life with the window

TMenuBarPart::TMenuBarPart(TWinSkinForm& form) : TFormPart(form) {}

TMenuBarPart::~TMenuBarPart() = default;

bool TMenuBarPart::Handle(TMessage& m) {
    switch (m.Msg) {
        case WM_MEASUREITEM: WMMEASUREITEM(m); return true;
        case WM_DRAWITEM: WMDRAWITEM(m); return true;
        case CM_MENUCHANGED: WMMenuChanged(m); return true;
        case CN_SkinMenuSelect: MenuSelect(m); return true;
        default: return false;
    }
}

void TMenuBarPart::CreateMenuBar() {
    hmenu = GetMenu(sf.Hwnd);
    if (!hmenu || sf.FormStyle == sfsMDIChild) return;
    menu = std::make_unique<TWinSkinMenu>(nullptr, &sf, sf.fsd);
    sf.Frame().MenuHeight = GetSystemMetrics(SM_CYMENU);
    menu->hmenu = hmenu;
    if (sf.FForm) menu->menu = sf.FForm->Menu();
    menu->UpdataBtn();
}

void TMenuBarPart::FreeMenuBar(bool giveBack) {
    if (!menu) return;
    TNCObject*& active = sf.CaptionButtons().ActiveBtn;
    if (active && dynamic_cast<TMenuBtn*>(active)) active = nullptr;
    const HMENU back = menu->hmenu;
    menu.reset();
    if (giveBack && IsWindow(sf.Hwnd) && IsMenu(back)) SetMenu(sf.Hwnd, back);
    for (HMENU m : ownerDrawn_) UnmarkOwnerDrawn(m);
    ownerDrawn_.clear();
}

void TMenuBarPart::UpdateMainMenu() {
    if (!menu) return;
    WindowDC own = WindowDC::Whole(sf.Hwnd);
    if (!own.get()) return;
    menu->DrawMenu(own.get(), menu->Band());
}

void TMenuBarPart::WMMenuChanged(TMessage& m) {
    if (sf.fsd) sf.fsd->MenuMsg = false;
    sf.Default(m);
    if (sf.fsd) sf.fsd->MenuMsg = true;
    const HMENU now = GetMenu(sf.Hwnd);
    if (!now) return;
    if (menu && sf.fsd && sf.fsd->MenuUpdate()) {
        menu->hmenu = now;
        if (sf.FForm) menu->menu = sf.FForm->Menu();
        menu->UpdataBtn();
        UpdateMainMenu();
    }
    SetMenu(sf.Hwnd, nullptr);
}

// ---- tracking

bool TMenuBarPart::CheckMenu(TMenuBtn* button) {
    tracking.switching = false;
    if (!button || !menu) return false;
    int index = button->index;
    bool any = false;
    while (index >= 0 && index < static_cast<int>(menu->Buttons.size())) {
        TMenuBtn* b = menu->Buttons[static_cast<size_t>(index)].get();
        // A bar item's own command (its OnClick runs before the drop-down shows).
        if (b->menuitem) PostMessageW(sf.Hwnd, WM_COMMAND, static_cast<WPARAM>(b->mid), 0);
        if (!b->hsubmenu) break;
        any = true;
        tracking.form = &sf;
        tracking.index = index;
        tracking.dropdown = b->hsubmenu;
        tracking.target = -1;
        tracking.altPressed = false;
        RECT wr{};
        GetWindowRect(sf.Hwnd, &wr);
        WMINITMENU(b->hsubmenu);
        fInMenu = true;
        const POINT at{(sf.bidileft ? b->bounds.Right : b->bounds.Left) + wr.left, b->bounds.Bottom + wr.top};
        if (SkinManager) {
            SkinManager->menutype = MenuKind::MenuBar;
            SkinManager->menuactive = true;
        }
        activemenu = b->hsubmenu;
        if (!tracking.hook)
            tracking.hook = SetWindowsHookExW(WH_MSGFILTER, MenuFilterProc, nullptr, GetCurrentThreadId());
        tracking.firstKeySent = false;
        GetCursorPos(&tracking.lastMouse);
        TNCObject*& active = sf.CaptionButtons().ActiveBtn;
        if (active && active != b) active->MouseLeave();
        active = b;
        b->state = 2;
        b->Draw();
        const bool enabled = b->enabled;
        sf.BeginOwnLoop();
        if (enabled)
            TrackPopupMenu(b->hsubmenu, TPM_RIGHTBUTTON | TPM_NONOTIFY | (sf.bidileft ? TPM_RIGHTALIGN : TPM_LEFTALIGN),
                           at.x, at.y, 0, sf.Hwnd, nullptr);
        if (tracking.hook) UnhookWindowsHookEx(tracking.hook);
        tracking.hook = nullptr;
        if (sf.EndOwnLoop()) {
            // Released while its menu was open: nothing of it is touched again.
            tracking = MenuTracking{};
            return any;
        }
        // The window may have lost its bar (or gone), or rebuilt its buttons
        // (its menu changed), while the menu was open: b is trusted only if
        // it is still there.
        if (!menu || !IsWindow(sf.Hwnd)) break;
        const bool same =
            index < static_cast<int>(menu->Buttons.size()) && menu->Buttons[static_cast<size_t>(index)].get() == b;
        if (same) {
            b->state = 1;
            b->Draw();
        }
        if (active == b) active = nullptr;
        index = tracking.switching ? tracking.target : -1;
        tracking.switching = false;
        if (!enabled) break;
    }
    tracking = MenuTracking{};
    activemenu = nullptr;
    fInMenu = false;
    return any;
}

void TMenuBarPart::ClickButton(TMenuBtn* button) {
    if (!button) return;
    if (fInMenu) {
        SwitchTo(button->index);
        return;
    }
    CheckMenu(button);
}

void TMenuBarPart::MenuSelect(TMessage& m) {
    m.Result = 0;
    if (!menu) return;
    const POINT p = sf.GetWinXY(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
    if (TMenuBtn* b = menu->FindBtn(p)) CheckMenu(b);
}

TMenuBtn* TMenuBarPart::FindButtonFromAccel(wchar_t ch) const {
    if (!menu || !ch) return nullptr;
    const auto key = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
    for (const auto& b : menu->Buttons)
        if (b->enabled && b->visible && GetHotkey(b->caption) == key) return b.get();
    return nullptr;
}

void TMenuBarPart::CMDialogChar(TMessage& m) {
    sf.OldWndProc.CallNext(m);
    if (m.Result != 0 || !sf.FForm) return;
    const auto ch = static_cast<wchar_t>(m.WParam);
    // Alt alone: the key data says Alt was held; Ctrl or Shift make another key.
    const bool altAlone = (m.LParam & (1 << 29)) != 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_SHIFT) >= 0;
    if (altAlone)
        if (TMenuBtn* b = FindButtonFromAccel(ch)) {
            ClickButton(b);
            m.Result = 1;
            return;
        }
    // The bar a user sees for this window may be another form's.
    TForm* target = nullptr;
    if (sf.FForm->FormStyle() == fsMDIChild) {
        target = sf.FForm->MDIFrame();
    } else if (Application && sf.FForm != Application->MainForm()) {
        // A modal form's owner is disabled while it shows.
        const HWND owner = GetWindow(sf.Hwnd, GW_OWNER);
        if (!owner || IsWindowEnabled(owner)) target = Application->MainForm();
    }
    if (target && target != sf.FForm && target->HandleAllocated())
        m.Result = target->Perform(CM_DIALOGCHAR, m.WParam, m.LParam);
}

void TMenuBarPart::CancelMenu() {
    fInMenu = false;
    tracking.switching = false;
}

void TMenuBarPart::WMINITMENU(HMENU m) {
    MarkOwnerDrawn(m, ownerDrawn_);
}

// ---- owner-drawn framework menus

namespace {

// The skinned painter on every item below item (not item itself): the
// MenuItem strip, and the bar's measuring (the skin's margin and the glyph
// column). Items with a painter of their own keep it.
void AssignPainter(TMenuItem& item, TSkinData* sd, bool enable) {
    for (int i = 0; i < item.Count(); ++i) {
        TMenuItem* child = item.Items(i);
        if (!enable) {
            child->OnDrawItem = nullptr;
            child->OnMeasureItem = nullptr;
        } else if (!child->OnDrawItem) {
            child->OnDrawItem = [sd](TObject* sender, TCanvas& canvas, const RECT& rect, bool selected) {
                DrawMenuItem(*sd, *static_cast<TMenuItem*>(sender), canvas, selected, rect);
            };
            child->OnMeasureItem = [sd](TObject* sender, TCanvas&, int& width, int&) {
                if (sd->MenuItem) width += sd->MenuItem->r.Left;
                width += 10;
                TMenu* m = static_cast<TMenuItem*>(sender)->GetParentMenu();
                if (!m || !m->Images()) width += 25;
            };
        }
        AssignPainter(*child, sd, enable);
    }
}

void WalkPopups(TComponent* parent, TSkinData* sd, bool enable, int depth) {
    if (!parent || depth > 8) return;
    for (int i = 0; i < parent->ComponentCount(); ++i) {
        TComponent* c = parent->Components(i);
        if (dynamic_cast<TForm*>(c)) {
            WalkPopups(c, sd, enable, depth + 1);
            continue;
        }
        auto* popup = dynamic_cast<TPopupMenu*>(c);
        if (!popup || popup->Tag() == sd->DisableTag()) continue;
        popup->SetOwnerDraw(enable);
        SetSkinMenuPainter(*popup->Items(), sd, enable);
    }
}

}  // namespace

void InitToolbarMenu(TMenuItem* item, TSkinData* sd, bool enable) {
    if (item && sd) AssignPainter(*item, sd, enable);
}

void TMenuBarPart::InitPopMenu(TComponent* parent, bool enable, bool) {
    if (!sf.fsd || !parent) return;
    if (sf.classname == L"TwwRichEditForm") return;
    if (!sf.fsd->SkinControls().Contains(xcPopupMenu)) return;
    WalkPopups(parent, sf.fsd, enable, 0);
}

void TMenuBarPart::InitMainMenu(TComponent* form, bool enable, bool) {
    if (!sf.fsd || !form) return;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* mm = dynamic_cast<TMainMenu*>(form->Components(i));
        if (!mm) continue;
        mm->SetOwnerDraw(enable);
        // The bar's own items are drawn by the bar; their sub-menus by the skin.
        TMenuItem* root = mm->Items();
        for (int k = 0; k < root->Count(); ++k) ::InitToolbarMenu(root->Items(k), sf.fsd, enable);
    }
}

void TMenuBarPart::MeasureItem(TMenuItem& item, TCanvas& canvas, int& width, int& height) {
    // The item's own measuring, without any skin event on it.
    TMenuMeasureItemEvent own = std::move(item.OnMeasureItem);
    item.OnMeasureItem = nullptr;
    item.MeasureItem(canvas, width, height);
    item.OnMeasureItem = std::move(own);
    if (sf.fsd && sf.fsd->MenuItem) width += sf.fsd->MenuItem->r.Left;
    width += 10;
    TMenu* m = item.GetParentMenu();
    if (!m || !m->Images()) width += 25;
}

// ---- WM_MEASUREITEM / WM_DRAWITEM of the window's menus

namespace {

// A temporary item for a menu entry without a framework item.
std::unique_ptr<TMenuItem> CreateMenuItem(HMENU m, UINT id) {
    auto item = std::make_unique<TMenuItem>(nullptr);
    MENUITEMINFOW mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_STATE | MIIM_FTYPE;
    GetMenuItemInfoW(m, id, FALSE, &mii);
    std::wstring text = MenuText(m, id, false);
    const size_t tab = text.find(L'\t');
    if (tab != std::wstring::npos) text.resize(tab);
    item->SetCaption((mii.fType & MFT_SEPARATOR) || text.empty() ? L"-" : text);
    item->SetEnabled(!(mii.fState & (MFS_GRAYED | MFS_DISABLED)));
    item->SetChecked((mii.fState & MFS_CHECKED) != 0);
    return item;
}

bool SystemOwnedId(UINT id, TMenuItem* item) {
    return !item && id >= 1 && id <= 4095;
}

}  // namespace

void TMenuBarPart::WMMEASUREITEM(TMessage& m) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
    if (!mis || mis->CtlType != ODT_MENU || !sf.fsd || (!menu && !GetMenu(sf.Hwnd))) {
        sf.Default(m);
        return;
    }
    TMenuItem* item = MenuItemFromData(mis->itemData);
    if (SystemOwnedId(mis->itemID, item)) {
        sf.Default(m);
        return;
    }
    TCanvas& canvas = MenuMeasureCanvas();
    if (item) {
        int width = static_cast<int>(mis->itemWidth), height = static_cast<int>(mis->itemHeight);
        MeasureItem(*item, canvas, width, height);
        mis->itemWidth = static_cast<UINT>(std::max(width, 0));
        mis->itemHeight = static_cast<UINT>(std::max(height, 0));
    } else {
        // A raw entry: the menu holding it is not named here, so look in the
        // drop-down being shown (and its sub-menus) for the id.
        std::wstring text;
        bool separator = mis->itemID == 0;
        if (activemenu) {
            text = MenuText(activemenu, mis->itemID, false);
            MENUITEMINFOW mii{};
            mii.cbSize = sizeof mii;
            mii.fMask = MIIM_FTYPE;
            if (GetMenuItemInfoW(activemenu, mis->itemID, FALSE, &mii) && (mii.fType & MFT_SEPARATOR)) separator = true;
        }
        if (separator) {
            mis->itemWidth = 10;
            mis->itemHeight = 8;
        } else {
            mis->itemWidth = static_cast<UINT>(canvas.TextWidth(StripHotkey(text)) + 26 +
                                               (sf.fsd->MenuItem ? sf.fsd->MenuItem->r.Left : 0));
            mis->itemHeight = static_cast<UINT>(canvas.TextHeight(L"Wg") + 4);
        }
    }
    m.Result = TRUE;
}

void TMenuBarPart::WMDRAWITEM(TMessage& m) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    if (!dis || dis->CtlType != ODT_MENU || !sf.fsd || (!menu && !GetMenu(sf.Hwnd))) {
        sf.Default(m);
        return;
    }
    TMenuItem* item = MenuItemFromData(dis->itemData);
    if (SystemOwnedId(dis->itemID, item)) {
        sf.Default(m);
        return;
    }
    const auto owner = reinterpret_cast<HMENU>(dis->hwndItem);
    if (SkinManager) {
        SkinManager->SetHMenu(owner);
        SkinManager->SetPopMenu();
    }
    SavedDCState saved(dis->hDC);
    TCanvas canvas(dis->hDC);
    GetMenuFont(canvas.Font);
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    if (item) {
        if (sf.fsd->MenuItem && !sf.fsd->MenuItem->Map.Empty())
            DrawMenuItem(*sf.fsd, *item, canvas, selected, dis->rcItem);
        else
            DefaultMenuItem(*sf.fsd, *item, canvas, selected, dis->rcItem);
    } else {
        std::unique_ptr<TMenuItem> temp = CreateMenuItem(owner, dis->itemID);
        if (sf.fsd->MenuItem && !sf.fsd->MenuItem->Map.Empty())
            DrawMenuItem(*sf.fsd, *temp, canvas, selected, dis->rcItem);
        else
            DefaultMenuItem(*sf.fsd, *temp, canvas, selected, dis->rcItem);
    }
    m.Result = TRUE;
}
