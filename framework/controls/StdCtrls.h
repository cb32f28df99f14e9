// Label and push button. Windows only.
#pragma once

#include "framework/controls/Controls.h"

// Text painted by its parent (no window of its own). With AutoSize it takes
// the size of its text in its font; an empty caption keeps the height of one
// line. A change of caption repaints the old and the new area in the parent.
class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TLabel"; }

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    // Transparent: the parent's background shows; otherwise the label fills its area with Color.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);

protected:
    void Paint(HDC dc) override;
    void TextChanged() override;
    void FontChanged() override;

private:
    void AdjustBounds();

    bool autoSize_ = true;
    bool transparent_ = false;
};

// The system push button (a framework class made from "BUTTON"). BN_CLICKED,
// reflected from the parent as CN_COMMAND, calls Click and so OnClick.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TButton"; }
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
};
