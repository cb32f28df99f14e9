// The gallery's combo boxes of every style, an edit, spin edits, an up-down
// and a date picker (client area x 0-604, y 270-400).
#include "framework/controls/ButtonControls.h"
#include "framework/controls/EditControls.h"
#include "tools/skinview/Gallery.h"

namespace {

template <class T>
T* PlaceEditControl(TWinControl* parent, int left, int top, int width, int height) {
    T* control = new T(parent);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

TComboBox* PlaceCombo(TWinControl* parent, int left, int top, int height, TComboBoxStyle style) {
    auto* combo = PlaceEditControl<TComboBox>(parent, left, top, 140, height);
    combo->SetStyle(style);
    static const wchar_t* const kNames[] = {L"Alpha", L"Beta",    L"Gamma", L"Delta", L"Epsilon", L"Zeta",
                                            L"Eta",   L"Theta",   L"Iota",  L"Kappa", L"Lambda",  L"Mu",
                                            L"Nu",    L"Omicron", L"Pi",    L"Rho"};
    for (const wchar_t* name : kNames) combo->AddItem(name);
    combo->SetItemIndex(0);
    return combo;
}

}  // namespace

void TGalleryForm::BuildEdits() {
    auto* label = PlaceEditControl<TLabel>(this, 12, 272, 0, 0);
    label->SetCaption(L"Combo boxes, edits, spin and date controls");
    PlaceCombo(this, 12, 292, 24, csDropDown);
    PlaceCombo(this, 160, 292, 24, csDropDownList);
    PlaceCombo(this, 308, 292, 24, csOwnerDrawFixed);
    PlaceCombo(this, 456, 292, 24, csDropDownList)->SetEnabled(false);
    PlaceCombo(this, 12, 324, 72, csSimple);

    auto* edit = PlaceEditControl<TEdit>(this, 160, 324, 140, 22);
    edit->SetText(L"Edit");
    auto* spin = PlaceEditControl<TSpinEdit>(this, 308, 324, 90, 24);
    spin->SetMaxValue(100);
    spin->SetValue(42);
    auto* buddy = PlaceEditControl<TEdit>(this, 410, 324, 60, 24);
    auto* updown = PlaceEditControl<TUpDown>(this, 470, 324, 17, 24);
    updown->SetMax(10);
    updown->SetPosition(3);
    updown->SetAssociate(buddy);
    auto* horizontal = PlaceEditControl<TUpDown>(this, 500, 327, 34, 18);
    horizontal->SetOrientation(udHorizontal);

    // A fixed day, so the gallery's picture is the same on every day.
    auto* picker = PlaceEditControl<TDateTimePicker>(this, 160, 360, 180, 24);
    SYSTEMTIME day{};
    day.wYear = 2026;
    day.wMonth = 12;
    day.wDay = 10;
    day.wDayOfWeek = 4;
    picker->SetDate(day);
    auto* off = PlaceEditControl<TSpinEdit>(this, 350, 360, 90, 24);
    off->SetValue(7);
    off->SetEnabled(false);
    auto* plain = PlaceEditControl<TEdit>(this, 450, 360, 140, 22);
    plain->SetBorderStyle(ebsNone);
    plain->SetText(L"No border");
}
