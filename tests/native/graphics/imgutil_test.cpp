#include "skin/draw/ImgUtil.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TColor Code(int x, int y) {
    return ColorFromRGB(x * 7 + 1, y * 11 + 2, (x + y) * 3 + 5);
}

std::unique_ptr<TBitmap> Coded(int w, int h, TPixelFormat format = pf24bit) {
    auto b = std::make_unique<TBitmap>(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->SetPixel(x, y, Code(x, y));
    return b;
}

TEST(Blend, WeightsArePerCentBelowHundredAndPerMilleFromHundred) {
    struct Case {
        const char* name;
        TColor c1, c2;
        int weight;
        TColor expected;
    } cases[] = {
        {"99 per cent of the first", ColorFromRGB(255, 0, 0), clBlack, 99, ColorFromRGB(252, 0, 0)},
        {"100 is 10 per cent", ColorFromRGB(255, 0, 0), clBlack, 100, ColorFromRGB(26, 0, 0)},
        {"even mix rounds half up", clWhite, clBlack, 50, ColorFromRGB(128, 128, 128)},
        {"150 is 15 per cent", clWhite, ColorFromRGB(0, 100, 200), 150, ColorFromRGB(38, 123, 208)},
        // 1500 per mille: (100 * -500 + 500) / 1000 truncates to -49, low byte 207.
        {"negative mix truncates toward zero", clBlack, ColorFromRGB(100, 0, 0), 1500, ColorFromRGB(207, 0, 0)},
    };
    for (const Case& c : cases) EXPECT_EQ(Blend(c.c1, c.c2, c.weight), c.expected) << "case: " << c.name;
}

TEST(Blend, SystemColoursUseTheirCurrentValues) {
    EXPECT_EQ(Blend(clBtnFace, clWindowText, 50), Blend(ColorToRGB(clBtnFace), ColorToRGB(clWindowText), 50));
    EXPECT_EQ(Blend(clBtnFace, clWhite, 99), Blend(ColorToRGB(clBtnFace), clWhite, 99));
}

TEST(Gradient, ColoursTruncateTowardZero) {
    const int down = MakeGradient(10, ColorFromRGB(100, 0, 0), ColorFromRGB(0, 0, 0));
    const std::vector<TColor>& g = GradientColors(down);
    ASSERT_EQ(g.size(), 10u);
    EXPECT_EQ(g.front(), ColorFromRGB(100, 0, 0));
    EXPECT_EQ(g.back(), ColorFromRGB(1, 0, 0));                // one step short of 0
    EXPECT_EQ(g[4], ColorFromRGB(56, 0, 0));                   // 100 + (4 - 400) / 9
    EXPECT_EQ(g[1], ColorFromRGB(100 + (4 - 100) / 9, 0, 0));  // 100 - 10
    // ... so the decreasing gradient is never found again.
    EXPECT_EQ(FindGradient(10, ColorFromRGB(100, 0, 0), ColorFromRGB(0, 0, 0)), -1);

    const int up = GetGradient(10, ColorFromRGB(0, 0, 0), ColorFromRGB(0, 90, 9));
    EXPECT_EQ(GradientColors(up).back(), ColorFromRGB(0, 90, 9));
    EXPECT_EQ(GradientColors(up)[1], ColorFromRGB(0, 10, 1));  // (4 + 90) / 9, (4 + 9) / 9
    EXPECT_EQ(GetGradient(10, ColorFromRGB(0, 0, 0), ColorFromRGB(0, 90, 9)), up);

    const int one = MakeGradient(1, ColorFromRGB(21, 10, 0), ColorFromRGB(10, 21, 7));
    EXPECT_EQ(GradientColors(one), std::vector<TColor>{ColorFromRGB(16, 15, 3)});
    EXPECT_EQ(FindGradient(0, 0, 0), -1);
    EXPECT_EQ(MakeGradient(0, 0, 0), -1);
}

TEST(Gradient, SixteenSlotsAreUsedAsARing) {
    const int first = MakeGradient(3, ColorFromRGB(1, 2, 3), ColorFromRGB(4, 5, 6));
    for (int i = 1; i < 16; ++i) EXPECT_EQ(MakeGradient(2, i, i), (first + i) % 16);
    EXPECT_EQ(MakeGradient(2, 0, 0), first);  // the seventeenth reuses the first slot
    EXPECT_EQ(FindGradient(3, ColorFromRGB(1, 2, 3), ColorFromRGB(4, 5, 6)), -1);
}

TEST(GradFill, OneRowHighVerticalGradientIsTheMidpoint) {
    TBitmap b(4, 3);
    GradFill(b.Canvas(), Rect(0, 1, 4, 2), ColorFromRGB(0, 0, 0), ColorFromRGB(200, 101, 50), 1);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(b.Pixel(x, 1), ColorFromRGB(100, 50, 25));
        EXPECT_EQ(b.Pixel(x, 0), clWhite);
        EXPECT_EQ(b.Pixel(x, 2), clWhite);
    }
}

