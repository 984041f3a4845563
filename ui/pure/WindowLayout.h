// Layout arithmetic of the chainer's windows: the centring rule every dialog shares, the status text that
// takes the Skip button's place, and the system-version rule for taskbar progress. Rectangles are in pixels,
// right and bottom exclusive, as Windows gives them.
#pragma once

namespace velmora::ui {

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

// The status text's rectangle: its own right edge (savedRight, the edge it had in the dialog template) while
// the Skip button shows, the Skip button's right edge while the button is hidden.
Rect StatusTextRect(const Rect& text, int savedRight, const Rect& skipButton, bool skipAllowed);

// Taskbar progress exists from Windows 6.1 on: major, minor, service pack and build compared in that order
// against 6, 1, 0, 0.
bool TaskbarProgressAvailable(unsigned major, unsigned minor, unsigned servicePack, unsigned build);

} // namespace velmora::ui
