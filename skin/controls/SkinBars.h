// The skinned bars: status bars from the skin's status bar edges, headers
// (header controls and the headers of list views) from its header bar with
// hot tracking, and track bars through the platform's custom drawing (the
// control keeps its own input, ticks and positions; only the channel and the
// thumb are ours). Windows only.
//
// A status bar and a header are painted whole (off screen, one transfer);
// a skin without the image leaves the header to the platform. Ownership as for every TSkinControl: a
// list view's header object (Inithwnd) belongs to whoever passes as owner,
// usually the list view's skinning object or the form object.
#pragma once

#include <vector>

#include "skin/controls/SkinControl.h"

// After <windows.h> (SkinControl.h).
#include <commctrl.h>

class TSkinStatusBar : public TSkinControl {
public:
    explicit TSkinStatusBar(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinStatusBar"; }

    bool SizeGrip = false;

    void DrawControl(HDC dc, const TRect& rc) override;
    // Panel background: frame f (1 lowered, 2 raised, 3 none) of StatusBar at rc.
    void drawitem(HDC dc, const TRect& rc, int f);
    // Without a usable image: a one-pixel bevel for lowered (1) and raised (2).
    void Defaultpaint(HDC dc, const TRect& rc, int f);

protected:
    TSkinPaint PaintMode() const override { return TSkinPaint::Whole; }

private:
    // Calls the owner-draw event for each panel, on the control's picture in dc.
    void DrawOwnerPanels(HDC dc);
};

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

class TSkinTrackBar : public TSkinControl {
public:
    explicit TSkinTrackBar(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinTrackBar"; }

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void SkinChange() override;
    void Unsubclass() override;
    bool BeforeProc(TMessage& m) override;
    // Answers one custom-draw notification.
    LRESULT CustomDraw(const NMCUSTOMDRAW& cd);
    void DrawTrack(HDC dc);
    void Drawthumb(HDC dc);

private:
    bool Vertical() const;
};
