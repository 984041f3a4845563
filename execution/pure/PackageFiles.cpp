#include "execution/pure/PackageFiles.h"

#include "platform/pure/PathRules.h"

namespace velmora::execution {

std::wstring PackageBaseFolder(std::wstring_view extractionFolder, std::wstring_view chainerPath) {
    if (!extractionFolder.empty())
        return platform::WithTrailingBackslash(extractionFolder);
    return platform::WithTrailingBackslash(platform::ParentFolder(chainerPath));
}

std::wstring SetupFilePath(std::wstring_view baseFolder, std::wstring_view name) {
    if (name.size() >= 2 && platform::IsAbsolutePath(name))
        return std::wstring(name);
    return std::wstring(baseFolder) + std::wstring(name);
}

std::wstring ProgramFilePath(std::wstring_view baseFolder, std::wstring_view name) {
    return std::wstring(baseFolder) + std::wstring(name);
}

} // namespace velmora::execution
