// Building the skin objects from the description and the package's bitmaps.
#include <algorithm>

#include "framework/system/CodePage.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinPlatform.h"
#include "skin/draw/DrawUtils.h"
#include "skin/draw/ImgUtil.h"

namespace {

std::string Ansi(const std::wstring& s) {
    return WideToAnsi(s);
}

std::wstring UpperAscii(std::wstring s) {
    for (auto& c : s)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    return s;
}

bool StartsWith(const std::wstring& s, const wchar_t* prefix) {
    return s.rfind(prefix, 0) == 0;
}

void EmptyBitmap(TBitmap& bitmap) {
    bitmap.SetSize(0, 0);
}

// At least one frame, and no margin negative or wider (higher) than one
// frame: the drawing code then never divides by zero, and every piece it
// cuts starts and ends inside the frame. (Two opposite margins may still
// overlap, as the built-in track channel's do; the pieces stay inside.)
void Sanitize(TDataSkinObject& o, bool stacked) {
    if (o.frame < 1) o.frame = 1;
    if (o.Map.Empty()) return;
    const int fw = stacked ? o.Map.Width() : o.Map.Width() / o.frame;
    const int fh = stacked ? o.Map.Height() / o.frame : o.Map.Height();
    TRect& r = o.r;
    r.Left = std::clamp(r.Left, 0, fw);
    r.Right = std::clamp(r.Right, 0, fw);
    r.Top = std::clamp(r.Top, 0, fh);
    r.Bottom = std::clamp(r.Bottom, 0, fh);
}

}  // namespace

void TSkinDataCore::LoadFromIni(const std::wstring&) {
    // Every object but Button, Title and the borders belongs to one skin only.
    SysBtn.clear();
    for (auto* p : {&Comboxborder, &ExtraImages, &comboxarrow, &Box,      &Toolbar,     &Toolbarbtn, &progresschunk,
                    &StatusBar,    &TabSheet,    &Header,      &Menubar,  &MenuItem,    &MenuitemBG, &SArrow,
                    &HBar,         &VBar,        &HSlider,     &VSlider,  &TrackHorz,   &TrackVert,  &TrackBar,
                    &TrackBarVert, &TrackLeft,   &Trackright,  &Tracktop, &Trackbottom, &MinCaption})
        p->reset();
    for (auto* p : {&tab, &HSpin, &VSpin, &combox, &progress}) p->reset();
    boxlabel.reset();

    decodedMembers_.clear();
    sectionlist = std::make_unique<TStringList>();
    ini->ReadSections(sectionlist.get());
    SkinName = AnsiToWide(ini->ReadString("TitlebarSkin", "SkinName", ""));
    ReadBorders();
    ReadColors();
    ReadSysButton();
    ReadButton();
    ReadTitle();

    ReadProgress(progress, "Progress");
    ReadObject(progresschunk, "Progress.Chunk");
    ReadMenuBar(Menubar, "Personality");
    ReadObject(Box, "GroupBoxEdge");
    ReadBoxLabel(boxlabel, "GroupBox");
    ReadObject2(tab, "Tabs", "Border");
    ReadObject(StatusBar, "StatusBarEdges");
    ReadObject(TabSheet, "Tab.Pane");
    if (TabSheet) {
        TRect& r = TabSheet->r;
        for (int* m : {&r.Left, &r.Top, &r.Right, &r.Bottom})
            if (*m > 4) *m = 4;
    }
    ReadObject(Toolbarbtn, "ToolBars");
    // The combo strips are drawn over these two Maps: they get their own.
    ReadObject2(combox, "ComboButton", "****", true);
    ReadObject(Comboxborder, "SunkEdge", true);
    if (combox && !combox->Map.Empty()) {
        combox->MaskMap.Assign(combox->Map);
        combox->MaskMap.SetPixelFormat(pf24bit);
        SpiegelnHorizontal(combox->MaskMap);
    }

    ReadObject(ExtraImages, "ExtraImages");
    ReadObject(Header, "Headerbar");
    ReadObject(MenuItem, "MenuItem");
    ReadObject(MenuitemBG, "MenuBackground");
    ReadObject(SArrow, "Scrollbar");
    ReadObject(HBar, "HorzScroll");
    ReadObject(VBar, "VertScroll");
    ReadObject(HSlider, "HorzScrollThumb");
    ReadObject(VSlider, "VertScrollThumb");
    ReadObject(TrackHorz, "Trackbar.ThumbHorz");
    ReadObject(TrackVert, "Trackbar.ThumbVert");
    ReadObject(TrackLeft, "Trackbar.ThumbLeft");
    ReadObject(Trackright, "Trackbar.ThumbRight");
    ReadObject(Tracktop, "Trackbar.ThumbUp");
    ReadObject(Trackbottom, "Trackbar.ThumbDown");
    ReadObject2(HSpin, "UpDown.Horz", "GlyphImage");
    ReadObject2(VSpin, "UpDown.Vert", "GlyphImage");
    ReadObject(TrackBar, "Track");
    ReadObject(TrackBarVert, "TRACKVERT");
    if (!TrackBar) ReadTrack(TrackBar, L"TRACK");
    if (!TrackBarVert) ReadTrack(TrackBarVert, L"TRACKVERT");

    SetFrame();
    // The strips are cut with the margins, so those must lie inside a frame
    // first; the rebuilt strips have frames of their own, so again after.
    SanitizeObjects();
    ReBuildCombobox();
    ReBuildComboxArrow();
    RebuildToolbar();
    SanitizeObjects();

    Colors[csCaption] = GetCaptionColor();
    SkinBuilt();
    sectionlist.reset();
    decodedMembers_.clear();
    NewBuildId();
    Empty = false;
}

