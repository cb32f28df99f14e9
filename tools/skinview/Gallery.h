// The gallery window of skinview: one of every control kind the skin engine
// draws, in the states a skin author wants to see, under a skin that can be
// switched while the window is open. Windows only.
#pragma once

#include <memory>
#include <string>

#include "framework/controls/FormsAndApplication.h"

class TSkinData;
class TButton;
class TPopupMenu;

class TGalleryForm : public TForm {
public:
    explicit TGalleryForm(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TGalleryForm"; }

    // The package in a file, or the built-in skin for an empty name. False
    // (and a message box unless quiet) when the file cannot be read or holds
    // no skin; the skin in force then stays.
    bool LoadSkin(const std::wstring& fileName, bool quiet);
    TSkinData* SkinData() const { return skinData_; }

private:
    void BuildControls();
    void BuildBars();
    void BuildEdits();
    void BuildMenus();
    void BuildScrolling();
    void BuildMdi();  // File > New window (MdiWindow.cpp)
    void BuildTabs();
    void BuildLists();
    void BuildToolBars();
    void OpenSkinFile();

    TSkinData* skinData_ = nullptr;
    TPopupMenu* fileMenu_ = nullptr;
};

// The window's picture as the screen shows it, frame included, saved as PNG.
// False when the window or the file cannot be had.
bool SaveWindowShot(HWND window, const std::wstring& fileName);
