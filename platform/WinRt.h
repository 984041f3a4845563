// The Windows Runtime as this program reaches it: combase.dll loaded at run time (so the program still
// starts on systems that have none), the string owner, activation by class name, the agile delegate base,
// and the ABI interfaces of package deployment, declared here because MinGW ships no
// windows.management.deployment.h. Work that needs the multithreaded apartment runs through
// platform/core/ApartmentThread.h, which puts the crash boundary around it.
//
// Vtable orders and IIDs follow the platform's published metadata. The IIDs of the parameterised interfaces
// (the deployment operation, its handlers, IIterable/IIterator of Package) are the ones the Windows Runtime
// derives from their type signatures. Slots this program never calls are declared without parameters:
// only their position matters.
#pragma once

#include <windows.h>

#include <asyncinfo.h>
#include <hstring.h>
#include <inspectable.h>

#include <atomic>
#include <string>
#include <string_view>

#include "platform/UniqueHandle.h"

namespace velmora::platform {

namespace runtime {

// Windows.ApplicationModel.PackageVersion
struct PackageVersion {
    UINT16 Major;
    UINT16 Minor;
    UINT16 Build;
    UINT16 Revision;
};

// Windows.Management.Deployment.DeploymentProgress
struct DeploymentProgress {
    INT32 state;
    UINT32 percentage;
};

// Windows.Management.Deployment.DeploymentOptions: no flag set.
constexpr UINT32 DeploymentOptionsNone = 0;

// Windows.Foundation.Uri: only handed on to AddPackageAsync.
struct IUriRuntimeClass : IInspectable {
    static constexpr GUID Iid = {
        0x9e365e57, 0x48b2, 0x4160, {0x95, 0x6f, 0xc7, 0x38, 0x51, 0x20, 0xbb, 0xfc}};
};

struct IUriRuntimeClassFactory : IInspectable {
    static constexpr GUID Iid = {
        0x44a9796f, 0x723e, 0x4fdf, {0xa2, 0x18, 0x03, 0x3e, 0x75, 0xb0, 0xc0, 0x84}};
    virtual HRESULT STDMETHODCALLTYPE CreateUri(HSTRING uri, IUriRuntimeClass** instance) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateWithRelativeUri(HSTRING baseUri, HSTRING relativeUri,
                                                            IUriRuntimeClass** instance) = 0;
};

struct IDeploymentResult : IInspectable {
    static constexpr GUID Iid = {
        0x2563b9ae, 0xb77d, 0x4c1f, {0x8a, 0x7b, 0x20, 0xe6, 0xad, 0x51, 0x5e, 0xf3}};
    virtual HRESULT STDMETHODCALLTYPE get_ErrorText(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ActivityId(GUID* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedErrorCode(HRESULT* value) = 0;
};

struct IDeploymentResult2 : IInspectable {
    static constexpr GUID Iid = {
        0xfc0e715c, 0x5a01, 0x4bd7, {0xbc, 0xf1, 0x38, 0x1c, 0x8c, 0x82, 0xe0, 0x4a}};
    virtual HRESULT STDMETHODCALLTYPE get_IsRegistered(boolean* value) = 0;
};

struct IDeploymentOperation;

// AsyncOperationProgressHandler<DeploymentResult, DeploymentProgress>
struct IDeploymentProgressHandler : IUnknown {
    static constexpr GUID Iid = {
        0xf1b926d1, 0x1796, 0x597a, {0x9b, 0xea, 0x6c, 0x64, 0x49, 0xd0, 0x3e, 0xef}};
    virtual HRESULT STDMETHODCALLTYPE Invoke(IDeploymentOperation* operation,
                                             DeploymentProgress progress) = 0;
};

// AsyncOperationWithProgressCompletedHandler<DeploymentResult, DeploymentProgress>
struct IDeploymentCompletedHandler : IUnknown {
    static constexpr GUID Iid = {
        0x6e1c7129, 0x61e0, 0x5d88, {0x9f, 0xd4, 0xf3, 0xce, 0x65, 0xa0, 0x57, 0x19}};
    virtual HRESULT STDMETHODCALLTYPE Invoke(IDeploymentOperation* operation, AsyncStatus status) = 0;
};

// IAsyncOperationWithProgress<DeploymentResult, DeploymentProgress>; its IAsyncInfo comes by QueryInterface.
struct IDeploymentOperation : IInspectable {
    static constexpr GUID Iid = {
        0x5a97aab7, 0xb6ea, 0x55ac, {0xa5, 0xdc, 0xd5, 0xb1, 0x64, 0xd9, 0x4e, 0x94}};
    virtual HRESULT STDMETHODCALLTYPE put_Progress(IDeploymentProgressHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Progress(IDeploymentProgressHandler** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Completed(IDeploymentCompletedHandler* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Completed(IDeploymentCompletedHandler** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResults(IDeploymentResult** results) = 0;
};

struct IPackageId : IInspectable {
    static constexpr GUID Iid = {
        0x1adb665e, 0x37c7, 0x4790, {0x99, 0x80, 0xdd, 0x7a, 0xe7, 0x4e, 0x8b, 0xb2}};
    virtual HRESULT STDMETHODCALLTYPE get_Name(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Version(PackageVersion* value) = 0;
    // Windows.System.ProcessorArchitecture
    virtual HRESULT STDMETHODCALLTYPE get_Architecture(INT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResourceId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Publisher(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PublisherId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FullName(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FamilyName(HSTRING* value) = 0;
};

// Windows.ApplicationModel.Package; only its identity is read.
struct IPackage : IInspectable {
    static constexpr GUID Iid = {
        0x163c792f, 0xbd75, 0x413c, {0xbf, 0x23, 0xb1, 0xfe, 0x7b, 0x95, 0xd8, 0x25}};
    virtual HRESULT STDMETHODCALLTYPE get_Id(IPackageId** value) = 0;
};

// IIterator<Package>
struct IPackageIterator : IInspectable {
    static constexpr GUID Iid = {
        0x0217f069, 0x025c, 0x5ee6, {0xa8, 0x7f, 0xe7, 0x82, 0xe3, 0xb6, 0x23, 0xae}};
    virtual HRESULT STDMETHODCALLTYPE get_Current(IPackage** value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveNext(boolean* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMany(UINT32 capacity, IPackage** items, UINT32* actual) = 0;
};

// IIterable<Package>
struct IPackageIterable : IInspectable {
    static constexpr GUID Iid = {
        0x69ad6aa7, 0x0c49, 0x5f27, {0xa5, 0xeb, 0xef, 0x4d, 0x59, 0x46, 0x7b, 0x6d}};
    virtual HRESULT STDMETHODCALLTYPE First(IPackageIterator** value) = 0;
};

struct IPackageManager : IInspectable {
    static constexpr GUID Iid = {
        0x9a7d4b65, 0x5e8f, 0x4fc7, {0xa2, 0xe5, 0x7f, 0x69, 0x25, 0xcb, 0x8b, 0x53}};
    // dependencyPackageUris is an IIterable<Uri>; this program always passes none.
    virtual HRESULT STDMETHODCALLTYPE AddPackageAsync(IUriRuntimeClass* packageUri,
                                                      IInspectable* dependencyPackageUris, UINT32 options,
                                                      IDeploymentOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdatePackageAsync() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemovePackageAsync() = 0;
    virtual HRESULT STDMETHODCALLTYPE StagePackageAsync() = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterPackageAsync() = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackages() = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackagesByUserSecurityId(HSTRING userSecurityId,
                                                                   IPackageIterable** packages) = 0;
};

// IAsyncInfo of an asynchronous operation (declared by MinGW's asyncinfo.h, whose IID needs a library).
constexpr GUID IidAsyncInfo = {0x00000036, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// IAgileObject: handlers that say so may be called on any thread without marshalling.
constexpr GUID IidAgileObject = {
    0x94ea2b94, 0xe9cc, 0x49e0, {0xc0, 0xff, 0xee, 0x64, 0xca, 0x8f, 0x5b, 0x90}};

} // namespace runtime

// The string functions of combase.dll, which is loaded on first use and kept for the life of the process.
// Without combase.dll (Windows 7) every call fails with HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND).
struct HStringTraits {
    using type = HSTRING;
    static type Invalid() noexcept { return nullptr; }
    static void Close(type value) noexcept;
};
using HString = UniqueHandle<HStringTraits>;

[[nodiscard]] HRESULT MakeHString(std::wstring_view text, HString& out);
// The text of a string the caller keeps owning; a null HSTRING is the empty text.
std::wstring HStringText(HSTRING value);

// RoActivateInstance and RoGetActivationFactory of combase.dll, by class name.
[[nodiscard]] HRESULT ActivateInstance(std::wstring_view className, IInspectable** instance);
[[nodiscard]] HRESULT GetActivationFactory(std::wstring_view className, const IID& iid, void** factory);

// QueryInterface of the object for another of its interfaces, into an owner.
template <typename Interface>
[[nodiscard]] HRESULT QueryInterfaceFor(IUnknown* object, const IID& iid, UniqueCom<Interface>& out) {
    return object->QueryInterface(iid, reinterpret_cast<void**>(out.put()));
}

// Reference counting and QueryInterface for a delegate the Windows Runtime calls back (a Completed or
// Progress handler). Delegates say they are agile: the runtime may call them on any thread without
// marshalling. Created with one reference, which the creator's owner holds.
template <typename Interface> class AgileDelegate : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == Interface::Iid || iid == runtime::IidAgileObject) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    virtual ~AgileDelegate() = default;

private:
    std::atomic<ULONG> references_{1};
};

} // namespace velmora::platform