void TSkinDataCore::SanitizeObjects() {
    // Whatever the description said: at least one frame, margins inside a frame.
    for (size_t i = 1; i <= 4; ++i) Sanitize(*border[i], i >= 3);
    for (TDataSkinObject* o : {static_cast<TDataSkinObject*>(Button.get()),
                               static_cast<TDataSkinObject*>(tab.get()),
                               static_cast<TDataSkinObject*>(HSpin.get()),
                               static_cast<TDataSkinObject*>(VSpin.get()),
                               Comboxborder.get(),
                               ExtraImages.get(),
                               static_cast<TDataSkinObject*>(combox.get()),
                               comboxarrow.get(),
                               Box.get(),
                               Toolbar.get(),
                               Toolbarbtn.get(),
                               static_cast<TDataSkinObject*>(progress.get()),
                               progresschunk.get(),
                               static_cast<TDataSkinObject*>(boxlabel.get()),
                               StatusBar.get(),
                               TabSheet.get(),
                               Header.get(),
                               Menubar.get(),
                               MenuItem.get(),
                               MenuitemBG.get(),
                               SArrow.get(),
                               HBar.get(),
                               VBar.get(),
                               HSlider.get(),
                               VSlider.get(),
                               TrackHorz.get(),
                               TrackVert.get(),
                               TrackBar.get(),
                               TrackBarVert.get(),
                               TrackLeft.get(),
                               Trackright.get(),
                               Tracktop.get(),
                               Trackbottom.get()})
        if (o) Sanitize(*o, false);
}

void TSkinDataCore::Readbmp(TBitmap& bitmap, const std::string& value) {
    if (auto decoded = DecodedMember(value))
        bitmap.Assign(*decoded);
    else
        EmptyBitmap(bitmap);
}

std::shared_ptr<TBitmap> TSkinDataCore::DecodedMember(const std::string& value) {
    // Path handling on the wide form: a trail byte of a double-byte
    // character can look like a backslash.
    std::wstring name = AnsiToWide(value);
    const size_t cut = name.find_last_of(L"\\/:");
    if (cut != std::wstring::npos) name.erase(0, cut + 1);
    const size_t dot = name.rfind(L'.');
    if (name.empty() || dot == std::wstring::npos || name.compare(dot, std::wstring::npos, L".bmp") != 0)
        return nullptr;
    // Member names match in any ASCII case, so one entry serves every spelling.
    auto [at, isNew] = decodedMembers_.try_emplace(LowerCaseAscii(name));
    if (!isNew) return at->second;
    TMemoryStream member;
    reader->readfile(name, member);
    if (member.Size() == 0) return nullptr;
    member.SetPosition(0);
    auto bitmap = std::make_shared<TBitmap>();
    bitmap->LoadFromStream(member);
    // Empty images are never shared: a user may draw into an empty Map.
    if (!bitmap->Empty()) at->second = std::move(bitmap);
    return at->second;
}

