#include "tools/skinview/MdiWindow.h"

#include <algorithm>
#include <functional>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/Menus.h"
#include "tools/skinview/Gallery.h"

namespace {

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const std::wstring& caption, std::function<void()> action,
                   uint8_t group = 0) {
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    item->SetGroupIndex(group);
    if (action) item->OnClick = [action](TObject*) { action(); };
    parent->Add(item);
    return item;
}

// Groups of the frame's bar: File first, the child's own menu next, Window last.
constexpr uint8_t kFileGroup = 0, kChildGroup = 1, kWindowGroup = 9;

class TMdiChildWindow : public TForm {
public:
    TMdiChildWindow(TComponent* AOwner, int number) : TForm(AOwner) {
        SetFormStyle(fsMDIChild);
        SetCaption(L"Document " + std::to_wstring(number));
        // Each one down and right of the one before, as a cascade lays them.
        const int step = ((number - 1) % 8) * 26;
        SetBounds(step, step, 300, 200);
        auto* menu = new TMainMenu(this);
        TMenuItem* doc = AddItem(this, menu->Items(), L"&Document", nullptr, kChildGroup);
        AddItem(this, doc, L"Ma&ximize", [this] { SetWindowState(wsMaximized); });
        AddItem(this, doc, L"Mi&nimize", [this] { SetWindowState(wsMinimized); });
        AddItem(this, doc, L"&Restore", [this] { SetWindowState(wsNormal); });
        AddItem(this, doc, L"-", nullptr);
        AddItem(this, doc, L"&Close", [this] { Close(); });
        SetMenu(menu);

        auto* label = new TLabel(this);
        label->SetParent(this);
        label->SetBounds(12, 12, 260, 20);
        label->SetCaption(L"An MDI child in the skin.");
        auto* check = new TCheckBox(this);
        check->SetParent(this);
        check->SetBounds(12, 40, 200, 20);
        check->SetCaption(L"A check box");
        auto* button = new TButton(this);
        button->SetParent(this);
        button->SetBounds(12, 70, 100, 25);
        button->SetCaption(L"Close");
        button->OnClick = [this](TObject*) { Close(); };
    }
    std::wstring ClassName() const override { return L"TMdiChildWindow"; }
};

}  // namespace

TMdiWindow::TMdiWindow(TComponent* AOwner) : TForm(AOwner) {
    SetFormStyle(fsMDIForm);
    SetCaption(L"skinview MDI");
    SetBounds(80, 60, 720, 520);
    OnClose = [](TObject*, TCloseAction& action) { action = caFree; };

    menu_ = new TMainMenu(this);
    TMenuItem* file = AddItem(this, menu_->Items(), L"&File", nullptr, kFileGroup);
    AddItem(this, file, L"&New window", [this] { AddChild(); });
    AddItem(this, file, L"-", nullptr);
    AddItem(this, file, L"&Close", [this] { Close(); });
    TMenuItem* window = AddItem(this, menu_->Items(), L"&Window", nullptr, kWindowGroup);
    AddItem(this, window, L"&Tile", [this] { Tile(); });
    AddItem(this, window, L"&Cascade", [this] { Cascade(); });
    AddItem(this, window, L"&Arrange icons", [this] { ArrangeIcons(); });
    SetMenu(menu_);
    SetWindowMenu(window);

    Show();
    AddChild();
    AddChild();
}

TForm* TMdiWindow::AddChild() {
    auto* child = new TMdiChildWindow(this, ++made_);
    child->Show();
    return child;
}

void TGalleryForm::BuildMdi() {
    // File > New window: in the menu bar's File menu, and in the File button's popup.
    auto add = [this](TMenuItem* file) {
        auto* item = new TMenuItem(this);
        item->SetCaption(L"&New window");
        item->OnClick = [this](TObject*) { new TMdiWindow(this); };
        file->Insert(std::min(2, file->Count()), item);
    };
    if (Menu() && Menu()->Items()->Count() > 0) add(Menu()->Items()->Items(0));
    add(fileMenu_->Items());
}
