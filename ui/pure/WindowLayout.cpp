#include "ui/pure/WindowLayout.h"

namespace velmora::ui {

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
