#include "cli/Kit.h"

#include <windows.h>

#include "app/ConfigurationFile.h"
#include "cli/pure/TextCodec.h"
#include "config/FolderProperties.h"
#include "platform/GrowBuffer.h"
#include "platform/pure/PathRules.h"

namespace velmora::cli {

bool Kit::KitProperties::FolderProperty(std::wstring_view name, bool use64BitView,
                                        std::wstring& folder) const {
    if (name == L"SETUPEXEDIR") {
        folder = kitFolder;
        return true;
    }
    return core::MachineProperties().FolderProperty(name, use64BitView, folder);
}

std::wstring Kit::KitProperties::EnvironmentValue(std::wstring_view name) const {
    return core::MachineProperties().EnvironmentValue(name);
}

std::wstring Kit::KitProperties::RegistryValue(std::wstring_view path, bool use64BitView) const {
    return core::MachineProperties().RegistryValue(path, use64BitView);
}

std::wstring Kit::KitProperties::TempFolder() const {
    return core::MachineProperties().TempFolder();
}

bool Kit::Load(const std::wstring& configurationPath, std::string& error) {
    configurationPath_ = platform::FullPath(configurationPath);
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!::GetFileAttributesExW(configurationPath_.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = "no such file: " + ToUtf8(configurationPath_);
        return false;
    }
    std::wstring text;
    if (!core::ReadConfigurationText(configurationPath_, attributes.nFileSizeLow, text)) {
        error = "cannot read " + ToUtf8(configurationPath_);
        return false;
    }
    folder_ = platform::WithTrailingBackslash(platform::ParentFolder(configurationPath_));
    chainerPath_ = folder_ + core::ModuleBaseName(configurationPath_) + L".exe";
    properties_.kitFolder = folder_;

    core::ChainerSettings settings;
    bool hasSettings = false;
    core::LoadConfiguration(std::move(text), properties_, configuration_, settings, hasSettings);
    configuredDownloadFolder_ = configuration_.DownloadFolder;
    extractionFolderConfigured_ = !configuration_.ExtractionFolder.empty();
    core::LocatePackageFiles(configuration_, chainerPath_, files_);
    core::EnterChainerFolder(platform::ParentFolder(configurationPath_));
    return true;
}

} // namespace velmora::cli
