// The skin data: the component that holds the active skin, its options and
// colour scheme, and answers the skinning objects' questions.
//
// TSkinDataCore is the portable part: the options with their construction
// values, the stored package (`data`), the skin objects built from it
// (LoadSkin / LoadFromIni), the colour scheme and the binary SkinStream
// form. TSkinData, the framework component around it, is the Windows half
// and lives in SkinData_win.h.
//
// Ownership: the core owns the skin objects, `data` and SysIcon. A load
// frees and replaces every skin object except Button, Title and the four
// borders, so keep no pointer to one across a load.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/graphics/Bitmap.h"
#include "framework/graphics/Color.h"
#include "framework/system/StreamsAndLists.h"
#include "skin/data/SkinObjects.h"
#include "skin/data/Skinread.h"
#include "skin/data/WinSkinIni.h"

// Member order is the bit order of the sets.
enum TSkinOption : uint8_t {
    xoMDIScrollbar,
    xoMenuMerge,
    xoTransparent,
    xoPreview,
    xoParentBackGround,
    xoNoFocusRect,
    xoToolbarBK,
    xoToolbarButton,
    xoMDIChildBorder,
    xoMenuBG,
    xoCaptionButtonHint,
    xoFormScrollbar,
};
enum TSkinControlType : uint8_t {
    xcMainMenu,
    xcPopupMenu,
    xcMenuItem,
    xcToolbar,
    xcControlbar,
    xcCombo,
    xcCheckBox,
    xcRadioButton,
    xcProgress,
    xcScrollbar,
    xcEdit,
    xcButton,
    xcBitBtn,
    xcSpeedButton,
    xcSpin,
    xcPanel,
    xcGroupBox,
    xcStatusBar,
    xcTab,
    xcTrackBar,
    xcSystemMenu,
    xcFastReport,
};
// Kinds of container window; FContainers is a set of them.
enum TWinContainer : uint8_t {
    xccForm,
    xccFrame,
    xccToolbar,
    xccCoolbar,
    xccControlbar,
    xccPanel,
    xccScrollBox,
    xccGroupBox,
    xccTabSheet,
    xccPageScroller,
};
// How a skin data component takes part in skinning (SkinFormtype).
enum TSkinFormType : uint8_t { sfMainform, sfOnlyThisForm, sfDialog, sfDLL };
// The colour scheme's slots ("Sheme" is the name's own spelling).
enum TShemeColor : uint8_t {
    csText,
    csTitleTextActive,
    csTitleTextNoActive,
    csButtonFace,
    csButtonText,
    csButtonHilight,
    csButtonlight,
    csButtonShadow,
    csButtonDkshadow,
    csSelectText,
    csSelectBg,
    csHilightText,
    csHilight,
    csMenuBar,
    csMenuBarText,
    csMenuText,
    csMenubg,
    csCaption,
    csScrollbar,
    csTextDisable,
};
constexpr int kShemeColorCount = csTextDisable + 1;

// The member names in declaration order, for streaming sets and enumerations by name.
extern const wchar_t* const kSkinOptionNames[xoFormScrollbar + 1];
extern const wchar_t* const kSkinControlTypeNames[xcFastReport + 1];
extern const wchar_t* const kSkinFormTypeNames[sfDLL + 1];

// A set of the members of E (Count of them); bit n is member n.
template <typename E, int Count>
class TSkinSet {
public:
    constexpr TSkinSet() = default;
    constexpr TSkinSet(std::initializer_list<E> members) {
        for (E e : members) bits_ |= Bit(e);
    }
    static constexpr TSkinSet All() { return FromBits((uint32_t{1} << Count) - 1); }
    static constexpr TSkinSet FromBits(uint32_t bits) {
        TSkinSet s;
        s.bits_ = bits & ((uint32_t{1} << Count) - 1);
        return s;
    }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    void Include(E e) { bits_ |= Bit(e); }
    void Exclude(E e) { bits_ &= ~Bit(e); }
    constexpr bool operator==(const TSkinSet& o) const { return bits_ == o.bits_; }
    constexpr bool operator!=(const TSkinSet& o) const { return bits_ != o.bits_; }

private:
    static constexpr uint32_t Bit(E e) { return uint32_t{1} << static_cast<int>(e); }
    uint32_t bits_ = 0;
};
using TSkinOptions = TSkinSet<TSkinOption, xoFormScrollbar + 1>;
using TSkinControlTypes = TSkinSet<TSkinControlType, xcFastReport + 1>;
using TWinContainers = TSkinSet<TWinContainer, xccPageScroller + 1>;

