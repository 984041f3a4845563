// MSIX/AppX packages through the Windows package deployment service.
//
// MsixInstaller adds one .msix/.msixbundle/.appx file for the current user and reports whether the
// deployment completed; MsixFinder reports the version of the first package installed for the current user
// that matches a name, publisher and architecture. Both talk to the Windows Runtime through combase.dll,
// loaded at run time, so the program still starts on systems that have none.
//
// Failures of the runtime itself (a class that cannot be activated, as on systems before Windows 8 or under
// Wine, an operation that cannot be started, an enumeration that breaks off) are logged with their HRESULT:
// an installation then fails and a search finds nothing. Neither throws.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/core/ExceptionPresenter.h"

namespace velmora::execution {

class DeploymentRuntime;

class MsixInstaller {
public:
    // Receives the deployment's progress percentage, on a thread of the Windows Runtime.
    using ProgressCallback = std::function<void(unsigned percentage)>;

    // The system's deployment service.
    MsixInstaller();
    // Objects come from the given runtime, which must outlive the installer (tests hand in fakes). A failing
    // progress callback is reported where reporting says.
    explicit MsixInstaller(DeploymentRuntime& runtime, const platform::core::CrashReporting& reporting = {});

    void SetProgressCallback(ProgressCallback callback) { progress_ = std::move(callback); }

    // Adds the package (absolute path, no long-path prefix) for the current user and waits for the end of
    // the deployment. True exactly when the deployment completed. The calling thread must have joined the
    // multithreaded apartment (CoInitializeEx with COINIT_MULTITHREADED).
    bool InstallPackage(const std::wstring& packagePath);

    // The deployment's outcome, readable after InstallPackage returns.
    // The operation's AsyncStatus (0 started, 1 completed, 2 canceled, 3 error); none until it was read.
    std::optional<int> Status() const { return status_; }
    const GUID& ActivityId() const { return activityId_; }
    const std::wstring& ErrorText() const { return errorText_; }
    // -1 until a result was read.
    HRESULT ExtendedErrorCode() const { return extendedErrorCode_; }
    bool Registered() const { return registered_; }

private:
    DeploymentRuntime& runtime_;
    platform::core::CrashReporting reporting_;
    ProgressCallback progress_;
    std::optional<int> status_;
    GUID activityId_{};
    std::wstring errorText_;
    HRESULT extendedErrorCode_ = -1;
    bool registered_ = false;
};

// Installs the package on a thread of its own that joins the multithreaded apartment, and waits for that
// thread. Returns 0 when the deployment completed, else 1627 (ERROR_FUNCTION_FAILED).
[[nodiscard]] DWORD InstallPackageOnOwnThread(const std::wstring& packagePath);
[[nodiscard]] DWORD InstallPackageOnOwnThread(const std::wstring& packagePath, DeploymentRuntime& runtime);

// What a package search needs; lets callers test their own logic without the deployment service.
class PackageFinder {
public:
    virtual ~PackageFinder() = default;
    // Version text of the first installed package whose name equals name (case-sensitive) and, when they are
    // not empty, whose publisher equals publisher and whose architecture name ("neutral", "x64", "x86",
    // "arm", "arm64") equals architecture. Empty when none matches.
    virtual std::wstring Find(const std::wstring& name, const std::wstring& publisher,
                              const std::wstring& architecture) const = 0;
};

// Keeps nothing between calls. Find may be called from any thread: it runs the search on a worker thread of
// its own in the multithreaded apartment and waits for it.
class MsixFinder final : public PackageFinder {
public:
    MsixFinder();
    // The runtime must outlive the finder.
    explicit MsixFinder(DeploymentRuntime& runtime);

    std::wstring Find(const std::wstring& name, const std::wstring& publisher,
                      const std::wstring& architecture) const override;

private:
    DeploymentRuntime& runtime_;
};

} // namespace velmora::execution
