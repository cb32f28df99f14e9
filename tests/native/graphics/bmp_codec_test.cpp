#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "framework/graphics/Bitmap.h"
#include "framework/graphics/BmpCodec.h"
#include "framework/system/StreamsAndLists.h"

namespace {

std::vector<TColor> Pixels(const TBitmap& b) {
    std::vector<TColor> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) out.push_back(b.Pixel(x, y));
    return out;
}

bool Load(const std::vector<uint8_t>& file, TBitmap& b) {
    TMemoryStream s;
    s.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
    s.SetPosition(0);
    b.LoadFromStream(s);
    return !b.Empty();
}

const TColor kR = ColorFromRGB(255, 0, 0), kG = ColorFromRGB(0, 255, 0), kB = ColorFromRGB(0, 0, 255), kW = clWhite,
             kK = clBlack, kM = clFuchsia;

TEST(BmpCodec, ReadsEveryDepthAndLayout) {
    struct Case {
        const char* name;
        BmpLayout layout;
        TPixelFormat format;
        std::vector<TColor> expected;  // 2 x 2, rows from the top
    } cases[] = {
        // Bottom-up: the first stored row is the bottom row.
        {"24 bottom-up",
         {40, 2, 2, 24, 0, 0, {}, {}, {0, 0, 255, 0, 255, 0, 0, 0, /**/ 255, 0, 0, 255, 255, 255, 0, 0}},
         pf24bit,
         {kB, kW, kR, kG}},
        {"24 top-down",
         {40, 2, -2, 24, 0, 0, {}, {}, {0, 0, 255, 0, 255, 0, 0, 0, /**/ 255, 0, 0, 255, 255, 255, 0, 0}},
         pf24bit,
         {kR, kG, kB, kW}},
        {"32 rgb",
         {40, 2, -2, 32, 0, 0, {}, {}, {0, 0, 255, 9, 0, 255, 0, 9, 255, 0, 0, 9, 255, 0, 255, 9}},
         pf32bit,
         {kR, kG, kB, kM}},
        {"32 bitfields RGBA order",
         {40,
          2,
          -2,
          32,
          3,
          0,
          {0x000000FF, 0x0000FF00, 0x00FF0000},
          {},
          {255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 0}},
         pf32bit,
         {kR, kG, kB, kM}},
        {"16 rgb 555",
         {40, 2, -2, 16, 0, 0, {}, {}, {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x1F, 0x7C}},
         pf16bit,
         {kR, kG, kB, kM}},
        {"16 bitfields 565",
         {40, 2, -2, 16, 3, 0, {0xF800, 0x07E0, 0x001F}, {}, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x1F, 0xF8}},
         pf24bit,
         {kR, kG, kB, kM}},
        {"8 palette",
         {40, 2, -2, 8, 0, 3, {}, {0xFF0000, 0x00FF00, 0xFF00FF}, {0, 1, 0, 0, 2, 0, 0, 0}},
         pf24bit,
         {kR, kG, kM, kR}},
        {"4 palette",
         {40, 2, -2, 4, 0, 2, {}, {0x0000FF, 0xFFFFFF}, {0x01, 0, 0, 0, 0x10, 0, 0, 0}},
         pf24bit,
         {kB, kW, kW, kB}},
        {"1 palette",
         {40, 2, -2, 1, 0, 0, {}, {0xFF00FF, 0x000000}, {0x40, 0, 0, 0, 0x80, 0, 0, 0}},
         pf1bit,
         {kM, kK, kK, kM}},
        {"core header 8 bit",
         {12, 2, 2, 8, 0, 0, {}, std::vector<uint32_t>(256, 0x00FF00), {0, 0, 0, 0, 0, 0, 0, 0}},
         pf24bit,
         {kG, kG, kG, kG}},
        {"v5 header 24",
         {124, 2, -2, 24, 0, 0, {}, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0}},
         pf24bit,
         {kR, kG, kB, kW}},
    };
    for (Case& c : cases) {
        TBitmap b;
        ASSERT_TRUE(Load(BuildBmp(c.layout), b)) << "case: " << c.name;
        EXPECT_EQ(b.Width(), 2) << "case: " << c.name;
        EXPECT_EQ(b.Height(), 2) << "case: " << c.name;
        EXPECT_EQ(b.PixelFormat(), c.format) << "case: " << c.name;
        EXPECT_EQ(Pixels(b), c.expected) << "case: " << c.name;
    }
}

