// Evaluation of the prerequisites: for each one, whether it applies to this system, whether it is installed,
// and what must be done to get it; plus the selection that the processing sequence works from, propagated
// along ParentPrereq links. Every decision is logged.
//
// The rules are pure: the machine is reached through EvaluationEnvironment (exclusion tests, searches, the
// download folder on disk, the log), so the whole table of decisions is tested without Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/pure/Configuration.h"

namespace velmora::detection {

// Evaluation states; the processing sequence adds its own action codes on top (ActionOf). Plain numbers:
// states and actions share one range and are compared with each other.
inline constexpr std::int32_t kStateFound = 0;
inline constexpr std::int32_t kStateInstallFromPackage = 1;
inline constexpr std::int32_t kStateDownload = 2;
inline constexpr std::int32_t kStateOpenSite = 3;
inline constexpr std::int32_t kStateExcluded = 4;
inline constexpr std::int32_t kStateNotEvaluated = 8;

// Actions of the processing sequence besides the states 1 to 4.
inline constexpr std::int32_t kActionInstallDownloaded = 5;
inline constexpr std::int32_t kActionNotSelected = 7;

// The text that follows "Search result:" in the log; empty for states without one.
std::wstring_view StateText(std::int32_t state);

// What the evaluation needs from the machine.
class EvaluationEnvironment {
public:
    virtual ~EvaluationEnvironment() = default;
    virtual bool IsOsExcluded(std::wstring_view winNtVersions, std::wstring_view winNt64Versions) = 0;
    virtual bool IsLanguageAccepted(std::wstring_view languageList) = 0;
    // Runs the prerequisite's searches with its operator; true when it is found.
    virtual bool RunSearches(core::PrerequisiteRecord& prerequisite, bool use64BitView) = 0;
    // A plain file (platform/pure/FileTrust.h) exists at path and, unless exactSize is 0, its size (low 32
    // bits) equals exactSize.
    virtual bool FilePresent(const std::wstring& path, std::int32_t exactSize) = 0;
    virtual bool LogEnabled() = 0;
    virtual void Log(std::wstring_view message) = 0;
};

class PrerequisiteEvaluator {
public:
    // Both must outlive the evaluator.
    PrerequisiteEvaluator(core::Configuration& configuration, EvaluationEnvironment& environment);

    // An index outside the list is a programming failure (std::out_of_range).
    void Evaluate(std::size_t index, bool recheck);
    // Evaluates every prerequisite, then sets the selection. Returns 0.
    int EvaluateAll();
    void SetSelected(std::size_t index, bool on);
    bool IsDownloaded(const core::PrerequisiteRecord& prerequisite);
    // Re-evaluates the prerequisites still being processed and renews their selection.
    void ReevaluateAll();
    // Re-evaluates one prerequisite; true when it is now found.
    bool IsPrerequisiteDetected(std::size_t index);

    // 1 install from package, 2 download, 3 open site, 5 install the downloaded file, 7 not selected, or
    // another non-zero evaluation state.
    std::int32_t ActionOf(std::size_t index);
    // No mandatory prerequisite ("m" without "i") still needs work.
    bool AllMandatoryDone();

private:
    void SetSelectedAt(std::size_t index, bool on, std::size_t depth);
    void RefreshDownloaded(core::PrerequisiteRecord& prerequisite);
    void Log(std::wstring_view prefix, std::wstring_view value);

    core::Configuration& configuration_;
    EvaluationEnvironment& environment_;
};

} // namespace velmora::detection
