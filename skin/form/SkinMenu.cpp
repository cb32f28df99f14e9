// The system check-mark bitmap (OBM_CHECK) is an OEM resource.
#define OEMRESOURCE

#include "skin/form/SkinMenu.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "framework/controls/FormsAndApplication.h"
#include "framework/graphics/GdiHandles.h"
#include "skin/draw/DrawUtils.h"
#include "skin/form/SkinData_win.h"
#include "skin/form/SkinManager.h"

namespace {

TColor SchemeColor(const TSkinData& sd, TShemeColor slot) {
    return ColorToRGB(sd.Colors[slot]);
}

const TDataSkinObject* MenuItemObject(const TSkinData& sd) {
    const TDataSkinObject* mi = sd.MenuItem.get();
    return mi && !mi->Map.Empty() ? mi : nullptr;
}

HIMAGELIST ImagesOf(const TMenuItem& item) {
    TMenu* menu = item.GetParentMenu();
    return menu ? menu->Images() : nullptr;
}

// An 8 x 8 two-colour checker, as the face of a checked glyph box.
UniqueBrush CheckerBrush() {
    static const WORD rows[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    UniqueBitmap pattern(CreateBitmap(8, 8, 1, 1, rows));
    return UniqueBrush(pattern ? CreatePatternBrush(pattern.get()) : nullptr);
}

// An icon handle freed with DestroyIcon.
struct IconOwner {
    HICON icon;
    ~IconOwner() {
        if (icon) DestroyIcon(icon);
    }
};

void DrawGlyph(HIMAGELIST images, int index, HDC dc, int x, int y, bool enabled) {
    if (enabled) {
        ImageList_Draw(images, index, dc, x, y, ILD_TRANSPARENT);
        return;
    }
    IconOwner icon{ImageList_GetIcon(images, index, ILD_TRANSPARENT)};
    if (icon.icon)
        DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.icon), 0, x, y, 0, 0, DST_ICON | DSS_DISABLED);
}

// The system's check mark, centred in box, in the button text colour.
void DrawCheckMark(HDC dc, const RECT& box) {
    UniqueBitmap check(LoadBitmapW(nullptr, MAKEINTRESOURCEW(OBM_CHECK)));
    if (!check) return;
    BITMAP info{};
    GetObjectW(check.get(), sizeof info, &info);
    const int x = box.left + (box.right - box.left - info.bmWidth) / 2;
    const int y = box.top + (box.bottom - box.top - info.bmHeight) / 2;
    DrawStateW(dc, GetSysColorBrush(COLOR_BTNTEXT), nullptr, reinterpret_cast<LPARAM>(check.get()), 0, x, y,
               info.bmWidth, info.bmHeight, DST_BITMAP | DSS_MONO);
}

// Pictures composed from the skin for popup menus, kept from one opening
// to the next: each opening makes a new popup window, but its background and
// its item frames change only with the skin and the size. Found by the skin's
// build id, so a picture of a replaced skin is never handed out; bounded in
// count and in pixels, the least recently used going first.
enum class MenuPicture { Background, Item, SelectedItem };

class MenuPictureCache {
public:
    // Shared: a popup keeps its background while it is open, whatever the
    // cache drops meanwhile.
    template <typename Compose>
    std::shared_ptr<const TBitmap> Get(uint64_t build, MenuPicture kind, int width, int height, Compose&& compose) {
        ++clock_;
        for (Entry& e : entries_)
            if (e.build == build && e.kind == kind && e.width == width && e.height == height) {
                e.used = clock_;
                return e.picture;
            }
        const int64_t pixels = int64_t{width} * height;
        while (!entries_.empty() && (entries_.size() >= kMaxEntries || pixels_ + pixels > kMaxPixels)) {
            auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                           [](const Entry& a, const Entry& b) { return a.used < b.used; });
            pixels_ -= int64_t{oldest->width} * oldest->height;
            entries_.erase(oldest);
        }
        auto picture = std::make_shared<TBitmap>(0, 0, pf24bit);
        compose(*picture);
        pixels_ += pixels;
        entries_.push_back(Entry{build, kind, width, height, clock_, picture});
        return picture;
    }
    void Clear() {
        entries_.clear();
        pixels_ = 0;
    }

