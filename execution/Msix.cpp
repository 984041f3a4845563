#include "execution/Msix.h"

#include <string_view>

#include "execution/WinRtDeployment.h"
#include "execution/pure/PackageIdentity.h"
#include "platform/ErrorText.h"
#include "platform/Logger.h"
#include "platform/core/ApartmentThread.h"
#include "platform/core/ExceptionHandling.h"

// How it works. InstallPackage starts AddPackageAsync and gives the operation two handlers, then blocks on
// an event. The Windows Runtime calls the handlers on threads of its own: the progress handler forwards the
// percentage to the installer's callback (a copy of it, so a late report never reaches a destroyed
// installer), the completed handler only signals the event it owns. After the wait the installing thread
// alone reads the result and status into the installer's fields. Find and InstallPackageOnOwnThread run
// their work through RunInMultithreadedApartment, which joins its thread before they read the result.
namespace velmora::execution {

namespace {

using platform::HString;
using platform::HStringText;
using platform::QueryInterfaceFor;
using platform::UniqueCom;

constexpr int StatusCompleted = 1;

void LogFailure(std::wstring_view what, std::wstring_view step, HRESULT hr) {
    if (!platform::LogEnabled())
        return;
    std::wstring line(what);
    line += L" (";
    line += step;
    line += L"). Error: ";
    line += HresultText(static_cast<std::uint32_t>(hr));
    std::wstring text = platform::SystemErrorText(static_cast<DWORD>(hr));
    if (!text.empty()) {
        line += L' ';
        line += text;
    }
    platform::TheLogger().Log(line);
}

bool DeploymentNotStarted(std::wstring_view step, HRESULT hr) {
    LogFailure(L"Package deployment could not be started", step, hr);
    return false;
}

// A call that reports success must also hand out its object. The pointer is taken by reference so that it
// is read after the call has filled it in.
template <typename T> HRESULT Checked(HRESULT hr, const UniqueCom<T>& object) {
    return SUCCEEDED(hr) && !object ? E_POINTER : hr;
}

class CompletedSignal final : public platform::AgileDelegate<runtime::IDeploymentCompletedHandler> {
public:
    explicit CompletedSignal(HANDLE event) : event_(event) {}
    HANDLE Event() const { return event_.get(); }

    HRESULT STDMETHODCALLTYPE Invoke(runtime::IDeploymentOperation*, AsyncStatus) noexcept override {
        ::SetEvent(event_.get());
        return S_OK;
    }

private:
    platform::UniqueKernelHandle event_;
};

class ProgressForwarder final : public platform::AgileDelegate<runtime::IDeploymentProgressHandler> {
public:
    ProgressForwarder(MsixInstaller::ProgressCallback callback,
                      const platform::core::CrashReporting& reporting)
        : callback_(std::move(callback)), reporting_(reporting) {}

