// The control selection tables: which control skinning object a control or a
// bare window gets, decided from a description of it and the skin data's
// options. Portable: the decision creates nothing; the form skinning object
// carries out the returned actions in their order (SkinSelect_win.h
// describes real framework controls and windows).
//
// Contract: the functions are pure apart from calling the OnSkinControl
// question of the options, which AddComp asks at most once and only for a
// control that passes the tag, parent and already-skinned tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "skin/data/SkinData.h"

// Every class of the control skinning family, by its class name.
enum class TSkinControlClass : uint8_t {
    None,
    TSkinButton,
    TSkinBitButton,
    TSkinMenuButton,
    TSkinSpeedButton,
    TSkinCheckBox,
    TSkinRadioButton,
    TSkinProgress,
    TSkinScrollbar,
    TSkinListView,
    TSkinCheckList,
    TSkinScrollbarH,
    TComboxScrollBar,
    TSkinScControl,
    TSkinComBox,
    TSkinEdit,
    TSkinUpDown,
    TSkinDateTime,
    TSkinTab,
    TSkinTab31,
    TSkinTabSheet,
    TSkinTabBtn,
    TSkinAdvPage,
    TSkinGroupBox,
    TSkinBox,
    TSkinBoxH,
    TSkinSizer,
    TSkinTrackBar,
    TSkinStatusBar,
    TSkinHeader,
    TSkinObjImage,
    TSkinMP,
};
// "TSkinButton" ...; "" for None.
const wchar_t* SkinControlClassName(TSkinControlClass cls);

// How the created object is attached.
enum class TSkinAttach : uint8_t { Init, InitScrollbar, InitGraphicControl, Inithwnd };

// What the application's OnSkinControl handler answered.
enum class TUserSkinAnswer : uint8_t {
    Nothing,      // no object: the tables decide
    OtherObject,  // an object that is no control skinning object: nothing is skinned
    SkinControl,  // a control skinning object: the form lists it (and attaches it if new)
};

// A framework control as the tables see it.
struct TSkinControlDesc {
    // Its class name first, then its ancestors' (any letter case): a
    // condition on a class is met by the class and its descendants.
    std::vector<std::wstring> ClassChain;
    intptr_t Tag = 0;
    bool HasParent = true;
    bool HasSkinObject = false;  // answers CN_SkinQuery with 1, or the form lists an object for it
    bool Windowed = true;        // a windowed control (not a graphic one)
    bool HasWindow = true;       // its window exists (or was just made)
    bool HasBorder = false;      // window rectangle differs from client rectangle
    bool ScrollStyle = false;    // WS_VSCROLL or WS_HSCROLL
    // Properties the rules read.
    bool PageStyleTabs = true;  // page control: Style is tabs
    bool DateUpDown = false;    // date-time picker: up-down date mode
    bool DateTimeKind = false;  // date-time picker: time kind
    int NumButtons = -1;        // integer property "NumButtons"; -1 when absent
    std::wstring Kind;          // text of property "Kind"

    // Upper-cased own class name ("" without a chain).
    std::wstring ClassNameUpper() const;
};

// The skin data's options and what the form object tells the tables.
struct TSkinSelectOptions {
    TSkinControlTypes SkinControls = TSkinDataCore::DefaultSkinControls();
    intptr_t DisableTag = TSkinDataCore::kDefaultDisableTag;
    std::vector<std::wstring> Skin3rd;
    bool HasTab = false;         // the skin has a `tab` object
    bool SkinsMainMenu = false;  // the form object skins the main menu (sMainMenu)
    // The skin data's OnSkinControl, with the upper-cased class name; empty: not assigned.
    std::function<TUserSkinAnswer(const std::wstring& classNameUpper, const TSkinControlDesc& control)> OnSkinControl;
};

// Takes SkinControls, DisableTag, Skin3rd and HasTab from the skin data.
TSkinSelectOptions SelectOptionsOf(const TSkinDataCore& fsd, bool skinsMainMenu);

enum class TSkinActionKind : uint8_t {
    CreateObject,              // create Object for the control (or its first child window)
    EachChildObject,           // create Object for each child control (ChildObject)
    ChildrenThroughTable,      // each child control through AddComp (InitChildCtrl)
    ComponentsThroughTable,    // each owned component through AddComp (InitControlA)
    ChildWindowsThroughTable,  // each child window through AddControlh
    DisableControl,            // the form's DisableControl: children of a radio or check group get DisableTag
    AddUserObject,             // list the OnSkinControl object; Init (own newColor) when it was not listed
    SetProperty,               // published property PropName := PropValue
    ColorButtonFace,           // the control's (bare: the framework control found) colour := csButtonFace
    BandsColorButtonFace,      // every band's colour := csButtonFace
    ToolbarPainters,           // unassigned custom-draw events -> ToolBarDrawButton, ToolBarDrawBackground
    InitToolbarMenu,           // the drop-down menu(s) of the button(s) skinned
};

struct TSkinAction {
    TSkinActionKind What = TSkinActionKind::CreateObject;
    TSkinControlClass Object = TSkinControlClass::None;
    int kind = 0;
    bool acolor = false;
    TSkinAttach Attach = TSkinAttach::Init;
    bool HasButton = false;
    bool ToFirstChild = false;  // bare windows: attach to the first child window
    std::wstring PicField;
    std::wstring PropName, PropValue;
    // EachChildObject: children whose class name begins "TRZ" get this instead.
    TSkinControlClass RzObject = TSkinControlClass::None;
    int RzKind = 0;
};

enum class TSkinOutcome : uint8_t {
    NoRule,        // nothing matched: stays as it is
    Disabled,      // Tag equals DisableTag
    Skipped,       // no parent, already skinned, or no window
    UserObject,    // OnSkinControl gave a control skinning object
    UserOther,     // OnSkinControl gave some other object
    ThirdParty,    // the Skin3rd list decided
    NeverSkinned,  // "TDBCOMBOBOXEH", "TFRDESIGNERPAGE", "TFRPBOX"
    Rule,          // a table row decided
};

struct TSkinChoice {
    TSkinOutcome Outcome = TSkinOutcome::NoRule;
    std::wstring Row;  // the table row ("13", "1b"), or the Skin3rd kind
    std::vector<TSkinAction> Actions;

    // The object created for the control itself, or None.
    TSkinControlClass Object() const;
    const TSkinAction* ObjectAction() const;
    bool Has(TSkinActionKind what) const;
};

// The object an EachChildObject action gives a child of this class (and its kind).
TSkinControlClass ChildObject(const TSkinAction& action, const std::wstring& childClassName, int* kind = nullptr);

// The Skin3rd kind of a class (lower case, at most 50 characters); false when no line names it.
bool Find3rdKind(const std::vector<std::wstring>& skin3rd, const std::wstring& className, std::wstring& kind);
// The Skin3rd lookup: true when the list decided the control (choice then says how).
bool Find3rdControl(const std::wstring& className, const TSkinControlDesc& control, const TSkinSelectOptions& options,
                    TSkinChoice& choice);
// The table for framework controls.
TSkinChoice AddComp(const TSkinControlDesc& control, const TSkinSelectOptions& options);

// The form object's judgement of a scrollable control.
bool IsScrollControl(const TSkinControlDesc& control);

// A window without a framework object.
struct TSkinWindowDesc {
    std::wstring ClassName;  // window class name, any case
    uint32_t Style = 0;
    bool HasSkinObject = false;
    bool HasChildWindow = false;
};
// The table for bare windows; every object is attached by Inithwnd.
TSkinChoice AddControlh(const TSkinWindowDesc& window, const TSkinSelectOptions& options);
