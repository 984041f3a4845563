// A kit as the chainer sitting in its folder sees it at start: the configuration beside it, loaded with
// [SETUPEXEDIR] naming the kit folder, the package files located, and the kit folder made the current one.
// chainer-explain and chainer-layout read a kit through it, with the chainer's own start-up steps
// (app/ConfigurationFile.h), so they see what a run would.
#pragma once

#include <string>

#include "config/pure/Configuration.h"
#include "execution/ExtractionContext.h"

namespace velmora::cli {

class Kit {
public:
    Kit() = default;
    // The configuration resolves through the properties the kit holds.
    Kit(const Kit&) = delete;
    Kit& operator=(const Kit&) = delete;

    // Reads and loads the configuration file (any path: it is made full), as a chainer named after it in
    // its folder would. False, with the reason in error, when the file cannot be read.
    bool Load(const std::wstring& configurationPath, std::string& error);

    const std::wstring& ConfigurationPath() const { return configurationPath_; } // full
    const std::wstring& Folder() const { return folder_; }                       // with a trailing backslash
    const std::wstring& ChainerPath() const { return chainerPath_; } // where the chainer would sit to read it
    // DownloadFolder as written, before the configuration resolved it.
    const std::wstring& ConfiguredDownloadFolder() const { return configuredDownloadFolder_; }
    bool ExtractionFolderConfigured() const { return extractionFolderConfigured_; }

    config::Configuration& Configuration() { return configuration_; }
    const config::PropertySource& Properties() const { return properties_; }
    const execution::ExtractionContext& Files() const { return files_; }

private:
    // The machine's properties, with [SETUPEXEDIR] naming the kit folder: the chainer would sit there.
    class KitProperties final : public config::PropertySource {
    public:
        bool FolderProperty(std::wstring_view name, bool use64BitView, std::wstring& folder) const override;
        std::wstring EnvironmentValue(std::wstring_view name) const override;
        std::wstring RegistryValue(std::wstring_view path, bool use64BitView) const override;
        std::wstring TempFolder() const override;
        std::wstring kitFolder;
    };

    std::wstring configurationPath_;
    std::wstring folder_;
    std::wstring chainerPath_;
    std::wstring configuredDownloadFolder_;
    bool extractionFolderConfigured_ = false;
    KitProperties properties_; // before the configuration, which resolves through it
    config::Configuration configuration_;
    execution::ExtractionContext files_;
};

} // namespace velmora::cli
