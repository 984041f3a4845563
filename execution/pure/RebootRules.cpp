#include "execution/pure/RebootRules.h"

namespace velmora::execution {

std::int32_t RebootModeFromOptions(std::wstring_view options) {
    if (options.find(L'r') == std::wstring_view::npos)
        return kRebootNever;
    return options.find(L'R') == std::wstring_view::npos ? kRebootAfterSuccess : kRebootWhenDetected;
}

int DecideLaunchOutcome(LaunchEnd end, std::int32_t rebootMode, const std::function<bool()>& isDetected) {
    if (end == LaunchEnd::Failed)
        return kLaunchFailed;
    if (end == LaunchEnd::NotWaitedFor)
        return kLaunchDone;
    if (rebootMode == kRebootAfterSuccess)
        return kRebootCalledFor;
    if (rebootMode == kRebootWhenDetected)
        return isDetected() ? kRebootCalledFor : kLaunchDone;
    return kLaunchDone;
}

} // namespace velmora::execution
