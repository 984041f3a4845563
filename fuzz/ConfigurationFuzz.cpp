// Arbitrary configuration text loaded into the model, then every text the model holds resolved against a
// machine whose answers come from the text itself: registry references decode their own name as registry
// data, so the data rules see arbitrary bytes too. The exit cleanup is planned from PREREQ_CHAINER as well.
#include <cstdlib>

#include "config/pure/CleanupLists.h"
#include "config/pure/Configuration.h"
#include "execution/pure/CleanupScriptCommand.h"
#include "fuzz/FuzzText.h"
#include "platform/pure/PathRules.h"
#include "platform/pure/RegistryPath.h"

namespace {

using namespace velmora::config;

class FuzzMachine final : public PropertySource {
public:
    bool FolderProperty(std::wstring_view name, bool use64BitView, std::wstring& folder) const override {
        FolderPropertyRule rule;
        if (!FindFolderPropertyRule(name, rule))
            return false;
        folder = (use64BitView ? L"W:\\" : L"V:\\") + std::wstring(name) + L"\\";
        return true;
    }
    std::wstring EnvironmentValue(std::wstring_view name) const override {
        return std::wstring(name.rbegin(), name.rend());
    }
    std::wstring RegistryValue(std::wstring_view path, bool) const override {
        velmora::platform::RegistryValuePath split = velmora::platform::SplitRegistryValuePath(path);
        if (split.root == velmora::platform::RegistryRoot::None)
            return {};
        std::basic_string<std::uint8_t> bytes;
        for (wchar_t c : split.valueName)
            bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        std::wstring text;
        velmora::platform::RegistryDataToText(static_cast<std::uint32_t>(split.keyPath.size() % 9),
                                              bytes.data(), bytes.size(), text);
        return text;
    }
    std::wstring TempFolder() const override { return L"T:\\tmp\\"; }
};

void Resolve(const std::wstring& text, const FuzzMachine& machine) {
    for (bool use64BitView : {false, true}) {
        std::wstring resolved = ResolveProperties(text, use64BitView, machine);
        if (text.find_first_of(L"[%!") == std::wstring::npos && resolved != text)
            std::abort();
    }
}

void RequireFolder(const std::wstring& folder) {
    if (folder.empty() || folder.back() != L'\\')
        std::abort();
}

// The plan ends, and nothing it deletes or hands over besides the configuration, the script and the chainer
// lies outside CleanupFolders.
void CheckCleanupLists(const ChainerSettings& settings) {
    for (const std::wstring& exe : {settings.LogFile, settings.CleanupFolders + L"\\a\\setup.exe"}) {
        const CleanupLists lists =
            BuildCleanupLists(settings, exe, L"K:\\setup.ini", [](const std::wstring&) { return true; });
        for (std::size_t i = 0; i + 1 < lists.files.size(); ++i) {
            if (!velmora::platform::IsInsideFolder(lists.files[i], settings.CleanupFolders))
                std::abort();
        }
        for (const std::wstring& path : lists.scriptPaths) {
            if (!velmora::platform::HoldsPath({settings.CleanupScript, exe}, path) &&
                !velmora::platform::IsInsideFolder(path, settings.CleanupFolders))
                std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IniDocument document;
    document.Parse(velmora::fuzz::Utf16Units(data, size));
    const FuzzMachine machine;
    Configuration configuration;
    configuration.Load(document, machine);
    ChainerSettings settings;
    LoadChainerSettings(document, settings);
    CheckCleanupLists(settings);

    for (const std::wstring* text : {&configuration.MainAppCmdLine,
                                     &configuration.Options,
                                     &configuration.UpdatesUrl,
                                     &configuration.ProductVersion,
                                     &configuration.MinWIVer,
                                     &configuration.DownloadFolder,
                                     &configuration.MainAppURL,
                                     &configuration.UwpAppxURL,
                                     &configuration.LanguageList,
                                     &configuration.ExtractionFolder,
                                     &configuration.Langs,
                                     &configuration.PackageCode,
                                     &configuration.DefaultProdCode,
                                     &configuration.ProductCode,
                                     &configuration.UpgradeCode,
                                     &configuration.SaveExtUIStub,
                                     &configuration.FileExtractFirst,
                                     &configuration.MsiCertData,
                                     &configuration.AppxVersion,
                                     &configuration.AppxPkId,
                                     &settings.CleanupFiles,
                                     &settings.CleanupFolders,
                                     &settings.LogFile,
                                     &settings.CleanupScript})
        Resolve(*text, machine);

    for (const PrerequisiteRecord& record : configuration.Prerequisites) {
        if (!record.LanguageList.empty() && record.LanguageList.back() != L';')
            std::abort();
        for (const std::wstring* text :
             {&record.Name, &record.VerMin, &record.VerMax, &record.Source, &record.CommandLine,
              &record.BasicUiCommandLine, &record.NoUiCommandLine, &record.Options, &record.MD5,
              &record.Folder, &record.RetValPropName, &record.ParentPrereq, &record.WinNTVersions,
              &record.WinNT64Versions, &record.LanguageList})
            Resolve(*text, machine);
        for (const SearchRecord& search : record.Searches) {
            for (const std::wstring* text : {&search.SearchString, &search.VerMin, &search.VerMax,
                                             &search.RefContent, &search.SearchCmdLine})
                Resolve(*text, machine);
        }
    }

    const std::wstring download = configuration.GetDownloadFolder();
    RequireFolder(download);
    RequireFolder(configuration.GetExtractionFolder());
    if (configuration.GetDownloadFolder() != download)
        std::abort();
    return 0;
}
