// Controls that scroll: memo, list box, scroll box and scroll bar. Windows only.
//
// The memo, list box and scroll bar are framework classes made from the
// system classes "EDIT", "LISTBOX" and "SCROLLBAR", so the platform does
// their scrolling and anyone's messages work on them. Their contents are
// kept by the object until the window exists and by the window afterwards.
#pragma once

#include <vector>

#include "framework/controls/Controls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/system/StreamsAndLists.h"

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TScrollBarKind : uint8_t { sbHorizontal, sbVertical };

// A multi-line edit. Lines are separated by CR LF in Text. With WordWrap
// off a horizontal bar is useful; ScrollBars says which bars it has.
class TMemo : public TWinControl {
public:
    explicit TMemo(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TMemo"; }

    std::wstring Text() const;
    void SetText(const std::wstring& text);
    TStringList Lines() const;
    void SetLines(const TStringList& lines);
    void AddLine(const std::wstring& line);
    int LineCount() const;
    // The first line shown.
    int TopLine() const;

    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);  // bsNone or bsSingle
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void RecreateHandle() override;

private:
    TScrollStyle scrollBars_ = ssNone;
    TFormBorderStyle borderStyle_ = bsSingle;
    bool wordWrap_ = true;
    bool readOnly_ = false;
};

// A list of strings, one selectable. OnClick runs when the user selects an
// item (LBN_SELCHANGE), not when ItemIndex is set from code.
class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TListBox"; }
    void WndProc(TMessage& message) override;

    TStringList Items() const;
    void SetItems(const TStringList& items);
    void AddItem(const std::wstring& item);
    int Count() const;
    void Clear();
    int ItemIndex() const;
    void SetItemIndex(int value);
    int TopIndex() const;
    void SetTopIndex(int value);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    TStringList items_;  // until the window exists
    int itemIndex_ = -1;
    TFormBorderStyle borderStyle_ = bsSingle;
};

// A container that scrolls: when its children reach beyond its client area
// it gets scroll bars, and scrolling moves the children. Positions are in
// pixels; a child's Left/Top stay its place in the scrolled area's frame
// minus the scroll offset, as the window shows it.
class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TScrollBox"; }
    void WndProc(TMessage& message) override;

    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    int HorzPosition() const { return pos_[0]; }
    int VertPosition() const { return pos_[1]; }
    // Scrolls to the pixel offsets (clamped).
    void ScrollTo(int x, int y);
    // Fits the scroll bars to the children (done on size changes; call after moving children).
    void Realign();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    void Scroll(int bar, WPARAM request);
    void ScrollBy(int dx, int dy);
    SIZE Extent() const;

    TFormBorderStyle borderStyle_ = bsSingle;
    int pos_[2] = {0, 0};  // horizontal, vertical
    bool realigning_ = false;
};

// The system scroll-bar control. OnScroll gets every scroll request with the
// position it leads to; OnChange runs when Position changed (by the user or
// from code).
class TScrollBar : public TWinControl {
public:
    using TScrollEvent = std::function<void(TObject* sender, int request, int& position)>;

    explicit TScrollBar(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TScrollBar"; }
    void WndProc(TMessage& message) override;

    TScrollBarKind Kind() const { return kind_; }
    void SetKind(TScrollBarKind value);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetMin(int value) { SetParams(position_, value, max_); }
    void SetMax(int value) { SetParams(position_, min_, value); }
    int Position() const { return position_; }
    void SetPosition(int value) { SetParams(value, min_, max_); }
    void SetParams(int position, int min, int max);
    int PageSize() const { return pageSize_; }
    void SetPageSize(int value);
    int SmallChange() const { return smallChange_; }
    void SetSmallChange(int value) { smallChange_ = value; }
    int LargeChange() const { return largeChange_; }
    void SetLargeChange(int value) { largeChange_ = value; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value) { showHint_ = value; }
    const std::wstring& Hint() const { return hint_; }
    void SetHint(const std::wstring& value) { hint_ = value; }

    TNotifyEvent OnChange;
    TScrollEvent OnScroll;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    void UpdateWindow();
    void Scroll(int request, int trackPos);

    TScrollBarKind kind_ = sbHorizontal;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int pageSize_ = 0;
    int smallChange_ = 1;
    int largeChange_ = 1;
    bool showHint_ = false;
    std::wstring hint_;
};