TEST(GradFill, ClippedPaintShowsTheColoursOfTheWholeRectangle) {
    for (int kind : {0, 1}) {
        const bool across = kind == 0;
        // The full gradient over 20 pixels...
        TBitmap full(across ? 20 : 2, across ? 2 : 20);
        GradFill(full.Canvas(), Rect(0, 0, full.Width(), full.Height()), clBtnFace, ColorFromRGB(0, 40, 255), kind);
        // ... and the same rectangle reaching 5 pixels past both ends of a 10-pixel bitmap.
        TBitmap part(across ? 10 : 2, across ? 2 : 10);
        const TRect r = across ? Rect(-5, 0, 15, 2) : Rect(0, -5, 2, 15);
        GradFill(part.Canvas(), r, clBtnFace, ColorFromRGB(0, 40, 255), kind);
        for (int i = 0; i < 10; ++i) {
            const TColor want = across ? full.Pixel(i + 5, 1) : full.Pixel(1, i + 5);
            EXPECT_EQ(across ? part.Pixel(i, 1) : part.Pixel(1, i), want) << "case: kind " << kind << " i " << i;
        }
        EXPECT_EQ(full.Pixel(0, 0), ColorToRGB(clBtnFace)) << "case: kind " << kind;
    }
    TBitmap b(3, 3);
    GradFill(b.Canvas(), Rect(5, 0, 9, 3), clBlack, clBlack, 0);  // not visible: nothing happens
    GradFill(b.Canvas(), Rect(2, 0, 2, 3), clBlack, clBlack, 0);  // empty
    EXPECT_EQ(b.Pixel(2, 1), clWhite);
}

TEST(GetHSV, SaturationRoundsHalfToEvenAndDarkColoursGive200) {
    struct Case {
        const char* name;
        TColor color;
        int expected;
    } cases[] = {
        {"pure red", ColorFromRGB(255, 0, 0), 255},           {"white", clWhite, 0},
        {"saturated but dark", ColorFromRGB(159, 0, 0), 200}, {"1.5 rounds to 2", ColorFromRGB(170, 169, 170), 2},
        {"4.5 rounds to 4", ColorFromRGB(170, 167, 170), 4},  {"127.5 rounds to 128", ColorFromRGB(100, 200, 100), 128},
        {"no system colour translation", clBtnFace, 200},
    };
    for (const Case& c : cases) EXPECT_EQ(GetHSV(c.color), c.expected) << "case: " << c.name;
}

TEST(ChangeTrans, ReplacesExactMagentaOnlyAndConvertsTo24Bits) {
    TBitmap b(3, 1, pf32bit);
    b.SetPixel(0, 0, clFuchsia);
    b.SetPixel(1, 0, ColorFromRGB(255, 1, 255));
    b.SetPixel(2, 0, clBlue);
    ChangeTrans(b, 0x123456);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.Pixel(0, 0), 0x123456);
    EXPECT_EQ(b.Pixel(1, 0), ColorFromRGB(255, 1, 255));
    EXPECT_EQ(b.Pixel(2, 0), clBlue);
    // A system colour's bytes are used as they are.
    TBitmap s(1, 1);
    s.SetPixel(0, 0, clFuchsia);
    ChangeTrans(s, clBtnFace);
    EXPECT_EQ(s.Pixel(0, 0), ColorFromRGB(0x0F, 0, 0));
}

