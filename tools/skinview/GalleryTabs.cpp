// The gallery's tab controls: page controls with tabs at the top (with
// images), at the bottom, as buttons and with close boxes, a tab control with
// its tabs at the left, and a tab set, in the lower left of the window.
#include "framework/controls/ButtonControls.h"
#include "framework/controls/TabControls.h"
#include "tools/skinview/Gallery.h"

void DrawDiamondGlyph(TBitmap& glyph, TColor color);

namespace {

// The tabs' images, freed with the form.
class TabImagesHolder : public TComponent {
public:
    explicit TabImagesHolder(TComponent* owner) : TComponent(owner), images(16, 16) {}
    TTabImages images;
};

TPageControl* PagesAt(TWinControl* parent, int left, int top, int width, int height,
                      std::initializer_list<const wchar_t*> captions) {
    auto* pc = new TPageControl(parent);
    pc->SetParent(parent);
    pc->SetBounds(left, top, width, height);
    for (const wchar_t* caption : captions) {
        auto* page = new TTabSheet(parent);
        page->SetCaption(caption);
        page->SetPageControl(pc);
    }
    return pc;
}

}  // namespace

void TGalleryForm::BuildTabs() {
    auto* holder = new TabImagesHolder(this);
    const TColor colours[] = {0x2E8B57, 0x3060C0, 0xB04020};
    for (TColor c : colours) {
        TBitmap glyph;
        DrawDiamondGlyph(glyph, c);
        holder->images.Add(glyph, 0xFF00FF);
    }

    auto* top = PagesAt(this, 8, 408, 196, 110, {L"Home", L"Files", L"Log"});
    top->SetImages(holder->images.Handle());
    for (int i = 0; i < top->PageCount(); ++i) top->Pages(i)->SetImageIndex(i);
    auto* note = new TLabel(this);
    note->SetParent(top->Pages(0));
    note->SetBounds(8, 8, 0, 0);
    note->SetCaption(L"Tabs at the top");

    auto* bottom = PagesAt(this, 210, 408, 190, 110, {L"First", L"Second", L"Third"});
    bottom->SetTabPosition(tpBottom);
    bottom->SetActivePageIndex(1);

    auto* left = new TTabControl(this);
    left->SetParent(this);
    left->SetBounds(406, 408, 194, 233);
    left->SetTabPosition(tpLeft);
    for (const wchar_t* s : {L"One", L"Two", L"Three"}) left->AddTab(s);

    auto* buttons = PagesAt(this, 8, 524, 196, 90, {L"Buttons", L"As", L"Tabs"});
    buttons->SetStyle(tsButtons);

    // Tag 7777: a close box on every tab.
    auto* closing = PagesAt(this, 210, 524, 190, 90, {L"Close", L"Me", L"Too"});
    closing->SetTag(7777);

    auto* set = new TTabSet(this);
    set->SetParent(this);
    set->SetBounds(8, 620, 392, 21);
    for (const wchar_t* s :
         {L"Sheet1", L"Sheet2", L"Sheet3", L"Sheet4", L"Sheet5", L"Sheet6", L"Sheet7", L"Sheet8", L"Sheet9"})
        set->AddTab(s);
    set->SetTabIndex(0);
}
