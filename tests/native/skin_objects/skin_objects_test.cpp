// Loading fixture skins into skin objects: frame counts, caption buttons,
// the combo strips, the built-in track channels, colours, and what an odd
// description turns into.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fixture_skins.h"
#include "skin/data/SkinPlatform.h"
#include "skin/draw/ImgUtil.h"

namespace {

constexpr TColor kMagenta = 0xFF00FF;

TColor RGB3(int r, int g, int b) {
    return ColorFromRGB(r, g, b);
}

// Every object the core holds, by name; stacked says how its frames lie.
struct NamedObject {
    const char* name;
    const TDataSkinObject* object;
    bool stacked;
};
std::vector<NamedObject> AllObjects(const TSkinDataCore& d) {
    std::vector<NamedObject> all = {
        {"border1", d.border[1].get(), false},
        {"border2", d.border[2].get(), false},
        {"border3", d.border[3].get(), true},
        {"border4", d.border[4].get(), true},
        {"Button", d.Button.get(), false},
        {"tab", d.tab.get(), false},
        {"HSpin", d.HSpin.get(), false},
        {"VSpin", d.VSpin.get(), false},
        {"Comboxborder", d.Comboxborder.get(), false},
        {"ExtraImages", d.ExtraImages.get(), false},
        {"combox", d.combox.get(), false},
        {"comboxarrow", d.comboxarrow.get(), false},
        {"Box", d.Box.get(), false},
        {"Toolbar", d.Toolbar.get(), false},
        {"Toolbarbtn", d.Toolbarbtn.get(), false},
        {"progress", d.progress.get(), false},
        {"progresschunk", d.progresschunk.get(), false},
        {"boxlabel", d.boxlabel.get(), false},
        {"StatusBar", d.StatusBar.get(), false},
        {"TabSheet", d.TabSheet.get(), false},
        {"Header", d.Header.get(), false},
        {"Menubar", d.Menubar.get(), false},
        {"MenuItem", d.MenuItem.get(), false},
        {"MenuitemBG", d.MenuitemBG.get(), false},
        {"SArrow", d.SArrow.get(), false},
        {"HBar", d.HBar.get(), false},
        {"VBar", d.VBar.get(), false},
        {"HSlider", d.HSlider.get(), false},
        {"VSlider", d.VSlider.get(), false},
        {"TrackHorz", d.TrackHorz.get(), false},
        {"TrackVert", d.TrackVert.get(), false},
        {"TrackBar", d.TrackBar.get(), false},
        {"TrackBarVert", d.TrackBarVert.get(), false},
        {"TrackLeft", d.TrackLeft.get(), false},
        {"Trackright", d.Trackright.get(), false},
        {"Tracktop", d.Tracktop.get(), false},
        {"Trackbottom", d.Trackbottom.get(), false},
    };
    for (const auto& b : d.SysBtn) all.push_back({"SysBtn", b.get(), false});
    return all;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

}  // namespace

TEST(SkinObjects, FrameCountsOfTheFullSkin) {
    auto d = LoadFixture("full");
    struct Case {
        const char* name;
        const TDataSkinObject* object;
        int frames;
    } cases[] = {
        {"Title", d->Title.get(), 2},
        {"progress (style 0)", d->progress.get(), 2},
        {"Menubar", d->Menubar.get(), 2},
        {"Box", d->Box.get(), 2},
        {"Toolbar", d->Toolbar.get(), 1},
        {"Toolbarbtn", d->Toolbarbtn.get(), 5},
        {"tab", d->tab.get(), 5},
        {"TabSheet", d->TabSheet.get(), 1},
        {"StatusBar", d->StatusBar.get(), 3},
        {"boxlabel", d->boxlabel.get(), 1},
        {"combox", d->combox.get(), 4},
        {"Comboxborder", d->Comboxborder.get(), 4},
        {"ExtraImages", d->ExtraImages.get(), 5},
        {"Header (Frame=3)", d->Header.get(), 3},
        {"MenuItem", d->MenuItem.get(), 5},
        {"MenuitemBG", d->MenuitemBG.get(), 1},
        {"SArrow", d->SArrow.get(), 23},
        {"HBar", d->HBar.get(), 4},
        {"VBar", d->VBar.get(), 4},
        {"HSpin", d->HSpin.get(), 8},
        {"VSpin", d->VSpin.get(), 8},
        {"TrackHorz", d->TrackHorz.get(), 5},
        {"TrackVert", d->TrackVert.get(), 5},
        {"TrackLeft", d->TrackLeft.get(), 5},
        {"Trackright", d->Trackright.get(), 5},
        {"Tracktop", d->Tracktop.get(), 5},
        {"Trackbottom", d->Trackbottom.get(), 5},
        {"HSlider (FrameCount=2)", d->HSlider.get(), 2},
        {"VSlider (default 3)", d->VSlider.get(), 3},
        {"progresschunk (Frame=2)", d->progresschunk.get(), 2},
        {"TrackBar (built in)", d->TrackBar.get(), 1},
        {"Button", d->Button.get(), 5},
        {"border Left (LeftFrame=2)", d->border[1].get(), 2},
        {"border Top", d->border[3].get(), 2},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.object, nullptr) << "case: " << c.name;
        EXPECT_EQ(c.object->frame, c.frames) << "case: " << c.name;
    }
    EXPECT_EQ(d->MinCaption, nullptr);
    EXPECT_FALSE(d->Empty);
    EXPECT_EQ(d->SkinName, L"Fixture Full");
}