class TSkinCollection;

class TSkinDataCore {
public:
    TSkinDataCore();
    virtual ~TSkinDataCore();
    TSkinDataCore(const TSkinDataCore&) = delete;
    TSkinDataCore& operator=(const TSkinDataCore&) = delete;

    // Construction values of the published options.
    static constexpr int32_t kDefaultDisableTag = 99;
    static TSkinControlTypes DefaultSkinControls();  // all but xcMenuItem and xcFastReport
    static TSkinOptions DefaultOptions();            // xoPreview, xoToolbarBK, xoCaptionButtonHint
    static constexpr const wchar_t* kVersion = L"5.60.03.29";

    // Fills f3rdControls with the default mapping of other libraries'
    // control classes to skin kinds (118 lines).
    void InitControlList();

    // Builds the skin from `data`: false (Empty stays true, the objects stay
    // as they were) when the package cannot be read; an unknown version
    // shows the reader's message. A package without a description member
    // builds the skin from an empty one. ElzhException passes through.
    bool LoadSkin();
    // The loader proper; needs `ini` and `reader` (LoadSkin provides them).
    void LoadFromIni(const std::wstring& iniName);

    // `data` := the whole of source (from its first byte); Empty := true.
    void SetData(TStream& source);
    // `data` := the package of item index; false, changing nothing, when
    // there is no such item.
    bool SetDataFromCollection(const TSkinCollection& store, int index);

    // The SkinStream binary property: a 32-bit little-endian byte count,
    // then that many bytes of `data`. Reading a count above 0 replaces
    // `data` and runs LoadSkin; a count of 0 (or below) changes nothing.
    // A count beyond the stream's end raises EStreamError and changes nothing.
    void ReadSkinStream(TStream& stream);
    void WriteSkinStream(TStream& stream) const;

    // The colour of the caption band: the pixel at (width / 3, frame height
    // / 3) of the top border, or the ButtonFace colour without one.
    TColor GetCaptionColor() const;
    // RGB text ("211 211 211"); def when the text is empty.
    static TColor GetColor(const std::string& text, TColor def);
    // Entry index of ColorPreset; false when there is none.
    bool GetPrecolor(TColor& color, int index) const;
    // The text before the first "."; empty when there is no ".".
    static std::wstring GetFileName(const std::wstring& text);
    void DoDebug(const std::wstring& text);

    // Options behind the published properties (TSkinData has the accessors).
    std::wstring fskinfile;
    std::unique_ptr<TQuickIni> ini;  // during a load only
    TColor fMenuSideBar = 0;
    std::unique_ptr<TMemoryStream> ms;  // during a load only
    bool factive = false;
    int32_t fdisableTag = kDefaultDisableTag;
    TWinContainers FContainers = TWinContainers::All();
    TSkinControlTypes FSkinControls = DefaultSkinControls();
    TSkinOptions fSkinOptions = DefaultOptions();
    TSkinFormType ftype = sfMainform;
    bool FInDLL = false;
    TStringList f3rdControls;
    bool fmenuauto = true;
    std::wstring fversion = kVersion;
    bool fmenumerge = false;

    std::unique_ptr<TSkinReader> reader;  // during a load only
    TMemoryStream data;                   // the stored package
    bool Empty = true;                    // no skin built (also while a load runs)
    // Names the skin now built: a new value, never used before in this
    // process, whenever a load starts or ends. Pictures composed from the
    // skin objects are kept under it, so none outlives the skin it shows.
    uint64_t BuildId() const { return buildId_; }

    std::array<TColor, kShemeColorCount> Colors{};
    std::array<bool, kShemeColorCount> hasColors{};  // the skin gave this colour
    std::vector<TColor> ColorPreset;