    // Called on a thread of the Windows Runtime: no exception may unwind into it.
    HRESULT STDMETHODCALLTYPE Invoke(runtime::IDeploymentOperation*,
                                     runtime::DeploymentProgress progress) noexcept override {
        try {
            if (callback_)
                callback_(progress.percentage);
        } catch (...) {
            platform::core::PresentCaughtException(nullptr, reporting_);
        }
        return S_OK;
    }

private:
    MsixInstaller::ProgressCallback callback_;
    platform::core::CrashReporting reporting_;
};

// What a search looks for.
struct FindRequest {
    const std::wstring& name;
    const std::wstring& publisher;
    const std::wstring& architecture;
};

HRESULT ReadString(runtime::IPackageId* id,
                   HRESULT (STDMETHODCALLTYPE runtime::IPackageId::*getter)(HSTRING*), std::wstring& text) {
    HString value;
    HRESULT hr = (id->*getter)(value.put());
    if (SUCCEEDED(hr))
        text = HStringText(value.get());
    return hr;
}

// Reads the rest of the identity only for packages of the wanted name: most of the user's packages are not.
HRESULT Matches(runtime::IPackage* package, const FindRequest& request, bool& matches,
                std::wstring& version) {
    matches = false;
    UniqueCom<runtime::IPackageId> id;
    HRESULT hr = Checked(package->get_Id(id.put()), id);
    if (FAILED(hr))
        return hr;
    PackageIdentity identity;
    hr = ReadString(id.get(), &runtime::IPackageId::get_Name, identity.name);
    if (FAILED(hr) || identity.name != request.name)
        return hr;
    if (!request.publisher.empty()) {
        hr = ReadString(id.get(), &runtime::IPackageId::get_Publisher, identity.publisher);
        if (FAILED(hr))
            return hr;
    }
    INT32 architecture = 0;
    hr = id.get()->get_Architecture(&architecture);
    if (FAILED(hr))
        return hr;
    identity.architecture = architecture;
    if (!PackageMatches(identity, request.name, request.publisher, request.architecture))
        return S_OK;
    runtime::PackageVersion parts{};
    hr = id.get()->get_Version(&parts);
    if (FAILED(hr))
        return hr;
    version = PackageVersionText({parts.Major, parts.Minor, parts.Build, parts.Revision});
    matches = true;
    return S_OK;
}

// The packages come in the order the system returns them; the first match ends the search. Empty when
// none matches.
std::wstring FindInApartment(DeploymentRuntime& runtime, const FindRequest& request) {
    auto failed = [](std::wstring_view step, HRESULT hr) {
        LogFailure(L"Package search failed", step, hr);
        return std::wstring();
    };
    UniqueCom<runtime::IPackageManager> manager;
    HRESULT hr = Checked(runtime.CreatePackageManager(manager), manager);
    if (FAILED(hr))
        return failed(L"PackageManager", hr);
    // A null HSTRING is the empty user id: the packages of the current user.
    UniqueCom<runtime::IPackageIterable> packages;
    hr = Checked(manager.get()->FindPackagesByUserSecurityId(nullptr, packages.put()), packages);
    if (FAILED(hr))
        return failed(L"FindPackagesByUserSecurityId", hr);
    UniqueCom<runtime::IPackageIterator> iterator;
    hr = Checked(packages.get()->First(iterator.put()), iterator);
    if (FAILED(hr))
        return failed(L"First", hr);
    boolean hasCurrent = 0;
    hr = iterator.get()->get_HasCurrent(&hasCurrent);
    while (SUCCEEDED(hr) && hasCurrent) {
        UniqueCom<runtime::IPackage> package;
        hr = Checked(iterator.get()->get_Current(package.put()), package);
        if (FAILED(hr))
            break;
        bool matches = false;
        std::wstring version;
        hr = Matches(package.get(), request, matches, version);
        if (FAILED(hr))
            return failed(L"PackageId", hr);
        if (matches)
            return version;
        hr = iterator.get()->MoveNext(&hasCurrent);
    }
    if (FAILED(hr))
        return failed(L"package enumeration", hr);
    return {};
}

} // namespace

MsixInstaller::MsixInstaller() : MsixInstaller(SystemDeploymentRuntime()) {}

MsixInstaller::MsixInstaller(DeploymentRuntime& runtime, const platform::core::CrashReporting& reporting)
    : runtime_(runtime), reporting_(reporting) {}

bool MsixInstaller::InstallPackage(const std::wstring& packagePath) {
    UniqueCom<runtime::IPackageManager> manager;
    HRESULT hr = Checked(runtime_.CreatePackageManager(manager), manager);
    if (FAILED(hr))
        return DeploymentNotStarted(L"PackageManager", hr);
    UniqueCom<runtime::IUriRuntimeClass> uri;
    hr = Checked(runtime_.CreateUri(packagePath, uri), uri);
    if (FAILED(hr))
        return DeploymentNotStarted(L"Uri", hr);
    UniqueCom<runtime::IDeploymentOperation> operation;
    hr = manager.get()->AddPackageAsync(uri.get(), nullptr, runtime::DeploymentOptionsNone, operation.put());
    hr = Checked(hr, operation);
    if (FAILED(hr))
        return DeploymentNotStarted(L"AddPackageAsync", hr);

    HANDLE event = ::CreateEventExW(nullptr, nullptr, CREATE_EVENT_MANUAL_RESET, EVENT_ALL_ACCESS);
    if (event == nullptr)
        return DeploymentNotStarted(L"CreateEventExW", HRESULT_FROM_WIN32(::GetLastError()));
    UniqueCom<CompletedSignal> completed(new CompletedSignal(event));
    UniqueCom<ProgressForwarder> progress(new ProgressForwarder(progress_, reporting_));
    hr = operation.get()->put_Progress(progress.get());
    if (FAILED(hr))
        return DeploymentNotStarted(L"Progress", hr);
    // The runtime calls a handler set after the end at once, so no completion is missed.
    hr = operation.get()->put_Completed(completed.get());
    if (FAILED(hr))
        return DeploymentNotStarted(L"Completed", hr);
    ::WaitForSingleObject(completed.get()->Event(), INFINITE);

    UniqueCom<runtime::IDeploymentResult> result;
    HRESULT resultRead = Checked(operation.get()->GetResults(result.put()), result);
    if (SUCCEEDED(resultRead)) {
        GUID activityId{};
        if (SUCCEEDED(result.get()->get_ActivityId(&activityId)))
            activityId_ = activityId;
        HString errorText;
        if (SUCCEEDED(result.get()->get_ErrorText(errorText.put())))
            errorText_ = HStringText(errorText.get());
        HRESULT extended = 0;
        if (SUCCEEDED(result.get()->get_ExtendedErrorCode(&extended)))
            extendedErrorCode_ = extended;
        // Older systems have no second result interface: the package then counts as not registered.
        UniqueCom<runtime::IDeploymentResult2> result2;
        boolean registered = 0;
        if (SUCCEEDED(QueryInterfaceFor(result.get(), runtime::IDeploymentResult2::Iid, result2)) &&
            result2 && SUCCEEDED(result2.get()->get_IsRegistered(&registered)))
            registered_ = registered != 0;
    } else {
        LogFailure(L"Package deployment result unreadable", L"GetResults", resultRead);
    }

    UniqueCom<IAsyncInfo> info;
    AsyncStatus status = Error;
    hr = Checked(QueryInterfaceFor(operation.get(), runtime::IidAsyncInfo, info), info);
    if (SUCCEEDED(hr))
        hr = info.get()->get_Status(&status);
    if (FAILED(hr)) {
        LogFailure(L"Package deployment status unreadable", L"Status", hr);
        return false;
    }
    status_ = status;
    if (status != StatusCompleted && platform::LogEnabled()) {
        std::wstring line = L"Package deployment ended with status " + std::to_wstring(status) +
                            L". Error: " + HresultText(static_cast<std::uint32_t>(extendedErrorCode_));
        if (!errorText_.empty())
            line += L" " + errorText_;
        platform::TheLogger().Log(line);
    }
    // A result that cannot be read leaves the outcome unknown, which is not a success.
    return status == StatusCompleted && SUCCEEDED(resultRead);
}

DWORD InstallPackageOnOwnThread(const std::wstring& packagePath) {
    return InstallPackageOnOwnThread(packagePath, SystemDeploymentRuntime());
}

DWORD InstallPackageOnOwnThread(const std::wstring& packagePath, DeploymentRuntime& runtime) {
    bool installed = false;
    // A programming failure on the thread is presented there and leaves the installation failed.
    const platform::core::ApartmentRun run = platform::core::RunInMultithreadedApartment(
        [&] { installed = MsixInstaller(runtime).InstallPackage(packagePath); });
    if (!run.WorkRan())
        DeploymentNotStarted(run.failedCall, run.result);
    return installed ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}

MsixFinder::MsixFinder() : MsixFinder(SystemDeploymentRuntime()) {}

MsixFinder::MsixFinder(DeploymentRuntime& runtime) : runtime_(runtime) {}

std::wstring MsixFinder::Find(const std::wstring& name, const std::wstring& publisher,
                              const std::wstring& architecture) const {
    std::wstring version;
    // A programming failure on the thread is presented there and leaves the search without a result.
    const platform::core::ApartmentRun run = platform::core::RunInMultithreadedApartment([&] {
        version = FindInApartment(runtime_, {name, publisher, architecture});
    });
    if (!run.WorkRan())
        LogFailure(L"Package search failed", run.failedCall, run.result);
    return version;
}

} // namespace velmora::execution
