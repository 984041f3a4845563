#include "platform/pure/WindowPlacement.h"

namespace velmora::platform {

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

} // namespace velmora::platform
