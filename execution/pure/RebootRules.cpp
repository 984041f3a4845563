#include "execution/pure/RebootRules.h"

namespace velmora::execution {

RebootMode RebootModeFromOptions(std::wstring_view options) {
    if (options.find(L'r') == std::wstring_view::npos)
        return RebootMode::Never;
    return options.find(L'R') == std::wstring_view::npos ? RebootMode::AfterSuccess
                                                         : RebootMode::WhenDetected;
}

LaunchOutcome DecideLaunchOutcome(LaunchEnd end, RebootMode rebootMode,
                                  const std::function<bool()>& isDetected) {
    if (end == LaunchEnd::Failed)
        return LaunchOutcome::Failed;
    if (end == LaunchEnd::NotWaitedFor)
        return LaunchOutcome::Done;
    if (rebootMode == RebootMode::AfterSuccess)
        return LaunchOutcome::RebootCalledFor;
    if (rebootMode == RebootMode::WhenDetected)
        return isDetected() ? LaunchOutcome::RebootCalledFor : LaunchOutcome::Done;
    return LaunchOutcome::Done;
}

} // namespace velmora::execution
