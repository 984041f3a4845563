// In-process stand-ins for the Windows Runtime package deployment objects, which Wine cannot activate. They
// implement the same ABI interfaces the product calls, so the product's real calling code runs against them:
// handlers, HSTRINGs (from Wine's real combase.dll), reference counts and threads included.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "execution/WinRtDeployment.h"
#include "execution/pure/PackageIdentity.h"

namespace velmora::test {

namespace rt = velmora::platform::runtime;

template <typename Interface> struct IidOf { static constexpr const GUID& value = Interface::Iid; };
template <> struct IidOf<IAsyncInfo> { static constexpr const GUID& value = rt::IidAsyncInfo; };

// Reference counting and QueryInterface over the listed interfaces; an IID in refused is answered with
// E_NOINTERFACE, as an older system would.
template <typename First, typename... Rest> class FakeObject : public First, public Rest... {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        for (const GUID& refusedIid : refused)
            if (iid == refusedIid)
                return E_NOINTERFACE;
        if (iid == IID_IUnknown || iid == InspectableIid)
            *object = static_cast<First*>(this);
        else if (iid == IidOf<First>::value)
            *object = static_cast<First*>(this);
        else
            (void)((iid == IidOf<Rest>::value ? (*object = static_cast<Rest*>(this), true) : false) || ...);
        if (*object == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetIids(ULONG*, IID**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel*) override { return E_NOTIMPL; }

    std::vector<GUID> refused;

protected:
    virtual ~FakeObject() = default;

private:
    static constexpr GUID InspectableIid = {
        0xaf86e2e0, 0xb12d, 0x4c6a, {0x9c, 0x5a, 0xd7, 0xaa, 0x65, 0x10, 0x1e, 0x90}};
    std::atomic<ULONG> references_{1};
};

// How a fake deployment ends.
struct DeploymentScript {
    AsyncStatus finalStatus = Completed;
    std::wstring errorText;
    HRESULT extendedErrorCode = S_OK;
    GUID activityId = {0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
    bool registered = true;
    bool hasSecondResultInterface = true;
    std::vector<unsigned> progress;
    // Otherwise the operation ends inside put_Completed, as one that finished before the handler was set.
    bool endOnOwnThread = false;
    DWORD delayMilliseconds = 0;
    HRESULT getResults = S_OK;
    HRESULT putCompleted = S_OK;
};

// A failure the fake package enumeration reports at the given package (0-based).
struct EnumerationFault {
    enum class Call { None, Current, MoveNext, Id };
    Call call = Call::None;
    std::size_t index = 0;
    HRESULT code = E_FAIL;
};

// What the fake manager saw, for the tests to check.
struct DeploymentRecord {
    std::mutex lock;
    int addCalls = 0;
    std::wstring uriText;
    bool dependenciesPassed = false;
    UINT32 options = 0xFFFFFFFF;
    std::wstring userSecurityId = L"<not called>";
    DWORD workThread = 0;
    APTTYPE workApartment = APTTYPE_CURRENT;
    int packagesRead = 0;
    std::vector<HANDLE> threads;
};

class FakeDeploymentRuntime final : public execution::DeploymentRuntime {
public:
    FakeDeploymentRuntime();
    ~FakeDeploymentRuntime() override;
    FakeDeploymentRuntime(const FakeDeploymentRuntime&) = delete;
    FakeDeploymentRuntime& operator=(const FakeDeploymentRuntime&) = delete;

    HRESULT CreatePackageManager(platform::UniqueCom<rt::IPackageManager>& manager) override;
    HRESULT CreateUri(const std::wstring& text, platform::UniqueCom<rt::IUriRuntimeClass>& uri) override;

    HRESULT activation = S_OK;
    HRESULT uriCreation = S_OK;
    HRESULT addPackage = S_OK;
    HRESULT findPackages = S_OK;
    DeploymentScript deployment;
    std::vector<execution::PackageIdentity> packages;
    EnumerationFault fault;
    std::shared_ptr<DeploymentRecord> record = std::make_shared<DeploymentRecord>();
};

} // namespace velmora::test
