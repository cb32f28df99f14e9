// The default skin as the updater carries it: the package the build made
// from skins/default, its members, and the skin objects it loads into.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "framework/system/CodePage.h"
#include "framework/system/StreamsAndLists.h"
#include "skin/data/SkinData.h"
#include "skin/data/SkinPlatform.h"
#include "tools/skinpack/SkinPack.h"

namespace {

constexpr TColor kMagenta = 0xFF00FF;

struct MemberShape {
    int width, height;
    TPixelFormat format;
};

// Each bitmap by its name in the package (as skin.ini names it).
const std::map<std::wstring, MemberShape>& Shapes() {
    static const std::map<std::wstring, MemberShape> shapes = {
        {L"frame_left.bmp", {8, 246, pf24bit}},
        {L"frame_right.bmp", {8, 246, pf24bit}},
        {L"frame_top.bmp", {292, 50, pf24bit}},
        {L"frame_bottom.bmp", {292, 10, pf32bit}},
        {L"caption_close.bmp", {102, 20, pf32bit}},
        {L"caption_maximize.bmp", {102, 20, pf32bit}},
        {L"caption_minimize.bmp", {102, 20, pf32bit}},
        {L"caption_restore.bmp", {102, 20, pf32bit}},
        {L"button.bmp", {375, 23, pf32bit}},
        {L"check.bmp", {68, 18, pf24bit}},
        {L"radio.bmp", {68, 18, pf24bit}},
        {L"combo_button.bmp", {84, 22, pf24bit}},
        {L"edit_sunken.bmp", {460, 22, pf24bit}},
        {L"combo_arrows.bmp", {80, 16, pf24bit}},
        {L"statusbar.bmp", {870, 25, pf32bit}},
        {L"header.bmp", {100, 17, pf24bit}},
        {L"menu_back.bmp", {20, 20, pf32bit}},
        {L"tabs.bmp", {70, 18, pf24bit}},
        {L"tab_page.bmp", {12, 12, pf24bit}},
        {L"progress.bmp", {80, 14, pf24bit}},
        {L"scroll_arrows.bmp", {368, 16, pf24bit}},
        {L"scroll_track_h.bmp", {64, 16, pf24bit}},
        {L"scroll_track_v.bmp", {64, 16, pf24bit}},
        {L"scroll_thumb_h.bmp", {48, 16, pf24bit}},
        {L"scroll_thumb_v.bmp", {48, 16, pf24bit}},
        {L"progress_chunk.bmp", {10, 12, pf32bit}},
    };
    return shapes;
}

TColor RGB3(int r, int g, int b) {
    return ColorFromRGB(r, g, b);
}

class DefaultSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        skin_ = new TSkinDataCore;
        TFileStream file(Utf8ToWide(SKIN_PACKAGE), fmOpenRead | fmShareDenyWrite);
        skin_->SetData(file);
        loaded_ = skin_->LoadSkin();
    }
    static void TearDownTestSuite() {
        delete skin_;
        skin_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(loaded_) << SKIN_PACKAGE; }
    static TSkinDataCore* skin_;
    static bool loaded_;
};
TSkinDataCore* DefaultSkin::skin_ = nullptr;
bool DefaultSkin::loaded_ = false;

}  // namespace

TEST(DefaultSkinPackage, MembersAndTheirPictures) {
    TSkinReader reader;
    ASSERT_EQ(OpenSkinPackage(SKIN_PACKAGE, reader), "");
    EXPECT_EQ(reader.header.Version, 40000);
    ASSERT_EQ(reader.Num, 27);
    int inis = 0;
    std::map<std::wstring, int> seen;
    for (int i = 0; i < reader.Num; ++i) {
        const std::wstring name = reader.Dir[i];
        ++seen[name];
        if (name.size() > 4 && name.compare(name.size() - 4, 4, L".ini") == 0) {
            ++inis;
            continue;
        }
        auto shape = Shapes().find(name);
        ASSERT_NE(shape, Shapes().end()) << "unexpected member " << WideToUtf8(name);
        TMemoryStream member;
        reader.ReadEntry(i, member);
        TBitmap bitmap;
        bitmap.LoadFromStream(member);
        EXPECT_EQ(bitmap.Width(), shape->second.width) << WideToUtf8(name);
        EXPECT_EQ(bitmap.Height(), shape->second.height) << WideToUtf8(name);
        EXPECT_EQ(bitmap.PixelFormat(), shape->second.format) << WideToUtf8(name);
    }
    EXPECT_EQ(inis, 1);
    for (const auto& [name, count] : seen) EXPECT_EQ(count, 1) << WideToUtf8(name);
    EXPECT_EQ(seen.size(), Shapes().size() + 1) << "every bitmap of the table is in the package";
}