private:
    // A few menus' worth: backgrounds of some popup sizes and item frames of
    // their widths. A single larger picture is still kept, alone.
    static constexpr size_t kMaxEntries = 16;
    static constexpr int64_t kMaxPixels = int64_t{4} << 20;
    struct Entry {
        uint64_t build;
        MenuPicture kind;
        int width, height;
        uint64_t used;
        std::shared_ptr<const TBitmap> picture;
    };
    std::vector<Entry> entries_;
    int64_t pixels_ = 0;
    uint64_t clock_ = 0;
};

MenuPictureCache& Pictures() {
    static MenuPictureCache cache;
    return cache;
}

// The bitmap every skinned item is composed in: a bitmap and a font handle
// made per item cost more than drawing it. It only grows (items of a menu
// differ only in height), up to a bound past which an item gets its own.
constexpr int64_t kMaxScratchPixels = int64_t{1} << 20;
std::unique_ptr<TBitmap>& ItemScratch() {
    static std::unique_ptr<TBitmap> scratch;
    return scratch;
}
// The same for the client area of a popup while the system paints it.
std::unique_ptr<TBitmap>& PopupScratch() {
    static std::unique_ptr<TBitmap> scratch;
    return scratch;
}

// A scratch bitmap of at least w x h; a private one in own when that is
// beyond the bound.
TBitmap& ScratchOf(std::unique_ptr<TBitmap>& scratch, std::unique_ptr<TBitmap>& own, int w, int h) {
    if (int64_t{w} * h > kMaxScratchPixels) {
        own = std::make_unique<TBitmap>(w, h, pf24bit);
        return *own;
    }
    if (!scratch) scratch = std::make_unique<TBitmap>(0, 0, pf24bit);
    if (scratch->Width() < w || scratch->Height() < h)
        scratch->SetSize(std::max(w, scratch->Width()), std::max(h, scratch->Height()));
    return *scratch;
}

}  // namespace

void ForgetMenuPictures() {
    Pictures().Clear();
    ItemScratch().reset();
    PopupScratch().reset();
}

// ---- The item painter

void DrawMenuItem(TSkinData& sd, TMenuItem& item, TCanvas& canvas, bool selected, const RECT& rect) {
    if (SkinManager) SkinManager->SetPopMenu();
    const TDataSkinObject* mi = MenuItemObject(sd);
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (w <= 0 || h <= 0) return;
    // Composed apart also without an item image: the caller's canvas is new
    // for every item, and its text would need a font made for each one.
    std::unique_ptr<TBitmap> own;
    TBitmap& piece = ScratchOf(ItemScratch(), own, w, h);
    TCanvas& c = piece.Canvas();
    GetMenuFont(c.Font);
    if (!mi) {
        DefaultMenuItem(sd, item, c, selected, RECT{0, 0, w, h});
        BitBlt(canvas.Handle(), rect.left, rect.top, w, h, piece.DC(), 0, 0, SRCCOPY);
        return;
    }
    const HMENU parentMenu = item.Parent() ? item.Parent()->MenuHandle() : nullptr;
    if (SkinManager) SkinManager->SetHMenu(parentMenu);

    const TRect whole = Rect(0, 0, w, h);
    c.Brush.Style = bsSolid;  // the previous item's text left it clear
    c.Brush.Color = SchemeColor(sd, csMenubg);
    c.FillRect(whole);
    // The popup's own background behind the item, where the popup has one.
    const TWinSkinPopMenu* popup = SkinManager ? SkinManager->FindPopupForMenu(parentMenu) : nullptr;
    if (const TBitmap* bg = popup ? popup->MenuBg() : nullptr)
        c.CopyRect(whole, *bg, Bounds(rect.left + popup->clientOffset.X, rect.top + popup->clientOffset.Y, w, h));

    if (item.IsLine()) {
        DrawMenuCaption(sd, c, RECT{0, 0, w, h});
    } else {
        const auto frame = Pictures().Get(
            sd.BuildId(), selected ? MenuPicture::SelectedItem : MenuPicture::Item, w, h, [&](TBitmap& out) {
                GetHMap(out, whole, mi->Map, mi->r, selected ? 4 : 1, std::max(mi->frame, 1), mi->Tile != 0, false);
            });
        if (mi->trans != 0)
            c.DrawTransparent(0, 0, *frame, kSkinKeyColor);
        else
            c.Draw(0, 0, *frame);
        DrawItemText(sd, item, c, selected, RECT{0, 0, w, h});
    }
    BitBlt(canvas.Handle(), rect.left, rect.top, w, h, piece.DC(), 0, 0, SRCCOPY);
}

