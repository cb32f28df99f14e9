// Buttons with a glyph beside their caption: the bitmap button (a push
// button the framework draws itself) and the window-less speed button.
// Windows only.
//
// A glyph bitmap holds NumGlyphs frames of equal width side by side: 1 up,
// 2 disabled, 3 pressed, 4 staying down. A frame that is not there is
// replaced by frame 1 (a missing disabled frame by frame 1 embossed). The
// colour of a frame's bottom-left pixel is transparent.
//
// Layout puts the glyph left, right, above or below the caption. Margin is
// the distance from that edge to the glyph, -1 to centre glyph and caption
// together; Spacing the distance between glyph and caption, -1 to share
// the free space out evenly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/controls/ButtonControls.h"
#include "framework/graphics/Bitmap.h"

enum TButtonLayout : uint8_t { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Where the glyph and the caption of a button face go: glyph's top-left
// corner, and the caption's rectangle with the DrawTextW flags to draw it with.
struct TGlyphPlacement {
    POINT Glyph{0, 0};
    RECT Text{0, 0, 0, 0};
    UINT TextFlags = 0;
};

// client: the face; glyph and text: the sizes of the frame and of the caption.
TGlyphPlacement PlaceGlyphAndCaption(const RECT& client, SIZE glyph, SIZE text, TButtonLayout layout, int margin,
                                     int spacing);

// The face of a glyph button: glyph frame `index` (1-based) and caption laid
// out in `face`, on dc, in the font selected there and textColor.
struct TGlyphFace {
    const TBitmap* Glyph = nullptr;
    int NumGlyphs = 1;
    int Index = 1;
    std::wstring Caption;
    TButtonLayout Layout = blGlyphLeft;
    int Margin = -1;
    int Spacing = 4;
    TColor TextColor = clBtnText;
};
// Draws into target (an off-screen bitmap); returns the caption's rectangle.
RECT DrawGlyphFace(TBitmap& target, const RECT& face, const TGlyphFace& look);

// A push button drawn by the framework (owner-drawn "BUTTON"): the system
// still does its mouse and Space handling and reports the click.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TBitBtn"; }
    void WndProc(TMessage& message) override;

    // Edit in place, then call GlyphChanged; or SetGlyph.
    TBitmap& Glyph() { return *glyph_; }
    void SetGlyph(const TBitmap& glyph);
    void GlyphChanged() { Invalidate(); }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);

protected:
    void CreateParams(TCreateParams& params) override;
    void ActiveChanged() override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);

    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
};

// A window-less button. A press and release of the left button inside it is
// one click; released outside, none. With a GroupIndex other than 0 a click
// puts it Down and releases the others of the same group and parent; a Down
// button comes up again by a click only with AllowAllUp. Flat: the border
// shows only under the mouse or while down.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TSpeedButton"; }
    void WndProc(TMessage& message) override;
    void Click() override;

    TBitmap& Glyph() { return *glyph_; }
    void SetGlyph(const TBitmap& glyph);
    void GlyphChanged() { Invalidate(); }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    bool Down() const { return down_; }
    // While the form is read Down is kept as read; the group rules apply once it is loaded.
    void SetDown(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value) { allowAllUp_ = value; }
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // Pressed by the mouse right now (shown sunk); under the mouse.
    bool Pressed() const { return pressed_; }
    bool MouseInside() const { return hot_; }
    void Loaded() override;

protected:
    void Paint(HDC dc) override;

private:
    void Redraw();

    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    bool down_ = false;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool flat_ = false;
    bool tracking_ = false;  // the left button went down on it and is not up yet
    bool pressed_ = false;   // ... and the mouse is inside
    bool hot_ = false;
};
