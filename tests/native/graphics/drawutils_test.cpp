#include "skin/draw/DrawUtils.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Every pixel of every frame distinct: frame number in blue, x and y in red and green.
TColor Code(int frame, int x, int y) {
    return ColorFromRGB(x, y, 16 * frame);
}

std::unique_ptr<TBitmap> Strip(int frameW, int frameH, int frames, bool stacked) {
    auto b = std::make_unique<TBitmap>(stacked ? frameW : frameW * frames, stacked ? frameH * frames : frameH);
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < frameH; ++y)
            for (int x = 0; x < frameW; ++x)
                b->SetPixel(stacked ? x : f * frameW + x, stacked ? f * frameH + y : y, Code(f + 1, x, y));
    return b;
}

TEST(SkinFrame, FramesAreNumberedFromOneSideBySideOrStacked) {
    TBitmap strip(60, 12);
    EXPECT_EQ(SkinFrameRect(strip, 1, 3, false), Rect(0, 0, 20, 12));
    EXPECT_EQ(SkinFrameRect(strip, 3, 3, false), Rect(40, 0, 60, 12));
    EXPECT_EQ(SkinFrameRect(strip, 2, 3, true), Rect(0, 4, 60, 8));
    EXPECT_EQ(SkinFrameRect(strip, 1, 0, false), Rect(0, 0, 60, 12));  // a count of 0 counts as 1
    EXPECT_EQ(SkinFrameRect(strip, 1, -4, true), Rect(0, 0, 60, 12));
}

// 10 x 30 frames, margins 3, 4, 3, 4, composed to 100 x 30: corners 1:1, the
// 4 middle columns stretched over 94 (COLORONCOLOR), rows one to one.
TEST(GetHMap, NineSliceOfTheTenByThirtyFrame) {
    for (bool stacked : {false, true}) {
        auto strip = Strip(10, 30, 2, stacked);
        const auto piece = GetHMap(Rect(50, 60, 150, 90), *strip, Rect(3, 4, 3, 4), 2, 2, false, stacked);
        ASSERT_EQ(piece->Width(), 100);
        ASSERT_EQ(piece->Height(), 30);
        auto column = [](int tx) {
            if (tx < 3) return tx;
            if (tx >= 97) return tx - 90;
            const int i = tx - 3;  // source column changes after 24, 47 and 71 target columns
            return 3 + (i < 24 ? 0 : i < 47 ? 1 : i < 71 ? 2 : 3);
        };
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 100; ++x)
                ASSERT_EQ(piece->Pixel(x, y), Code(2, column(x), y))
                    << "case: stacked " << stacked << " at " << x << "," << y;
    }
}

TEST(GetHMap, TargetSmallerThanTwoMarginsDropsThem) {
    auto strip = Strip(10, 30, 1, false);
    // 5 < 3 + 3: the whole frame width is shrunk to 5 (last source column of each pair).
    auto narrow = GetHMap(Rect(0, 0, 5, 30), *strip, Rect(3, 4, 3, 4), 1, 1, false, false);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(narrow->Pixel(x, y), Code(1, 2 * x + 1, y)) << "case: narrow " << x << "," << y;
    // 7 < 4 + 4: the whole frame height is shrunk to 7, the side margins stay.
    auto low = GetHMap(Rect(0, 0, 10, 7), *strip, Rect(3, 4, 3, 4), 1, 1, false, false);
    const int rows[] = {0, 4, 9, 13, 17, 21, 26};  // vertical shrink keeps the first row of each group
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(low->Pixel(x, y), Code(1, x, rows[y])) << "case: low " << x << "," << y;
}

TEST(GetHMap, TiledCentreRepeatsAndEdgesCoverTheOverflow) {
    auto strip = Strip(10, 12, 1, false);
    const auto piece = GetHMap(Rect(0, 0, 23, 21), *strip, Rect(3, 4, 3, 4), 1, 1, true, false);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 23; ++x) {
            // Edges are stretched (4 -> 17 across, 4 -> 13 down), only the centre repeats.
            const bool midX = x >= 3 && x < 20, midY = y >= 4 && y < 17;
            const int stretchX = 3 + ((2 * (x - 3) + 1) * 4 - 1) / 34, stretchY = 4 + ((2 * (y - 4) + 1) * 4 - 1) / 26;
            const int sx = !midX ? (x < 3 ? x : x - 13) : midY ? 3 + (x - 3) % 4 : stretchX;
            const int sy = !midY ? (y < 4 ? y : y - 9) : midX ? 4 + (y - 4) % 4 : stretchY;
            ASSERT_EQ(piece->Pixel(x, y), Code(1, sx, sy)) << "case: " << x << "," << y;
        }
}

