// List view (report view) and check list box. Windows only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/controls/ButtonControls.h"
#include "framework/controls/Controls.h"

// The common control's list view in report mode (a framework class made from
// "SysListView32"): columns with a header, items with sub-items. The object
// keeps the columns and items and puts them into every window it makes. A
// click on a column's header calls OnColumnClick with the column's index;
// SortBy orders the items by a column's text and marks the column's header
// with the direction (so a handler of OnColumnClick sorts as users expect).
class TListView : public TWinControl {
public:
    explicit TListView(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TListView"; }
    void WndProc(TMessage& message) override;

    int AddColumn(const std::wstring& caption, int width);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const std::wstring& ColumnCaption(int column) const { return columns_.at(static_cast<size_t>(column)).caption; }
    // Adds an item: its caption (column 0) and the sub-items of the next columns.
    int AddItem(const std::wstring& caption, const std::vector<std::wstring>& subItems = {});
    int ItemCount() const { return static_cast<int>(items_.size()); }
    // The text of item's column (0 the caption); "" past its sub-items.
    std::wstring ItemText(int item, int column) const;
    void Clear();
    // The selected item, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int value);

    // Orders the items by the text of column (stable, case-insensitive).
    void SortBy(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }
    // The header window of the list view (null before the window exists).
    HWND HeaderHandle();

    std::function<void(TObject* Sender, int Column)> OnColumnClick;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    struct Column {
        std::wstring caption;
        int width;
    };
    void FillWindow();
    void InsertColumnWindow(int index);
    void InsertItemWindow(int index);
    void ShowSortMark();

    std::vector<Column> columns_;
    std::vector<std::vector<std::wstring>> items_;  // [0] caption, then sub-items
    int itemIndex_ = -1;
    int sortColumn_ = -1;
    bool sortAscending_ = true;
};

// A list box of items with check boxes (an owner-drawn "LISTBOX"). A click on
// an item's box, or Space on the selected item, moves its State as a check
// box does (unchecked, checked, then grayed when AllowGrayed) and calls
// OnClickCheck. Items can be disabled (drawn gray, not toggled) or headers
// (HeaderColor text on HeaderBackgroundColor, no box, not toggled).
//
// Geometry, which a skin that draws the items keeps too: the box is
// CheckBoxSize() square, centred vertically, 2 pixels in from the left edge;
// the text starts 2 pixels after it.
class TCheckListBox : public TWinControl {
public:
    explicit TCheckListBox(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TCheckListBox"; }
    void WndProc(TMessage& message) override;

    int Add(const std::wstring& text);
    int Count() const;
    std::wstring Items(int index) const;
    void Clear();
    int ItemIndex() const;
    void SetItemIndex(int value);

    TCheckBoxState State(int index) const;
    void SetState(int index, TCheckBoxState value);
    bool Checked(int index) const { return State(index) == cbChecked; }
    void SetChecked(int index, bool value) { SetState(index, value ? cbChecked : cbUnchecked); }
    bool ItemEnabled(int index) const;
    void SetItemEnabled(int index, bool value);
    bool Header(int index) const;
    void SetHeader(int index, bool value);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    TColor HeaderColor() const { return headerColor_; }
    void SetHeaderColor(TColor value);
    TColor HeaderBackgroundColor() const { return headerBackgroundColor_; }
    void SetHeaderBackgroundColor(TColor value);

    static int CheckBoxSize() { return 13; }
    // The item under client point pt, -1 for none.
    int ItemAtPos(POINT pt) const;
    // An item's rectangle in the client area.
    RECT ItemRect(int index) const;

    // Index of the item whose box was clicked.
    std::function<void(TObject* Sender, int Index)> OnClickCheck;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual void DrawItem(const DRAWITEMSTRUCT& item);
    // The user's toggle of one item: next state, then OnClickCheck.
    void ToggleByUser(int index);

private:
    uint32_t Flags(int index) const;
    void SetFlags(int index, uint32_t flags);

    // Items kept before the window exists: text and flags.
    std::vector<std::pair<std::wstring, uint32_t>> pending_;
    bool allowGrayed_ = false;
    TColor headerColor_ = clHighlightText;
    TColor headerBackgroundColor_ = clHighlight;
};

// Makes the classes above known to the form reader and to property access by name.
void RegisterListViewClasses();
