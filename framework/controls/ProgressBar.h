// Progress bar. Windows only.
#pragma once

#include "framework/controls/Controls.h"

// The common control's progress bar (a framework class made from
// "msctls_progress32"), so PBM_ messages from anyone work on it. Min, Max and
// Position are kept by the object before the window exists and by the
// window afterwards; the window keeps the position within the range.
class TProgressBar : public TWinControl {
public:
    explicit TProgressBar(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TProgressBar"; }

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const;
    void SetMin(int value) { SetRange(value, max_); }
    void SetMax(int value) { SetRange(min_, value); }
    void SetRange(int min, int max);
    void SetPosition(int value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};