TEST_F(DefaultSkin, ObjectsAndFrameCounts) {
    const TSkinDataCore& d = *skin_;
    EXPECT_EQ(d.SkinName, L"Talvoria Grey");
    struct Case {
        const char* name;
        const TDataSkinObject* object;
        int frames;
    } present[] = {
        {"border Left", d.border[1].get(), 2},
        {"border Right", d.border[2].get(), 2},
        {"border Top", d.border[3].get(), 2},
        {"border Bottom", d.border[4].get(), 2},
        {"Title", d.Title.get(), 2},
        {"Button", d.Button.get(), 5},
        {"combox", d.combox.get(), 4},
        {"Comboxborder", d.Comboxborder.get(), 4},
        {"comboxarrow", d.comboxarrow.get(), 4},
        {"ExtraImages", d.ExtraImages.get(), 5},
        {"StatusBar", d.StatusBar.get(), 3},
        {"Header", d.Header.get(), 5},
        {"MenuitemBG", d.MenuitemBG.get(), 1},
        {"tab", d.tab.get(), 5},
        {"progress (no Style: two frames)", d.progress.get(), 2},
        {"SArrow", d.SArrow.get(), 23},
        {"HBar", d.HBar.get(), 4},
        {"VBar", d.VBar.get(), 4},
        {"HSlider", d.HSlider.get(), 3},
        {"VSlider", d.VSlider.get(), 3},
        {"TrackBar (built in)", d.TrackBar.get(), 1},
        {"TrackBarVert (built in)", d.TrackBarVert.get(), 1},
        {"Toolbar (derived)", d.Toolbar.get(), 1},
    };
    for (const auto& c : present) {
        ASSERT_NE(c.object, nullptr) << "case: " << c.name;
        EXPECT_EQ(c.object->frame, c.frames) << "case: " << c.name;
        if (c.object != d.Title.get()) {
            EXPECT_FALSE(c.object->Map.Empty()) << "case: " << c.name;
        }
    }
    EXPECT_TRUE(d.Title->Map.Empty()) << "no caption text background";
    EXPECT_EQ(d.Button->checkframe, 4);
    EXPECT_EQ(d.Button->radioframe, 4);
    EXPECT_EQ(d.tab->MaskMap.Width(), 12);
    EXPECT_EQ(d.combox->style, 2) << "combo strips rebuilt from button, sunken border and arrows";

    const std::pair<const char*, const TDataSkinObject*> absent[] = {
        {"progresschunk", d.progresschunk.get()},
        {"Box", d.Box.get()},
        {"boxlabel", d.boxlabel.get()},
        {"TabSheet", d.TabSheet.get()},
        {"Toolbarbtn", d.Toolbarbtn.get()},
        {"Menubar", d.Menubar.get()},
        {"MenuItem", d.MenuItem.get()},
        {"HSpin", d.HSpin.get()},
        {"VSpin", d.VSpin.get()},
        {"TrackHorz", d.TrackHorz.get()},
        {"TrackVert", d.TrackVert.get()},
        {"TrackLeft", d.TrackLeft.get()},
        {"Trackright", d.Trackright.get()},
        {"Tracktop", d.Tracktop.get()},
        {"Trackbottom", d.Trackbottom.get()},
        {"MinCaption", d.MinCaption.get()},
    };
    for (const auto& [name, object] : absent) EXPECT_EQ(object, nullptr) << "case: " << name;
}