void DefaultMenuItem(TSkinData& sd, TMenuItem& item, TCanvas& canvas, bool selected, const RECT& rect) {
    canvas.Brush.Style = bsSolid;
    canvas.Brush.Color = SchemeColor(sd, selected ? csHilight : csMenubg);
    canvas.FillRect(FromRECT(rect));
    DrawItemText(sd, item, canvas, selected, rect);
}

void MeasureItemPop(const TSkinData* sd, TMenuItem& item, TCanvas&, int& width, int&) {
    if (sd && sd->MenuItem) width += sd->MenuItem->r.Left;
    width += 12;
    if (!ImagesOf(item)) width += 23;
}

void DrawItemText(TSkinData& sd, TMenuItem& item, TCanvas& canvas, bool selected, const RECT& rect) {
    HDC dc = canvas.Handle();
    const TDataSkinObject* mi = MenuItemObject(sd);
    HIMAGELIST images = ImagesOf(item);
    int glyphWidth = 16, glyphHeight = 16;
    if (images) ImageList_GetIconSize(images, &glyphWidth, &glyphHeight);
    if (item.Checked()) glyphWidth = std::max(glyphWidth, 16);

    RECT glyph{rect.left + 1 + (mi ? mi->r.Left : 0), rect.top + 1, 0, 0};
    glyph.right = item.IsLine() ? glyph.left : glyph.left + glyphWidth;
    glyph.bottom = glyph.top + glyphHeight;
    if (!item.IsLine()) {
        const int index = item.ImageIndex();
        if (images && index >= 0 && index < ImageList_GetImageCount(images)) {
            if (item.Checked()) {
                UniqueBrush checker = CheckerBrush();
                const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
                const COLORREF oldBk = SetBkColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
                if (checker) FillRect(dc, &glyph, checker.get());
                SetBkColor(dc, oldBk);
                SetTextColor(dc, oldText);
                RECT edge = glyph;
                DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
            }
            DrawGlyph(images, index, dc, glyph.left, glyph.top, item.Enabled());
        } else if (item.Checked()) {
            DrawCheckMark(dc, glyph);
        }
    }

    const RECT textArea{glyph.right + 3, rect.top, rect.right - 1, rect.bottom};
    RECT measured = textArea;
    DoDrawText(sd, item, canvas, item.Caption(), measured, selected,
               DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_SINGLELINE);
    const int textHeight = measured.bottom - measured.top;
    const int top = rect.top + (rect.bottom - rect.top - textHeight) / 2;
    RECT text{textArea.left, top, textArea.right, top + textHeight};
    DoDrawText(sd, item, canvas, item.Caption(), text, selected, DT_EXPANDTABS | DT_SINGLELINE);

    const std::wstring keys = ShortCutToText(item.ShortCut());
    if (!keys.empty() && !item.IsLine()) {
        RECT keyRect{measured.right, top, rect.right - 11, top + textHeight};
        DoDrawText(sd, item, canvas, keys, keyRect, selected, DT_RIGHT | DT_EXPANDTABS | DT_SINGLELINE);
    }
}