TEST(BmpCodec, MalformedFilesLoadEmpty) {
    const std::vector<uint8_t> row24 = {1, 2, 3, 4, 5, 6, 0, 0};
    struct Case {
        const char* name;
        BmpLayout layout;
    } cases[] = {
        {"pixel array cut short", {40, 2, 2, 24, 0, 0, {}, {}, {1, 2, 3, 4, 5, 6, 0, 0, 1, 2, 3}}},
        {"width overflows a row", {40, 0x7FFFFFFF, 1, 32, 0, 0, {}, {}, row24}},
        {"height is INT32_MIN", {40, 2, INT32_MIN, 24, 0, 0, {}, {}, row24}},
        {"zero width", {40, 0, 1, 24, 0, 0, {}, {}, row24}},
        {"negative width", {40, -2, 1, 24, 0, 0, {}, {}, row24}},
        {"palette index beyond the palette", {40, 2, 1, 8, 0, 2, {}, {0, 0xFFFFFF}, {1, 2, 0, 0}}},
        {"1-bit index 1 with one colour", {40, 2, 1, 1, 0, 1, {}, {0xFFFFFF}, {0x40, 0, 0, 0}}},
        {"palette runs past the end", {40, 1, 1, 8, 0, 256, {}, {0, 0}, {}}},
        {"unknown header size", {20, 2, 1, 24, 0, 0, {}, {}, row24}},
        {"pixel offset beyond the file", {40, 2, 1, 24, 0, 0, {}, {}, row24, 100000}},
        {"pixel offset inside the header", {40, 2, 1, 24, 0, 0, {}, {}, row24, 20}},
        {"run-length compression", {40, 2, 1, 8, 1, 0, {}, {0, 0}, {0, 0, 0, 0}}},
        {"bitfields on 24 bits", {40, 2, 1, 24, 3, 0, {1, 2, 4}, {}, row24}},
        {"bitfields masks missing", {40, 1, 1, 32, 3, 0, {}, {}, {}}},
        {"2 bits per pixel", {40, 2, 1, 2, 0, 0, {}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
    };
    for (Case& c : cases) {
        TBitmap b(3, 3);
        EXPECT_FALSE(Load(BuildBmp(c.layout), b)) << "case: " << c.name;
        EXPECT_TRUE(b.Empty()) << "case: " << c.name;
    }
    // A header size field pointing past the end of the file.
    std::vector<uint8_t> file = BuildBmp({40, 2, 1, 24, 0, 0, {}, {}, row24});
    file[15] = 0x10;
    TBitmap b(3, 3);
    EXPECT_FALSE(Load(file, b));
    EXPECT_FALSE(Load({'B', 'X', 0, 0}, b));
    EXPECT_FALSE(Load({}, b));
}

TEST(BmpCodec, EveryTruncationOfAValidFileLoadsEmpty) {
    BmpLayout layout{40, 3, 2, 8, 0, 4, {}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFF00FF}, {0, 1, 2, 0, 3, 2, 1, 0}};
    const std::vector<uint8_t> file = BuildBmp(layout);
    TBitmap whole;
    ASSERT_TRUE(Load(file, whole));
    for (size_t n = 0; n < file.size(); ++n) {
        TBitmap b;
        EXPECT_FALSE(ReadBmpFile(file.data(), n, b)) << "case: " << n << " bytes";
        EXPECT_TRUE(b.Empty());
    }
}

TEST(BmpCodec, WritesAndReadsBack24And32BitsBottomUp) {
    for (TPixelFormat format : {pf24bit, pf32bit, pf16bit, pf1bit}) {
        TBitmap a(5, 3, format);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                a.SetPixel(x, y, (x + y) % 2 ? clBlack : (format == pf1bit ? clWhite : ColorFromRGB(8 * x, 16, 8 * y)));
        TMemoryStream s;
        a.SaveToStream(s);
        const std::vector<uint8_t>& bytes = s.Bytes();
        ASSERT_GE(bytes.size(), 54u);
        const int bpp = bytes[28];
        EXPECT_EQ(bpp, format == pf32bit ? 32 : 24) << "case: format " << format;
        EXPECT_EQ(bytes[22], 3) << "positive height: bottom-up";
        EXPECT_EQ(bytes.size(), 54u + (format == pf32bit ? 20u : 16u) * 3);
        s.SetPosition(0);
        TBitmap b;
        b.LoadFromStream(s);
        EXPECT_EQ(b.PixelFormat(), format == pf32bit ? pf32bit : pf24bit);
        EXPECT_EQ(Pixels(b), Pixels(a)) << "case: format " << format;
    }
    TBitmap empty;
    TMemoryStream s;
    empty.SaveToStream(s);
    EXPECT_EQ(s.Size(), 0);
}

}  // namespace
