// Edits, combo boxes, up-down buttons, spin edits and date pickers: the
// system's own controls, each a framework class made from its window class,
// so the platform does the editing, the list and the calendar. Windows only.
//
// The objects keep their settings before the window exists and hand them to
// it when it is made; afterwards the window is asked (its text, selection,
// position), so what a user typed or picked is what the object reports.
// Notifications come back reflected by the parent (CN_COMMAND, CN_NOTIFY).
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <functional>

#include "framework/controls/Controls.h"
#include "framework/system/StreamsAndLists.h"

enum TEditBorderStyle : uint8_t { ebsNone, ebsSingle };

// Single-line edit ("EDIT"). OnChange follows every change of the text, by
// the user or by code.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TEdit"; }
    void WndProc(TMessage& message) override;

    std::wstring Text() const;
    void SetText(const std::wstring& value) { SetCaption(value); }
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    TEditBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TEditBorderStyle value);

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual void Change();

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
    TEditBorderStyle borderStyle_ = ebsSingle;
};

enum TComboBoxStyle : uint8_t { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Combo box ("COMBOBOX") in each style. ItemIndex and Text follow the list and
// the edit. A pick in the list (mouse or keys) calls OnSelect, then OnChange;
// typing in the edit calls OnChange. Owner-drawn styles draw each item's text
// themselves (OnDrawItem when assigned).
class TComboBox : public TWinControl {
public:
    explicit TComboBox(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TComboBox"; }
    void WndProc(TMessage& message) override;
    void SetBounds(int left, int top, int width, int height) override;

    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    const TStringList& Items() const { return items_; }
    void SetItems(const TStringList& value);
    void AddItem(const std::wstring& item);
    void ClearItems();
    int ItemIndex() const;
    void SetItemIndex(int value);
    std::wstring Text() const;
    void SetText(const std::wstring& value);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int value);
    bool DroppedDown() const;
    void SetDroppedDown(bool value);

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    std::function<void(TComboBox* Sender, int index, HDC dc, const RECT& rect, UINT state)> OnDrawItem;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    int DroppedHeight(int height) const;
    void DrawItem(const DRAWITEMSTRUCT& item);

    TComboBoxStyle style_ = csDropDown;
    TStringList items_;
    int itemIndex_ = -1;
    int dropDownCount_ = 8;
    int itemHeight_ = 16;
};

enum TUDOrientation : uint8_t { udVertical, udHorizontal };
// Which half of an up-down was clicked: towards Max or towards Min.
enum TUDBtnType : uint8_t { udStepUp, udStepDown };

// Up-down buttons ("msctls_updown32"). Associate shows the position in a
// control's text. OnChanging may refuse a step; OnClick follows each step.
class TUpDown : public TWinControl {
public:
    explicit TUpDown(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TUpDown"; }
    void WndProc(TMessage& message) override;

    int Min() const { return min_; }
    void SetMin(int value);
    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const;
    void SetPosition(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value);
    TWinControl* Associate() const { return associate_; }
    void SetAssociate(TWinControl* value);
    TUDOrientation Orientation() const { return orientation_; }
    void SetOrientation(TUDOrientation value);

    std::function<void(TObject* Sender, TUDBtnType button)> OnClick;
    std::function<void(TObject* Sender, bool& allowChange)> OnChanging;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    void SyncAssociate();

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int increment_ = 1;
    TWinControl* associate_ = nullptr;
    TUDOrientation orientation_ = udVertical;
};

// An edit for whole numbers with its own up-down buttons: a child window of
// the edit at its right edge. The buttons, and the Up and Down keys, step
// Value by Increment within MinValue..MaxValue (no limits when both are 0).
class TSpinEdit : public TEdit {
public:
    explicit TSpinEdit(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TSpinEdit"; }
    void WndProc(TMessage& message) override;
    void SetBounds(int left, int top, int width, int height) override;

    int Value() const;
    void SetValue(int value);
    int MinValue() const { return minValue_; }
    void SetMinValue(int value);
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int value);
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }
    // The buttons' window.
    HWND ButtonHandle() const { return buttons_; }

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    int Clamp(int value) const;
    void Step(int direction);
    void PlaceButtons();

    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
    int value_ = 0;
    HWND buttons_ = nullptr;  // a child of the edit: destroyed with it
};

enum TDateTimeKind : uint8_t { dtkDate, dtkTime };
enum TDTDateFormat : uint8_t { dfShort, dfLong };
enum TDTDateMode : uint8_t { dmComboBox, dmUpDown };

// Date and time picker ("SysDateTimePick32"): a drop-down calendar (or
// up-down fields). OnChange follows every change the user makes.
class TDateTimePicker : public TWinControl {
public:
    explicit TDateTimePicker(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TDateTimePicker"; }
    void WndProc(TMessage& message) override;

    SYSTEMTIME Date() const;
    void SetDate(const SYSTEMTIME& value);
    // The date as "YYYY-MM-DD" (the stored form).
    std::wstring DateText() const;
    void SetDateText(const std::wstring& value);
    TDateTimeKind Kind() const { return kind_; }
    void SetKind(TDateTimeKind value);
    TDTDateFormat DateFormat() const { return dateFormat_; }
    void SetDateFormat(TDTDateFormat value);
    TDTDateMode DateMode() const { return dateMode_; }
    void SetDateMode(TDTDateMode value);
    bool DroppedDown() const;

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    void Recreate();

    SYSTEMTIME date_{};
    TDateTimeKind kind_ = dtkDate;
    TDTDateFormat dateFormat_ = dfShort;
    TDTDateMode dateMode_ = dmComboBox;
};
