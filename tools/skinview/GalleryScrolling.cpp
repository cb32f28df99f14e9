// The gallery's scrolling controls: a memo and a list box long enough to
// scroll, a scroll box whose content reaches beyond it, and scroll-bar
// controls of both kinds (one disabled). Region: x 610-990, y 70-264.
#include <string>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/ScrollingControls.h"
#include "tools/skinview/Gallery.h"

void TGalleryForm::BuildScrolling() {
    auto place = [this](TControl* c, TWinControl* parent, int left, int top, int width, int height) {
        c->SetParent(parent);
        c->SetBounds(left, top, width, height);
    };

    auto* memo = new TMemo(this);
    place(memo, this, 614, 74, 150, 112);
    memo->SetWordWrap(false);
    memo->SetScrollBars(ssBoth);
    std::wstring text;
    for (int i = 1; i <= 60; ++i)
        text +=
            L"Memo line " + std::to_wstring(i) + (i % 5 == 0 ? L", a longer one to scroll sideways" : L"") + L"\r\n";
    memo->SetText(text);

    auto* list = new TListBox(this);
    place(list, this, 770, 74, 104, 112);
    for (int i = 1; i <= 40; ++i) list->AddItem(L"List item " + std::to_wstring(i));
    list->SetItemIndex(2);

    auto* box = new TScrollBox(this);
    place(box, this, 880, 74, 106, 112);
    auto* inside = new TButton(this);
    place(inside, box, 8, 8, 70, 25);
    inside->SetCaption(L"Inside");
    auto* beyond = new TButton(this);
    place(beyond, box, 120, 150, 70, 25);
    beyond->SetCaption(L"Beyond");
    box->Realign();

    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    auto* horizontal = new TScrollBar(this);
    place(horizontal, this, 614, 196, 260, cy);
    horizontal->SetParams(30, 0, 100);
    horizontal->SetPageSize(20);
    horizontal->SetLargeChange(20);
    auto* disabled = new TScrollBar(this);
    place(disabled, this, 614, 222, 260, cy);
    disabled->SetParams(60, 0, 100);
    disabled->SetEnabled(false);
    auto* vertical = new TScrollBar(this);
    vertical->SetKind(sbVertical);
    place(vertical, this, 884, 194, GetSystemMetrics(SM_CXVSCROLL), 66);
    vertical->SetParams(10, 0, 50);
    vertical->SetPageSize(10);
}
