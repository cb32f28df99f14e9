#include "framework/graphics/Canvas.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Pixel i of a row (or column) carries i in its red channel; 255 marks "untouched".
TBitmap* Ramp(int length, bool vertical) {
    auto* b = new TBitmap(vertical ? 1 : length, vertical ? length : 1);
    for (int i = 0; i < length; ++i) b->SetPixel(vertical ? 0 : i, vertical ? i : 0, ColorFromRGB(i, 7, 9));
    return b;
}

std::vector<int> Indexes(const TBitmap& b, bool vertical) {
    std::vector<int> out;
    const int n = vertical ? b.Height() : b.Width();
    for (int i = 0; i < n; ++i) {
        const TColor c = b.Pixel(vertical ? 0 : i, vertical ? i : 0);
        out.push_back(c == clWhite ? -1 : RedOf(c));
    }
    return out;
}

// Expected maps as GDI draws them under Wine in COLORONCOLOR mode.
TEST(Canvas, StretchPicksThePixelsGdiPicks) {
    struct Case {
        const char* name;
        bool vertical;
        int sourceLength, targetLength;
        TRect dest, src;  // along the axis; the other axis is 0..1
        std::vector<int> expected;
    } cases[] = {
        {"3 to 7", false, 3, 7, Rect(0, 0, 7, 1), Rect(0, 0, 3, 1), {0, 0, 1, 1, 1, 2, 2}},
        {"4 to 10 down", true, 4, 10, Rect(0, 0, 1, 10), Rect(0, 0, 1, 4), {0, 0, 0, 1, 1, 2, 2, 2, 3, 3}},
        {"7 to 3 across: last wins", false, 7, 3, Rect(0, 0, 3, 1), Rect(0, 0, 7, 1), {1, 4, 6}},
        {"7 to 3 down: first wins", true, 7, 3, Rect(0, 0, 1, 3), Rect(0, 0, 1, 7), {0, 2, 5}},
        {"9 to 6 across", false, 9, 6, Rect(0, 0, 6, 1), Rect(0, 0, 9, 1), {1, 2, 4, 5, 7, 8}},
        {"4 to 1 across", false, 4, 1, Rect(0, 0, 1, 1), Rect(0, 0, 4, 1), {2}},
        {"4 to 1 down", true, 4, 1, Rect(0, 0, 1, 1), Rect(0, 0, 1, 4), {0}},
        {"source partly outside the bitmap", false, 6, 20, Rect(0, 0, 20, 1), Rect(-2, 0, 8, 1), {-1, -1, -1, -1, 0,
                                                                                                  0,  1,  1,  2,  2,
                                                                                                  3,  3,  4,  4,  5,
                                                                                                  5,  -1, -1, -1, -1}},
        {"target partly left of the bitmap", false, 6, 20, Rect(-5, 0, 15, 1), Rect(0, 0, 6, 1), {1,  1,  2,  2,  2,
                                                                                                  3,  3,  3,  4,  4,
                                                                                                  4,  4,  5,  5,  5,
                                                                                                  -1, -1, -1, -1, -1}},
        {"mirrored source", false, 6, 20, Rect(0, 0, 20, 1), Rect(5, 0, -1, 1), {5, 5, 5, 4, 4, 4, 4, 3, 3, 3,
                                                                                 2, 2, 2, 1, 1, 1, 1, 0, 0, 0}},
        {"mirrored target", false, 6, 20, Rect(19, 0, -1, 1), Rect(0, 0, 6, 1), {5, 5, 5, 4, 4, 4, 4, 3, 3, 3,
                                                                                 2, 2, 2, 1, 1, 1, 1, 0, 0, 0}},
        {"mirrored shrink from the right edge", false, 6, 3, Rect(0, 0, 3, 1), Rect(6, 0, 0, 1), {5, 3, 1}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TBitmap> src(Ramp(c.sourceLength, c.vertical));
        TBitmap dst(c.vertical ? 1 : c.targetLength, c.vertical ? c.targetLength : 1);
        const TRect dest = c.dest, from = c.src;
        dst.Canvas().CopyRect(dest, *src, from);
        EXPECT_EQ(Indexes(dst, c.vertical), c.expected) << "case: " << c.name;
    }
}

TEST(Canvas, StretchIsSeparableInTwoDimensions) {
    TBitmap src(3, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) src.SetPixel(x, y, ColorFromRGB(x, y, 0));
    TBitmap dst(7, 10);
    dst.Canvas().CopyRect(Rect(0, 0, 7, 10), src.Canvas(), Rect(0, 0, 3, 4));
    const int xs[] = {0, 0, 1, 1, 1, 2, 2};
    const int ys[] = {0, 0, 0, 1, 1, 2, 2, 2, 3, 3};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(dst.Pixel(x, y), ColorFromRGB(xs[x], ys[y], 0)) << "case: " << x << "," << y;
}

TEST(Canvas, FillAndFrameStayInsideRectAndBitmap) {
    TBitmap b(6, 5);
    TCanvas& c = b.Canvas();
    c.Brush.Color = clRed;
    c.FillRect(Rect(-3, 3, 2, 99));
    c.Brush.Color = clBlue;
    c.FrameRect(Rect(2, 0, 6, 3));
    c.Brush.Style = bsClear;
    c.FillRect(Rect(0, 0, 6, 5));
    const char* expected[] = {"..BBBB", "..B..B", "..BBBB", "RR....", "RR...."};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const char e = expected[y][x];
            const TColor want = e == 'R' ? clRed : e == 'B' ? clBlue : clWhite;
            EXPECT_EQ(b.Pixel(x, y), want) << "case: " << x << "," << y;
        }
}

