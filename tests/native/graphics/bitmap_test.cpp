#include "framework/graphics/Bitmap.h"

#include <gtest/gtest.h>

#include "framework/graphics/Canvas.h"

namespace {

TColor Code(int x, int y) {
    return ColorFromRGB(x * 7 + 1, y * 11 + 2, (x + y) * 3 + 5);
}

void Paint(TBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) b.SetPixel(x, y, Code(x, y));
}

TEST(Bitmap, ScanLinesAreTopDownBgrRowsPaddedToFourBytes) {
    TBitmap b(5, 3, pf24bit);
    EXPECT_EQ(b.RowBytes(), 16);
    b.SetPixel(1, 2, ColorFromRGB(10, 20, 30));
    const uint8_t* row = b.ScanLine(2);
    EXPECT_EQ(row[3], 30);  // blue
    EXPECT_EQ(row[4], 20);
    EXPECT_EQ(row[5], 10);  // red
    EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), 16);
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphicOperation);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);

    TBitmap b32(3, 2, pf32bit);
    EXPECT_EQ(b32.RowBytes(), 12);
    TBitmap b16(3, 2, pf16bit);
    EXPECT_EQ(b16.RowBytes(), 8);
    TBitmap b1(33, 2, pf1bit);
    EXPECT_EQ(b1.RowBytes(), 8);
}

TEST(Bitmap, NewPixelsAreWhiteAndResizeKeepsTheCommonPart) {
    TBitmap b(3, 2);
    EXPECT_EQ(b.Pixel(2, 1), clWhite);
    Paint(b);
    b.SetSize(5, 1);
    EXPECT_EQ(b.Pixel(0, 0), Code(0, 0));
    EXPECT_EQ(b.Pixel(2, 0), Code(2, 0));
    EXPECT_EQ(b.Pixel(3, 0), clWhite);
    EXPECT_EQ(b.Pixel(0, 1), -1);
    b.SetWidth(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Height(), 1);
    b.SetSize(-4, 7);
    EXPECT_EQ(b.Width(), 0);
    EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, PixelFormatConversions) {
    struct Case {
        const char* name;
        TPixelFormat from, to;
        TColor in, out;
    } cases[] = {
        {"24 to 32", pf24bit, pf32bit, ColorFromRGB(1, 2, 3), ColorFromRGB(1, 2, 3)},
        {"32 to 24", pf32bit, pf24bit, ColorFromRGB(250, 0, 7), ColorFromRGB(250, 0, 7)},
        // 5 bits per channel, widened as GDI does: magenta survives exactly.
        {"magenta through 16", pf24bit, pf16bit, clFuchsia, clFuchsia},
        {"grey through 16", pf24bit, pf16bit, ColorFromRGB(130, 64, 9), ColorFromRGB(132, 66, 8)},
        {"dark to mono", pf24bit, pf1bit, ColorFromRGB(100, 20, 30), clBlack},
        {"light to mono", pf24bit, pf1bit, ColorFromRGB(200, 180, 190), clWhite},
    };
    for (const Case& c : cases) {
        TBitmap b(2, 2, c.from);
        b.SetPixel(1, 1, c.in);
        b.SetPixelFormat(c.to);
        EXPECT_EQ(b.PixelFormat(), c.to) << "case: " << c.name;
        EXPECT_EQ(b.Pixel(1, 1), c.out) << "case: " << c.name;
        EXPECT_EQ(b.Pixel(0, 0), clWhite) << "case: " << c.name;
    }
}

TEST(Bitmap, MonoBitmapsUseTheirPalette) {
    TBitmap b(10, 1, pf1bit);
    b.SetMonoColors(clRed, clBlue);
    b.SetPixel(9, 0, clBlue);
    b.SetPixel(8, 0, ColorFromRGB(250, 10, 10));  // nearer to red
    EXPECT_EQ(b.Pixel(9, 0), clBlue);
    EXPECT_EQ(b.Pixel(8, 0), clRed);
    EXPECT_EQ(b.ScanLine(0)[1] & 0xC0, 0x40);  // pixel 9 is the second bit of byte 1
    b.SetPixelFormat(pf24bit);
    EXPECT_EQ(b.Pixel(9, 0), clBlue);
}

TEST(Bitmap, AssignCopiesDeeplyAndKeepsTransparency) {
    TBitmap a(4, 3, pf32bit);
    Paint(a);
    a.SetTransparent(true);
    a.SetTransparentColor(clFuchsia);
    TBitmap b;
    b.Assign(a);
    a.SetPixel(0, 0, clBlack);
    EXPECT_EQ(b.PixelFormat(), pf32bit);
    EXPECT_EQ(b.Pixel(0, 0), Code(0, 0));
    EXPECT_EQ(b.Pixel(3, 2), Code(3, 2));
    EXPECT_TRUE(b.Transparent());
    EXPECT_EQ(b.TransparentColor(), clFuchsia);
    b.Assign(b);
    EXPECT_EQ(b.Pixel(3, 2), Code(3, 2));
}

TEST(Bitmap, AutomaticTransparentColourIsTheBottomLeftPixel) {
    TBitmap b(3, 3);
    b.SetPixel(0, 2, clLime);
    EXPECT_EQ(b.TransparentColor(), clLime);
    b.SetTransparentColor(clFuchsia);
    EXPECT_EQ(b.TransparentMode(), tmFixed);
    EXPECT_EQ(b.TransparentColor(), clFuchsia);
}

TEST(Color, SystemColoursTranslateAndOthersPassThrough) {
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(clBtnFace, static_cast<TColor>(0x8000000F));
#ifdef _WIN32
    EXPECT_EQ(ColorToRGB(clBtnFace), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
#else
    EXPECT_EQ(ColorToRGB(clBtnFace), ColorFromRGB(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clBtnShadow), ColorFromRGB(128, 128, 128));
#endif
}

}  // namespace
