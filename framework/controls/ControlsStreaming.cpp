#include "framework/controls/ControlsStreaming.h"

#include "framework/controls/BarControls.h"
#include "framework/controls/ButtonControls.h"
#include "framework/controls/EditControls.h"
#include "framework/controls/FormsAndApplication.h"
#include "framework/controls/GlyphButtons.h"
#include "framework/controls/ListViews.h"
#include "framework/controls/MediaPlayer.h"
#include "framework/controls/ProgressBar.h"
#include "framework/controls/ScrollingControls.h"
#include "framework/controls/TabControls.h"
#include "framework/controls/TimerAndPanel.h"
#include "framework/controls/ToolBars.h"
#include "framework/streaming/FormReadWrite.h"
#include "framework/streaming/PublishedProperties.h"

namespace {

// A form differs from other controls in what it starts with: hidden, its own
// colour and font, its size given by its client area.
bool IsForm(const TControl& c) {
    return dynamic_cast<const TForm*>(&c) != nullptr;
}

void PlaceControl(TControl& control, TComponent* parent) {
    if (auto* windowed = dynamic_cast<TWinControl*>(parent)) {
        control.SetParent(windowed);
    } else if (parent != control.Owner()) {
        throw EFrameworkError(L"a control can only be placed inside a windowed control, not in " + parent->ClassName());
    }
}

std::vector<std::wstring> LayoutNames() {
    return {L"blGlyphLeft", L"blGlyphRight", L"blGlyphTop", L"blGlyphBottom"};
}
std::vector<std::wstring> AlignmentNames() {
    return {L"taLeftJustify", L"taRightJustify", L"taCenter"};
}
std::vector<std::wstring> BevelNames() {
    return {L"pbNone", L"pbLowered", L"pbRaised"};
}

void RegisterEditControls() {
    RegisterClassInfo<TEdit>(L"TEdit", L"TWinControl")
        .Creatable()
        .String(L"Text", &TEdit::Text, &TEdit::SetText)
        .Integer(L"MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength)
        .Default(0)
        .Bool(L"ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly)
        .Default(false)
        .Enum(L"BorderStyle", &TEdit::BorderStyle, &TEdit::SetBorderStyle, {L"bsNone", L"bsSingle"})
        .Default(ebsSingle)
        .Event(L"OnChange", &TEdit::OnChange);

    RegisterClassInfo<TComboBox>(L"TComboBox", L"TWinControl")
        .Creatable()
        .Enum(L"Style", &TComboBox::Style, &TComboBox::SetStyle,
              {L"csDropDown", L"csSimple", L"csDropDownList", L"csOwnerDrawFixed", L"csOwnerDrawVariable"})
        .Default(csDropDown)
        .Integer(L"DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount)
        .Default(8)
        .Integer(L"ItemHeight", &TComboBox::ItemHeight, &TComboBox::SetItemHeight)
        .Default(16)
        .Strings(L"Items", &TComboBox::Items, &TComboBox::SetItems)
        .Integer(L"ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex)
        .Default(-1)
        .String(L"Text", &TComboBox::Text, &TComboBox::SetText)
        .Event(L"OnChange", &TComboBox::OnChange)
        .Event(L"OnSelect", &TComboBox::OnSelect)
        .Event(L"OnDropDown", &TComboBox::OnDropDown)
        .Event(L"OnCloseUp", &TComboBox::OnCloseUp);

    RegisterClassInfo<TUpDown>(L"TUpDown", L"TWinControl")
        .Creatable()
        .Integer(L"Min", &TUpDown::Min, &TUpDown::SetMin)
        .Default(0)
        .Integer(L"Max", &TUpDown::Max, &TUpDown::SetMax)
        .Default(100)
        .Integer(L"Position", &TUpDown::Position, &TUpDown::SetPosition)
        .Default(0)
        .Integer(L"Increment", &TUpDown::Increment, &TUpDown::SetIncrement)
        .Default(1)
        .Enum(L"Orientation", &TUpDown::Orientation, &TUpDown::SetOrientation, {L"udVertical", L"udHorizontal"})
        .Default(udVertical);

    RegisterClassInfo<TSpinEdit>(L"TSpinEdit", L"TEdit")
        .Creatable()
        .Integer(L"MinValue", &TSpinEdit::MinValue, &TSpinEdit::SetMinValue)
        .Default(0)
        .Integer(L"MaxValue", &TSpinEdit::MaxValue, &TSpinEdit::SetMaxValue)
        .Default(0)
        .Integer(L"Increment", &TSpinEdit::Increment, &TSpinEdit::SetIncrement)
        .Default(1)
        .Integer(L"Value", &TSpinEdit::Value, &TSpinEdit::SetValue)
        .Default(0);

    // Kind and DateMode come first: the selection tables read them by position.
    RegisterClassInfo<TDateTimePicker>(L"TDateTimePicker", L"TWinControl")
        .Creatable()
        .Enum(L"Kind", &TDateTimePicker::Kind, &TDateTimePicker::SetKind, {L"dtkDate", L"dtkTime"})
        .Default(dtkDate)
        .Enum(L"DateMode", &TDateTimePicker::DateMode, &TDateTimePicker::SetDateMode, {L"dmComboBox", L"dmUpDown"})
        .Default(dmComboBox)
        .Enum(L"DateFormat", &TDateTimePicker::DateFormat, &TDateTimePicker::SetDateFormat, {L"dfShort", L"dfLong"})
        .Default(dfShort)
        .String(L"Date", &TDateTimePicker::DateText, &TDateTimePicker::SetDateText)
        .Event(L"OnChange", &TDateTimePicker::OnChange);
}

void RegisterScrollingControls() {
    const std::vector<std::wstring> borders{L"bsNone", L"bsSingle"};
    RegisterClassInfo<TMemo>(L"TMemo", L"TWinControl")
        .Creatable()
        .Enum(L"BorderStyle", &TMemo::BorderStyle, &TMemo::SetBorderStyle, borders)
        .Default(bsSingle)
        .Strings(L"Lines", &TMemo::Lines, &TMemo::SetLines)
        .Bool(L"ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly)
        .Default(false)
        .Enum(L"ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars,
              {L"ssNone", L"ssHorizontal", L"ssVertical", L"ssBoth"})
        .Default(ssNone)
        .Bool(L"WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap)
        .Default(true);
    RegisterClassInfo<TListBox>(L"TListBox", L"TWinControl")
        .Creatable()
        .Enum(L"BorderStyle", &TListBox::BorderStyle, &TListBox::SetBorderStyle, borders)
        .Default(bsSingle)
        .Strings(L"Items", &TListBox::Items, &TListBox::SetItems)
        .Integer(L"ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex)
        .Default(-1);
    RegisterClassInfo<TScrollBox>(L"TScrollBox", L"TWinControl")
        .Creatable()
        .Enum(L"BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle, borders)
        .Default(bsSingle);
    RegisterClassInfo<TScrollBar>(L"TScrollBar", L"TWinControl")
        .Creatable()
        .Enum(L"Kind", &TScrollBar::Kind, &TScrollBar::SetKind, {L"sbHorizontal", L"sbVertical"})
        .Default(sbHorizontal)
        .Integer(L"Min", &TScrollBar::Min, &TScrollBar::SetMin)
        .Default(0)
        .Integer(L"Max", &TScrollBar::Max, &TScrollBar::SetMax)
        .Default(100)
        .Integer(L"PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize)
        .Default(0)
        .Integer(L"Position", &TScrollBar::Position, &TScrollBar::SetPosition)
        .Default(0)
        .Integer(L"SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange)
        .Default(1)
        .Integer(L"LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange)
        .Default(1)
        .Bool(L"ShowHint", &TScrollBar::ShowHint, &TScrollBar::SetShowHint)
        .Default(false)
        .String(L"Hint", &TScrollBar::Hint, &TScrollBar::SetHint)
        .Event(L"OnChange", &TScrollBar::OnChange);
}

void Register() {
    // Glyphs: the pixels stored as a bitmap file in the form data ("Glyph.Data").
    RegisterClassInfo<TBitmap>(L"TBitmap", L"").DefineProperties([](TBitmap& bitmap, TFiler& filer) {
        filer.DefineBinaryProperty(
            L"Data", [&bitmap](TStream& s) { bitmap.LoadFromStream(s); },
            [&bitmap](TStream& s) { bitmap.SaveToStream(s); }, !bitmap.Empty());
    });

    RegisterClassInfo<TControl>(L"TControl", L"TComponent")
        .Integer(L"Left", &TControl::Left, &TControl::SetLeft)
        .Integer(L"Top", &TControl::Top, &TControl::SetTop)
        .Integer(L"Width", &TControl::Width, &TControl::SetWidth)
        .StoredWhen([](const TControl& c) { return !IsForm(c); })
        .Integer(L"Height", &TControl::Height, &TControl::SetHeight)
        .StoredWhen([](const TControl& c) { return !IsForm(c); })
        .String(L"Caption", &TControl::Caption, &TControl::SetCaption)
        .Color(L"Color", &TControl::Color, &TControl::SetColor)
        .StoredWhen([](const TControl& c) { return !c.ParentColor(); })
        .Bool(L"Enabled", &TControl::Enabled, &TControl::SetEnabled)
        .Default(true)
        .Object(
            L"Font", L"TFont", [](TControl& c) -> TFont& { return c.Font(); },
            [](TControl& c) { c.Perform(CM_FONTCHANGED); })
        .StoredWhen([](const TControl& c) { return !c.ParentFont(); })
        .Bool(L"ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
        .StoredWhen([](const TControl& c) { return c.ParentColor() == IsForm(c); })
        .Bool(L"ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
        .StoredWhen([](const TControl& c) { return c.ParentFont() == IsForm(c); })
        .Bool(L"Visible", &TControl::Visible, &TControl::SetVisible)
        .StoredWhen([](const TControl& c) { return c.Visible() == IsForm(c); })
        .Event(L"OnClick", &TControl::OnClick)
        .ParentComponent([](TControl& c) -> TComponent* { return c.Parent(); }, PlaceControl);

    RegisterClassInfo<TGraphicControl>(L"TGraphicControl", L"TControl");

    RegisterClassInfo<TWinControl>(L"TWinControl", L"TControl")
        .Integer(L"TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
        .Bool(L"TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);

    RegisterClassInfo<TForm>(L"TForm", L"TWinControl")
        .Set(L"BorderIcons", &TForm::BorderIcons, &TForm::SetBorderIcons,
             {L"biSystemMenu", L"biMinimize", L"biMaximize"})
        .Default(biSystemMenu | biMinimize | biMaximize)
        .Enum(L"BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle,
              {L"bsNone", L"bsSingle", L"bsSizeable", L"bsDialog", L"bsToolWindow", L"bsSizeToolWin"})
        .Default(bsSizeable)
        .Integer(L"ClientHeight", &TForm::ClientHeight, &TForm::SetClientHeight)
        .Integer(L"ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth)
        .Enum(L"Position", &TForm::Position, &TForm::SetPosition, {L"poDesigned", L"poScreenCenter"})
        .Default(poDesigned)
        .Bool(L"Scaled", &TForm::Scaled, &TForm::SetScaled)
        .Default(true)
        .Event(L"OnClose", &TForm::OnClose)
        .Event(L"OnShow", &TForm::OnShow);

    RegisterClassInfo<TLabel>(L"TLabel", L"TGraphicControl")
        .Creatable()
        .Bool(L"AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize)
        .Default(true)
        .Bool(L"Transparent", &TLabel::Transparent, &TLabel::SetTransparent)
        .Default(false);

    RegisterClassInfo<TButton>(L"TButton", L"TWinControl")
        .Creatable()
        .Bool(L"Cancel", &TButton::Cancel, &TButton::SetCancel)
        .Default(false)
        .Bool(L"Default", &TButton::Default, &TButton::SetDefault)
        .Default(false);

    RegisterClassInfo<TBitBtn>(L"TBitBtn", L"TButton")
        .Creatable()
        .Object(L"Glyph", L"TBitmap", &TBitBtn::Glyph, &TBitBtn::GlyphChanged)
        .Enum(L"Layout", &TBitBtn::Layout, &TBitBtn::SetLayout, LayoutNames())
        .Default(blGlyphLeft)
        .Integer(L"Margin", &TBitBtn::Margin, &TBitBtn::SetMargin)
        .Default(-1)
        .Integer(L"NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs)
        .Default(1)
        .Integer(L"Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing)
        .Default(4);

    RegisterClassInfo<TSpeedButton>(L"TSpeedButton", L"TGraphicControl")
        .Creatable()
        .Bool(L"AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp)
        .Default(false)
        // Before Down: a button is only down within a group.
        .Integer(L"GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex)
        .Default(0)
        .Bool(L"Down", &TSpeedButton::Down, &TSpeedButton::SetDown)
        .Default(false)
        .Bool(L"Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat)
        .Default(false)
        .Object(L"Glyph", L"TBitmap", &TSpeedButton::Glyph, &TSpeedButton::GlyphChanged)
        .Enum(L"Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout, LayoutNames())
        .Default(blGlyphLeft)
        .Integer(L"Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin)
        .Default(-1)
        .Integer(L"NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs)
        .Default(1)
        .Integer(L"Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing)
        .Default(4);

    RegisterClassInfo<TCheckBox>(L"TCheckBox", L"TWinControl")
        .Creatable()
        .Enum(L"Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment, {L"taLeftJustify", L"taRightJustify"})
        .Default(taRightJustify)
        .Bool(L"AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed)
        .Default(false)
        // State says it all; Checked is there to be read and set by name.
        .Bool(L"Checked", &TCheckBox::Checked, &TCheckBox::SetChecked)
        .StoredWhen([](const TCheckBox&) { return false; })
        .Enum(L"State", &TCheckBox::State, &TCheckBox::SetState, {L"cbUnchecked", L"cbChecked", L"cbGrayed"})
        .Default(cbUnchecked);

    RegisterClassInfo<TRadioButton>(L"TRadioButton", L"TWinControl")
        .Creatable()
        .Enum(L"Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment,
              {L"taLeftJustify", L"taRightJustify"})
        .Default(taRightJustify)
        .Bool(L"Checked", &TRadioButton::Checked, &TRadioButton::SetChecked)
        .Default(false);

    RegisterClassInfo<TPanel>(L"TPanel", L"TWinControl")
        .Creatable()
        .Enum(L"Alignment", &TPanel::Alignment, &TPanel::SetAlignment, AlignmentNames())
        .Default(taCenter)
        .Enum(L"BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner, BevelNames())
        .Default(pbNone)
        .Enum(L"BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, BevelNames())
        .Default(pbRaised)
        .Integer(L"BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth)
        .Default(1);

    RegisterClassInfo<TGroupBox>(L"TGroupBox", L"TWinControl").Creatable();
    RegisterClassInfo<TToolBar>(L"TToolBar", L"TWinControl")
        .Creatable()
        .Bool(L"Flat", &TToolBar::Flat, &TToolBar::SetFlat)
        .Default(false);
    RegisterClassInfo<TControlBar>(L"TControlBar", L"TWinControl").Creatable();

    RegisterClassInfo<TProgressBar>(L"TProgressBar", L"TWinControl")
        .Creatable()
        .Integer(L"Min", &TProgressBar::Min, &TProgressBar::SetMin)
        .Default(0)
        .Integer(L"Max", &TProgressBar::Max, &TProgressBar::SetMax)
        .Default(100)
        .Integer(L"Position", &TProgressBar::Position, &TProgressBar::SetPosition)
        .Default(0);

    RegisterClassInfo<TCustomTabControl>(L"TCustomTabControl", L"TWinControl")
        .Enum(L"Style", &TCustomTabControl::Style, &TCustomTabControl::SetStyle,
              {L"tsTabs", L"tsButtons", L"tsFlatButtons"})
        .Default(tsTabs)
        .Enum(L"TabPosition", &TCustomTabControl::TabPosition, &TCustomTabControl::SetTabPosition,
              {L"tpTop", L"tpBottom", L"tpLeft", L"tpRight"})
        .Default(tpTop)
        .Bool(L"MultiLine", &TCustomTabControl::MultiLine, &TCustomTabControl::SetMultiLine)
        .Default(false)
        .Integer(L"TabIndex", &TCustomTabControl::TabIndex, &TCustomTabControl::SetTabIndex)
        .StoredWhen([](const TCustomTabControl&) { return false; })
        .Event(L"OnChange", &TCustomTabControl::OnChange);
    RegisterClassInfo<TTabControl>(L"TTabControl", L"TCustomTabControl").Creatable();
    RegisterClassInfo<TPageControl>(L"TPageControl", L"TCustomTabControl").Creatable();
    RegisterClassInfo<TTabSheet>(L"TTabSheet", L"TWinControl")
        .Creatable()
        .Integer(L"ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex)
        .Default(-1);
    RegisterClassInfo<TTabSet>(L"TTabSet", L"TWinControl")
        .Creatable()
        .Integer(L"TabIndex", &TTabSet::TabIndex, &TTabSet::SetTabIndex)
        .Default(-1)
        .Integer(L"StartMargin", &TTabSet::StartMargin, &TTabSet::SetStartMargin)
        .Default(5)
        .Integer(L"EndMargin", &TTabSet::EndMargin, &TTabSet::SetEndMargin)
        .Default(15)
        .Event(L"OnChange", &TTabSet::OnChange);
    RegisterEditControls();
    RegisterScrollingControls();

    RegisterClassInfo<TTimer>(L"TTimer", L"TComponent")
        .Creatable()
        .Bool(L"Enabled", &TTimer::Enabled, &TTimer::SetEnabled)
        .Default(true)
        .Integer(L"Interval", &TTimer::Interval, &TTimer::SetInterval)
        .Default(1000)
        .Event(L"OnTimer", &TTimer::OnTimer);

    RegisterMediaPlayerClass();
    RegisterListViewClasses();
}

}  // namespace

void RegisterControlClasses() {
    static const bool registered = (Register(), true);
    (void)registered;
    RegisterBarControlClasses();
}
