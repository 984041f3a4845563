// The seam through which MsixInstaller and MsixFinder obtain their first Windows Runtime objects, and its
// real implementation. Wine cannot activate the deployment classes, so tests hand in fakes of the same ABI
// interfaces (platform/WinRt.h); everything past the first objects is the product's own code either way.
#pragma once

#include <string>

#include "platform/UniqueHandle.h"
#include "platform/WinRt.h"

namespace velmora::execution {

namespace runtime = platform::runtime;

// Where the first objects of a deployment or a search come from. Everything else is reached through them.
class DeploymentRuntime {
public:
    virtual ~DeploymentRuntime() = default;
    // A default-constructed Windows.Management.Deployment.PackageManager.
    [[nodiscard]] virtual HRESULT
    CreatePackageManager(platform::UniqueCom<runtime::IPackageManager>& manager) = 0;
    // A Windows.Foundation.Uri made from the text.
    [[nodiscard]] virtual HRESULT CreateUri(const std::wstring& text,
                                            platform::UniqueCom<runtime::IUriRuntimeClass>& uri) = 0;
};

// The system's runtime classes, activated through combase.dll. Stateless; usable from any thread that has
// joined an apartment.
DeploymentRuntime& SystemDeploymentRuntime();

} // namespace velmora::execution
