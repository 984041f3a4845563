// What start-up does after its wait for the Windows Installer mutex ("Global\_MSIExecute"), decided as
// data. No outcome of the wait ends the run: the main flow always follows, and every outcome but a normal
// one is logged.
//  - Abandoned: an installer ended without releasing the mutex. The wait made this run its owner, so no
//    transaction can be running: the run goes on (it releases the mutex first).
//  - CannotOpen (other than absent) or CannotWait: the chainer cannot tell whether a transaction runs. It
//    goes on rather than end: ending with 0 would report success with nothing checked, ending with 1
//    would report missing prerequisites that may all be in place. Going on, the evaluation gives the true
//    answer; a launch that meets a running transaction fails as such (msiexec's 1618) and the exit code
//    says so.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::app {

enum class InstallerWaitResult {
    NoTransaction, // no mutex: no installer transaction runs
    Released,      // the mutex was free, or released by its owner
    Abandoned,     // its owner ended without releasing it
    CannotOpen,    // it exists but could not be opened (access denied, another object's name)
    CannotWait,    // the wait itself failed
};

struct InstallerWait {
    InstallerWaitResult result = InstallerWaitResult::NoTransaction;
    std::uint32_t error = 0; // the system's error code for CannotOpen and CannotWait
};

// True for every outcome (see above); kept as a decision so that the rule is stated and tested in one place.
bool MainFlowRunsAfter(const InstallerWait& wait);

// The log line for the outcome, or empty when there is nothing to say. errorText is the code's
// "<code> <system text>".
std::wstring InstallerWaitLogLine(const InstallerWait& wait, std::wstring_view errorText);

} // namespace velmora::app