TEST(GetHMap, ZeroFramesAndEmptyTargetsAreHarmless) {
    auto strip = Strip(10, 10, 1, false);
    auto a = GetHMap(Rect(0, 0, 20, 20), *strip, Rect(2, 2, 2, 2), 1, 0, true, false);
    EXPECT_EQ(a->Pixel(0, 0), Code(1, 0, 0));
    EXPECT_TRUE(GetHMap(Rect(5, 5, 5, 9), *strip, Rect(2, 2, 2, 2), 1, 1, false, false)->Empty());
    EXPECT_TRUE(GetHMap(Rect(5, 5, 1, 9), *strip, Rect(2, 2, 2, 2), 1, 1, false, false)->Empty());
    // A frame beyond the strip reads nothing: the piece stays white.
    auto beyond = GetHMap(Rect(0, 0, 8, 8), *strip, Rect(2, 2, 2, 2), 3, 1, false, false);
    EXPECT_EQ(beyond->Pixel(4, 4), clWhite);
    // A frame smaller than its margins still composes without reading outside the strip.
    auto tiny = Strip(3, 3, 1, false);
    auto odd = GetHMap(Rect(0, 0, 40, 40), *tiny, Rect(2, 2, 2, 2), 1, 1, true, false);
    EXPECT_EQ(odd->Width(), 40);
}

TEST(DrawBGbmp, TilesFromTheTopLeftAndOverrunOnlyToTheCanvasEdge) {
    auto src = Strip(5, 5, 1, false);
    TBitmap canvas(10, 5);
    DrawBGbmp(canvas.Canvas(), Rect(1, 1, 9, 4), *src, Rect(1, 1, 4, 3));  // 3 x 2 tile
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) {
            const TColor want = (x >= 1 && y >= 1) ? Code(1, 1 + (x - 1) % 3, 1 + (y - 1) % 2) : clWhite;
            EXPECT_EQ(canvas.Pixel(x, y), want) << "case: " << x << "," << y;
        }
    // Far to the left: the copies that show keep the phase of the first one.
    TBitmap shifted(4, 2);
    DrawBGbmp(shifted.Canvas(), Rect(-1000000, 0, 4, 2), *src, Rect(1, 1, 4, 3));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(shifted.Pixel(x, 0), Code(1, 1 + (x + 1000000) % 3, 1)) << "case: shifted " << x;
    TBitmap untouched(4, 4);
    DrawBGbmp(untouched.Canvas(), Rect(0, 0, 4, 4), *src, Rect(2, 2, 2, 5));
    EXPECT_EQ(untouched.Pixel(0, 0), clWhite);
}

TEST(DrawRect3, FrameIsCentredAndMayStickOutOfASmallTarget) {
    auto strip = Strip(5, 5, 2, false);
    TBitmap canvas(20, 20);
    // (2 - 5) / 2 truncates to -1: the frame starts one pixel before the target.
    DrawRect3(canvas.Canvas(), Rect(10, 10, 12, 12), *strip, 2, 2, false);
    EXPECT_EQ(canvas.Pixel(8, 8), clWhite);
    EXPECT_EQ(canvas.Pixel(9, 9), Code(2, 0, 0));
    EXPECT_EQ(canvas.Pixel(13, 13), Code(2, 4, 4));
    EXPECT_EQ(canvas.Pixel(14, 14), clWhite);
    // Larger target: centred, and transparent pixels keep the canvas.
    strip->SetPixel(5, 0, clFuchsia);
    canvas.Canvas().Brush.Color = clGray;
    canvas.Canvas().FillRect(Rect(0, 0, 20, 20));
    DrawRect3(canvas.Canvas(), Rect(0, 0, 10, 9), *strip, 2, 2, true);
    EXPECT_EQ(canvas.Pixel(2, 2), clGray);
    EXPECT_EQ(canvas.Pixel(3, 2), Code(2, 1, 0));
    EXPECT_EQ(canvas.Pixel(6, 6), Code(2, 4, 4));
    EXPECT_EQ(canvas.Pixel(7, 7), clGray);
}

