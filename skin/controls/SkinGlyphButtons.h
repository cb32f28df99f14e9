// Skinned buttons with a glyph: the bitmap button, the menu button (glyph,
// caption and a drop-down arrow) and the window-less speed button, drawn
// from the skin's five-frame Button image like the push button. Windows only.
//
// A glyph bitmap holds NumGlyphs equal frames side by side (1 up,
// 2 disabled, 3 pressed, 4 staying down); a frame the bitmap lacks is
// replaced by frame 1, a missing disabled frame by frame 1 embossed. The
// colour of a frame's bottom-left pixel is transparent.
//
// The speed button has no window: its object hooks the control's
// WindowProc and answers the paint its parent asks of it: the control paints
// off screen, the skin over that, and the result goes over in one transfer.
// Clicks stay the control's own.
#pragma once

#include <memory>
#include <string>

#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinSelect.h"

// Where glyph and caption go in a face of size client (origin 0,0).
struct TGlyphLayout {
    POINT Glyph{0, 0};
    RECT Text{0, 0, 0, 0};
    UINT TextFlags = DT_WORDBREAK;
};

// layout: 0 glyph left, 1 right, 2 top, 3 bottom. margin and spacing -1 are
// automatic; centred (Margin -1 or centred alignment) shares the free length
// into `parts` (3 for a bitmap button, 4 for a menu button's row).
TGlyphLayout LayoutGlyphButton(SIZE client, SIZE glyph, SIZE text, int layout, int margin, int spacing, bool centred,
                               int parts = 3);

// The embossed picture of a glyph's frame 1 for a disabled button: the
// dark pixels in clBtnHighlight one pixel right and down, then in
// clBtnShadow in place, on clBtnFace.
std::unique_ptr<TBitmap> GetDisableImg(const TBitmap& bmp);

class TSkinBitButton : public TSkinButton {
public:
    explicit TSkinBitButton(TComponent* AOwner) : TSkinButton(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinBitButton"; }

    bool isPicture = false;
    std::wstring PicField;  // an alternative picture property used in place of "Glyph"

    void Configure(const TSkinAction& a) override {
        PicField = a.PicField;
        isPicture = !a.PicField.empty();
    }
    bool BeforeProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    // Frame index (1-based) of bmp's NumGlyphs frames at x, y of target.
    static void DrawGlyph(HDC target, int x, int y, const TBitmap& bmp, int NumGlyphs, int index);
};

class TSkinMenuButton : public TSkinButton {
public:
    explicit TSkinMenuButton(TComponent* AOwner) : TSkinButton(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinMenuButton"; }
    void DrawControl(HDC dc, const TRect& rc) override;
};

class TSkinSpeedButton : public TSkinBitButton {
public:
    explicit TSkinSpeedButton(TComponent* AOwner) : TSkinBitButton(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinSpeedButton"; }

    bool FReentr = false;
    TCanvas* gcanvas = nullptr;

    // Attaches to the graphic control that owns the object.
    void InitGraphicControl(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas);
    bool BeforeProc(TMessage& m) override;
    void AfterProc(TMessage& m) override;
    // Paints the skin now: into adc at the control's origin, or (0) on its parent.
    void PaintControl(HDC adc) override;
    void DrawControl(HDC dc, const TRect& rc) override;

    // The button frame for the current state (1 to 4) and the glyph index.
    int SpeedFrame() const;
    int SpeedGlyphIndex() const;

private:
    bool CanDraw() const;
    void SyncState();
    // The paint the parent asks for: the speed button's own paint off
    // screen, the skin over it, one transfer to dc.
    void WMPaintSpeed(HDC dc);
};
