#include "framework/graphics/Color.h"

#include <algorithm>

#include "framework/graphics/Types.h"

bool IntersectRect(TRect& result, const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) {
        result = TRect{};
        return false;
    }
    result = r;
    return true;
}

void OffsetRect(TRect& rect, int dx, int dy) {
    rect.Left += dx;
    rect.Right += dx;
    rect.Top += dy;
    rect.Bottom += dy;
}
