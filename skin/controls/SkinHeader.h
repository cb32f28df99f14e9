// The skinned header (header controls and the headers of list views), drawn
// from the skin's header bar with hot tracking, painted whole (off screen,
// one transfer); a skin without the image leaves the header to the platform.
// Windows only.
//
// Ownership as for every TSkinControl: a list view's header object
// (Inithwnd) belongs to whoever passes as owner, usually the list view's
// skinning object or the form object.
#pragma once

#include <vector>

#include "skin/controls/SkinControl.h"

// After <windows.h> (SkinControl.h).
#include <commctrl.h>

// The skin package's header record (skin/data/Skinread.h) has this name at
// global scope already: the header's skinning object lives in a namespace.
namespace skin_controls {

class TSkinHeader : public TSkinControl {
public:
    explicit TSkinHeader(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinHeader() override;
    std::wstring ClassName() const override { return L"TSkinHeader"; }

    // Each item's rectangle narrowed by 3 pixels at both sides: where the
    // mouse makes an item hot. Filled by each paint.
    std::vector<TRect> Items;
    int indexitem = -1;  // the hot item

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    // For a header window without a framework object (a list view's).
    void Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    void AfterProc(TMessage& m) override;
    void WMMouseMove(TMessage& m);
    void DrawControl(HDC dc, const TRect& rc) override;
    // Item index into dc at rc (the item's rectangle in dc).
    void DrawItem(HDC dc, int index, const TRect& rc);
    // The item's image (from the header's image list) and text, placed by the alignment.
    void DrawItemImgCaption(HDC dc, const TRect& rc, const std::wstring& text, int image, UINT alignment);

protected:
    TSkinPaint PaintMode() const override;

private:
    bool Usable() const;
};

}  // namespace skin_controls
