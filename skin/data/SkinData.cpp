#include "skin/data/SkinData.h"

#include <cstring>

#include "framework/system/CodePage.h"
#include "skin/data/SkinStore.h"

const wchar_t* const kSkinOptionNames[] = {
    L"xoMDIScrollbar",     L"xoMenuMerge",   L"xoTransparent",       L"xoPreview",
    L"xoParentBackGround", L"xoNoFocusRect", L"xoToolbarBK",         L"xoToolbarButton",
    L"xoMDIChildBorder",   L"xoMenuBG",      L"xoCaptionButtonHint", L"xoFormScrollbar",
};
const wchar_t* const kSkinControlTypeNames[] = {
    L"xcMainMenu", L"xcPopupMenu",   L"xcMenuItem",   L"xcToolbar",    L"xcControlbar", L"xcCombo",
    L"xcCheckBox", L"xcRadioButton", L"xcProgress",   L"xcScrollbar",  L"xcEdit",       L"xcButton",
    L"xcBitBtn",   L"xcSpeedButton", L"xcSpin",       L"xcPanel",      L"xcGroupBox",   L"xcStatusBar",
    L"xcTab",      L"xcTrackBar",    L"xcSystemMenu", L"xcFastReport",
};
const wchar_t* const kSkinFormTypeNames[] = {L"sfMainform", L"sfOnlyThisForm", L"sfDialog", L"sfDLL"};

TSkinControlTypes TSkinDataCore::DefaultSkinControls() {
    TSkinControlTypes s = TSkinControlTypes::All();
    s.Exclude(xcMenuItem);
    s.Exclude(xcFastReport);
    return s;
}

TSkinOptions TSkinDataCore::DefaultOptions() {
    return {xoPreview, xoToolbarBK, xoCaptionButtonHint};
}

TSkinDataCore::TSkinDataCore() {
    NewBuildId();
    InitControlList();
    Button = std::make_unique<TDataSkinButton>(L"Buttons");
    static const wchar_t* const kBorderNames[] = {L"", L"Left", L"Right", L"Top", L"Bottom"};
    for (int i = 1; i <= 4; ++i) border[static_cast<size_t>(i)] = std::make_unique<TDataSkinBorder>(kBorderNames[i]);
    Title = std::make_unique<TDataSkinTitle>(L"Title");
}

TSkinDataCore::~TSkinDataCore() = default;

void TSkinDataCore::InitControlList() {
    // Classes of other component libraries and the skin kind each is drawn
    // as. Kinds are compared without regard to case by their user.
    static const char* const kGroups[][2] = {
        {"scrollbar",
         "TCategoryButtons TVirtualStringTree TVirtualDrawTree TAdvPanelGroup THTMLViewer TDBCtrlGrid "
         "TImageEnMView TImageEnView TAdvMemo TDBAdvMemo"},
        {"pngspeedbutton", "TPngSpeedbutton"},
        {"pngbitbtn", "TPngBitBtn"},
        {"Panel",
         "TTBXDockablePanel TControlBar TTBDock TTBToolbar TRzGroup TLMDCalculator TLMDGROUPBOX TLMDSIMPLEPANEL "
         "TLMDDBCalendar TLMDButtonPanel TLMDLMDCalculator TLMDHeaderPanel TLMDTechnicalLine TLMDLMDClock "
         "TLMDTrackbar"},
        {"combobox",
         "TComboboxex TcxDBLookupComboBox TcxDBComboBox TcxDBDateEdit TcxDBImageComboBox TcxDBCalcEdit "
         "TcxDBBlobEdit TcxDBPopupEdit TcxDBFontNameComboBox TcxDBShellComboBox TRxLookupEdit TRxDBLookupCombo "
         "TRzDateTimeEdit TRzColorEdit TRzDateTimePicker TRzDBDateTimeEdit TRzDbColorEdit TRzDBDateTimePicker "
         "TLMDListCombobox TLMDCheckListCombobox TLMDHeaderListCombobox TLMDImageCombobox TLMDColorCombobox "
         "TLMDFontCombobox TLMDFontSizeCombobox TLMDFontSizeCombobox TLMDPrinterCombobox TLMDDriveCombobox "
         "TLMDCalculatorComboBox TLMDTrackBarComboBox TLMDCalendarComboBox TLMDTreeComboBox TDBLookupCombobox "
         "TWWDBCombobox TWWDBCombobox TWWDBLookupCombo TWWKeyCombo TWWTempKeyCombo TWWDBDateTimePicker"},
        {"speedbutton", "TRxSpeedButton TfrSpeedButton TfrTBButton"},
        {"button", "TRzButton"},
        {"bitbtn", "TRzBitbtn TLMDButton TcxButton"},
        {"menubtn", "TRzMenuButton"},
        {"CheckGroup", "TRzCheckGroup TLMDCheckGroup TLMDDBCheckGroup"},
        {"Radiogroup",
         "TRzRadioGroup TRzDBRadioGroup TLMDRADIOGROUP TLMDDBRADIOGROUP TWWRADIOGROUP TcxDBRadioGroup "
         "TcxRadioGroup"},
        {"Radiobutton", "TRzDBRadioButton TLMDRadiobutton"},
        {"Groupbox", "TLMDGroupBox TcxGroupbox"},
        {"Checkbox", "TDBCheckboxEh TDBCheckboxEh TLMDCHECKBOX TLMDDBCHECKBOX"},
        {"Edit",
         "TRzButtonEdit TLMDCalculatorEdit TLMDEDIT TLMDMASKEDIT TLMDBROWSEEDIT TLMDEXTSPINEDIT TLMDCALENDAREDIT "
         "TLMDFILEOPENEDIT TLMDFILESAVEEDIT TLMDCOLOREDIT TLMDDBEDIT TLMDDBMASKEDIT TLMDDBEXTSPINEDIT "
         "TLMDDBSPINEDIT TLMDDBEDITDBLookup TLMDEDITDBLookup TWWDBEDIT TOVCPICTUREFIELD TOVCDBPICTUREFIELD "
         "TOVCSLIDEREDIT TOVCDBSLIDEREDIT TOVCSIMPLEFIELD TOVCDBSIMPLEFIELD TO32DBFLEXEDIT TOVCNUMERICFIELD "
         "TOVCDBNUMERICFIELD"},
    };
    f3rdControls.Clear();
    for (const auto& group : kGroups) {
        const std::string kind = group[0];
        const char* p = group[1];
        while (*p) {
            const char* end = std::strchr(p, ' ');
            if (!end) end = p + std::strlen(p);
            f3rdControls.Add(AnsiToWide(std::string(p, end)) + L"=" + AnsiToWide(kind));
            p = *end ? end + 1 : end;
        }
    }
}

