// The skinned progress bar: drawn from the skin's Progress (track and bar, two
// frames side by side, or one track frame) and Progress.Chunk objects. The
// control keeps its range and position; every paint reads them back and is
// composed off screen and copied once, and the control is never erased, so
// the frequent position changes of a download do not flicker.
// Windows only.
#pragma once

#include <memory>

#include "skin/controls/SkinControl.h"

class TSkinProgress : public TSkinControl {
public:
    explicit TSkinProgress(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinProgress"; }

    void DrawControl(HDC dc, const TRect& rc) override;
    // The chunk style, lying (a vertical bar is turned after).
    void DrawControl1(HDC dc, const TRect& rc);
    void SkinChange() override;

protected:
    TSkinPaint PaintMode() const override;
    std::optional<LRESULT> EraseBackground(HDC dc) override;

private:
    // The bar lying at rc of dc, whatever its orientation.
    void DrawLying(HDC dc, const TRect& rc, const TDataSkinBorder* p);
    // The two-frame style's track over the face colour, composed once per size.
    TBitmap trackOnFace_;
    TRect trackKey_{};
};