TEST(SkinObjects, CaptionButtons) {
    auto d = LoadFixture("full");
    struct Case {
        const wchar_t* id;
        int action, frames, x, y, visibility1;
        int mapWidth;  // 0: emptied
    } cases[] = {
        {L"BUTTON0", 0, 6, 25, 6, 0, 102},    // 102 x 20: ratio 5.1
        {L"BUTTON1", 1, 3, 49, 6, 6, 60},     // 60 x 20: ratio 3.0
        {L"BUTTONHELP", 4, 3, 49, 6, 0, 60},  // takes the maximize button's place
        {L"BUTTON_ICON", 3, 3, 0, 0, 0, 0},   // the window icon goes there
        {L"BUTTONICON11", 11, 3, 0, 0, 0, 0},
        {L"BUTTONKEPT", -1, 6, 0, 0, -1, 60},  // Action -1 with Visibility 0; 6 frames whatever the ratio
        {L"BUTTONFRAMED", 2, 2, 0, 0, 0, 60},  // a frame key keeps frame and image
    };
    const size_t n = std::size(cases);
    ASSERT_EQ(d->SysBtn.size(), n + 3) << "ButtonGone (Action -1, no Visibility), Button, Buttons, "
                                          "Button.Radio and BUTTON.CHECKBOX are no caption buttons";
    for (size_t i = 0; i < n; ++i) {
        const auto& c = cases[i];
        const TDataSkinSysButton& b = *d->SysBtn[i];
        EXPECT_EQ(b.IDName, c.id) << "case: " << i;
        EXPECT_EQ(b.Action, c.action) << "case: " << i;
        EXPECT_EQ(b.frame, c.frames) << "case: " << i;
        EXPECT_EQ(b.XCoord, c.x) << "case: " << i;
        EXPECT_EQ(b.YCoord, c.y) << "case: " << i;
        EXPECT_EQ(b.Visibility1, c.visibility1) << "case: " << i;
        EXPECT_EQ(b.Map.Width(), c.mapWidth) << "case: " << i;
        EXPECT_EQ(b.CombineOp, -1) << "case: " << i;
    }
    EXPECT_EQ(d->SysBtn[0]->Align, 1);
    EXPECT_EQ(d->SysBtn[1]->Visibility, 2);
    // The MDI child buttons, cut from the 36 x 8 MDICONTROLS image (a = 3).
    for (int k = 0; k < 3; ++k) {
        const TDataSkinSysButton& b = *d->SysBtn[n + static_cast<size_t>(k)];
        EXPECT_EQ(b.Action, 7 + k) << "mdi " << k;
        EXPECT_EQ(b.Align, 100) << "mdi " << k;
        EXPECT_EQ(b.Visibility, 100) << "mdi " << k;
        EXPECT_EQ(b.Visibility1, 100) << "mdi " << k;
        EXPECT_EQ(b.frame, 4) << "mdi " << k;
        EXPECT_EQ(b.XCoord, 7 * (3 - k)) << "mdi " << k;
        ASSERT_EQ(b.Map.Width(), 12) << "mdi " << k;
        EXPECT_EQ(b.Map.Height(), 8) << "mdi " << k;
        EXPECT_EQ(b.Map.Pixel(0, 0), RGB3(30 + 12 * k, 30, 40)) << "mdi " << k;
        EXPECT_EQ(b.Map.Pixel(11, 7), RGB3(30 + 12 * k + 11, 30, 40)) << "mdi " << k;
    }
}

