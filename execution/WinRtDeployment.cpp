#include "execution/WinRtDeployment.h"

#include <roapi.h>
#include <winstring.h>

#include "platform/SystemLibrary.h"

namespace velmora::execution {

namespace {

using platform::UniqueCom;

// combase.dll exists from Windows 8 on; linking to it would stop the program from starting on older systems.
class Combase {
public:
    static const Combase& Get() {
        static const Combase instance;
        return instance;
    }

    decltype(&::WindowsCreateString) createString = nullptr;
    decltype(&::WindowsDeleteString) deleteString = nullptr;
    decltype(&::WindowsGetStringRawBuffer) rawBuffer = nullptr;
    decltype(&::RoActivateInstance) activateInstance = nullptr;
    decltype(&::RoGetActivationFactory) activationFactory = nullptr;

private:
    Combase() {
        // Kept loaded until the process ends: strings and objects from it may live until then.
        HMODULE module = platform::LoadSystemLibrary(L"combase.dll").release();
        if (module == nullptr)
            return;
        Resolve(module, "WindowsCreateString", createString);
        Resolve(module, "WindowsDeleteString", deleteString);
        Resolve(module, "WindowsGetStringRawBuffer", rawBuffer);
        Resolve(module, "RoActivateInstance", activateInstance);
        Resolve(module, "RoGetActivationFactory", activationFactory);
    }

    template <typename Function> static void Resolve(HMODULE module, const char* name, Function& function) {
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    }
};

constexpr HRESULT MissingCombase = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);

class SystemRuntime final : public DeploymentRuntime {
public:
    HRESULT CreatePackageManager(UniqueCom<runtime::IPackageManager>& manager) override {
        UniqueCom<IInspectable> instance;
        HRESULT hr = ActivateInstance(L"Windows.Management.Deployment.PackageManager", instance.put());
        if (FAILED(hr))
            return hr;
        return QueryInterfaceFor(instance.get(), runtime::IPackageManager::Iid, manager);
    }

    HRESULT CreateUri(const std::wstring& text, UniqueCom<runtime::IUriRuntimeClass>& uri) override {
        UniqueCom<runtime::IUriRuntimeClassFactory> factory;
        HRESULT hr = GetActivationFactory(L"Windows.Foundation.Uri", runtime::IUriRuntimeClassFactory::Iid,
                                          reinterpret_cast<void**>(factory.put()));
        if (FAILED(hr))
            return hr;
        HString textString;
        hr = MakeHString(text, textString);
        if (FAILED(hr))
            return hr;
        return factory.get()->CreateUri(textString.get(), uri.put());
    }
};

} // namespace

void HStringTraits::Close(HSTRING value) noexcept {
    if (auto deleteString = Combase::Get().deleteString)
        deleteString(value);
}

HRESULT MakeHString(std::wstring_view text, HString& out) {
    auto createString = Combase::Get().createString;
    if (createString == nullptr)
        return MissingCombase;
    return createString(text.data(), static_cast<UINT32>(text.size()), out.put());
}

std::wstring HStringText(HSTRING value) {
    auto rawBuffer = Combase::Get().rawBuffer;
    if (value == nullptr || rawBuffer == nullptr)
        return {};
    UINT32 length = 0;
    const wchar_t* buffer = rawBuffer(value, &length);
    return buffer == nullptr ? std::wstring() : std::wstring(buffer, length);
}

HRESULT ActivateInstance(std::wstring_view className, IInspectable** instance) {
    auto activate = Combase::Get().activateInstance;
    if (activate == nullptr)
        return MissingCombase;
    HString name;
    HRESULT hr = MakeHString(className, name);
    if (FAILED(hr))
        return hr;
    return activate(name.get(), instance);
}

HRESULT GetActivationFactory(std::wstring_view className, const IID& iid, void** factory) {
    auto getFactory = Combase::Get().activationFactory;
    if (getFactory == nullptr)
        return MissingCombase;
    HString name;
    HRESULT hr = MakeHString(className, name);
    if (FAILED(hr))
        return hr;
    return getFactory(name.get(), iid, factory);
}

DeploymentRuntime& SystemDeploymentRuntime() {
    static SystemRuntime runtime;
    return runtime;
}

} // namespace velmora::execution
