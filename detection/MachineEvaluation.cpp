#include "detection/MachineEvaluation.h"

#include "config/FolderProperties.h"
#include "detection/OsConditions.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/UniqueHandle.h"

namespace velmora::detection {

MachineEvaluation::MachineEvaluation(const execution::ExtractionContext& files)
    : MachineEvaluation(files, config::MachineProperties()) {}

MachineEvaluation::MachineEvaluation(const execution::ExtractionContext& files,
                                     const config::PropertySource& properties)
    : searches_(properties, files, packages_, ThisMachine()) {}

bool MachineEvaluation::IsOsExcluded(std::wstring_view winNtVersions, std::wstring_view winNt64Versions) {
    return detection::IsOsExcluded(winNtVersions, winNt64Versions);
}

bool MachineEvaluation::IsLanguageAccepted(std::wstring_view languageList) {
    return detection::IsLanguageAccepted(languageList);
}

bool MachineEvaluation::RunSearches(config::PrerequisiteRecord& prerequisite, bool) {
    // The runner reads the 64-bit switch from the prerequisite's own options.
    return searches_.RunSearches(prerequisite, outcomes_[&prerequisite]);
}

bool MachineEvaluation::FilePresent(const std::wstring& path, std::uint64_t exactSize) {
    // Asked of the file system as written: a download folder configured as a relative path lies below the
    // chainer's folder, which start-up made current (FileInfo would refuse a relative path).
    WIN32_FIND_DATAW data{};
    platform::UniqueFind find(::FindFirstFileW(platform::ToLongPath(path).c_str(), &data));
    if (!find)
        return false;
    if (exactSize != 0 &&
        ((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) != exactSize)
        return false;
    // Anyone who can write to the download folder may have left a link, or a second name of a file they
    // can still change, where the download belongs: that is no download, and it is fetched again.
    return platform::IsPlainFileAt(path);
}

bool MachineEvaluation::LogEnabled() {
    return platform::LogEnabled();
}

void MachineEvaluation::Log(std::wstring_view message) {
    platform::TheLogger().Log(message);
}

const std::vector<SearchOutcome>&
MachineEvaluation::OutcomesOf(const config::PrerequisiteRecord& prerequisite) const {
    static const std::vector<SearchOutcome> none;
    auto it = outcomes_.find(&prerequisite);
    return it == outcomes_.end() ? none : it->second;
}

} // namespace velmora::detection
