// Hands what the chainer cannot delete itself (its own executable, the folders it runs in) to the package's
// PowerShell cleanup script, which runs on after the chainer has ended. The script is copied to a fresh
// temporary .ps1 file and started detached and hidden through powershell.exe, in the script's own folder,
// with the parameters -paths (the list, in the order added) and -retry_count. Nothing waits for it, and the
// copy is the script's to delete.
//
// Run happens once: called directly, or else when the runner is destroyed. Failures are silent.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::execution {

// Where the runner finds and starts PowerShell. Under Wine there is none that runs a script, so tests put
// a recorder here; the system's own is SystemPowerShell.
class PowerShellHost {
public:
    virtual ~PowerShellHost() = default;
    // Full path of powershell.exe, empty when there is none.
    virtual std::wstring PowerShellPath() = 0;
    // Starts the program detached; failures are the caller's loss, not an error.
    virtual void StartDetached(std::wstring_view file, std::wstring_view parameters,
                               std::wstring_view workingFolder, bool elevate) = 0;
};

// powershell.exe of the system folder (the 32-bit one for a 32-bit chainer on 64-bit Windows), started
// through the shell.
PowerShellHost& SystemPowerShell();

class CleanupScriptRunner {
public:
    explicit CleanupScriptRunner(PowerShellHost& host = SystemPowerShell()) : host_(host) {}
    // Runs unless Run has run already. Never throws.
    ~CleanupScriptRunner();
    CleanupScriptRunner(const CleanupScriptRunner&) = delete;
    CleanupScriptRunner& operator=(const CleanupScriptRunner&) = delete;

    void SetScript(std::wstring_view scriptPath, bool elevate, int retryCount);
    // Appends the path unless it is empty or already listed in another ASCII letter case.
    void AddPath(std::wstring_view path);
    // Removes the entry with exactly this text.
    void RemovePath(std::wstring_view path);
    const std::vector<std::wstring>& Paths() const { return paths_; }

    // True when there was nothing to do (no path, no script, no PowerShell) or PowerShell was started;
    // false when the script could not be copied. Only the first call does anything.
    bool Run();

    // The system's powershell.exe, or an empty text when it is not there.
    static std::wstring PowerShellPath();

private:
    PowerShellHost& host_;
    std::vector<std::wstring> paths_;
    std::wstring scriptPath_;
    bool elevate_ = false;
    int retryCount_ = 0;
    bool ran_ = false;
};

} // namespace velmora::execution