void TSkinDataCore::ReadObjectCommon(TDataSkinObject& o, const std::string& s, bool withFrame, bool withColours) {
    o.style = ini->ReadInteger(s, "Style", 0);
    o.r.Left = ini->ReadInteger(s, "LeftWidth", 0);
    o.r.Right = ini->ReadInteger(s, "RightWidth", 0);
    o.r.Top = ini->ReadInteger(s, "TopHeight", 0);
    o.r.Bottom = ini->ReadInteger(s, "BottomHeight", 0);
    if (withFrame) o.frame = ini->ReadInteger(s, "Frame", 0);
    o.trans = ini->ReadInteger(s, "Trans", 0);
    o.Tile = ini->ReadInteger(s, "Tile", 0);
    if (!withColours) return;
    o.Normalcolor = ini->ReadInteger(s, "NormalColour", -1);
    o.Overcolor = ini->ReadInteger(s, "MouseOverColour", -1);
    o.Downcolor = ini->ReadInteger(s, "PressedColour", -1);
    o.Normalcolor2 = GetColor(ini->ReadString(s, "NormalColour2", ""), Colors[csButtonText]);
    o.Overcolor2 = GetColor(ini->ReadString(s, "MouseOverColour2", ""), Colors[csButtonText]);
    o.Downcolor2 = GetColor(ini->ReadString(s, "PressedColour2", ""), Colors[csButtonText]);
}

void TSkinDataCore::ReadObject(std::unique_ptr<TDataSkinObject>& target, const std::string& s, bool ownMap) {
    target.reset();
    const std::string image = ini->ReadString(s, "Image", "");
    if (image.empty()) return;
    if (ownMap) {
        target = std::make_unique<TDataSkinObject>(AnsiToWide(s));
        Readbmp(target->Map, image);
    } else {
        target = std::make_unique<TDataSkinObject>(AnsiToWide(s), DecodedMember(image));
    }
    ReadObjectCommon(*target, s, true, true);
    if (target->Tile > 1) target->Tile = 0;
}

void TSkinDataCore::ReadObject2(std::unique_ptr<TDataSkinBorder>& target, const std::string& s,
                                const std::string& maskKey, bool ownMap) {
    target.reset();
    const std::string image = ini->ReadString(s, "Image", "");
    if (image.empty()) return;
    if (ownMap) {
        target = std::make_unique<TDataSkinBorder>(AnsiToWide(s));
        Readbmp(target->Map, image);
    } else {
        target = std::make_unique<TDataSkinBorder>(AnsiToWide(s), DecodedMember(image));
    }
    const std::string mask = ini->ReadString(s, maskKey, "");
    if (!mask.empty()) Readbmp(target->MaskMap, mask);
    ReadObjectCommon(*target, s, false, true);
    if (target->Tile > 1) target->Tile = 0;
}

void TSkinDataCore::ReadProgress(std::unique_ptr<TDataSkinBorder>& target, const std::string& s) {
    target.reset();
    const std::string image = ini->ReadString(s, "Bitmap", "");
    if (image.empty()) return;
    target = std::make_unique<TDataSkinBorder>(AnsiToWide(s), DecodedMember(image));
    ReadObjectCommon(*target, s, false, false);
    if (target->Tile > 1) target->Tile = 1;
}

void TSkinDataCore::ReadBoxLabel(std::unique_ptr<TDataSkinBoxLabel>& target, const std::string& s) {
    target.reset();
    const std::string image = ini->ReadString(s, "Image", "");
    if (image.empty()) return;
    target = std::make_unique<TDataSkinBoxLabel>(AnsiToWide(s), DecodedMember(image));
    ReadObjectCommon(*target, s, false, true);
    if (target->Tile > 1) target->Tile = 0;
    target->Alignment = ini->ReadInteger(s, "BackgroundAlignment", 0);
    target->LeftShift = ini->ReadInteger(s, "BackgroundLeftShift", 0);
    target->RightShift = ini->ReadInteger(s, "BackgroundRightShift", 0);
}

