// The software stretch of the canvas against StretchBlt in COLORONCOLOR mode,
// pixel by pixel, for the sizes skins use.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "framework/graphics/Canvas.h"

namespace {

// Source pixel i carries i in red (low byte) and green (high byte).
TColor Index(int i) {
    return ColorFromRGB(i & 0xFF, i >> 8, 77);
}

void Ramp(TBitmap& b, bool vertical) {
    const int n = vertical ? b.Height() : b.Width();
    for (int i = 0; i < n; ++i) b.SetPixel(vertical ? 0 : i, vertical ? i : 0, Index(i));
}

void Whiten(TBitmap& b) {
    b.Canvas().Brush.Color = clWhite;
    b.Canvas().FillRect(Rect(0, 0, b.Width(), b.Height()));
}

void GdiStretch(TBitmap& dst, const TRect& d, const TBitmap& src, const TRect& s) {
    HDC dc = dst.DC();
    SetStretchBltMode(dc, COLORONCOLOR);
    ASSERT_TRUE(
        StretchBlt(dc, d.Left, d.Top, d.Width(), d.Height(), src.DC(), s.Left, s.Top, s.Width(), s.Height(), SRCCOPY));
    GdiFlush();
}

// Compares GDI and software for one copy; returns the differing pixels as text.
std::string Compare(TBitmap& gdi, TBitmap& soft, const TRect& d, const TBitmap& src, const TRect& s) {
    Whiten(gdi);
    Whiten(soft);
    GdiStretch(gdi, d, src, s);
    soft.Canvas().CopyRect(d, src, s);
    std::ostringstream out;
    int shown = 0;
    for (int y = 0; y < gdi.Height(); ++y)
        for (int x = 0; x < gdi.Width(); ++x)
            if (gdi.Pixel(x, y) != soft.Pixel(x, y) && shown++ < 5)
                out << " (" << x << "," << y << ": gdi " << std::hex << gdi.Pixel(x, y) << " soft " << soft.Pixel(x, y)
                    << std::dec << ")";
    return out.str();
}

TEST(GdiStretch, EveryLengthFrom1To50To1To400AndBackMatches) {
    for (bool vertical : {false, true}) {
        TBitmap src(vertical ? 1 : 400, vertical ? 400 : 1), gdi(vertical ? 1 : 400, vertical ? 400 : 1),
            soft(vertical ? 1 : 400, vertical ? 400 : 1);
        Ramp(src, vertical);
        int compared = 0, differing = 0;
        std::string first;
        auto run = [&](int s, int d) {
            const TRect sr = vertical ? Rect(0, 0, 1, s) : Rect(0, 0, s, 1);
            const TRect dr = vertical ? Rect(0, 0, 1, d) : Rect(0, 0, d, 1);
            const std::string diff = Compare(gdi, soft, dr, src, sr);
            ++compared;
            if (!diff.empty() && differing++ < 5)
                first += "\n  " + std::to_string(s) + " -> " + std::to_string(d) + ":" + diff;
        };
        for (int s = 1; s <= 50; ++s)
            for (int d = 1; d <= 400; ++d) {
                run(s, d);
                run(d, s);
            }
        EXPECT_EQ(differing, 0) << "case: " << (vertical ? "down" : "across") << ", " << differing << " of " << compared
                                << " sizes differ" << first;
    }
}

TEST(GdiStretch, TwoDimensionsOffsetsMirrorsAndClippingMatch) {
    struct Case {
        const char* name;
        TRect d, s;
    } cases[] = {
        {"nine-slice edge 4x4 to 94x4", Rect(3, 0, 97, 4), Rect(3, 0, 7, 4)},
        {"centre 4x22 to 94x22", Rect(3, 4, 97, 26), Rect(3, 4, 7, 26)},
        {"292x50 frame to 120x37", Rect(0, 0, 120, 37), Rect(0, 0, 146, 50)},
        {"shrink both ways", Rect(5, 5, 25, 12), Rect(10, 3, 70, 40)},
        {"target partly outside", Rect(-7, -3, 50, 20), Rect(0, 0, 13, 9)},
        {"source partly outside", Rect(0, 0, 60, 40), Rect(-5, -4, 20, 20)},
        {"mirrored source", Rect(0, 0, 60, 40), Rect(30, 20, 10, 2)},
        {"mirrored target", Rect(59, 39, 2, 3), Rect(0, 0, 25, 17)},
        {"frame smaller than its margins", Rect(2, 2, 60, 40), Rect(3, 3, 2, 2)},
        {"one pixel wide target", Rect(10, 0, 11, 40), Rect(0, 0, 40, 40)},
    };
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap src(146, 50, format), gdi(64, 44, format), soft(64, 44, format);
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 146; ++x) src.SetPixel(x, y, ColorFromRGB(x, y, 200));
        for (const Case& c : cases)
            EXPECT_EQ(Compare(gdi, soft, c.d, src, c.s), "") << "case: " << c.name << " format " << format;
    }
}

}  // namespace
