// Label, push button, check box, radio button and group box. Windows only.
#pragma once

#include "framework/controls/Controls.h"
#include "framework/graphics/GdiHandles.h"

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

// Which side of a check box its caption is on, and where panel captions go.
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

enum TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };

// The system push button (a framework class made from "BUTTON"). BN_CLICKED,
// reflected from the parent as CN_COMMAND, calls Click and so OnClick.
// Enter on its form clicks the focused button, or else the Default one;
// Esc clicks the Cancel one: the form offers the key to each button as
// CM_DIALOGKEY (TForm::DialogKey), and a shown, enabled Default (Cancel)
// button takes it. The button Enter would click
// shows the default look (Active): the focused button, or the Default one
// while the focus is on something that is not a button.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TButton"; }
    void WndProc(TMessage& message) override;
    void Click() override;

    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    bool Active() const { return active_; }

protected:
    void CreateParams(TCreateParams& params) override;
    // The default look changed (active_ holds the new one).
    virtual void ActiveChanged();

private:
    void SetActive(bool value);

    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false;
};

// The system check box ("BUTTON", three-state, checked by the object): a
// click or Space moves State from unchecked to checked, then to grayed when
// AllowGrayed, then back to unchecked, and calls OnClick. Setting State or
// Checked from code does not call OnClick. Alignment taLeftJustify puts the
// caption left of the box.
class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TCheckBox"; }
    void WndProc(TMessage& message) override;

    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState value);
    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    virtual void Toggle();

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
    UniqueBrush brush_;
};

// The system radio button ("BUTTON", checked by the object). The radio
// buttons with the same parent form one group: checking one unchecks the
// others. A click, Space, or an arrow key reaching it checks it and calls
// OnClick when it was not checked yet.
class TRadioButton : public TWinControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TRadioButton"; }
    void WndProc(TMessage& message) override;

    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    // Checks it as the user does: OnClick when it changes.
    void SetCheckedByUser();
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
    UniqueBrush brush_;
};

// A container with an etched frame and its caption in the frame's top line.
class TGroupBox : public TPaintedControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    std::wstring ClassName() const override { return L"TGroupBox"; }

protected:
    void Paint(HDC dc, const RECT& client) override;
};
