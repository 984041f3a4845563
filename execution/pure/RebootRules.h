// The reboot decisions around one launch, as data: the reboot mode a prerequisite's Options ask for, whether
// a launch calls for a restart, and the arguments the restart is requested with. No Windows header:
// execution/Reboot.h carries them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace velmora::execution {

// Reboot modes of a launch item.
inline constexpr std::int32_t kRebootNever = 0;
inline constexpr std::int32_t kRebootAfterSuccess = 1;
inline constexpr std::int32_t kRebootWhenDetected = 2; // after success, when the prerequisite is then found

// Options letters, case-sensitive: "r" gives 1, "r" with "R" gives 2, "R" alone or neither gives 0.
std::int32_t RebootModeFromOptions(std::wstring_view options);

// Results of LaunchList::LaunchAndReboot; the processing sequence acts on them.
inline constexpr int kLaunchDone = 0;      // launched, no reboot due
inline constexpr int kLaunchFailed = 1;    // the exit code is not 0
inline constexpr int kRebootCalledFor = 2; // a restart was called for, whether or not it took place

// How a launch ended.
enum class LaunchEnd {
    Failed,       // a refused start, or any exit code but 0
    Succeeded,    // the child was waited for and ended with 0
    NotWaitedFor, // the shell accepted the start but gave no process: its outcome is unknown
};

// Only a launch that was waited for and succeeded can call for a restart: a child whose end nobody saw may
// still be running. isDetected is asked in mode 2 only, after a success.
int DecideLaunchOutcome(LaunchEnd end, std::int32_t rebootMode, const std::function<bool()>& isDetected);

// ExitWindowsEx(EWX_REBOOT | EWX_FORCE) with the reason "planned, application, installation".
inline constexpr std::uint32_t kRestartFlags = 0x6;
inline constexpr std::uint32_t kRestartReason = 0x80040002u;
// The reboot question: MB_YESNO | MB_ICONINFORMATION.
inline constexpr std::uint32_t kRebootQuestionStyle = 0x44;

inline constexpr wchar_t kRebootingLine[] = L"Rebooting machine...";

// Whether a prerequisite is installed now; asked after a launch in reboot mode 2. The processing engine
// answers it by evaluating the prerequisite again.
class PrerequisiteDetection {
public:
    virtual ~PrerequisiteDetection() = default;
    virtual bool IsPrerequisiteDetected(std::size_t prerequisiteIndex) = 0;
};

} // namespace velmora::execution
