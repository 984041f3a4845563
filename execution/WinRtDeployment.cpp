#include "execution/WinRtDeployment.h"

namespace velmora::execution {

namespace {

using platform::ActivateInstance;
using platform::GetActivationFactory;
using platform::HString;
using platform::MakeHString;
using platform::QueryInterfaceFor;
using platform::UniqueCom;

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

DeploymentRuntime& SystemDeploymentRuntime() {
    static SystemRuntime runtime;
    return runtime;
}

} // namespace velmora::execution
