#include "processing/pure/ProcessingPlan.h"

#include "detection/pure/LocalPath.h"
#include "transfer/pure/FileUrl.h"
#include "detection/pure/Evaluation.h"
#include "execution/pure/RebootRules.h"
#include "ui/pure/TextFormat.h"

namespace velmora::processing {

std::vector<DownloadItem> BuildDownloadItems(const std::vector<config::PrerequisiteRecord>& prerequisites,
                                             const ActionSource& actionOf) {
    std::vector<DownloadItem> items;
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        if (actionOf(i) != detection::ProcessingAction::Download)
            continue;
        DownloadItem item;
        item.url = prerequisites[i].Source;
        item.expectedSize = prerequisites[i].ExactSize;
        item.index = i;
        item.folder = prerequisites[i].Folder;
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<std::size_t> OpenSiteIndexes(std::size_t count, const ActionSource& actionOf) {
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < count; ++i) {
        if (actionOf(i) == detection::ProcessingAction::OpenSite)
            indexes.push_back(i);
    }
    return indexes;
}

std::vector<execution::LaunchItem> BuildLaunchItems(const config::Configuration& configuration,
                                                    const ActionSource& actionOf,
                                                    const SetupFileLocator& locateSetupFile,
                                                    std::wstring_view downloadFolder) {
    std::vector<execution::LaunchItem> items;
    const auto& prerequisites = configuration.Prerequisites;
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        const config::PrerequisiteRecord& prerequisite = prerequisites[i];
        const detection::ProcessingAction action = actionOf(i);
        execution::LaunchItem item;
        if (action == detection::ProcessingAction::InstallFromPackage)
            item.filePath = locateSetupFile(prerequisite.Source);
        else if (action == detection::ProcessingAction::InstallDownloaded)
            item.filePath = LaunchPathOfDownload(downloadFolder, prerequisite);
        else
            continue;
        item.commandLine = execution::LaunchCommandLine(prerequisite, configuration);
        item.name = prerequisite.Name;
        item.rebootMode = execution::RebootModeFromOptions(prerequisite.Options);
        item.returnValueName = prerequisite.RetValPropName;
        item.prerequisiteIndex = i;
        items.push_back(std::move(item));
    }
    return items;
}

std::wstring LaunchPathOfDownload(std::wstring_view downloadFolder,
                                  const config::PrerequisiteRecord& prerequisite) {
    // A file URL counts as present without a download: nothing of it is in the download folder.
    if (detection::IsFileUrlSource(prerequisite.Source))
        return transfer::FileUrlPath(prerequisite.Source);
    return detection::LocalPathFor(downloadFolder, prerequisite.Source, prerequisite.Folder);
}

std::wstring StepText(std::wstring_view format, std::wstring_view name) {
    return ui::FormatText(format, {name});
}

std::wstring SelectionText(const std::vector<config::PrerequisiteRecord>& prerequisites) {
    std::wstring text;
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        if (!prerequisites[i].selected)
            continue;
        if (!text.empty())
            text += L',';
        text += std::to_wstring(i);
    }
    return text;
}

bool KeepsDownloads(config::KeepFilesMode mode) {
    return mode == config::KeepFilesMode::Complete || mode == config::KeepFilesMode::Prereqs;
}

std::size_t CountPendingMandatory(const std::vector<config::PrerequisiteRecord>& prerequisites) {
    std::size_t count = 0;
    for (const config::PrerequisiteRecord& prerequisite : prerequisites) {
        if (prerequisite.HasOption(L'm') && detection::NeedsWork(prerequisite.state))
            ++count;
    }
    return count;
}

std::string InternetShortcutText(std::string_view url) {
    const std::size_t lineBreak = url.find_first_of("\r\n");
    if (lineBreak != std::string_view::npos)
        url = url.substr(0, lineBreak);
    std::string text = "[InternetShortcut]\r\nURL=";
    text += url;
    text += "\r\n";
    return text;
}

WindowResult WindowResultAfterCompletion(bool rebootStarted, const std::function<bool()>& allMandatoryDone) {
    if (rebootStarted)
        return WindowResult::Cancelled;
    return allMandatoryDone() ? WindowResult::AllDone : WindowResult::MandatoryMissing;
}

} // namespace velmora::processing
