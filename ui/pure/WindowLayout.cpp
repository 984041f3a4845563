#include "ui/pure/WindowLayout.h"

namespace velmora::ui {

platform::Rect StatusTextRect(const platform::Rect& text, int savedRight, const platform::Rect& skipButton,
                              bool skipAllowed) {
    platform::Rect result = text;
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
