// Status bar, header control and track bar: the platform's common controls
// ("msctls_statusbar32", "SysHeader32", "msctls_trackbar32") made framework
// classes, so their own messages (SB_, HDM_, TBM_) work on them from anyone.
// Windows only.
//
// Ownership: a bar owns its panels (sections); pointers to them stay valid
// until they are cleared or the bar is freed. Settings kept before the window
// exists are handed to it when it is made; afterwards the window is the one
// that knows (a track bar's position, a header section's width).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/Controls.h"
#include "framework/controls/TimerAndPanel.h"

// After <windows.h> (Controls.h).
#include <commctrl.h>

class TStatusBar;
class THeaderControl;

enum TStatusPanelStyle : uint8_t { psText, psOwnerDraw };

// One part of a status bar. Setting a value updates the bar's window.
class TStatusPanel : public TObject {
public:
    explicit TStatusPanel(TStatusBar* bar) : bar_(bar) {}
    std::wstring ClassName() const override { return L"TStatusPanel"; }

    const std::wstring& Text() const { return text_; }
    void SetText(const std::wstring& value);
    int Width() const { return width_; }
    void SetWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TPanelBevel value);
    TStatusPanelStyle Style() const { return style_; }
    void SetStyle(TStatusPanelStyle value);
    int Index() const;

private:
    void Changed();
    TStatusBar* bar_;
    std::wstring text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    TPanelBevel bevel_ = pbLowered;
    TStatusPanelStyle style_ = psText;
};

// The bar places itself at the bottom of its parent (the common control's
// own alignment). Panels end where their widths add up; the last one does
// not grow to the right edge by itself.
class TStatusBar : public TWinControl {
public:
    explicit TStatusBar(TComponent* AOwner);
    ~TStatusBar() override;
    std::wstring ClassName() const override { return L"TStatusBar"; }

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    TStatusPanel* Panel(int index) const { return panels_.at(static_cast<size_t>(index)).get(); }
    TStatusPanel* AddPanel();
    void ClearPanels();

    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value);
    const std::wstring& SimpleText() const { return simpleText_; }
    void SetSimpleText(const std::wstring& value);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool value);

    // Paints an owner-drawn panel; rect is the panel inside its bevel.
    std::function<void(TStatusBar* sender, TStatusPanel* panel, TCanvas& canvas, const RECT& rect)> OnDrawPanel;

    // Hands the panels to the window (parts, texts, bevels).
    void UpdatePanels();
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    friend class TStatusPanel;
    void UpdatePanelText(int index);
    std::vector<std::unique_ptr<TStatusPanel>> panels_;
    bool simplePanel_ = false;
    std::wstring simpleText_;
    bool sizeGrip_ = true;
};

// One column of a header control.
class THeaderSection : public TObject {
public:
    explicit THeaderSection(THeaderControl* header) : header_(header) {}
    std::wstring ClassName() const override { return L"THeaderSection"; }

    const std::wstring& Text() const { return text_; }
    void SetText(const std::wstring& value);
    // The window's width of the column once it exists (the user may drag it).
    int Width() const;
    void SetWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    int Index() const;

private:
    friend class THeaderControl;
    void Changed();
    THeaderControl* header_;
    std::wstring text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    int imageIndex_ = -1;
};

class THeaderControl : public TWinControl {
public:
    explicit THeaderControl(TComponent* AOwner);
    ~THeaderControl() override;
    std::wstring ClassName() const override { return L"THeaderControl"; }

    int SectionCount() const { return static_cast<int>(sections_.size()); }
    THeaderSection* Section(int index) const { return sections_.at(static_cast<size_t>(index)).get(); }
    THeaderSection* AddSection();
    void ClearSections();

    bool HotTrack() const { return hotTrack_; }
    void SetHotTrack(bool value);
    // The image list the sections' ImageIndex refers to (borrowed: the caller
    // keeps it alive while the control uses it).
    HIMAGELIST Images() const { return images_; }
    void SetImages(HIMAGELIST value);

    std::function<void(THeaderControl* sender, THeaderSection* section)> OnSectionClick;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    friend class THeaderSection;
    void UpdateSection(int index);
    void InsertSections();
    std::vector<std::unique_ptr<THeaderSection>> sections_;
    bool hotTrack_ = false;
    HIMAGELIST images_ = nullptr;
};

enum TTrackBarOrientation : uint8_t { trHorizontal, trVertical };
enum TTickStyle : uint8_t { tsNone, tsAuto, tsManual };

// OnChange follows every change of the position, whether by the user or by
// code; a scroll notification that leaves the position as it was is not one.
class TTrackBar : public TWinControl {
public:
    explicit TTrackBar(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TTrackBar"; }

    TTrackBarOrientation Orientation() const { return orientation_; }
    void SetOrientation(TTrackBarOrientation value);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetMin(int value) { SetRange(value, max_); }
    void SetMax(int value) { SetRange(min_, value); }
    void SetRange(int min, int max);
    int Position() const;
    void SetPosition(int value);
    int Frequency() const { return frequency_; }
    void SetFrequency(int value);
    TTickStyle TickStyle() const { return tickStyle_; }
    void SetTickStyle(TTickStyle value);

    TNotifyEvent OnChange;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    void Changed();
    void Recreate();
    TTrackBarOrientation orientation_ = trHorizontal;
    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
    int frequency_ = 1;
    TTickStyle tickStyle_ = tsAuto;
    int reported_ = 0;  // the position OnChange last told of
};

// The published properties of these classes, for the form reader and the skin engine.
void RegisterBarControlClasses();
