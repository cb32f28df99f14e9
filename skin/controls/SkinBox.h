// The skinned containers. Windows only.
//
// TSkinBox (panels, forms, tool bars): colour only. It hooks nothing; with
// acolor it gives the control the skin's face colour and gives the old one
// back when it leaves. On a tool bar it also carries which of the bar's
// custom-draw events the form object's painters took, and empties exactly
// those when it leaves, so a handler the application set stays.
//
// TSkinBoxH (nested dialogs and bare tool-bar windows): the background in the
// face colour and static children on the face colour. TSkinSizer (bare
// scroll bars without a tab stop, a dialog's size grip): the face colour.
//
// TSkinGroupBox: a rounded frame in the shadow colour with the caption cut
// into its top line, over the face colour; the window-less children of a
// framework group box are painted on top in the same transfer.
#pragma once

#include "skin/controls/SkinControl.h"

class TToolBar;

class TSkinBox : public TSkinControl {
public:
    explicit TSkinBox(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinBox() override;
    std::wstring ClassName() const override { return L"TSkinBox"; }

    int32_t border = 0;

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void AfterProc(TMessage&) override {}
    void Unsubclass() override;
    // The tool bar's events that the form object's painters took (AttachToolbarPainters bits).
    void SetToolbarPainters(TToolBar* bar, unsigned which);

private:
    void ReleaseToolbarPainters();
    TToolBar* toolBar_ = nullptr;
    unsigned painters_ = 0;
};

class TSkinBoxH : public TSkinControl {
public:
    explicit TSkinBoxH(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinBoxH"; }

    bool BeforeProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;

protected:
    // The background is its whole paint: the face colour (answer 0).
    std::optional<LRESULT> EraseBackground(HDC dc) override;

private:
    HBRUSH FaceBrush();
    UniqueBrush ownBrush_;  // when the skin data has no BGBrush
};

class TSkinSizer : public TSkinControl {
public:
    explicit TSkinSizer(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinSizer"; }

    void DrawControl(HDC dc, const TRect& rc) override;

protected:
    TSkinPaint PaintMode() const override { return TSkinPaint::Whole; }
};

class TSkinGroupBox : public TSkinControl {
public:
    explicit TSkinGroupBox(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinGroupBox"; }

    int32_t border = 0;

    void Init(TWinSkinForm* sf, TSkinData* sd, TCanvas* acanvas, bool acolor) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    void DefaultDraw(HDC dc, const TRect& rc);

protected:
    TSkinPaint PaintMode() const override;

private:
    UniqueBrush ownBrush_;  // the erase brush when the skin data has no BGBrush
};
