#include <gtest/gtest.h>

#include "skin/controls/ScrollGeometry.h"

namespace {

struct MulDivCase {
    const char* name;
    int a, b, c, expected;
};

TEST(ScrollMulDiv, RoundsHalvesAwayFromZeroInSixtyFourBits) {
    const MulDivCase cases[] = {
        {"exact", 168, 50, 100, 84},     {"rounds down", 168, 9, 100, 15},
        {"rounds up", 168, 4, 1000, 1},  {"half up", 5, 1, 2, 3},
        {"half negative", -5, 1, 2, -3}, {"negative divisor", 5, 1, -2, -3},
        {"zero divisor", 7, 3, 0, -1},   {"wide product", 1000000000, 4, 2, 2000000000},
    };
    for (const MulDivCase& c : cases) EXPECT_EQ(ScrollMulDiv(c.a, c.b, c.c), c.expected) << "case: " << c.name;
}

struct ThumbCase {
    const char* name;
    int len, cw, min, max, page, pos;
    int start, end;
};

TEST(ControlThumb, FollowsRangePageAndPosition) {
    const ThumbCase cases[] = {
        // usable 168 of 200 with 16-pixel arrows
        {"page, at the start", 200, 16, 0, 100, 10, 0, 16, 31},
        {"page, midway", 200, 16, 0, 100, 10, 50, 100, 115},
        {"negative minimum", 200, 16, -50, 50, 20, 0, 100, 132},
        {"thin thumb becomes 8 at the start", 200, 16, 0, 1000, 5, 0, 16, 24},
        {"thin thumb of 8 midway over the rest", 200, 16, 0, 1000, 5, 500, 96, 104},
        {"no page: arrow-long thumb at the start", 200, 16, 0, 100, 0, 0, 16, 32},
        {"no page: midway over the length less three arrows", 200, 16, 0, 100, 0, 50, 92, 108},
        {"no page: at the end touches the second arrow", 200, 16, 0, 100, 0, 100, 168, 184},
        {"empty range counts as 9999999", 200, 16, 5, 5, 1, 5, 16, 24},
        {"page of one at the end touches the second arrow", 200, 16, 0, 10, 1, 10, 176, 184},
    };
    for (const ThumbCase& c : cases) {
        const TScrollThumb t = ControlThumb(c.len, c.cw, c.min, c.max, c.page, c.pos);
        EXPECT_EQ(t.start, c.start) << "case: " << c.name;
        EXPECT_EQ(t.end, c.end) << "case: " << c.name;
    }
}

TEST(ScrollPartAt, NamesTheArrowsTrackAndThumb) {
    const struct {
        int along, part;
    } cases[] = {{0, spFirstArrow},    {15, spFirstArrow},  {16, spTrackBefore}, {99, spTrackBefore},
                 {100, spThumb},       {114, spThumb},      {115, spTrackAfter}, {183, spTrackAfter},
                 {184, spSecondArrow}, {199, spSecondArrow}};
    for (const auto& c : cases) EXPECT_EQ(ScrollPartAt(c.along, 16, 100, 115, 200), c.part) << "along " << c.along;
}

TEST(DraggedThumb, StaysBetweenTheArrowsAndKeepsItsLength) {
    const struct {
        int delta, start;
    } cases[] = {{0, 100}, {30, 130}, {-30, 70}, {-84, 16}, {-500, 16}, {69, 169}, {500, 169}};
    for (const auto& c : cases) {
        const TScrollThumb t = DraggedThumb(100, 15, c.delta, 16, 200);
        EXPECT_EQ(t.start, c.start) << "delta " << c.delta;
        EXPECT_EQ(t.end - t.start, 15) << "delta " << c.delta;
    }
}

}  // namespace