void TSkinDataCore::ReadMenuBar(std::unique_ptr<TDataSkinObject>& target, const std::string& s) {
    target.reset();
    const std::string image = ini->ReadString(s, "menuBar", "");
    if (image.empty()) return;
    target = std::make_unique<TDataSkinObject>(AnsiToWide(s), DecodedMember(image));
    target->r.Top = target->r.Bottom = 0;
    target->Tile = ini->ReadInteger(s, "TileMenu", 1);
    target->r.Left = ini->ReadInteger(s, "TileLeftMenu", 1);
    target->r.Right = ini->ReadInteger(s, "TileRightMenu", 1);
    if (target->Tile > 1) target->Tile = 1;
}

void TSkinDataCore::ReadTrack(std::unique_ptr<TDataSkinObject>& target, const std::wstring& name) {
    target = std::make_unique<TDataSkinObject>(name);
    if (auto bitmap = LoadProgramBitmap(name)) target->Map.Assign(*bitmap);
    target->r = Rect(3, 3, 3, 3);
    target->Tile = 0;
    target->frame = 1;
}

void TSkinDataCore::ReadBorders() {
    static const char* const kNames[] = {"", "Left", "Right", "Top", "Bottom"};
    const std::string p = "Personality";
    for (size_t i = 1; i <= 4; ++i) {
        TDataSkinBorder& b = *border[i];
        const std::string x = kNames[i];
        const int topHeight = ini->ReadInteger(p, x + "TopHeight", 0);
        const int botHeight = ini->ReadInteger(p, x + "BotHeight", 0);
        // Left and right borders run down the window, top and bottom across it.
        b.r = i <= 2 ? Rect(0, topHeight, 0, botHeight) : Rect(topHeight, 0, botHeight, 0);
        b.frame = ini->ReadInteger(p, x + "Frame", 1);
        b.Tile = ini->ReadInteger(p, x + "Stretch", 1);
        if (b.Tile > 1) b.Tile = 1;
        b.trans = ini->ReadInteger(p, x + "Trans", 1);
        Readbmp(b.Map, ini->ReadString(p, x, ""));
    }
}

void TSkinDataCore::ReadColors() {
    auto slot = [&](TShemeColor c, const char* key, TColor def) {
        const std::string text = ini->ReadString("Colours", key, "");
        hasColors[c] = !text.empty();
        Colors[c] = GetColor(text, def);
    };
    slot(csText, "WindowText", clWindowText);
    slot(csButtonFace, "ButtonFace", clBtnFace);
    slot(csScrollbar, "Scrollbar", clScrollBar);
    slot(csHilightText, "HilightText", clHighlightText);
    slot(csHilight, "Hilight", clHighlight);
    slot(csMenuBar, "Menubar", Colors[csButtonFace]);
    slot(csMenubg, "Menu", clMenu);
    slot(csMenuText, "MenuText", clMenuText);
    slot(csButtonText, "ButtonText", clBtnText);
    slot(csButtonHilight, "ButtonHilight", clBtnHighlight);
    slot(csButtonlight, "Buttonlight", clBtnHighlight);
    slot(csButtonShadow, "ButtonShadow", clBtnShadow);
    slot(csButtonDkshadow, "ButtonDkShadow", cl3DDkShadow);
    slot(csMenuBarText, "MenuBarText", clMenuText);
    slot(csTitleTextActive, "TitleTextActive", clCaptionText);
    slot(csTitleTextNoActive, "TitleTextNoActive", clInactiveCaptionText);

    ColorPreset.clear();
    for (const std::wstring& name : *sectionlist) {
        const std::wstring upper = UpperAscii(name);
        if (StartsWith(upper, L"COLOUR") && upper != L"COLOURS")
            ColorPreset.push_back(GetColor(ini->ReadString(Ansi(name), "color", ""), clWindowText));
    }
    for (size_t i = 0; i < PresetColors.size(); ++i)
        PresetColors[i] = GetColor(ini->ReadString("Customcolors", "Color" + std::to_string(i), ""), clWhite);
}

