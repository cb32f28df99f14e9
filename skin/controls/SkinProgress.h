// The skinned progress bar: drawn from the skin's Progress (track and bar, two
// frames side by side, or one track frame) and Progress.Chunk objects. The
// control keeps its range and position; every paint reads them back, builds
// the whole picture off screen and copies it once, and the control is never
// erased, so the frequent position changes of a download do not flicker.
// Windows only.
#pragma once

#include <memory>

#include "skin/controls/SkinControl.h"

class TSkinProgress : public TSkinControl {
public:
    explicit TSkinProgress(TComponent* AOwner) : TSkinControl(AOwner) {}
    std::wstring ClassName() const override { return L"TSkinProgress"; }

    bool BeforeProc(TMessage& m) override;
    void DrawControl(HDC dc, const TRect& rc) override;
    // The chunk style.
    void DrawControl1(HDC dc, const TRect& rc);
    void SkinChange() override;

private:
    TBitmap work_;  // the picture, reused across paints
    // The two-frame style's picture is composed again only when the size or
    // the filled width changes (at most once per pixel of the bar); any other
    // paint is one copy.
    TBitmap trackOnFace_;
    TRect trackKey_{};
    int filledKey_ = -1;
    bool verticalKey_ = false;
};