int DoDrawText(TSkinData& sd, TMenuItem& item, TCanvas& canvas, const std::wstring& text, RECT& rect, bool selected,
               UINT flags) {
    const bool measuring = (flags & DT_CALCRECT) != 0;
    std::wstring shown = text;
    // DrawTextW measures nothing for these; the item still needs a height.
    if (measuring && (shown.empty() || shown == L"&")) shown += L" ";
    if (item.IsLine()) {
        if (measuring) return 0;
        RECT line{rect.left, rect.top + 4, rect.right, rect.bottom};
        DrawEdge(canvas.Handle(), &line, EDGE_ETCHED, BF_TOP);
        return 0;
    }
    canvas.Brush.Style = bsClear;
    if (item.Default())
        canvas.Font.Style |= fsBold;
    else
        canvas.Font.Style &= static_cast<uint8_t>(~fsBold);
    TColor color = SchemeColor(sd, selected ? csHilightText : csMenuText);
    if (!item.Enabled()) {
        color = SchemeColor(sd, csButtonShadow);
        if (color == SchemeColor(sd, csMenuText)) color = ColorToRGB(clBtnShadow);
    }
    canvas.Font.Color = color;
    TRect r = FromRECT(rect);
    const int height = canvas.DrawText(shown, r, flags);
    rect = ToRECT(r);
    return height;
}

void DrawMenuCaption(TSkinData& sd, TCanvas& canvas, const RECT& rect) {
    const TDataSkinObject* mi = MenuItemObject(sd);
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (!mi || w <= 0 || h <= 0) return;
    const TRect frame = SkinFrameRect(mi->Map, 2, std::max(mi->frame, 1), false);
    const int top = std::max(frame.Top, frame.Bottom - h);
    int left = mi->r.Left, right = mi->r.Right;
    if (w < left + right || frame.Width() < left + right) left = right = 0;
    // Composed apart, then keyed onto the canvas: magenta shows what lies under it.
    TBitmap piece(w, h, pf24bit);
    TCanvas& c = piece.Canvas();
    c.Brush.Color = kSkinKeyColor;
    c.FillRect(Rect(0, 0, w, h));
    if (left > 0) c.CopyRect(Rect(0, 0, left, h), mi->Map, Rect(frame.Left, top, frame.Left + left, frame.Bottom));
    c.CopyRect(Rect(left, 0, w - right, h), mi->Map, Rect(frame.Left + left, top, frame.Right - right, frame.Bottom));
    if (right > 0)
        c.CopyRect(Rect(w - right, 0, w, h), mi->Map, Rect(frame.Right - right, top, frame.Right, frame.Bottom));
    canvas.DrawTransparent(rect.left, rect.top, piece, kSkinKeyColor);
}

void SetSkinMenuPainter(TMenuItem& root, TSkinData* sd, bool enable) {
    for (int i = 0; i < root.Count(); ++i) {
        TMenuItem* item = root.Items(i);
        if (enable && sd) {
            item->OnDrawItem = [sd](TObject* sender, TCanvas& canvas, const RECT& rect, bool selected) {
                DrawMenuItem(*sd, *static_cast<TMenuItem*>(sender), canvas, selected, rect);
            };
            if (!item->OnMeasureItem)
                item->OnMeasureItem = [sd](TObject* sender, TCanvas& canvas, int& width, int& height) {
                    MeasureItemPop(sd, *static_cast<TMenuItem*>(sender), canvas, width, height);
                };
        } else {
            item->OnDrawItem = nullptr;
            item->OnMeasureItem = nullptr;
        }
        SetSkinMenuPainter(*item, sd, enable);
    }
}

// ---- The skinned system menu

