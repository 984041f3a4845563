#include "execution/CleanupScriptRunner.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

#include "execution/ProcessStart.h"
#include "execution/pure/CleanupScriptCommand.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "platform/pure/PathRules.h"

namespace velmora::execution {

namespace {

class ShellPowerShell final : public PowerShellHost {
public:
    std::wstring PowerShellPath() override { return CleanupScriptRunner::PowerShellPath(); }
    void StartDetached(std::wstring_view file, std::wstring_view parameters, std::wstring_view workingFolder,
                       bool elevate) override {
        (void)ShellExecuteDetached(file, parameters, workingFolder, elevate);
    }
};

// Copies the script to a temporary name that did not exist. Copies of earlier runs are left to their
// scripts, so a fresh name may meet one: a few more names are tried then. Empty when no copy was made.
std::wstring CopyToTemporaryScript(const std::wstring& script) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::wstring copy = platform::TempFileName(L".ps1");
        if (copy.empty())
            return {};
        if (::CopyFileW(script.c_str(), copy.c_str(), TRUE))
            return copy;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return {};
    }
    return {};
}

} // namespace

PowerShellHost& SystemPowerShell() {
    static ShellPowerShell host;
    return host;
}

CleanupScriptRunner::~CleanupScriptRunner() {
    try {
        (void)Run();
    } catch (...) {
        // Destruction may run while an exception unwinds; the cleanup is best effort.
    }
}

void CleanupScriptRunner::SetScript(std::wstring_view scriptPath, bool elevate, int retryCount) {
    scriptPath_ = scriptPath;
    elevate_ = elevate;
    retryCount_ = retryCount;
}

void CleanupScriptRunner::AddPath(std::wstring_view path) {
    if (!path.empty() && !platform::HoldsPath(paths_, path))
        paths_.emplace_back(path);
}

void CleanupScriptRunner::RemovePath(std::wstring_view path) {
    paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
}

bool CleanupScriptRunner::Run() {
    if (ran_)
        return true;
    ran_ = true;
    if (paths_.empty() || scriptPath_.empty())
        return true;
    // Without PowerShell a copy would only be left behind.
    const std::wstring powerShell = host_.PowerShellPath();
    if (powerShell.empty())
        return true;
    const std::wstring copy = CopyToTemporaryScript(scriptPath_);
    if (copy.empty())
        return false;
    // The script's own folder, not the temporary one, is where it starts. "D:" alone would name the
    // drive's current folder, not its root.
    std::wstring folder = platform::ParentFolder(scriptPath_);
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\';
    host_.StartDetached(powerShell, PowerShellParameters(CleanupScriptCommand(copy, paths_, retryCount_)),
                        folder, elevate_);
    return true;
}

std::wstring CleanupScriptRunner::PowerShellPath() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_SYSTEM, nullptr, SHGFP_TYPE_CURRENT, path)) ||
        !::PathAppendW(path, L"WindowsPowerShell\\v1.0\\powershell.exe") || !::PathFileExistsW(path))
        return {};
    return path;
}

} // namespace velmora::execution