TEST(SkinObjects, ComboStripsNeedBothParts) {
    const int w = ScrollArrowWidth() + 2;

    // ComboButton and SunkEdge: both strips rebuilt, 4 frames of 50 x 21.
    auto full = LoadFixture("full");
    const TDataSkinBorder& combox = *full->combox;
    const TDataSkinObject& sunk = *full->Comboxborder;
    ASSERT_EQ(combox.Map.Width(), 200);
    ASSERT_EQ(combox.Map.Height(), 21);
    EXPECT_EQ(combox.style, 2);
    EXPECT_EQ(combox.r, Rect(2, 2, w + 2, 2));
    EXPECT_EQ(sunk.r, Rect(w + 2, 2, 2, 2));
    for (int b = 0; b < 4; ++b) {
        // The text area is transparent; the sunken edge keeps its frame's colour.
        EXPECT_EQ(combox.Map.Pixel(50 * b + 10, 10), kMagenta) << "frame " << b;
        EXPECT_EQ(combox.Map.Pixel(50 * b, 10), RGB3(30 + 10 * b, 40, 50)) << "frame " << b;
        // The arrow glyph of ExtraImages, centred in the button part.
        const int gx = 50 * b + 50 - w + (w - 4) / 2;
        EXPECT_EQ(combox.Map.Pixel(gx, 8), RGB3(26 + 10 * b, 30, 40)) << "frame " << b;
    }
    for (int x = 0; x < 200; x += 7)
        EXPECT_EQ(sunk.Map.Pixel(x, 5), combox.Map.Pixel(199 - x, 5)) << "mirrored at " << x;
    // The mask is the original 84 x 22 button image mirrored, 24-bit.
    EXPECT_EQ(combox.MaskMap.Width(), 84);
    EXPECT_EQ(combox.MaskMap.PixelFormat(), pf24bit);
    EXPECT_EQ(combox.MaskMap.Pixel(83 - 10, 11), RGB3(1, 2, 3));
    // The arrows: 17 x 17 cut from each rebuilt frame.
    const TDataSkinObject& arrow = *full->comboxarrow;
    EXPECT_EQ(arrow.IDName, L"ComboxArrow");
    EXPECT_EQ(arrow.frame, 4);
    ASSERT_EQ(arrow.Map.Width(), 68);
    ASSERT_EQ(arrow.Map.Height(), 17);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(arrow.Map.Pixel(17 * i + 5, 6), combox.Map.Pixel(50 * (i + 1) - 19 + 5, 2 + 6)) << "arrow " << i;

    // ComboButton alone: nothing rebuilt, the arrow is the button with magenta
    // replaced by the skin's ButtonFace.
    auto comboOnly = LoadFixture("combo_only");
    ASSERT_NE(comboOnly->combox, nullptr);
    EXPECT_EQ(comboOnly->combox->Map.Width(), 84);
    EXPECT_EQ(comboOnly->combox->style, 0);
    const TDataSkinObject& copy = *comboOnly->comboxarrow;
    EXPECT_EQ(copy.frame, 4);
    ASSERT_EQ(copy.Map.Width(), 84);
    EXPECT_EQ(copy.Map.Pixel(0, 0), RGB3(1, 2, 3));
    EXPECT_EQ(copy.Map.Pixel(21 + 20, 21), RGB3(1, 2, 3));
    EXPECT_EQ(copy.Map.Pixel(5, 5), RGB3(60, 70, 80));

    // SunkEdge alone: nothing rebuilt, the arrow has no image.
    auto sunkOnly = LoadFixture("sunk_only");
    EXPECT_EQ(sunkOnly->combox, nullptr);
    ASSERT_NE(sunkOnly->Comboxborder, nullptr);
    EXPECT_EQ(sunkOnly->Comboxborder->Map.Width(), 40);
    EXPECT_EQ(sunkOnly->Comboxborder->r.Left, 2);
    ASSERT_NE(sunkOnly->comboxarrow, nullptr);
    EXPECT_TRUE(sunkOnly->comboxarrow->Map.Empty());
}

