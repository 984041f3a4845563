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
    return config::MachineProperties().FolderProperty(name, use64BitView, folder);
}

std::wstring Kit::KitProperties::EnvironmentValue(std::wstring_view name) const {
    return config::MachineProperties().EnvironmentValue(name);
}

std::wstring Kit::KitProperties::RegistryValue(std::wstring_view path, bool use64BitView) const {
    return config::MachineProperties().RegistryValue(path, use64BitView);
}

std::wstring Kit::KitProperties::TempFolder() const {
    return config::MachineProperties().TempFolder();
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
    if (!app::ReadConfigurationText(configurationPath_, attributes.nFileSizeLow, text)) {
        error = "cannot read " + ToUtf8(configurationPath_);
        return false;
    }
    folder_ = platform::WithTrailingBackslash(platform::ParentFolder(configurationPath_));
    chainerPath_ = folder_ + app::ModuleBaseName(configurationPath_) + L".exe";
    properties_.kitFolder = folder_;

    config::ChainerSettings settings;
    bool hasSettings = false;
    app::LoadConfiguration(std::move(text), properties_, configuration_, settings, hasSettings);
    configuredDownloadFolder_ = configuration_.DownloadFolder;
    extractionFolderConfigured_ = !configuration_.ExtractionFolder.empty();
    app::LocatePackageFiles(configuration_, chainerPath_, files_);
    app::EnterChainerFolder(platform::ParentFolder(configurationPath_));
    return true;
}

} // namespace velmora::cli