TEST(Canvas, KeyedDrawingLeavesKeyPixelsAndClipsAtTheEdge) {
    TBitmap sprite(3, 2);
    sprite.SetPixel(0, 0, clFuchsia);
    sprite.SetPixel(1, 0, clRed);
    sprite.SetPixel(2, 0, ColorFromRGB(255, 1, 255));  // near the key, but not the key
    sprite.SetPixel(0, 1, clBlue);
    sprite.SetPixel(1, 1, clFuchsia);
    sprite.SetPixel(2, 1, clLime);
    TBitmap b(4, 2, pf32bit);
    b.Canvas().Brush.Color = clGray;
    b.Canvas().FillRect(Rect(0, 0, 4, 2));
    b.Canvas().DrawTransparent(2, 0, sprite, clFuchsia);
    EXPECT_EQ(b.Pixel(2, 0), clGray);
    EXPECT_EQ(b.Pixel(3, 0), clRed);
    EXPECT_EQ(b.Pixel(2, 1), clBlue);
    EXPECT_EQ(b.Pixel(3, 1), clGray);

    // Draw honours the bitmap's own transparency settings.
    sprite.SetTransparent(true);
    sprite.SetTransparentColor(clFuchsia);
    TBitmap c(3, 2);
    c.Canvas().Brush.Color = clGray;
    c.Canvas().FillRect(Rect(0, 0, 3, 2));
    c.Canvas().Draw(0, 0, sprite);
    EXPECT_EQ(c.Pixel(0, 0), clGray);
    EXPECT_EQ(c.Pixel(2, 0), ColorFromRGB(255, 1, 255));
    EXPECT_EQ(c.Pixel(1, 1), clGray);
    EXPECT_EQ(c.Pixel(2, 1), clLime);

    // Stretched and keyed: every copy of a key pixel is left alone.
    TBitmap d(6, 4);
    d.Canvas().StretchDraw(Rect(0, 0, 6, 4), sprite);
    EXPECT_EQ(d.Pixel(0, 0), clWhite);
    EXPECT_EQ(d.Pixel(1, 1), clWhite);
    EXPECT_EQ(d.Pixel(2, 0), clRed);
    EXPECT_EQ(d.Pixel(3, 3), clWhite);
}

TEST(Canvas, CopyWithinOneBitmapReadsTheOriginal) {
    TBitmap b(4, 1);
    for (int x = 0; x < 4; ++x) b.SetPixel(x, 0, ColorFromRGB(x, 0, 0));
    b.Canvas().CopyRect(Rect(1, 0, 4, 1), b.Canvas(), Rect(0, 0, 3, 1));
    EXPECT_EQ(b.Pixel(1, 0), ColorFromRGB(0, 0, 0));
    EXPECT_EQ(b.Pixel(2, 0), ColorFromRGB(1, 0, 0));
    EXPECT_EQ(b.Pixel(3, 0), ColorFromRGB(2, 0, 0));
}

TEST(Canvas, CopiesBetweenFormats) {
    TBitmap src(2, 1, pf16bit);
    src.SetPixel(0, 0, clFuchsia);
    src.SetPixel(1, 0, ColorFromRGB(8, 16, 24));
    for (TPixelFormat f : {pf1bit, pf24bit, pf32bit}) {
        TBitmap dst(2, 1, f);
        dst.Canvas().Draw(0, 0, src);
        EXPECT_EQ(dst.Pixel(0, 0), f == pf1bit ? clWhite : clFuchsia) << "case: format " << f;
        EXPECT_EQ(dst.Pixel(1, 0), f == pf1bit ? clBlack : ColorFromRGB(8, 16, 24)) << "case: format " << f;
    }
}

}  // namespace
