// skinview's MDI window: a frame with a menu bar, a Window menu listing the
// children, and children that bring their own menu into the frame's bar, so
// a skin author sees the skinned frame, its children and the maximised
// state's buttons in the menu band. Windows only.
#pragma once

#include <string>

#include "framework/controls/FormsAndApplication.h"

class TMainMenu;
class TMenuItem;

class TMdiWindow : public TForm {
public:
    // Made with two children; closing it frees it.
    explicit TMdiWindow(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TMdiWindow"; }

    // A new child, numbered, placed where the client puts new ones.
    TForm* AddChild();

private:
    TMainMenu* menu_ = nullptr;
    int made_ = 0;
};
