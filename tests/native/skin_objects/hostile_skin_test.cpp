// Skins shaped to make the loader work hard or draw from outside a frame:
// one image named by many sections, and combo margins wider than a frame.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "fixture_skins.h"
#include "skin/data/SkinPlatform.h"

namespace {

// A BMP file of w x h, frame k (of `frames` side by side) in its own colour.
Bytes FramedBmp(int w, int h, int frames, TColor base) {
    TBitmap b(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int k = x / (w / frames);
            b.SetPixel(x, y, base + static_cast<TColor>(k * 0x10 + (x % (w / frames)) * 0x100 + y * 0x10000));
        }
    TMemoryStream out;
    b.SaveToStream(out);
    return out.Bytes();
}

std::unique_ptr<TSkinDataCore> LoadMembers(const std::string& ini, const std::vector<SkinPackMember>& bitmaps) {
    std::vector<SkinPackMember> members = {{"skin.ini", Bytes(ini.begin(), ini.end())}};
    members.insert(members.end(), bitmaps.begin(), bitmaps.end());
    auto d = std::make_unique<TSkinDataCore>();
    SetBytes(*d, StorePackage(members));
    EXPECT_TRUE(d->LoadSkin());
    return d;
}

bool SamePixels(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    return true;
}

}  // namespace

TEST(HostileSkin, OneImageNamedByManySectionsIsDecodedOnce) {
    const int n = 300;
    std::string ini = "[Personality]\r\nTop=big.bmp\r\n[Buttons]\r\nBitmap=BIG.bmp\r\n";
    ini += "[StatusBarEdges]\r\nImage=skins\\big.bmp\r\n[Headerbar]\r\nImage=Big.bmp\r\n";
    // The window icon's place: its own empty Map, the image stays for the others.
    ini += "[ButtonIcon]\r\nButtonImage=big.bmp\r\nAction=3\r\n";
    for (int i = 0; i < n; ++i) ini += "[Button" + std::to_string(i) + "]\r\nButtonImage=big.bmp\r\nAction=0\r\n";
    auto d = LoadMembers(ini, {{"big.bmp", FramedBmp(600, 40, 6, 0x102030)}});

    ASSERT_EQ(d->SysBtn.size(), static_cast<size_t>(n) + 4);
    EXPECT_TRUE(d->SysBtn[0]->Map.Empty());
    EXPECT_EQ(d->SysBtn[0]->frame, 6);  // worked out from the image (600 / 40 is above 3.8) before it went
    std::set<const TBitmap*> maps;
    for (int i = 1; i <= n; ++i) {
        const TDataSkinSysButton& b = *d->SysBtn[static_cast<size_t>(i)];
        ASSERT_EQ(b.Map.Width(), 600) << "button " << i;
        EXPECT_EQ(b.frame, 6) << "button " << i;
        maps.insert(&b.Map);
    }
    // Every spelling of the member, with or without a path, is the one decoded image.
    maps.insert(&d->StatusBar->Map);
    maps.insert(&d->Header->Map);
    EXPECT_EQ(maps.size(), 1u) << "one image, decoded once, shared";
    // The objects every load refills keep their own copies.
    EXPECT_NE(&d->border[3]->Map, *maps.begin());
    EXPECT_NE(&d->Button->Map, *maps.begin());
    EXPECT_TRUE(SamePixels(d->border[3]->Map, **maps.begin()));
    EXPECT_TRUE(SamePixels(d->Button->Map, **maps.begin()));
    // The MDI buttons' Maps are their own (empty here, for a painter to fill).
    for (size_t k = 1; k <= 3; ++k) EXPECT_TRUE(d->SysBtn[d->SysBtn.size() - k]->Map.Empty());
    EXPECT_NE(&d->SysBtn[d->SysBtn.size() - 1]->Map, &d->SysBtn[d->SysBtn.size() - 2]->Map);

    // A missing member gives every section an empty Map of its own.
    auto missing = LoadMembers("[Button1]\r\nButtonImage=gone.bmp\r\n[Button2]\r\nButtonImage=gone.bmp\r\n", {});
    ASSERT_EQ(missing->SysBtn.size(), 5u);
    EXPECT_TRUE(missing->SysBtn[0]->Map.Empty());
    EXPECT_NE(&missing->SysBtn[0]->Map, &missing->SysBtn[1]->Map);
}

TEST(HostileSkin, ComboStripsAreCutWithMarginsInsideTheFrame) {
    // SunkEdge: 4 frames of 10 x 21; ComboButton: 4 frames of 21 x 22. The
    // margins past a frame must build the same strips as margins at its edge.
    const std::vector<SkinPackMember> bitmaps = {{"sunk.bmp", FramedBmp(40, 21, 4, 0x203040)},
                                                 {"combo.bmp", FramedBmp(84, 22, 4, 0x405060)}};
    auto skin = [&](int sunkLeft, int sunkTop, int sunkRight, int sunkBottom, int comboLeft, int comboRight) {
        return LoadMembers("[SunkEdge]\r\nImage=sunk.bmp\r\nLeftWidth=" + std::to_string(sunkLeft) + "\r\nTopHeight=" +
                               std::to_string(sunkTop) + "\r\nRightWidth=" + std::to_string(sunkRight) +
                               "\r\nBottomHeight=" + std::to_string(sunkBottom) +
                               "\r\n[ComboButton]\r\nImage=combo.bmp\r\nLeftWidth=" + std::to_string(comboLeft) +
                               "\r\nRightWidth=" + std::to_string(comboRight) + "\r\n",
                           bitmaps);
    };
    auto past = skin(30, 15, 25, 40, 50, 60);
    auto atEdge = skin(10, 15, 10, 21, 21, 21);
    const int w = ScrollArrowWidth() + 2;
    ASSERT_EQ(past->combox->Map.Width(), 200);
    ASSERT_EQ(past->combox->Map.Height(), 21);
    EXPECT_TRUE(SamePixels(past->combox->Map, atEdge->combox->Map));
    EXPECT_TRUE(SamePixels(past->Comboxborder->Map, atEdge->Comboxborder->Map));
    EXPECT_TRUE(SamePixels(past->comboxarrow->Map, atEdge->comboxarrow->Map));
    // The strips' own margins lie inside their 50 x 21 frames.
    EXPECT_EQ(past->combox->r, Rect(2, 15, w + 2, 21));
    EXPECT_EQ(past->Comboxborder->r, Rect(w + 2, 15, 2, 21));
    // The left edge of frame 1 is the sunken edge's own first 10 columns, one
    // to one (margins past the frame made the whole strip a stretched copy).
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(past->combox->Map.Pixel(x, 0), static_cast<TColor>(0x203040 + x * 0x100)) << "x " << x;
}
