// The gallery's menu bar and its context menu: every kind of menu item a
// skin draws (sub-menus, check and radio items, shortcut texts, glyphs, a
// disabled item, separators).
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdlib>
#include <functional>

#include "framework/controls/Menus.h"
#include "tools/skinview/Gallery.h"

namespace {

// Owns the glyph list of the gallery's menus (freed with the form).
class MenuGlyphs : public TComponent {
public:
    explicit MenuGlyphs(TComponent* owner) : TComponent(owner) {
        list_ = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
        const COLORREF colours[2] = {RGB(46, 139, 87), RGB(200, 80, 40)};
        for (COLORREF colour : colours) {
            TBitmap glyph(16, 16, pf24bit);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const int d = std::abs(x - 8) + std::abs(y - 8);
                    glyph.SetPixel(x, y, d < 6 ? colour : d == 6 ? 0x202020 : 0xFF00FF);
                }
            ImageList_AddMasked(list_, glyph.Handle(), RGB(255, 0, 255));
        }
    }
    ~MenuGlyphs() override {
        if (list_) ImageList_Destroy(list_);
    }
    MenuGlyphs(const MenuGlyphs&) = delete;
    MenuGlyphs& operator=(const MenuGlyphs&) = delete;
    HIMAGELIST List() const { return list_; }

private:
    HIMAGELIST list_ = nullptr;
};

TMenuItem* Item(TMenuItem* parent, const std::wstring& caption, std::function<void()> action = nullptr) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    if (action) item->OnClick = [action](TObject*) { action(); };
    parent->Add(item);
    return item;
}

TMenuItem* Radio(TMenuItem* parent, const std::wstring& caption, uint8_t group, bool checked) {
    TMenuItem* item = Item(parent, caption);
    item->SetRadioItem(true);
    item->SetGroupIndex(group);
    item->SetAutoCheck(true);
    item->SetChecked(checked);
    return item;
}

TMenuItem* Check(TMenuItem* parent, const std::wstring& caption, bool checked) {
    TMenuItem* item = Item(parent, caption);
    item->SetAutoCheck(true);
    item->SetChecked(checked);
    return item;
}

}  // namespace

void TGalleryForm::BuildMenus() {
    auto* glyphs = new MenuGlyphs(this);
    auto* bar = new TMainMenu(this);
    bar->SetImages(glyphs->List());
    TMenuItem* root = bar->Items();

    TMenuItem* file = Item(root, L"&File");
    Item(file, L"&Open skin...", [this] { OpenSkinFile(); })->SetImageIndex(0);
    Item(file, L"&Built-in skin", [this] { LoadSkin(L"", false); });
    Item(file, L"-");
    Item(file, L"E&xit", [this] { Close(); })->SetShortCut(ShortCut(VK_F4, scAlt));

    TMenuItem* edit = Item(root, L"&Edit");
    Item(edit, L"&Undo")->SetShortCut(ShortCut('Z', scCtrl));
    TMenuItem* redo = Item(edit, L"&Redo");
    redo->SetShortCut(ShortCut('Y', scCtrl));
    redo->SetEnabled(false);
    Item(edit, L"-");
    Item(edit, L"Cu&t")->SetShortCut(ShortCut('X', scCtrl));
    TMenuItem* copy = Item(edit, L"&Copy");
    copy->SetShortCut(ShortCut('C', scCtrl));
    copy->SetImageIndex(1);
    Item(edit, L"&Paste")->SetShortCut(ShortCut('V', scCtrl));
    Item(edit, L"-");
    TMenuItem* find = Item(edit, L"&Find");
    Item(find, L"&Find...")->SetShortCut(ShortCut('F', scCtrl));
    Item(find, L"Find &next")->SetShortCut(ShortCut(VK_F3, 0));
    Item(find, L"&Replace...")->SetShortCut(ShortCut('H', scCtrl));

    TMenuItem* view = Item(root, L"&View");
    Check(view, L"&Status bar", true);
    Check(view, L"&Tool bar", false);
    Item(view, L"-");
    Radio(view, L"S&mall icons", 1, false);
    Radio(view, L"&Large icons", 1, true);
    Item(view, L"-");
    TMenuItem* zoom = Item(view, L"&Zoom");
    Radio(zoom, L"&50%", 2, false);
    Radio(zoom, L"&100%", 2, true);
    Radio(zoom, L"&200%", 2, false);
    TMenuItem* refresh = Item(view, L"&Refresh");
    refresh->SetShortCut(ShortCut(VK_F5, 0));
    refresh->SetDefault(true);

    // The bar takes its height from the client area: the gallery keeps its size.
    const int clientHeight = ClientRect().bottom;
    SetMenu(bar);
    if (HandleAllocated()) SetClientHeight(clientHeight);

    // A right click anywhere on the form.
    auto* context = new TPopupMenu(this);
    context->SetImages(glyphs->List());
    Item(context->Items(), L"&Built-in skin", [this] { LoadSkin(L"", false); })->SetImageIndex(0);
    Item(context->Items(), L"&Open skin...", [this] { OpenSkinFile(); });
    Item(context->Items(), L"-");
    Check(context->Items(), L"&Pinned", true);
    Item(context->Items(), L"P&roperties")->SetEnabled(false);
    SetPopupMenu(context);
}