std::unique_ptr<TPopupMenu> CreateSkinSysMenu(TComponent* owner, TSkinData& sd, HWND window, HMENU hsysmenu,
                                              bool maximised, bool minimised, bool minBox, bool maxBox) {
    if (!hsysmenu) return nullptr;
    auto menu = std::make_unique<TPopupMenu>(owner);
    menu->SetOwnerDraw(true);
    menu->SetImages(sd.bmpmenu.get());
    const bool normal = !maximised && !minimised;
    const int count = GetMenuItemCount(hsysmenu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[81] = L"";
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_STATE | MIIM_ID | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = 80;
        if (!GetMenuItemInfoW(hsysmenu, static_cast<UINT>(i), TRUE, &mii)) continue;
        text[80] = 0;
        auto* item = new TMenuItem(menu.get());
        menu->Items()->Add(item);
        item->SetCaption(text[0] ? std::wstring(text) : std::wstring(L"-"));
        item->SetTag(static_cast<intptr_t>(mii.wID));
        item->SetChecked((mii.fState & MFS_CHECKED) != 0);
        // Greyed or disabled in the real menu: neither can be chosen there.
        const bool enabledInMenu = (mii.fState & (MF_GRAYED | MF_DISABLED)) == 0;
        int image = -1;
        bool enabled = enabledInMenu;
        switch (mii.wID & 0xFFF0) {
            case SC_SIZE:
            case SC_MOVE: enabled = !maximised; break;
            case SC_MINIMIZE:
                image = 2;
                enabled = !minimised && minBox;
                break;
            case SC_MAXIMIZE:
                image = 1;
                enabled = !maximised && maxBox;
                break;
            case SC_CLOSE: image = 3; break;
            case SC_RESTORE:
                image = 0;
                enabled = !normal;
                break;
            default: break;
        }
        item->SetImageIndex(image);
        item->SetEnabled(enabled);
        item->OnClick = [window](TObject* sender) {
            PostMessageW(window, WM_SYSCOMMAND, static_cast<WPARAM>(static_cast<TMenuItem*>(sender)->Tag()), 0);
        };
    }
    SetSkinMenuPainter(*menu->Items(), &sd, true);
    return menu;
}

// ---- Popup menu windows

TWinSkinPopMenu::~TWinSkinPopMenu() {
    UnSubClass();
}

void TWinSkinPopMenu::InitSkin(HWND window, TSkinData* data, HMENU menu) {
    hwnd = window;
    fsd = data;
    hmenu = menu;
    ownerdraw = false;
    subclassed_ = SetWindowSubclass(hwnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void TWinSkinPopMenu::UnSubClass() {
    if (subclassed_) {
        RemoveWindowSubclass(hwnd, SubclassProc, 1);
        subclassed_ = false;
    }
    menuBg_.reset();
}

bool TWinSkinPopMenu::HasBackground() const {
    return fsd && fsd->MenuitemBG && !fsd->MenuitemBG->Map.Empty();
}

void TWinSkinPopMenu::ComposeBackground() {
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    clientOffset = Point(origin.x - window.left, origin.y - window.top);
    const int w = window.right - window.left, h = window.bottom - window.top;
    if (!menuBg_ || menuBg_->Width() != w || menuBg_->Height() != h || bgBuild_ != fsd->BuildId()) {
        const TDataSkinObject& bg = *fsd->MenuitemBG;
        menuBg_ = Pictures().Get(fsd->BuildId(), MenuPicture::Background, w, h, [&](TBitmap& out) {
            GetHMap(out, Rect(0, 0, w, h), bg.Map, bg.r, 1, 1, bg.Tile != 0, false);
        });
        bgBuild_ = fsd->BuildId();
    }
    if (!hmenu && paintOrder == 0) {
        static uint64_t painted = 0;
        paintOrder = ++painted;
    }
}

void TWinSkinPopMenu::PaintClient() {
    // Some systems draw the popup's border and background inside its client
    // area (the window has no non-client frame), over what WM_NCPAINT drew.
    // So the system paints the client off screen, items included, and the
    // skin's background then covers every part that is not an item.
    PaintDC paint(hwnd);
    if (!paint.get()) return;
    if (!MenuBg()) ComposeBackground();
    const TBitmap* bg = MenuBg();
    if (!bg) return;
    RECT client{};
    GetClientRect(hwnd, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    std::unique_ptr<TBitmap> own;
    HDC mem = ScratchOf(PopupScratch(), own, client.right, client.bottom).DC();
    DefSubclassProc(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT | PRF_ERASEBKGND);
    UniqueRegion outside(CreateRectRgn(0, 0, client.right, client.bottom));
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(hwnd, MN_GETHMENU, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        RECT item{};
        if (!GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &item)) continue;
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&item), 2);
        UniqueRegion itemRegion(CreateRectRgnIndirect(&item));
        CombineRgn(outside.get(), outside.get(), itemRegion.get(), RGN_DIFF);
    }
    {
        SavedDCState saved(mem);
        SelectClipRgn(mem, outside.get());
        BitBlt(mem, 0, 0, client.right, client.bottom, bg->DC(), clientOffset.X, clientOffset.Y, SRCCOPY);
    }
    BitBlt(paint.get(), 0, 0, client.right, client.bottom, mem, 0, 0, SRCCOPY);
}

