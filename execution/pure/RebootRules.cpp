#include "execution/pure/RebootRules.h"

namespace velmora::execution {

std::int32_t RebootModeFromOptions(std::wstring_view options) {
    if (options.find(L'r') == std::wstring_view::npos)
        return kRebootNever;
    return options.find(L'R') == std::wstring_view::npos ? kRebootAfterSuccess : kRebootWhenDetected;
}

int DecideLaunchOutcome(bool launched, std::int32_t rebootMode, const std::function<bool()>& isDetected) {
    if (!launched)
        return kLaunchFailed;
    if (rebootMode == kRebootAfterSuccess)
        return kRebootCalledFor;
    if (rebootMode == kRebootWhenDetected)
        return isDetected() ? kRebootCalledFor : kLaunchDone;
    return kLaunchDone;
}

} // namespace velmora::execution