class TSkinLoadScope {
public:
    explicit TSkinLoadScope(TSkinDataCore& d) : d_(d) {}
    ~TSkinLoadScope() {
        d_.reader.reset();
        d_.ms.reset();
        d_.ini.reset();
        d_.decodedMembers_.clear();
    }
    TSkinLoadScope(const TSkinLoadScope&) = delete;
    TSkinLoadScope& operator=(const TSkinLoadScope&) = delete;

private:
    TSkinDataCore& d_;
};

void TSkinDataCore::NewBuildId() {
    // One user-interface thread builds skins; a plain counter is enough.
    static uint64_t last = 0;
    buildId_ = ++last;
}

bool TSkinDataCore::LoadSkin() {
    Empty = true;
    NewBuildId();
    // Reader, member stream, description and decoded images live for this
    // load only, on every path.
    TSkinLoadScope scope{*this};
    reader = std::make_unique<TSkinReader>();
    ms = std::make_unique<TMemoryStream>();
    const bool loaded = reader->Loadfromstream(data);
    if (loaded) {
        ini = std::make_unique<TQuickIni>();
        std::wstring iniName;
        reader->readIni(L".ini", *ms, iniName);
        ms->SetPosition(0);
        ini->LoadFromStream(ms.get());
        LoadFromIni(iniName);
    }
    return loaded;
}

void TSkinDataCore::SetData(TStream& source) {
    Empty = true;
    data.Clear();
    data.CopyFrom(source, 0);
    data.SetPosition(0);
}

bool TSkinDataCore::SetDataFromCollection(const TSkinCollection& store, int index) {
    if (index < 0 || index >= store.Count()) return false;
    Empty = true;
    data.Clear();
    store.Items(index)->CopyData(data);
    data.SetPosition(0);
    return true;
}

void TSkinDataCore::ReadSkinStream(TStream& stream) {
    uint8_t raw[4];
    stream.ReadBuffer(raw, 4);
    const int32_t count =
        static_cast<int32_t>(raw[0] | raw[1] << 8 | raw[2] << 16 | static_cast<uint32_t>(raw[3]) << 24);
    if (count <= 0) return;
    // Checked before anything is allocated: a damaged count cannot ask for gigabytes.
    if (count > stream.Size() - stream.Position()) throw EStreamError(L"Stream read error");
    data.Clear();
    data.SetSize(count);
    stream.ReadBuffer(data.Memory(), count);
    data.SetPosition(0);
    LoadSkin();
}

void TSkinDataCore::WriteSkinStream(TStream& stream) const {
    const auto& bytes = data.Bytes();
    const auto count = static_cast<uint32_t>(bytes.size());
    const uint8_t raw[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                            static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)};
    stream.WriteBuffer(raw, 4);
    if (count != 0) stream.WriteBuffer(bytes.data(), count);
}

TColor TSkinDataCore::GetCaptionColor() const {
    const TDataSkinBorder* top = border[3].get();
    if (!top || top->Map.Empty()) return Colors[csButtonFace];
    // Top border frames are stacked; a frame count below 1 counts as 1.
    const int frames = top->frame < 1 ? 1 : top->frame;
    return top->Map.Pixel(top->Map.Width() / 3, top->Map.Height() / frames / 3);
}

TColor TSkinDataCore::GetColor(const std::string& text, TColor def) {
    if (text.empty()) return def;
    return static_cast<TColor>(RGBTextToColor(text));
}

bool TSkinDataCore::GetPrecolor(TColor& color, int index) const {
    if (index < 0 || index >= static_cast<int>(ColorPreset.size())) return false;
    color = ColorPreset[static_cast<size_t>(index)];
    return true;
}

std::wstring TSkinDataCore::GetFileName(const std::wstring& text) {
    const size_t dot = text.find(L'.');
    return dot == std::wstring::npos ? std::wstring() : text.substr(0, dot);
}

void TSkinDataCore::DoDebug(const std::wstring& text) {
    if (DebugList) DebugList->Add(text);
}

TColor RGBToColor(uint8_t r, uint8_t g, uint8_t b) {
    return r + g * 256 + b * 65536;
}

std::wstring StrToWideStr(const std::string& text) {
    return AnsiToWide(text);
}

std::string WideStringToStringEx(const std::wstring& text) {
    return WideToAnsi(text);
}

std::wstring WStr(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring();
}

std::wstring WStr(const wchar_t* text, size_t n) {
    if (!text) return {};
    size_t len = 0;
    while (len < n && text[len]) ++len;
    return std::wstring(text, len);
}