void TSkinDataCore::ReadButton() {
    const std::string s = "Buttons";
    TDataSkinButton& b = *Button;
    b.r.Left = ini->ReadInteger(s, "LeftWidth", 0);
    b.r.Right = ini->ReadInteger(s, "RightWidth", 0);
    b.r.Top = ini->ReadInteger(s, "TopHeight", 0);
    b.r.Bottom = ini->ReadInteger(s, "BottomHeight", 0);
    b.trans = ini->ReadInteger(s, "Trans", 0);
    b.Tile = ini->ReadInteger(s, "Tile", 0);
    if (b.Tile > 1) b.Tile = 0;
    Readbmp(b.Map, ini->ReadString(s, "Bitmap", ""));
    Readbmp(b.CheckMap, ini->ReadString(s, "CheckButton", ""));
    Readbmp(b.RadioMap, ini->ReadString(s, "RadioButton", ""));
    b.Normalcolor = ini->ReadInteger(s, "NormalColour", -1);
    b.Overcolor = ini->ReadInteger(s, "MouseOverColour", -1);
    b.Downcolor = ini->ReadInteger(s, "PressedColour", -1);
    b.radioframe = ini->ReadInteger(s, "RadioButtonFrame", 0);
    b.checkframe = ini->ReadInteger(s, "CheckButtonFrame", 0);
    const std::string normal2 = ini->ReadString(s, "NormalColour2", "");
    const std::string over2 = ini->ReadString(s, "MouseOverColour2", "");
    const std::string down2 = ini->ReadString(s, "PressedColour2", "");
    b.newnormal = !normal2.empty();
    b.newover = !over2.empty();
    b.newdown = !down2.empty();
    b.Normalcolor2 = GetColor(normal2, Colors[csButtonText]);
    b.Overcolor2 = GetColor(over2, Colors[csButtonText]);
    b.Downcolor2 = GetColor(down2, Colors[csButtonText]);
}

