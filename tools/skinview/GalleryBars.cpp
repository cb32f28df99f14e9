// The gallery's bars: a header with three alignments, track bars across and
// down with ticks, and a status bar along the bottom with one panel of each
// bevel and a size grip.
#include "framework/controls/BarControls.h"
#include "tools/skinview/Gallery.h"

void TGalleryForm::BuildBars() {
    auto* header = new THeaderControl(this);
    header->SetParent(this);
    header->SetBounds(610, 272, 280, 22);
    const wchar_t* names[] = {L"Name", L"Size", L"Date"};
    const TAlignment alignments[] = {taLeftJustify, taRightJustify, taCenter};
    for (int i = 0; i < 3; ++i) {
        THeaderSection* s = header->AddSection();
        s->SetText(names[i]);
        s->SetWidth(i == 0 ? 110 : 85);
        s->SetAlignment(alignments[i]);
    }

    auto* across = new TTrackBar(this);
    across->SetParent(this);
    across->SetBounds(610, 304, 280, 40);
    across->SetRange(0, 10);
    across->SetPosition(3);
    auto* coarse = new TTrackBar(this);
    coarse->SetParent(this);
    coarse->SetBounds(610, 352, 280, 40);
    coarse->SetRange(0, 100);
    coarse->SetFrequency(10);
    coarse->SetPosition(70);

    auto* down = new TTrackBar(this);
    down->SetParent(this);
    down->SetOrientation(trVertical);
    down->SetBounds(920, 272, 40, 124);
    down->SetRange(0, 10);
    down->SetFrequency(2);
    down->SetPosition(6);

    auto* status = new TStatusBar(this);
    status->SetParent(this);
    status->SetBounds(0, 650, 996, 22);
    const wchar_t* texts[] = {L"Ready", L"Raised panel", L"No bevel"};
    const TPanelBevel bevels[] = {pbLowered, pbRaised, pbNone};
    for (int i = 0; i < 3; ++i) {
        TStatusPanel* p = status->AddPanel();
        p->SetText(texts[i]);
        p->SetBevel(bevels[i]);
        p->SetWidth(i == 2 ? 140 : 220);
    }
}