TEST(DrawRectH, NarrowTargetStretchesTheWholeFrame) {
    auto strip = Strip(8, 2, 2, true);
    TBitmap canvas(12, 2);
    DrawRectH(canvas.Canvas(), Rect(0, 0, 4, 2), *strip, Rect(3, 0, 3, 0), 2, 2, 0, true);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(canvas.Pixel(x, 0), Code(2, 2 * x + 1, 0)) << "case: narrow " << x;
    // Wide target: caps unscaled, middle (columns 3, 4) stretched over 6.
    DrawRectH(canvas.Canvas(), Rect(0, 0, 12, 2), *strip, Rect(3, 0, 3, 0), 1, 2, 0, true);
    const int cols[] = {0, 1, 2, 3, 3, 3, 4, 4, 4, 5, 6, 7};
    for (int x = 0; x < 12; ++x) EXPECT_EQ(canvas.Pixel(x, 1), Code(1, cols[x], 1)) << "case: wide " << x;
}

TEST(DrawRectTile, CapsAndARepeatedMiddle) {
    auto strip = Strip(7, 3, 1, false);
    strip->SetPixel(0, 0, clFuchsia);
    TBitmap canvas(14, 6);
    canvas.Canvas().Brush.Color = clGray;
    canvas.Canvas().FillRect(Rect(0, 0, 14, 6));
    DrawRectTile(canvas.Canvas(), Rect(1, 0, 13, 6), *strip, Rect(2, 0, 2, 0), 1, 1, true, false);
    const int cols[] = {0, 1, 2, 3, 4, 2, 3, 4, 2, 3, 5, 6};  // middle 2..4 repeated, right cap last
    const int rows[] = {0, 0, 1, 1, 2, 2};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x) {
            const TColor want = (cols[x] == 0 && rows[y] == 0) ? clGray : Code(1, cols[x], rows[y]);
            EXPECT_EQ(canvas.Pixel(x + 1, y), want) << "case: " << x << "," << y;
        }
    EXPECT_EQ(canvas.Pixel(0, 0), clGray);
    // Caps that leave no middle: nothing to repeat, and the call ends.
    DrawRectTile(canvas.Canvas(), Rect(0, 0, 14, 6), *strip, Rect(4, 0, 3, 0), 1, 1, false, false);
    EXPECT_EQ(canvas.Pixel(13, 0), Code(1, 6, 0));
}

TEST(DrawTranmap, KeyPixelsLeaveTheTargetAndInvertedTargetsDrawNothing) {
    auto strip = Strip(3, 3, 1, false);
    strip->SetPixel(1, 1, clFuchsia);
    TBitmap canvas(5, 5);
    canvas.Canvas().Brush.Color = clGray;
    canvas.Canvas().FillRect(Rect(0, 0, 5, 5));
    DrawTranmap(canvas.Canvas(), Rect(3, 3, 2, 2), *strip, kSkinKeyColor);
    EXPECT_EQ(canvas.Pixel(3, 3), clGray);
    DrawTranmap(canvas.Canvas(), Rect(1, 1, 2, 2), *strip, kSkinKeyColor);  // the whole bitmap, not the rect
    EXPECT_EQ(canvas.Pixel(1, 1), Code(1, 0, 0));
    EXPECT_EQ(canvas.Pixel(2, 2), clGray);
    EXPECT_EQ(canvas.Pixel(3, 3), Code(1, 2, 2));
}