TEST(SkinObjects, TabPaneMarginsAndBuiltInTracks) {
    auto d = LoadFixture("full");
    EXPECT_EQ(d->TabSheet->r, Rect(4, 4, 2, 4));  // 7, 9, 2, 4 in the description

    // No Track or TRACKVERT section: the program's channels, margins 3.
    struct Case {
        const char* name;
        const TDataSkinObject* object;
        const wchar_t* resource;
    } cases[] = {{"TrackBar", d->TrackBar.get(), L"TRACK"}, {"TrackBarVert", d->TrackBarVert.get(), L"TRACKVERT"}};
    for (const auto& c : cases) {
        ASSERT_NE(c.object, nullptr) << "case: " << c.name;
        EXPECT_EQ(c.object->IDName, c.resource) << "case: " << c.name;
        EXPECT_EQ(c.object->r, Rect(3, 3, 3, 3)) << "case: " << c.name;
        EXPECT_EQ(c.object->Tile, 0) << "case: " << c.name;
        EXPECT_EQ(c.object->frame, 1) << "case: " << c.name;
        EXPECT_TRUE(SamePixels(c.object->Map, *DrawProgramBitmap(c.resource))) << "case: " << c.name;
    }
    EXPECT_EQ(d->TrackBar->Map.Width(), 16);
    EXPECT_EQ(d->TrackBar->Map.Height(), 4);
    EXPECT_EQ(d->TrackBarVert->Map.Width(), 4);
    EXPECT_EQ(d->TrackBarVert->Map.Height(), 16);
}

TEST(SkinObjects, RadioAndCheckFrames) {
    // 68 x 18: 68 / 16 = 4; 26 x 13: 26 / 13 = 2, raised to 4.
    auto d = LoadFixture("full");
    EXPECT_EQ(d->Button->radioframe, 4);
    EXPECT_EQ(d->Button->checkframe, 4);
    // A negative count is taken as 1; no check image gives the minimum 4.
    auto odd = LoadFixture("odd");
    EXPECT_EQ(odd->Button->radioframe, 1);
    EXPECT_EQ(odd->Button->checkframe, 4);
}

