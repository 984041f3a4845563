// Rectangles and the centring rule that every window of the program shares, the crash dialog's included.
// Rectangles are in pixels, right and bottom exclusive, as Windows gives them.
#pragma once

namespace velmora::platform {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point& other) const { return x == other.x && y == other.y; }
};

// Top-left corner for a window of the given size centred over reference, then moved in so that no edge
// leaves area. A window larger than area keeps its left and top edges inside.
Point CentredPosition(int width, int height, const Rect& reference, const Rect& area);

} // namespace velmora::platform
