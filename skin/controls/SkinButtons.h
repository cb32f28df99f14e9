// Skinned push buttons, check boxes and radio buttons, drawn from the skin's
// Button object: its five-frame image (1 normal, 2 pressed, 3 disabled,
// 4 hot, 5 focused or default) and its check and radio strips. Windows only.
//
// A push button never sees its own button-down: the skin takes it, tracks
// the press itself and performs exactly one click when the button is
// released inside (none when released outside, where WM_MOUSELEAVE has
// cleared the press). Space stays with the control, which clicks on key-up.
#pragma once

#include <array>

#include "skin/controls/SkinControl.h"

class TSkinButton : public TSkinControl {
public:
    explicit TSkinButton(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinButton"; }

    bool MultiLine = false;
    bool trans = false;
    bool redraw = false;
    bool isdefault = false;

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void Inithwnd(HWND ahwnd, TSkinData* sd, TCanvas* acanvas, TWinSkinForm* sf) override;
    bool BeforeProc(TMessage& m) override;
    void AfterProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    void SkinChange() override;

    // The frame for the current state (1 to 5).
    int ButtonFrame() const;
    void DrawBtnText(HDC dc, const TRect& rc, UINT Alignment);

protected:
    // Whole while the skin has a button image. The base composes the
    // picture off screen (once the button's own btemp).
    TSkinPaint PaintMode() const override;
    // The colour of the caption in frame, after the skin's replacements.
    TColor GetFontColor(int frame, TColor base) const;
    void PerformClick();
    void SetHot(bool hot);
    // The control the properties are read from (framework or graphic).
    TControl* Source() const;
    // The picture property picField when set and present, else "Glyph".
    TBitmap* GlyphBitmap(const std::wstring& picField) const;
    // Frame F of the button image (when drawFrame), glyph index G and the
    // caption drawn into dc at rc, over what dc holds with trans (the
    // parent's image) or else over the face colour; with arrow, the menu
    // button's row of glyph, caption and drop-down arrow.
    void ComposeGlyphFace(HDC dc, const TRect& rc, int F, int G, bool drawFrame, bool focusRect, bool arrow,
                          const std::wstring& picField);

private:
    // Each frame composed over the face colour once per size; a paint then
    // copies it and draws the caption.
    std::array<TBitmap, 6> faces_;
    TRect facesKey_{};
};

class TSkinCheckBox : public TSkinControl {
public:
    explicit TSkinCheckBox(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinCheckBox"; }

    int32_t state = 0;  // the last check state set through BM_SETCHECK, plus 1 (0: none)
    bool trans = false;

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void AfterProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    void SkinChange() override;

    // The strip frame for the control's current check state.
    virtual int GlyphFrame() const;

protected:
    TSkinPaint PaintMode() const override;
    // With trans the parent's image, else the control's own erase.
    std::optional<LRESULT> EraseBackground(HDC dc) override;
    virtual const TBitmap* Strip() const;
    virtual int StripFrames() const;
    // How far a box at the right edge (BS_LEFTTEXT) sits inside the control.
    virtual int RightInset() const { return 0; }
    // The box rectangle (the glyph's size) within rc.
    TRect BoxRect(const TRect& rc, int boxWidth, int boxHeight, bool& leftText) const;
    void DrawBox(HDC dc, const TRect& rc);
    // 1 when the skin has a non-empty strip: the skin paints the whole control.
    void UpdateKind();
};

class TSkinRadioButton : public TSkinCheckBox {
public:
    explicit TSkinRadioButton(TComponent* AOwner) : TSkinCheckBox(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinRadioButton"; }
    void AfterProc(TMessage& m) override;
    int GlyphFrame() const override;

protected:
    const TBitmap* Strip() const override;
    int StripFrames() const override;
    int RightInset() const override { return 1; }
};
