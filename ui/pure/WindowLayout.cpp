#include "ui/pure/WindowLayout.h"

namespace velmora::ui {

namespace {

int CentreAndKeepInside(int size, int referenceStart, int referenceSize, int areaStart, int areaEnd) {
    int start = referenceStart + (referenceSize - size) / 2;
    if (start + size > areaEnd)
        start = areaEnd - size;
    if (start < areaStart)
        start = areaStart;
    return start;
}

} // namespace

Point CentredPosition(int width, int height, const Rect& reference, const Rect& area) {
    return {CentreAndKeepInside(width, reference.left, reference.Width(), area.left, area.right),
            CentreAndKeepInside(height, reference.top, reference.Height(), area.top, area.bottom)};
}

Rect StatusTextRect(const Rect& text, int savedRight, const Rect& skipButton, bool skipAllowed) {
    Rect result = text;
    result.right = skipAllowed ? savedRight : skipButton.right;
    return result;
}

bool TaskbarProgressAvailable(unsigned major, unsigned minor, unsigned servicePack, unsigned build) {
    const unsigned have[] = {major, minor, servicePack, build};
    const unsigned need[] = {6, 1, 0, 0};
    for (int i = 0; i < 4; ++i) {
        if (have[i] != need[i])
            return have[i] > need[i];
    }
    return true;
}

} // namespace velmora::ui
