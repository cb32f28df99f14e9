#include <cstddef>

#include "skin/data/SkinPlatform.h"

namespace {

constexpr TColor kGrey = 0x808080;
constexpr TColor kSilver = 0xC0C0C0;

// The channel: outer edge grey, inner edge silver, along the top and the
// left; the same rule read either way round, so TRACKVERT is TRACK upright.
std::unique_ptr<TBitmap> Channel(int width, int height) {
    auto b = std::make_unique<TBitmap>(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int edge = x < y ? x : y;
            b->SetPixel(x, y, edge == 0 ? kGrey : edge == 1 ? kSilver : clWhite);
        }
    return b;
}

// '#' is black (a glyph pixel), anything else white.
constexpr const char* kMenuGlyphs[4][16] = {
    {
        // restore: two overlapping window outlines
        "................",
        "................",
        "................",
        "......#######...",
        "......#######...",
        "......#.....#...",
        "...#######..#...",
        "...#######..#...",
        "...#.....#..#...",
        "...#.....####...",
        "...#.....#......",
        "...#.....#......",
        "...#######......",
        "................",
        "................",
        "................",
    },
    {
        // maximize: one window outline with a thick top edge
        "................",
        "................",
        "...#########....",
        "...#########....",
        "...#.......#....",
        "...#.......#....",
        "...#.......#....",
        "...#.......#....",
        "...#.......#....",
        "...#.......#....",
        "...#.......#....",
        "...#########....",
        "................",
        "................",
        "................",
        "................",
    },
    {
        // minimize: a short bar, two pixels thick, across the middle
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "....#######.....",
        "....#######.....",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
    },
    {
        // close: an X
        "................",
        "................",
        "................",
        "...##.....##....",
        "....##...##.....",
        ".....##.##......",
        "......###.......",
        ".....##.##......",
        "....##...##.....",
        "...##.....##....",
        "................",
        "................",
        "................",
        "................",
        "................",
        "................",
    },
};

std::unique_ptr<TBitmap> MenuGlyphs() {
    auto b = std::make_unique<TBitmap>(64, 16, pf1bit);
    for (int g = 0; g < 4; ++g)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) b->SetPixel(16 * g + x, y, kMenuGlyphs[g][y][x] == '#' ? clBlack : clWhite);
    return b;
}

}  // namespace

std::unique_ptr<TBitmap> DrawProgramBitmap(const std::wstring& name) {
    if (name == L"TRACK") return Channel(16, 4);
    if (name == L"TRACKVERT") return Channel(4, 16);
    if (name == L"QUILLETMENU") return MenuGlyphs();
    return nullptr;
}
