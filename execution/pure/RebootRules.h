// The reboot decisions around one launch, as data: the reboot mode a prerequisite's Options ask for, whether
// a launch calls for a restart, and the arguments the restart is requested with. No Windows header:
// execution/Reboot.h carries them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace velmora::execution {

// Reboot modes of a launch item; the numbers are those the explainer prints.
enum class RebootMode : std::int32_t {
    Never = 0,
    AfterSuccess = 1,
    WhenDetected = 2, // after success, when the prerequisite is then found
};

// Options letters, case-sensitive: "r" gives AfterSuccess, "r" with "R" WhenDetected, "R" alone or neither
// Never.
RebootMode RebootModeFromOptions(std::wstring_view options);

// Results of LaunchList::LaunchAndReboot; the processing sequence acts on them.
enum class LaunchOutcome {
    Done = 0,            // launched, no reboot due
    Failed = 1,          // the exit code is not 0
    RebootCalledFor = 2, // a restart was called for, whether or not it took place
};

// How a launch ended.
enum class LaunchEnd {
    Failed,       // a refused start, or any exit code but 0
    Succeeded,    // the child was waited for and ended with 0
    NotWaitedFor, // the shell accepted the start but gave no process: its outcome is unknown
};

// Only a launch that was waited for and succeeded can call for a restart: a child whose end nobody saw may
// still be running. isDetected is asked in mode WhenDetected only, after a success.
LaunchOutcome DecideLaunchOutcome(LaunchEnd end, RebootMode rebootMode,
                                  const std::function<bool()>& isDetected);

// ExitWindowsEx(EWX_REBOOT | EWX_FORCE) with the reason "planned, application, installation".
inline constexpr std::uint32_t kRestartFlags = 0x6;
inline constexpr std::uint32_t kRestartReason = 0x80040002u;
// The reboot question: MB_YESNO | MB_ICONINFORMATION.
inline constexpr std::uint32_t kRebootQuestionStyle = 0x44;

inline constexpr wchar_t kRebootingLine[] = L"Rebooting machine...";

// The person's answer to the reboot question. Only Yes is consent.
enum class RebootAnswer {
    Yes,
    No,
    NotShown, // the question could not be shown
};

// Asks the person at the machine whether Windows may restart now (strings 216 and 217, Yes and No). In
// basic UI the processing window answers it on its own thread; silent runs have no one to ask.
class RebootQuestion {
public:
    virtual ~RebootQuestion() = default;
    virtual RebootAnswer AskToRestart() = 0;
};

// Whether a prerequisite is installed now; asked after a launch in reboot mode 2. The processing engine
// answers it by evaluating the prerequisite again.
class PrerequisiteDetection {
public:
    virtual ~PrerequisiteDetection() = default;
    virtual bool IsPrerequisiteDetected(std::size_t prerequisiteIndex) = 0;
};

} // namespace velmora::execution
