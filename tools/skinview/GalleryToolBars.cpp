// The gallery's tool bar and control bar (top right corner of the window).
#include <windows.h>

// clang-format off
#include <commctrl.h>
// clang-format on

#include <cstdlib>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/Menus.h"
#include "framework/controls/ToolBars.h"
#include "framework/graphics/Bitmap.h"
#include "tools/skinview/Gallery.h"

namespace {

// The tool bar's glyphs, freed with the gallery.
class TGlyphList : public TComponent {
public:
    explicit TGlyphList(TComponent* AOwner) : TComponent(AOwner) {
        handle = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0);
        const TColor colors[] = {0x2E8B57, 0x1E69D2, 0x3C14DC, 0x8B8B00, 0x800080};
        for (TColor c : colors) {
            // A square with a diamond cut out; magenta is the mask colour.
            TBitmap glyph(16, 16);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const int d = std::abs(x - 8) + std::abs(y - 8);
                    glyph.SetPixel(x, y, x < 2 || y < 2 || x > 13 || y > 13 ? 0xFF00FF : d < 4 ? 0xFFFFFF : c);
                }
            ImageList_AddMasked(handle, glyph.Handle(), RGB(255, 0, 255));
        }
    }
    ~TGlyphList() override { ImageList_Destroy(handle); }
    std::wstring ClassName() const override { return L"TGlyphList"; }
    HIMAGELIST handle = nullptr;
};

}  // namespace

void TGalleryForm::BuildToolBars() {
    auto* glyphs = new TGlyphList(this);
    auto* bar = new TToolBar(this);
    bar->SetParent(this);
    bar->SetBounds(610, 4, 380, 28);
    bar->SetImages(glyphs->handle);
    auto* more = new TPopupMenu(this);
    for (const wchar_t* caption : {L"Tool bar item", L"Another item"}) {
        auto* item = new TMenuItem(more->Items());
        item->SetCaption(caption);
        more->Items()->Add(item);
    }
    struct ButtonLook {
        TToolButtonStyle style;
        int image;
        bool down;
        bool enabled;
    };
    const ButtonLook looks[] = {{tbsButton, 0, false, true},     {tbsButton, 1, false, true},
                                {tbsSeparator, -1, false, true}, {tbsCheck, 2, true, true},
                                {tbsCheck, 3, false, true},      {tbsButton, 4, false, false},
                                {tbsSeparator, -1, false, true}, {tbsDropDown, 0, false, true}};
    for (const ButtonLook& s : looks) {
        auto* b = new TToolButton(bar);
        b->SetStyle(s.style);
        b->SetImageIndex(s.image);
        b->SetDown(s.down);
        b->SetEnabled(s.enabled);
        if (s.style == tbsDropDown) b->SetDropdownMenu(more);
    }

    auto* cbar = new TControlBar(this);
    cbar->SetParent(this);
    cbar->SetBounds(610, 34, 380, 30);
    cbar->SetRowSize(30);
    auto* first = new TButton(this);
    first->SetCaption(L"Band one");
    first->SetBounds(0, 0, 90, 22);
    cbar->AddBand(first);
    auto* second = new TCheckBox(this);
    second->SetCaption(L"Band two");
    second->SetBounds(0, 0, 100, 20);
    second->SetChecked(true);
    cbar->AddBand(second);
}
