#include "app/pure/InstallerWait.h"

namespace velmora::app {

bool MainFlowRunsAfter(const InstallerWait&) {
    return true;
}

std::wstring InstallerWaitLogLine(const InstallerWait& wait, std::wstring_view errorText) {
    switch (wait.result) {
    case InstallerWaitResult::Abandoned:
        return L"Another installation ended without releasing the Windows Installer mutex; the run goes on.";
    case InstallerWaitResult::CannotOpen:
        return L"Could not open the Windows Installer mutex. Error: " + std::wstring(errorText) +
               L"; the run goes on without waiting.";
    case InstallerWaitResult::CannotWait:
        return L"Could not wait for the Windows Installer mutex. Error: " + std::wstring(errorText) +
               L"; the run goes on without waiting.";
    default:
        return {};
    }
}

} // namespace velmora::app