LRESULT CALLBACK TWinSkinPopMenu::SubclassProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR refData) noexcept {
    auto* self = reinterpret_cast<TWinSkinPopMenu*>(refData);
    try {
        return self->WinWndProc(msg, wParam, lParam);
    } catch (...) {
        Application->HandleException(nullptr);
    }
    return DefSubclassProc(window, msg, wParam, lParam);
}

LRESULT TWinSkinPopMenu::WinWndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND window = hwnd;
    if (msg == CN_SkinQuery) return 1;
    if (msg == WM_NCDESTROY) {
        // The manager frees us when the window goes (its hook); should it not
        // have, the subclass still goes with the window.
        UnSubClass();
        if (SkinManager && SkinManager->FindSkinMenu(window) == this) SkinManager->DeleteMenu(window);
        return DefSubclassProc(window, msg, wParam, lParam);
    }
    if (!SkinManager || !SkinManager->active) return DefSubclassProc(window, msg, wParam, lParam);
    switch (msg) {
        case WM_DESTROY: UnSubClass(); return DefSubclassProc(window, msg, wParam, lParam);
        case WM_ERASEBKGND:
            if (!(fsd && fsd->Options().Contains(xoMenuBG))) DefSubclassProc(window, msg, wParam, lParam);
            return 1;
        case WM_NCPAINT: {
            if (!HasBackground() || wParam != 1) break;
            WindowDC dc = WindowDC::Whole(window);
            if (!dc) break;
            ComposeBackground();
            const TBitmap* bg = MenuBg();
            if (!bg) break;
            // The client area is painted on WM_PAINT, which always follows.
            RECT client{};
            GetClientRect(window, &client);
            ExcludeClipRect(dc.get(), clientOffset.X, clientOffset.Y, clientOffset.X + client.right,
                            clientOffset.Y + client.bottom);
            BitBlt(dc.get(), 0, 0, bg->Width(), bg->Height(), bg->DC(), 0, 0, SRCCOPY);
            return 0;
        }
        case WM_PAINT:
            if (!HasBackground()) break;
            PaintClient();
            return 0;
        case WM_PRINT: {
            if (!HasBackground()) break;
            const auto dc = reinterpret_cast<HDC>(wParam);
            ComposeBackground();
            const TBitmap* bg = MenuBg();
            if (!bg) break;
            BitBlt(dc, 0, 0, bg->Width(), bg->Height(), bg->DC(), 0, 0, SRCCOPY);
            SavedDCState saved(dc);
            SetBkMode(dc, TRANSPARENT);
            IntersectClipRect(dc, 3, 3, bg->Width() - 3, bg->Height() - 3);
            return DefSubclassProc(window, msg, wParam, lParam);
        }
        default: break;
    }
    return DefSubclassProc(window, msg, wParam, lParam);
}