TEST(Grayscale, AveragesTheChannels) {
    TBitmap b(2, 1, pf16bit);
    b.SetPixel(0, 0, ColorFromRGB(8, 16, 40));
    ConvertBitmapToGrayscale(b);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.Pixel(0, 0), ColorFromRGB(21, 21, 21));
    EXPECT_EQ(b.Pixel(1, 0), clWhite);
}

TEST(Geometry, MirrorsAndRotationsMoveEveryPixelWhereTheFormulaSays) {
    const int W = 3, H = 2;
    struct Case {
        const char* name;
        void (*op)(TBitmap&);
        int newW, newH;
        // old coordinates of new pixel (x, y)
        int (*ox)(int x, int y);
        int (*oy)(int x, int y);
    } cases[] = {
        {"SpiegelnHorizontal", SpiegelnHorizontal, W, H, [](int x, int) { return W - 1 - x; },
         [](int, int y) { return y; }},
        {"SpiegelnVertikal", SpiegelnVertikal, W, H, [](int x, int) { return x; },
         [](int, int y) { return H - 1 - y; }},
        {"Drehen90Grad", Drehen90Grad, H, W, [](int, int y) { return y; }, [](int x, int) { return H - 1 - x; }},
        {"Drehen270Grad", Drehen270Grad, H, W, [](int, int y) { return W - 1 - y; }, [](int x, int) { return x; }},
        {"Drehen180Grad", Drehen180Grad, W, H, [](int x, int) { return W - 1 - x; },
         [](int, int y) { return H - 1 - y; }},
    };
    for (TPixelFormat format : {pf24bit, pf32bit, pf16bit, pf1bit}) {
        for (const Case& c : cases) {
            auto b = Coded(W, H, format);
            auto original = Coded(W, H, format);
            if (format == pf1bit) {
                b->SetPixel(0, 0, clBlack);
                original->SetPixel(0, 0, clBlack);
            }
            c.op(*b);
            ASSERT_EQ(b->Width(), c.newW) << "case: " << c.name;
            ASSERT_EQ(b->Height(), c.newH) << "case: " << c.name;
            EXPECT_EQ(b->PixelFormat(), format) << "case: " << c.name;
            for (int y = 0; y < c.newH; ++y)
                for (int x = 0; x < c.newW; ++x)
                    EXPECT_EQ(b->Pixel(x, y), original->Pixel(c.ox(x, y), c.oy(x, y)))
                        << "case: " << c.name << " format " << format << " at " << x << "," << y;
        }
    }
}

TEST(Geometry, RotationsRoundTrip) {
    auto b = Coded(7, 5);
    auto original = Coded(7, 5);
    Drehen90Grad(*b);
    Drehen270Grad(*b);
    Drehen180Grad(*b);
    Drehen180Grad(*b);
    SpiegelnHorizontal(*b);
    SpiegelnHorizontal(*b);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) ASSERT_EQ(b->Pixel(x, y), original->Pixel(x, y)) << "case: " << x << "," << y;
}

TEST(Geometry, Rotate90MakesACounterClockwiseCopyOf24BitBitmapsOnly) {
    auto b = Coded(4, 3);
    const std::unique_ptr<TBitmap> r = Rotate90(*b);
    ASSERT_TRUE(r);
    auto turned = Coded(4, 3);
    Drehen270Grad(*turned);
    ASSERT_EQ(r->Width(), 3);
    ASSERT_EQ(r->Height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(r->Pixel(x, y), turned->Pixel(x, y)) << "case: " << x << "," << y;
    EXPECT_EQ(b->Pixel(3, 0), Code(3, 0));  // the source is unchanged
    EXPECT_FALSE(Rotate90(*Coded(4, 3, pf32bit)));
}

}  // namespace