    TBitmap SysIcon{0, 0, pf24bit};  // the application's small icon (Windows fills it)

    // The skin objects; null where the skin has no such part.
    std::unique_ptr<TDataSkinTitle> Title;
    std::vector<std::unique_ptr<TDataSkinSysButton>> SysBtn;  // buttons, then 3 MDI buttons
    std::unique_ptr<TDataSkinButton> Button;
    std::unique_ptr<TDataSkinBorder> tab, HSpin, VSpin;
    std::unique_ptr<TDataSkinObject> Comboxborder, ExtraImages;
    std::unique_ptr<TDataSkinBorder> combox;
    std::unique_ptr<TDataSkinObject> comboxarrow, Box, Toolbar, Toolbarbtn;
    std::unique_ptr<TDataSkinBorder> progress;
    std::unique_ptr<TDataSkinObject> progresschunk;
    std::unique_ptr<TDataSkinBoxLabel> boxlabel;
    std::unique_ptr<TDataSkinObject> StatusBar, TabSheet, Header, Menubar, MenuItem, MenuitemBG, SArrow, HBar, VBar,
        HSlider, VSlider, TrackHorz, TrackVert, TrackBar, TrackBarVert, TrackLeft, Trackright, Tracktop, Trackbottom,
        MinCaption;
    std::array<std::unique_ptr<TDataSkinBorder>, 5> border;  // [1] Left, [2] Right, [3] Top, [4] Bottom; [0] unused

    std::unique_ptr<TStringList> sectionlist;  // during a load only
    std::array<TColor, 10> PresetColors{};
    bool MenuMsg = true;
    std::wstring SkinName;
    TStringList* DebugList = nullptr;  // not owned

protected:
    // Called at the end of each build, before Empty turns false (the
    // Windows component makes its background brush here).
    virtual void SkinBuilt() {}

    // The reading patterns of the loader.
    void Readbmp(TBitmap& bitmap, const std::string& value);
    // The image an image value names, decoded once per load and shared by
    // every object that names it; null when there is no such (non-empty) image.
    std::shared_ptr<TBitmap> DecodedMember(const std::string& value);
    // ownMap: the object gets a copy of its own, because the loader redraws it.
    void ReadObject(std::unique_ptr<TDataSkinObject>& target, const std::string& section, bool ownMap = false);
    void ReadObject2(std::unique_ptr<TDataSkinBorder>& target, const std::string& section, const std::string& maskKey,
                     bool ownMap = false);
    void ReadProgress(std::unique_ptr<TDataSkinBorder>& target, const std::string& section);
    void ReadBoxLabel(std::unique_ptr<TDataSkinBoxLabel>& target, const std::string& section);
    void ReadMenuBar(std::unique_ptr<TDataSkinObject>& target, const std::string& section);
    void ReadTrack(std::unique_ptr<TDataSkinObject>& target, const std::wstring& name);
    void ReadColors();
    void ReadBorders();
    void ReadButton();
    void ReadTitle();
    void ReadSysButton();
    void CreateMdibtn(size_t first);
    void SetFrame();
    // At least one frame for every object, and margins inside one frame.
    void SanitizeObjects();
    void ReBuildCombobox();
    void ReBuildComboxArrow();
    void RebuildToolbar();

private:
    friend class TSkinLoadScope;
    void ReadObjectCommon(TDataSkinObject& object, const std::string& section, bool withFrame, bool withColours);

    void NewBuildId();
    uint64_t buildId_ = 0;
    // Decoded images of the load in progress, by lower-cased member name
    // (null: no image there).
    std::unordered_map<std::wstring, std::shared_ptr<TBitmap>> decodedMembers_;
};

// r + g * 256 + b * 65536
TColor RGBToColor(uint8_t r, uint8_t g, uint8_t b);
// 8-bit text in the system ANSI code page to UTF-16 and back.
std::wstring StrToWideStr(const std::string& text);
std::string WideStringToStringEx(const std::wstring& text);
// A UTF-16 string from a character pointer: up to its NUL, or its first n
// characters (fewer when a NUL comes first). Null gives "".
std::wstring WStr(const wchar_t* text);
std::wstring WStr(const wchar_t* text, size_t n);
