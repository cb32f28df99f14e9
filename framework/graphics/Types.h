// Points and rectangles of the framework. Portable.
//
// A rectangle is half-open: Left and Top are inside, Right and Bottom are the
// first column and row outside. Width and Height may come out negative (an
// "inverted" rectangle); functions that cannot draw one say so.
#pragma once

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint& o) const { return X == o.X && Y == o.Y; }
    bool operator!=(const TPoint& o) const { return !(*this == o); }
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool operator!=(const TRect& o) const { return !(*this == o); }
};

inline TPoint Point(int x, int y) {
    return TPoint{x, y};
}
inline TRect Rect(int left, int top, int right, int bottom) {
    return TRect{left, top, right, bottom};
}
inline TRect Bounds(int left, int top, int width, int height) {
    return TRect{left, top, left + width, top + height};
}

// The common part of a and b; false (and an all-zero rectangle) when they do not overlap.
bool IntersectRect(TRect& result, const TRect& a, const TRect& b);
void OffsetRect(TRect& rect, int dx, int dy);
