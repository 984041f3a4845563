// The launch list: the prerequisites the install phase starts, one after the other, each waited for, each
// exit code recorded in the interboot store under the prerequisite's RetValPropName, and the reboot a
// launch may call for.
//
// How it works: the processing sequence fills the list (AddItem, in launch order) and calls LaunchAndReboot
// for each item. Launch picks the way to start the file (execution/pure/LaunchRules.h): MSIX/AppX packages
// through the deployment service on a thread of their own, anything else through the shell by its
// association, or, when the chainer runs as LocalSystem, directly (msiexec.exe for .msi). Only exit code 0
// is success. After a successful launch whose reboot mode calls for it, RebootRequired is set, the user is
// asked in basic-UI mode and Windows is restarted; the two reboot flags are never reset during the run.
//
// Launch blocks the calling thread (the processing sequence's) until the child ends. The reboot question
// goes to the RebootQuestion the caller hands over: in basic UI the processing window, whose own thread
// shows it while the caller waits.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/InterbootStore.h"
#include "execution/Reboot.h"
#include "execution/pure/LaunchRules.h"
#include "execution/pure/RebootRules.h"

namespace velmora::execution {

class LaunchList {
public:
    // store and detection must outlive the list; restarts go to the system.
    LaunchList(config::InterbootStore& store, PrerequisiteDetection& detection);
    // Restarts go to restart, which must outlive the list.
    LaunchList(config::InterbootStore& store, PrerequisiteDetection& detection, SystemRestart& restart);
    LaunchList(const LaunchList&) = delete;
    LaunchList& operator=(const LaunchList&) = delete;

    // Appends an item with exit code 0. rebootMode: RebootModeFromOptions of the prerequisite's Options.
    void AddItem(std::wstring filePath, std::wstring commandLine, std::wstring name, RebootMode rebootMode,
                 std::size_t prerequisiteIndex, std::wstring returnValueName);
    void Clear();
    std::size_t Count() const { return items_.size(); }
    // An index outside the list is a programming failure (std::out_of_range), here and below.
    const LaunchItem& Item(std::size_t index) const;

    // Starts the item's file and waits for its end. True when its exit code is then 0, and when the shell
    // accepted the start without giving a process to wait for (exitCodeKnown false: nothing is recorded). A
    // target that is no existing file is a refused start, found before the shell is asked. Logs "Launching
    // file:", "Launch failed. Error:" when the start was refused, and "Return code of launched file:", and
    // records the exit code under the item's return-value name (the first record of a name stays). After
    // exit code 3010 or a crash status it pauses two seconds.
    bool Launch(std::size_t index);

    // Launch, then the reboot the item's mode calls for: Failed, Done, or RebootCalledFor once
    // RebootRequired is set and the restart was attempted, whatever came of it.
    // A child that was not waited for never calls for a reboot. question is null in silent runs: nobody is
    // asked.
    LaunchOutcome LaunchAndReboot(std::size_t index, RebootQuestion* question);

    // Unless question is null, asks it; anything but Yes (No, or a question that could not be shown) sets
    // RebootRefused and returns false. Then enables the shutdown privilege and asks the system to restart.
    // True when the system accepted.
    bool RestartWindows(RebootQuestion* question);

    DWORD LastLaunchError() const { return lastLaunchError_; }
    bool RebootRequired() const { return rebootRequired_; }
    bool RebootRefused() const { return rebootRefused_; }

private:
    LaunchItem& At(std::size_t index);
    void Record(const LaunchItem& item);

    config::InterbootStore& store_;
    PrerequisiteDetection& detection_;
    SystemRestart& restart_;
    std::vector<LaunchItem> items_;
    DWORD lastLaunchError_ = ERROR_SUCCESS;
    bool rebootRequired_ = false;
    bool rebootRefused_ = false;
};

// The start under LocalSystem: properties in the command line resolved, .msi packages through msiexec.exe
// of the system folder, anything else as itself (DirectStartCommand). True when the process was created and
// has ended; exitCode then holds its exit code, otherwise the Windows error of the refused start.
[[nodiscard]] bool LaunchDirect(std::wstring_view filePath, std::wstring_view commandLine, DWORD* exitCode);

} // namespace velmora::execution