TEST(DrawRect12, StretchedFramesOpaqueOrKeyed) {
    auto strip = Strip(2, 2, 3, false);
    strip->SetPixel(2, 0, clFuchsia);  // frame 2, pixel (0, 0)
    TBitmap canvas(6, 6);
    canvas.Canvas().Brush.Color = clGray;
    canvas.Canvas().FillRect(Rect(0, 0, 6, 6));
    DrawRect1(canvas.Canvas(), Rect(1, 1, 5, 5), *strip, 2, 3, true);
    EXPECT_EQ(canvas.Pixel(1, 1), clGray);
    EXPECT_EQ(canvas.Pixel(2, 2), clGray);
    EXPECT_EQ(canvas.Pixel(3, 1), Code(2, 1, 0));
    EXPECT_EQ(canvas.Pixel(4, 4), Code(2, 1, 1));
    EXPECT_EQ(canvas.Pixel(0, 0), clGray);
    DrawRect1(canvas.Canvas(), Rect(1, 1, 5, 5), *strip, 2, 3, false);
    EXPECT_EQ(canvas.Pixel(1, 1), clFuchsia);

    canvas.Canvas().FillRect(Rect(0, 0, 6, 6));
    DrawRect2(canvas.Canvas(), Rect(0, 0, 6, 6), *strip, Rect(1, 1, 1, 1), 2, 3, true, false, false);
    EXPECT_EQ(canvas.Pixel(0, 0), clGray);
    EXPECT_EQ(canvas.Pixel(5, 5), Code(2, 1, 1));
    DrawRect2(canvas.Canvas(), Rect(4, 0, 3, 6), *strip, Rect(1, 1, 1, 1), 1, 3, false, false, false);
    EXPECT_EQ(canvas.Pixel(5, 5), Code(2, 1, 1));  // inverted target: nothing drawn
}

std::vector<TRect> Scan(const TBitmap& b, int dx, int dy, int tolerance, std::vector<size_t>* batches = nullptr) {
    std::vector<TRect> out;
    ScanRegionRects(b, dx, dy, kSkinKeyColor, tolerance, tolerance, tolerance, [&](const TRect* r, size_t n) {
        out.insert(out.end(), r, r + n);
        if (batches) batches->push_back(n);
    });
    return out;
}

TEST(RegionScan, RunsOfOpaquePixelsPerRow) {
    TBitmap b(10, 6);
    b.Canvas().Brush.Color = clFuchsia;
    for (TRect corner : {Rect(0, 0, 2, 2), Rect(8, 0, 10, 2), Rect(0, 4, 2, 6), Rect(8, 4, 10, 6)})
        b.Canvas().FillRect(corner);
    b.SetPixel(5, 3, ColorFromRGB(255, 1, 255));  // keyed only with a tolerance of 1
    const std::vector<TRect> expected = {Rect(12, 7, 18, 8),   Rect(12, 8, 18, 9),   Rect(10, 9, 20, 10),
                                         Rect(10, 10, 20, 11), Rect(12, 11, 18, 12), Rect(12, 12, 18, 13)};
    std::vector<TRect> loose = expected;
    loose[3] = Rect(10, 10, 15, 11);
    loose.insert(loose.begin() + 4, Rect(16, 10, 20, 11));
    for (TPixelFormat format : {pf24bit, pf32bit, pf16bit}) {
        TBitmap f;
        f.Assign(b);
        f.SetPixelFormat(format);
        EXPECT_EQ(Scan(f, 10, 7, 1), loose) << "case: format " << format;
        // 5 bits per channel cannot hold green 1: that pixel became the key itself.
        EXPECT_EQ(Scan(f, 10, 7, 0), format == pf16bit ? loose : expected) << "case: format " << format;
    }
    EXPECT_EQ(b.PixelFormat(), pf24bit);  // the caller's bitmap is not converted

    TBitmap all(7, 3);
    all.Canvas().Brush.Color = clFuchsia;
    all.Canvas().FillRect(Rect(0, 0, 7, 3));
    EXPECT_TRUE(Scan(all, 0, 0, 1).empty());
}

TEST(RegionScan, RectanglesComeInBatchesOfTwoThousand) {
    TBitmap b(100, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; x += 2) b.SetPixel(x, y, clFuchsia);
    std::vector<size_t> batches;
    EXPECT_EQ(Scan(b, 0, 0, 1, &batches).size(), 5000u);
    EXPECT_EQ(batches, (std::vector<size_t>{2000, 2000, 1000}));
}

}  // namespace
