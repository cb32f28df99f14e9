// Scroll-bar geometry of the skinned scroll bars: where the thumb of a
// scroll-bar control lies, which part of a bar a point is on, and where a
// dragged thumb goes. Plain integer arithmetic, portable.
//
// Lengths are in pixels along the bar; cw is the arrow length at each end.
#pragma once

#include <cstdint>

// The parts of a bar; they equal the platform's scroll request codes, so a
// scroll notification names the part being scrolled by.
enum TScrollPart : int { spFirstArrow = 0, spSecondArrow = 1, spTrackBefore = 2, spTrackAfter = 3, spThumb = 5 };

struct TScrollThumb {
    int start = 0;
    int end = 0;
};

// a * b / c rounded to the nearest integer, halves away from zero, in 64
// bits; -1 when c is 0 (the platform's MulDiv).
int ScrollMulDiv(int a, int b, int c);

// The thumb of a scroll-bar control of length len from its range, page and
// position. A degenerate range (max = min) counts as 9999999.
TScrollThumb ControlThumb(int len, int cw, int min, int max, int page, int pos);

// The part at coordinate along of a bar of length len whose thumb is
// [thumbTop, thumbBottom).
int ScrollPartAt(int along, int cw, int thumbTop, int thumbBottom, int len);

// The thumb moved by the cursor's travel since the press, kept between the
// two arrows; its length does not change.
TScrollThumb DraggedThumb(int trackthumb, int thumbLength, int cursorDelta, int cw, int len);
