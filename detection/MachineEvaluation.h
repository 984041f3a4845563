// The evaluation environment of the running machine: exclusions from the system's version and language,
// the real searches, the download folder on disk and the process-wide log.
#pragma once

#include <map>
#include <vector>

#include "detection/Searches.h"
#include "detection/pure/Evaluation.h"
#include "execution/Msix.h"

namespace velmora::detection {

class MachineEvaluation final : public EvaluationEnvironment {
public:
    // files locates search programs; it must outlive this object. References in search strings and command
    // lines are resolved on this machine.
    explicit MachineEvaluation(const execution::ExtractionContext& files);
    // The same with references resolved through properties, which must outlive this object too.
    MachineEvaluation(const execution::ExtractionContext& files, const config::PropertySource& properties);

    bool IsOsExcluded(std::wstring_view winNtVersions, std::wstring_view winNt64Versions) override;
    bool IsLanguageAccepted(std::wstring_view languageList) override;
    bool RunSearches(config::PrerequisiteRecord& prerequisite, bool use64BitView) override;
    bool FilePresent(const std::wstring& path, std::uint64_t exactSize) override;
    bool LogEnabled() override;
    void Log(std::wstring_view message) override;

    // The outcomes of the prerequisite's searches at its last evaluation.
    const std::vector<SearchOutcome>& OutcomesOf(const config::PrerequisiteRecord& prerequisite) const;

private:
    execution::MsixFinder packages_;
    SearchRunner searches_;
    std::map<const config::PrerequisiteRecord*, std::vector<SearchOutcome>> outcomes_;
};

} // namespace velmora::detection