void TSkinDataCore::ReadTitle() {
    const std::string p = "Personality";
    TDataSkinTitle& t = *Title;
    Readbmp(t.Map, ini->ReadString(p, "TextBack", ""));
    t.r = Rect(ini->ReadInteger(p, "TextShift", 0), ini->ReadInteger(p, "TextShiftVert", 0),
               ini->ReadInteger(p, "TextRightClip", 0), 0);
    t.Aligment = ini->ReadInteger(p, "TextAlignment", 0);
    t.BackGround = ini->ReadInteger(p, "Textbackground", 0);
    t.FontHeight = ini->ReadInteger("Fonts", "FontHeight", 14);
    t.backleft = ini->ReadInteger(p, "TXTBackleft", 0);
    t.backright = ini->ReadInteger(p, "TXTBackRight", 0);
    t.activetext = t.inactivetext = clNone;
    for (TColor* colour : {&t.activetext, &t.inactivetext}) {
        const std::string prefix = colour == &t.activetext ? "ActiveText" : "InActiveText";
        const int r = ini->ReadInteger(p, prefix + "R", -1);
        const int g = ini->ReadInteger(p, prefix + "G", -1);
        const int b = ini->ReadInteger(p, prefix + "B", -1);
        if (r >= 0 && g >= 0 && b >= 0)
            *colour = RGBToColor(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
    }
}

void TSkinDataCore::ReadSysButton() {
    SysBtn.clear();
    std::vector<std::wstring> kept;
    for (const std::wstring& name : *sectionlist) {
        const std::wstring upper = UpperAscii(name);
        if (!StartsWith(upper, L"BUTTON") || upper == L"BUTTON" || upper == L"BUTTONS" || upper == L"BUTTON.RADIO" ||
            upper == L"BUTTON.CHECKBOX")
            continue;
        const std::string s = Ansi(name);
        if (ini->ReadInteger(s, "Action", 0) == -1 && ini->ReadInteger(s, "Visibility", -1) != 0) continue;
        kept.push_back(name);
    }
    const size_t n = kept.size();
    SysBtn.resize(n + 3);

    bool remembered = false;
    int sharedX = 0, sharedY = 0;
    for (size_t i = 0; i < n; ++i) {
        const std::string s = Ansi(kept[i]);
        const int action = ini->ReadInteger(s, "Action", 0);
        int frame = ini->ReadInteger(s, "frame", 0);
        std::shared_ptr<TBitmap> map = DecodedMember(ini->ReadString(s, "ButtonImage", ""));
        if (frame == 0) {
            frame = map && static_cast<double>(map->Width()) / map->Height() <= 3.8 ? 3 : 6;
            if (action < 0) frame = 6;
            // The window icon is drawn there instead.
            if (action == 3 || action == 11) map = nullptr;
        }
        auto b = std::make_unique<TDataSkinSysButton>(UpperAscii(kept[i]), std::move(map));
        b->Action = action;
        b->frame = frame;
        b->Align = ini->ReadInteger(s, "Align", 0);
        b->XCoord = ini->ReadInteger(s, "Xcoord", 0);
        b->YCoord = ini->ReadInteger(s, "Ycoord", 0);
        b->Visibility = ini->ReadInteger(s, "Visibility", 0);
        b->Visibility1 = ini->ReadInteger(s, "Visibility1", b->Action == -1 ? -1 : 0);
        b->CombineOp = ini->ReadInteger(s, "CombineOp", -1);
        // The maximize button's place is where the restore button goes.
        if (b->Action == 1 && b->Visibility == 2) {
            remembered = true;
            sharedX = b->XCoord;
            sharedY = b->YCoord;
        } else if (b->Action == 4 && remembered) {
            b->XCoord = sharedX;
            b->YCoord = sharedY;
        }
        SysBtn[i] = std::move(b);
    }
    for (size_t k = 0; k < 3; ++k) {
        auto b = std::make_unique<TDataSkinSysButton>(L"MDICONTROLS");
        b->Action = static_cast<int32_t>(7 + k);
        b->Align = b->Visibility = b->Visibility1 = 100;
        b->frame = 4;
        SysBtn[n + k] = std::move(b);
    }
    CreateMdibtn(n);
}

void TSkinDataCore::CreateMdibtn(size_t first) {
    TBitmap image;
    Readbmp(image, ini->ReadString("MDICONTROLS", "Image", ""));
    if (image.Empty()) return;
    const int a = image.Width() / 12;
    const int h = image.Height();
    for (int k = 0; k < 3; ++k) {
        TDataSkinSysButton& b = *SysBtn[first + static_cast<size_t>(k)];
        b.Map.SetPixelFormat(image.PixelFormat());
        b.Map.SetSize(4 * a, h);
        b.Map.Canvas().CopyRect(Rect(0, 0, 4 * a, h), image, Rect(4 * a * k, 0, 4 * a * (k + 1), h));
        b.XCoord = (a + 4) * (3 - k);
    }
}

void TSkinDataCore::SetFrame() {
    Button->frame = 5;
    auto glyphFrames = [](const TBitmap& strip) {
        const int s = strip.Height() < 16 ? 13 : 16;
        return std::max(strip.Width() / s, 4);
    };
    if (Button->radioframe == 0) Button->radioframe = glyphFrames(Button->RadioMap);
    if (Button->checkframe == 0) Button->checkframe = glyphFrames(Button->CheckMap);
    if (Button->radioframe < 0) Button->radioframe = 1;
    if (Button->checkframe < 0) Button->checkframe = 1;

    auto fix = [](auto& object, int frames) {
        if (object) object->frame = frames;
    };
    Title->frame = 2;
    if (progress) progress->frame = progress->style != 0 ? 1 : 2;
    fix(Menubar, 2);
    fix(Box, 2);
    fix(Toolbar, 1);
    fix(Toolbarbtn, 5);
    fix(tab, 5);
    fix(TabSheet, 1);
    fix(StatusBar, 3);
    fix(boxlabel, 1);
    fix(combox, 4);
    fix(Comboxborder, 4);
    fix(ExtraImages, 5);
    if (Header && Header->frame == 0) Header->frame = 5;
    fix(MenuItem, 5);
    fix(MenuitemBG, 1);
    fix(SArrow, 23);
    fix(HBar, 4);
    fix(VBar, 4);
    fix(VSpin, 8);
    fix(HSpin, 8);
    for (auto* thumb : {&TrackHorz, &TrackVert, &TrackLeft, &Trackright, &Tracktop, &Trackbottom}) fix(*thumb, 5);
    fix(HSlider, ini->ReadInteger("HorzScrollThumb", "FrameCount", 3));
    fix(VSlider, ini->ReadInteger("VertScrollThumb", "FrameCount", 3));

    // A caption button's frame from the description may be negative (0 was
    // worked out above); the other objects are seen to after the rebuilds.
    for (auto& b : SysBtn)
        if (b->frame < 1) b->frame = 1;
}

void TSkinDataCore::ReBuildCombobox() {
    if (!Comboxborder || !combox) return;
    const int w = ScrollArrowWidth() + 2;
    const int frames = Comboxborder->frame;
    TBitmap strip(50 * frames, 21, pf24bit);
    strip.Canvas().Brush.Color = kSkinKeyColor;
    strip.Canvas().FillRect(Rect(0, 0, strip.Width(), 21));
    TBitmap work(50, 21, pf24bit);
    TCanvas& c = work.Canvas();
    c.Brush.Color = kSkinKeyColor;
    const TRect whole = Rect(0, 0, 50, 21), button = Rect(50 - w, 0, 50, 21);
    for (int b = 1; b <= frames; ++b) {
        c.FillRect(whole);  // what the edge leaves transparent stays transparent
        DrawRect2(c, whole, Comboxborder->Map, Comboxborder->r, b, frames, Comboxborder->trans != 0,
                  Comboxborder->Tile != 0, false);
        DrawRect2(c, button, combox->Map, combox->r, b, combox->frame, true, combox->Tile != 0, false);
        if (ExtraImages) DrawRect3(c, button, ExtraImages->Map, b, ExtraImages->frame, true);
        c.FillRect(Rect(2, 2, 49 - w, 18));
        strip.Canvas().CopyRect(Rect(50 * (b - 1), 0, 50 * b, 21), work, whole);
    }
    combox->style = 2;
    combox->r = Comboxborder->r;
    combox->r.Left = 2;
    combox->r.Right = w + 2;
    combox->Map.Assign(strip);
    SpiegelnHorizontal(strip);
    Comboxborder->Map.Assign(strip);
    Comboxborder->r.Left = w + 2;
    Comboxborder->r.Right = 2;
}

void TSkinDataCore::ReBuildComboxArrow() {
    if (!comboxarrow) comboxarrow = std::make_unique<TDataSkinObject>(L"ComboxArrow");
    if (!Comboxborder && combox) {
        comboxarrow->Map.Assign(combox->Map);
        // The colour's own RGB: a system colour's bytes are not a colour.
        ChangeTrans(comboxarrow->Map, ColorToRGB(Colors[csButtonFace]));
        comboxarrow->frame = combox->frame;
    }
    if (Comboxborder && combox && combox->style == 2) {
        const int frames = Comboxborder->frame;
        TBitmap arrows(17 * frames, 17, pf24bit);
        const int c = combox->Map.Width() / frames;
        for (int i = 0; i < frames; ++i)
            arrows.Canvas().CopyRect(Rect(17 * i, 0, 17 * (i + 1), 17), combox->Map,
                                     Rect(c * (i + 1) - 19, 2, c * (i + 1) - 2, 19));
        comboxarrow->frame = frames;
        comboxarrow->Map.Assign(arrows);
    }
}

void TSkinDataCore::RebuildToolbar() {
    const TColor caption = ColorToRGB(GetCaptionColor());
    const TColor a = Blend(Colors[csButtonFace], clWhite, 150);
    const int value = GetHSV(caption);
    const TColor b =
        value > 110 ? Blend(caption, clWhite, (225 - value) * 25 / 140 + 50) : Blend(0x808080, caption, 150);
    TBitmap gradient(10, 40, pf24bit);
    GradFill(gradient.Canvas(), Rect(0, 0, 10, 40), a, b, 1);
    if (!Toolbar) Toolbar = std::make_unique<TDataSkinObject>(L"Toolbar");
    Toolbar->Map.Assign(gradient);
    Toolbar->frame = 1;
}
