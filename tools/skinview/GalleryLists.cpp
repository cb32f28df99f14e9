// The gallery's list corner: a list view with columns (sorted by a click on a
// column's header), a check list box with checked, grayed, disabled and
// header items, and two media players (every button; only Play and Stop).
#include "framework/controls/ListViews.h"
#include "framework/controls/MediaPlayer.h"
#include "tools/skinview/Gallery.h"

void TGalleryForm::BuildLists() {
    auto* list = new TListView(this);
    list->SetParent(this);
    list->SetBounds(610, 405, 200, 150);
    list->AddColumn(L"File", 90);
    list->AddColumn(L"Size", 50);
    list->AddColumn(L"State", 70);
    const wchar_t* rows[][3] = {{L"updater.exe", L"412", L"current"}, {L"skin.dat", L"96", L"changed"},
                                {L"readme.txt", L"3", L"new"},        {L"lang\\zh.ini", L"12", L"changed"},
                                {L"help.chm", L"820", L"current"},    {L"tool.exe", L"2048", L"changed"},
                                {L"plugins\\a.dll", L"128", L"new"},  {L"plugins\\b.dll", L"64", L"current"},
                                {L"license.txt", L"5", L"current"},   {L"data\\base.db", L"4096", L"changed"}};
    for (auto& r : rows) list->AddItem(r[0], {r[1], r[2]});
    list->SetItemIndex(1);
    list->OnColumnClick = [list](TObject*, int column) {
        list->SortBy(column, list->SortColumn() == column ? !list->SortAscending() : true);
    };

    auto* checks = new TCheckListBox(this);
    checks->SetParent(this);
    checks->SetBounds(820, 405, 170, 150);
    checks->SetAllowGrayed(true);
    for (const wchar_t* s : {L"Components", L"Main program", L"Skins", L"Languages", L"Plug-ins", L"Help files",
                             L"Samples", L"Source code", L"Debug symbols", L"Old versions"})
        checks->Add(s);
    checks->SetHeader(0, true);
    checks->SetChecked(1, true);
    checks->SetChecked(2, true);
    checks->SetState(3, cbGrayed);
    checks->SetChecked(5, true);
    checks->SetItemEnabled(4, false);
    checks->SetItemIndex(2);

    auto* player = new TMediaPlayer(this);
    player->SetParent(this);
    player->SetBounds(610, 568, 253, 30);
    player->SetEnabledButtons(kAllMPButtons & ~MPButton(btRecord) & ~MPButton(btEject));
    player->SetColoredButtons(MPButton(btPlay) | MPButton(btPause) | MPButton(btStop));

    auto* small = new TMediaPlayer(this);
    small->SetParent(this);
    small->SetBounds(610, 608, 120, 30);
    small->SetVisibleButtons(MPButton(btPlay) | MPButton(btStop));
}