TEST(SkinObjects, ColourScheme) {
    auto d = LoadFixture("full");
    const TColor face = RGB3(211, 211, 211);
    struct Case {
        const char* name;
        TShemeColor slot;
        TColor value;
        bool given;
    } cases[] = {
        {"ButtonFace", csButtonFace, face, true},
        {"Menubar takes the skin's ButtonFace", csMenuBar, face, false},
        {"TitleTextActive", csTitleTextActive, RGB3(1, 1, 1), true},
        {"Hilight", csHilight, RGB3(141, 141, 141), true},
        {"WindowText stays a system colour", csText, clWindowText, false},
        {"ButtonText", csButtonText, clBtnText, false},
        {"Buttonlight", csButtonlight, clBtnHighlight, false},
        {"ButtonDkShadow", csButtonDkshadow, cl3DDkShadow, false},
        {"TitleTextNoActive", csTitleTextNoActive, clInactiveCaptionText, false},
        {"Menu", csMenubg, clMenu, false},
        {"MenuBarText", csMenuBarText, clMenuText, false},
        {"Caption: pixel of the top border", csCaption, RGB3(200, 100, 50), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(d->Colors[c.slot], c.value) << "case: " << c.name;
        if (c.slot != csCaption) {
            EXPECT_EQ(d->hasColors[c.slot], c.given) << "case: " << c.name;
        }
    }
    ASSERT_EQ(d->ColorPreset.size(), 2u);  // Colour1, COLOURFOO; not Colours
    EXPECT_EQ(d->ColorPreset[0], RGB3(1, 2, 3));
    EXPECT_EQ(d->ColorPreset[1], clWindowText);
    EXPECT_EQ(d->PresetColors[0], RGB3(5, 6, 7));
    for (size_t i = 1; i < 10; ++i) EXPECT_EQ(d->PresetColors[i], clWhite) << "custom colour " << i;
    TColor preset = 0;
    EXPECT_TRUE(d->GetPrecolor(preset, 0));
    EXPECT_EQ(preset, RGB3(1, 2, 3));
    EXPECT_FALSE(d->GetPrecolor(preset, 2));
    EXPECT_FALSE(d->GetPrecolor(preset, -1));

    // Button text colours: the skin's NormalColour2, else the scheme's ButtonText.
    EXPECT_TRUE(d->Button->newnormal);
    EXPECT_FALSE(d->Button->newover);
    EXPECT_EQ(d->Button->Normalcolor2, RGB3(10, 20, 30));
    EXPECT_EQ(d->Button->Overcolor2, clBtnText);
    EXPECT_EQ(d->Button->Normalcolor, -1);
    EXPECT_EQ(d->StatusBar->Downcolor2, clBtnText);
}

TEST(SkinObjects, BordersTitleButtonAndImages) {
    auto d = LoadFixture("full");
    struct Border {
        int index;
        TRect r;
        int tile, trans, width, height;
    } borders[] = {
        {1, Rect(0, 5, 0, 3), 1, 0, 8, 40},  // LeftStretch=2 becomes 1
        {2, Rect(0, 6, 0, 2), 0, 1, 8, 40},
        {3, Rect(4, 0, 7, 0), 1, 1, 30, 20},
        {4, Rect(3, 0, 3, 0), 1, 1, 30, 10},
    };
    for (const auto& b : borders) {
        const TDataSkinBorder& o = *d->border[static_cast<size_t>(b.index)];
        EXPECT_EQ(o.r, b.r) << "border " << b.index;
        EXPECT_EQ(o.Tile, b.tile) << "border " << b.index;
        EXPECT_EQ(o.trans, b.trans) << "border " << b.index;
        EXPECT_EQ(o.Map.Width(), b.width) << "border " << b.index;
        EXPECT_EQ(o.Map.Height(), b.height) << "border " << b.index;
    }
    EXPECT_EQ(d->border[4]->Map.PixelFormat(), pf32bit);

    const TDataSkinTitle& t = *d->Title;
    EXPECT_EQ(t.r, Rect(16, 6, 20, 0));
    EXPECT_EQ(t.Aligment, 1);
    EXPECT_EQ(t.FontHeight, 14);
    EXPECT_EQ(t.activetext, RGB3(1, 2, 3));
    EXPECT_EQ(t.inactivetext, clNone);  // only InActiveTextR given
    EXPECT_TRUE(t.Map.Empty());

    EXPECT_EQ(d->Button->r, Rect(3, 1, 4, 2));
    EXPECT_EQ(d->Button->Tile, 0);  // 3 becomes 0
    EXPECT_EQ(d->Button->trans, 1);
    EXPECT_EQ(d->Button->Map.Width(), 50);

    EXPECT_EQ(d->progress->Tile, 1);  // 4 becomes 1 for the progress bar
    EXPECT_EQ(d->Menubar->Tile, 1);   // TileMenu=5
    EXPECT_EQ(d->Menubar->r, Rect(2, 0, 1, 0));
    EXPECT_EQ(d->boxlabel->Alignment, 2);
    EXPECT_EQ(d->boxlabel->LeftShift, 3);
    EXPECT_EQ(d->boxlabel->RightShift, 4);

    struct Image {
        const char* name;
        const TBitmap* bitmap;
        int width;
    } images[] = {
        {"path before the name is dropped", &d->StatusBar->Map, 46},
        {"upper-case .BMP is no bitmap", &d->MenuItem->Map, 0},
        {"a member the package lacks", &d->MenuitemBG->Map, 0},
        {"Tabs Border is the mask", &d->tab->MaskMap, 20},
        {"UpDown.Horz GlyphImage", &d->HSpin->MaskMap, 20},
        {"UpDown.Vert without GlyphImage", &d->VSpin->MaskMap, 0},
    };
    for (const auto& i : images) EXPECT_EQ(i.bitmap->Width(), i.width) << "case: " << i.name;

    // The tool bar background: ButtonFace lightened at the top, the caption
    // colour lightened at the bottom.
    const TColor caption = RGB3(200, 100, 50);
    const int hsv = GetHSV(caption);
    ASSERT_GT(hsv, 110);
    EXPECT_EQ(d->Toolbar->Map.Width(), 10);
    EXPECT_EQ(d->Toolbar->Map.Height(), 40);
    const TColor top = Blend(RGB3(211, 211, 211), clWhite, 150);
    const TColor bottom = Blend(caption, clWhite, (225 - hsv) * 25 / 140 + 50);
    const int slot = MakeGradient(40, top, bottom);
    EXPECT_EQ(d->Toolbar->Map.Pixel(5, 0), top);
    EXPECT_EQ(d->Toolbar->Map.Pixel(5, 39), GradientColors(slot)[39]);
}

TEST(SkinObjects, OddDescriptionsGiveDrawableObjects) {
    // Every object of every fixture: at least one frame; margins inside a frame.
    for (const char* fixture : {"full", "combo_only", "sunk_only", "odd"}) {
        auto d = LoadFixture(fixture);
        for (const auto& o : AllObjects(*d)) {
            if (!o.object) continue;
            EXPECT_GE(o.object->frame, 1) << fixture << " " << o.name;
            if (o.object->Map.Empty()) continue;
            const int fw = o.stacked ? o.object->Map.Width() : o.object->Map.Width() / o.object->frame;
            const int fh = o.stacked ? o.object->Map.Height() / o.object->frame : o.object->Map.Height();
            const TRect& r = o.object->r;
            for (int m : {r.Left, r.Right}) {
                EXPECT_GE(m, 0) << fixture << " " << o.name;
                EXPECT_LE(m, fw) << fixture << " " << o.name;
            }
            for (int m : {r.Top, r.Bottom}) {
                EXPECT_GE(m, 0) << fixture << " " << o.name;
                EXPECT_LE(m, fh) << fixture << " " << o.name;
            }
        }
    }

    auto d = LoadFixture("odd");
    struct Case {
        const char* name;
        int actual, expected;
    } cases[] = {
        {"LeftFrame=0", d->border[1]->frame, 1},
        {"RightFrame=-2", d->border[2]->frame, 1},
        {"TopFrame=0", d->border[3]->frame, 1},
        {"LeftTopHeight=500 on a 40 high frame", d->border[1]->r.Top, 40},
        {"LeftBotHeight=-4", d->border[1]->r.Bottom, 0},
        {"TopTopHeight=-5", d->border[3]->r.Left, 0},
        {"TopBotHeight=99 on a 30 wide frame", d->border[3]->r.Right, 30},
        {"Progress Style=1", d->progress->frame, 1},
        {"Progress LeftWidth=999 on a 46 wide frame", d->progress->r.Left, 46},
        {"Progress.Chunk Frame=-3", d->progresschunk->frame, 1},
        {"Headerbar Frame=0", d->Header->frame, 5},
        {"FrameCount=0", d->HSlider->frame, 1},
        {"FrameCount=-4", d->VSlider->frame, 1},
        {"Track Frame=0", d->TrackBar->frame, 1},
        {"Track TopHeight=40 on a 16 high strip", d->TrackBar->r.Top, 16},
        {"Buttons LeftWidth=50 on a 3 wide image", d->Button->r.Left, 0},
        {"caption button frame=-1", d->SysBtn[1]->frame, 1},
        {"Action 4 before any maximize button keeps Xcoord", d->SysBtn[0]->XCoord, 3},
        {"... and Ycoord", d->SysBtn[0]->YCoord, 4},
        {"MDICONTROLS narrower than 12", d->SysBtn[2]->Map.Width(), 0},
        {"combo strip still built", d->combox->Map.Width(), 200},
    };
    for (const auto& c : cases) EXPECT_EQ(c.actual, c.expected) << "case: " << c.name;
    EXPECT_EQ(d->TrackBar->IDName, L"Track");
    EXPECT_EQ(d->TrackBarVert->IDName, L"TRACKVERT");
    // The caption colour of a top border with frame count 0 reads as one frame:
    // pixel (30 / 3, 20 / 1 / 3).
    EXPECT_EQ(d->Colors[csCaption], RGB3(40, 50, 60));
    // No Colours section: every slot its default, none marked as given.
    for (int i = 0; i < kShemeColorCount; ++i) EXPECT_FALSE(d->hasColors[static_cast<size_t>(i)]) << "slot " << i;
    EXPECT_EQ(d->Colors[csMenuBar], clBtnFace);
}

TEST(SkinObjects, ASecondLoadReplacesTheSkin) {
    auto d = LoadFixture("full");
    SetBytes(*d, PackFixture("sunk_only"));
    ASSERT_TRUE(d->LoadSkin());
    EXPECT_EQ(d->SkinName, L"Sunk only");
    EXPECT_EQ(d->combox, nullptr);
    EXPECT_EQ(d->tab, nullptr);
    EXPECT_EQ(d->Header, nullptr);
    EXPECT_TRUE(d->comboxarrow->Map.Empty());
    EXPECT_EQ(d->SysBtn.size(), 3u);
    // Button, Title and the borders stay, refilled from a description without them.
    ASSERT_NE(d->border[3], nullptr);
    EXPECT_TRUE(d->border[3]->Map.Empty());
    EXPECT_EQ(d->border[3]->frame, 1);
    EXPECT_TRUE(d->Button->Map.Empty());
    EXPECT_EQ(d->Button->radioframe, 4);
    EXPECT_EQ(d->Colors[csButtonFace], clBtnFace);
    EXPECT_EQ(d->Colors[csCaption], clBtnFace);
    EXPECT_TRUE(d->ColorPreset.empty());
}