TEST_F(DefaultSkin, DescriptionValues) {
    const TSkinDataCore& d = *skin_;
    struct Margins {
        const char* name;
        const TDataSkinObject* object;
        TRect r;
        int tile, trans;
    } margins[] = {
        {"border Left", d.border[1].get(), Rect(0, 29, 0, 5), 1, 1},
        {"border Right", d.border[2].get(), Rect(0, 29, 0, 5), 1, 1},
        {"border Top", d.border[3].get(), Rect(19, 0, 19, 0), 1, 1},
        {"border Bottom", d.border[4].get(), Rect(19, 0, 19, 0), 1, 1},
        {"Title: text shift, vertical shift, right clip", d.Title.get(), Rect(16, 6, 20, 0), 0, 0},
        {"Button", d.Button.get(), Rect(10, 0, 10, 0), 0, 1},
        {"Comboxborder (rebuilt)", d.Comboxborder.get(), Rect(ScrollArrowWidth() + 4, 2, 2, 2), 0, 0},
        {"StatusBar", d.StatusBar.get(), Rect(8, 0, 8, 0), 0, 0},
        {"Header", d.Header.get(), Rect(5, 1, 5, 1), 0, 0},
        {"MenuitemBG", d.MenuitemBG.get(), Rect(1, 1, 1, 1), 0, 0},
        {"tab", d.tab.get(), Rect(7, 4, 5, 1), 0, 0},
        {"progress", d.progress.get(), Rect(2, 0, 5, 0), 0, 0},
        {"ExtraImages", d.ExtraImages.get(), Rect(0, 0, 0, 0), 0, 1},
        {"SArrow", d.SArrow.get(), Rect(1, 1, 1, 1), 0, 0},
        {"HBar", d.HBar.get(), Rect(7, 1, 7, 1), 0, 0},
        {"VBar", d.VBar.get(), Rect(1, 7, 1, 7), 0, 0},
        {"HSlider", d.HSlider.get(), Rect(7, 0, 7, 0), 0, 0},
        {"VSlider", d.VSlider.get(), Rect(0, 7, 0, 7), 0, 0},
    };
    for (const auto& c : margins) {
        ASSERT_NE(c.object, nullptr) << "case: " << c.name;
        EXPECT_EQ(c.object->r, c.r) << "case: " << c.name;
        EXPECT_EQ(c.object->Tile, c.tile) << "case: " << c.name;
        EXPECT_EQ(c.object->trans, c.trans) << "case: " << c.name;
    }
    EXPECT_EQ(d.Title->FontHeight, 14);
    EXPECT_EQ(d.Title->Aligment, 0);

    struct Colour {
        const char* name;
        TShemeColor slot;
        TColor value;
        bool given;
    } colours[] = {
        {"ButtonFace", csButtonFace, RGB3(211, 211, 211), true},
        {"TitleTextActive", csTitleTextActive, RGB3(1, 1, 1), true},
        {"TitleTextNoActive", csTitleTextNoActive, RGB3(70, 70, 70), true},
        {"ButtonHilight", csButtonHilight, RGB3(232, 232, 232), true},
        {"ButtonShadow", csButtonShadow, RGB3(150, 150, 150), true},
        {"ButtonDkShadow", csButtonDkshadow, RGB3(104, 104, 104), true},
        {"Buttonlight", csButtonlight, RGB3(238, 238, 238), true},
        {"Menubar", csMenuBar, RGB3(211, 211, 211), true},
        {"Menu", csMenubg, RGB3(212, 212, 212), true},
        {"MenuText", csMenuText, RGB3(0, 0, 0), true},
        {"MenuBarText", csMenuBarText, RGB3(0, 0, 0), true},
        {"Hilight", csHilight, RGB3(141, 141, 141), true},
        {"HilightText", csHilightText, RGB3(255, 255, 255), true},
        {"WindowText stays a system colour", csText, clWindowText, false},
        {"Scrollbar stays a system colour", csScrollbar, clScrollBar, false},
        {"ButtonText stays a system colour", csButtonText, clBtnText, false},
    };
    for (const auto& c : colours) {
        EXPECT_EQ(d.Colors[c.slot], c.value) << "case: " << c.name;
        EXPECT_EQ(d.hasColors[c.slot], c.given) << "case: " << c.name;
    }

    // Caption buttons: close, maximise, minimise, restore, the icon; then three MDI buttons.
    struct Btn {
        int action, align, x, y, visibility, visibility1, frames;
        bool image;
    } buttons[] = {
        {0, 1, 25, 6, 0, 0, 6, true}, {1, 1, 49, 6, 2, 6, 6, true}, {2, 1, 73, 6, 8, 0, 6, true},
        {1, 1, 49, 6, 1, 0, 6, true}, {3, 0, 8, 9, 0, 0, 6, false},
    };
    ASSERT_EQ(d.SysBtn.size(), 5u + 3u);
    for (size_t i = 0; i < 5; ++i) {
        const TDataSkinSysButton& b = *d.SysBtn[i];
        const Btn& want = buttons[i];
        EXPECT_EQ(b.Action, want.action) << "button " << i;
        EXPECT_EQ(b.Align, want.align) << "button " << i;
        EXPECT_EQ(b.XCoord, want.x) << "button " << i;
        EXPECT_EQ(b.YCoord, want.y) << "button " << i;
        EXPECT_EQ(b.Visibility, want.visibility) << "button " << i;
        EXPECT_EQ(b.Visibility1, want.visibility1) << "button " << i;
        EXPECT_EQ(b.frame, want.frames) << "button " << i;
        EXPECT_EQ(!b.Map.Empty(), want.image) << "button " << i;
    }
    for (size_t i = 5; i < 8; ++i) EXPECT_TRUE(d.SysBtn[i]->Map.Empty()) << "MDI button " << i;
}

