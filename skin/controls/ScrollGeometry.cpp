#include "skin/controls/ScrollGeometry.h"

#include <algorithm>

int ScrollMulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    int64_t num = static_cast<int64_t>(a) * b;
    int64_t den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const int64_t q = num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
    return static_cast<int>(q);
}

TScrollThumb ControlThumb(int len, int cw, int min, int max, int page, int pos) {
    const int range = max == min ? 9999999 : max - min;
    const int usable = len - 2 * cw;
    TScrollThumb t;
    int length = 0;
    if (page != 0) {
        length = ScrollMulDiv(usable, page - 1, range);
        if (length > 7) {
            t.start = pos == min ? cw : ScrollMulDiv(usable, pos - min, range) + cw;
        } else {
            length = 8;
            t.start = pos == min ? cw : ScrollMulDiv(usable - 8, pos - min, range) + cw;
        }
    } else {
        length = cw;
        t.start = pos == min ? cw : ScrollMulDiv(len - 3 * cw, pos - min, range) + cw;
    }
    t.end = t.start + length;
    return t;
}

int ScrollPartAt(int along, int cw, int thumbTop, int thumbBottom, int len) {
    if (along < cw) return spFirstArrow;
    if (along < thumbTop) return spTrackBefore;
    if (along < thumbBottom) return spThumb;
    if (along < len - cw) return spTrackAfter;
    return spSecondArrow;
}

TScrollThumb DraggedThumb(int trackthumb, int thumbLength, int cursorDelta, int cw, int len) {
    int start = trackthumb + cursorDelta;
    start = std::max(start, cw);
    start = std::min(start, len - cw - thumbLength);
    return TScrollThumb{start, start + thumbLength};
}