// What the frame painter and the window region need from the pictures.
TEST_F(DefaultSkin, PicturesFitTheirDrawing) {
    const TSkinDataCore& d = *skin_;
    // The top corners are cut by the side borders, in both frames; the top
    // border itself keys out nothing, because its region is composed at the
    // title area's width and would cut holes beside the corners.
    const TBitmap& left = d.border[1]->Map;
    const TBitmap& right = d.border[2]->Map;
    for (int f = 0; f < 2; ++f) {
        EXPECT_EQ(left.Pixel(4 * f, 0), kMagenta) << "frame " << f + 1;
        EXPECT_EQ(right.Pixel(4 * f + 3, 0), kMagenta) << "frame " << f + 1;
        EXPECT_NE(left.Pixel(4 * f, 100), kMagenta) << "frame " << f + 1;
        EXPECT_NE(left.Pixel(4 * f, 245), kMagenta) << "frame " << f + 1;
    }
    const TBitmap& top = d.border[3]->Map;
    for (int y = 0; y < top.Height(); ++y)
        for (int x = 0; x < top.Width(); ++x) ASSERT_NE(top.Pixel(x, y), kMagenta) << x << "," << y;
    // Active and inactive captions differ, and so does the caption colour from the face.
    int differing = 0;
    for (int y = 0; y < 25; ++y) differing += top.Pixel(146, y) != top.Pixel(146, 25 + y);
    EXPECT_GT(differing, 20);
    EXPECT_NE(d.Colors[csCaption], d.Colors[csButtonFace]);

    // Caption buttons: the box is keyed out below row 17, and every frame
    // shows its glyph (a pixel far darker, or far lighter, than the box).
    for (size_t i = 0; i < 4; ++i) {
        const TBitmap& map = d.SysBtn[i]->Map;
        for (int f = 0; f < 6; ++f) {
            EXPECT_EQ(map.Pixel(17 * f + 8, 18), kMagenta) << "button " << i << " frame " << f + 1;
            auto level = [](TColor c) { return (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF); };
            const int box = level(map.Pixel(17 * f + 3, 8));
            int glyph = 0;
            for (int y = 3; y < 15; ++y)
                for (int x = 3; x < 15; ++x) glyph += std::abs(level(map.Pixel(17 * f + x, y)) - box) > 150;
            EXPECT_GE(glyph, 9) << "button " << i << " frame " << f + 1;
        }
    }
    // The push button's rounded corners and the check and radio surroundings are keyed out.
    for (int f = 0; f < 5; ++f) {
        EXPECT_EQ(d.Button->Map.Pixel(75 * f, 0), kMagenta) << "button frame " << f + 1;
        EXPECT_EQ(d.Button->Map.Pixel(75 * f + 74, 22), kMagenta) << "button frame " << f + 1;
        EXPECT_NE(d.Button->Map.Pixel(75 * f + 37, 11), kMagenta) << "button frame " << f + 1;
    }
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(d.Button->CheckMap.Pixel(17 * f, 0), kMagenta) << "check frame " << f + 1;
        EXPECT_EQ(d.Button->RadioMap.Pixel(17 * f + 2, 2), kMagenta) << "radio frame " << f + 1;
        EXPECT_NE(d.Button->CheckMap.Pixel(17 * f + 8, 8), kMagenta) << "check frame " << f + 1;
    }
}
