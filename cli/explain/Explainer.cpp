#include "cli/explain/Explainer.h"

#include <windows.h>

#include "detection/pure/LocalPath.h"
#include "processing/pure/ProcessingPlan.h"
#include "cli/pure/TextCodec.h"
#include "cli/Kit.h"
#include "config/pure/Configuration.h"
#include "detection/MachineEvaluation.h"
#include "detection/OsConditions.h"
#include "detection/OsVersion.h"
#include "detection/pure/Evaluation.h"
#include "detection/pure/SearchRules.h"
#include "detection/pure/Version.h"
#include "execution/ExtractionContext.h"
#include "execution/ProcessStart.h"
#include "execution/pure/LaunchRules.h"
#include "platform/FileSystem.h"
#include "transfer/pure/FileChecks.h"

namespace velmora::cli {

namespace {

// The machine's evaluation environment with the log kept in memory: the chainer's own log stays off.
class RecordingEvaluation final : public detection::EvaluationEnvironment {
public:
    RecordingEvaluation(detection::MachineEvaluation& machine, std::vector<std::wstring>& log)
        : machine_(machine), log_(log) {}

    bool IsOsExcluded(std::wstring_view winNtVersions, std::wstring_view winNt64Versions) override {
        return machine_.IsOsExcluded(winNtVersions, winNt64Versions);
    }
    bool IsLanguageAccepted(std::wstring_view languageList) override {
        if (!languageList.empty())
            log_.push_back(detection::LanguageLogMessage(::GetSystemDefaultLangID()));
        return detection::IsLanguageAccepted(languageList, nullptr);
    }
    bool RunSearches(config::PrerequisiteRecord& prerequisite, bool use64BitView) override {
        return machine_.RunSearches(prerequisite, use64BitView);
    }
    bool FilePresent(const std::wstring& path, std::uint64_t exactSize) override {
        return machine_.FilePresent(path, exactSize);
    }
    bool LogEnabled() override { return true; }
    void Log(std::wstring_view message) override { log_.emplace_back(message); }

private:
    detection::MachineEvaluation& machine_;
    std::vector<std::wstring>& log_;
};

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(platform::ToLongPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

BoundFacts Bound(std::wstring key, const std::wstring& written) {
    BoundFacts bound{std::move(key), written, L""};
    detection::VersionNumber version;
    if (detection::ParseVersion(written, version) && !version.IsAll(0))
        bound.read = detection::FormatVersion(version);
    return bound;
}

SearchFacts DescribeSearch(const config::SearchRecord& search, int number, bool use64BitSwitch,
                           const config::PropertySource& properties,
                           const execution::ExtractionContext& files) {
    SearchFacts facts;
    facts.number = number;
    facts.type = search.SearchType;
    const detection::SearchTypeTraits* known = detection::SearchTypeTraitsOf(search.SearchType);
    facts.typeName = known != nullptr ? std::wstring(known->name) : L"unknown: found without looking";
    facts.searchString = search.SearchString;
    switch (static_cast<detection::SearchType>(search.SearchType)) {
    case detection::SearchType::FileVersion: {
        const detection::FileSearchString split = detection::SplitFileSearchString(search.SearchString);
        facts.lookedAt = detection::IsBareFileName(split.path)
                             ? L"the root of every fixed drive, " + std::to_wstring(split.depth) +
                                   L" folder levels down: " + split.path
                             : config::ResolveProperties(split.path, use64BitSwitch, properties);
        break;
    }
    case detection::SearchType::FolderNameVersion:
        facts.lookedAt = platform::WithTrailingBackslash(
            config::ResolveProperties(search.SearchString, use64BitSwitch, properties));
        break;
    case detection::SearchType::RunProgram:
        (void)files.LocateProgramFile(search.SearchString, facts.lookedAt);
        facts.arguments = config::ResolveProperties(search.SearchCmdLine, false, properties);
        facts.refContent = search.RefContent;
        break;
    case detection::SearchType::RegistryValueContent:
        facts.refContent = search.RefContent;
        break;
    default:
        break;
    }
    facts.usesBounds = known != nullptr && known->usesVersionBounds;
    facts.low = Bound(L"VerMin" + std::to_wstring(number), search.VerMin);
    facts.high = Bound(L"VerMax" + std::to_wstring(number), search.VerMax);
    return facts;
}

std::wstring CommandLineKey(const config::Configuration& configuration) {
    if (configuration.IsBasicUi())
        return L"BasicUiCommandLine";
    if (configuration.IsSilent())
        return L"NoUiCommandLine";
    return L"CommandLine";
}

std::wstring RouteName(execution::LaunchRoute route) {
    switch (route) {
    case execution::LaunchRoute::PackageDeployment:
        return L"package deployment";
    case execution::LaunchRoute::Direct:
        return L"direct";
    default:
        return L"shell";
    }
}

ActionFacts DescribeAction(detection::ProcessingAction code, const config::PrerequisiteRecord& prerequisite,
                           const execution::LaunchItem* launch, const std::wstring& downloadFolder,
                           const std::wstring& commandLineKey, const config::PropertySource& properties) {
    ActionFacts action;
    action.code = code;
    switch (code) {
    case detection::ProcessingAction::InstallFromPackage:
        action.summary = L"install it from the package";
        break;
    case detection::ProcessingAction::Download:
        action.summary = L"download it, then install the download";
        action.url = prerequisite.Source;
        action.downloadPath =
            detection::LocalPathFor(downloadFolder, prerequisite.Source, prerequisite.Folder);
        break;
    case detection::ProcessingAction::InstallDownloaded:
        action.summary = L"install the download that is already there";
        action.alreadyDownloaded = true;
        if (!detection::IsFileUrlSource(prerequisite.Source)) {
            action.url = prerequisite.Source;
            action.downloadPath =
                detection::LocalPathFor(downloadFolder, prerequisite.Source, prerequisite.Folder);
        }
        break;
    case detection::ProcessingAction::OpenSite:
        action.summary = L"open its site for the user to fetch it by hand";
        action.url = prerequisite.Source;
        break;
    default:
        action.summary = prerequisite.state == config::EvaluationState::Found ? L"nothing: it is installed"
                         : prerequisite.state == config::EvaluationState::Excluded
                             ? L"nothing: it does not apply here"
                             : L"nothing: it is not selected";
        break;
    }
    if (code == detection::ProcessingAction::Download ||
        code == detection::ProcessingAction::InstallDownloaded ||
        code == detection::ProcessingAction::InstallFromPackage) {
        const transfer::FileChecks checks = transfer::ChecksOf(prerequisite);
        action.checksSize = checks.size != 0;
        action.checksDigest = checks.Digests().Any();
        for (const auto& [given, key] : {std::pair{checks.size != 0, L"ExactSize"},
                                         {!checks.md5.empty(), L"MD5"},
                                         {!checks.sha256.empty(), L"SHA256"},
                                         {checks.HasSigner(), L"SignerThumbprint"}}) {
            if (given)
                action.checks.emplace_back(key);
        }
        const transfer::Thumbprints pinned = transfer::ParseThumbprints(checks.signers);
        for (const auto* list : {&pinned.sha1, &pinned.sha256}) {
            for (const std::string& thumbprint : *list)
                action.signers.emplace_back(thumbprint.begin(), thumbprint.end());
        }
    }
    if (launch == nullptr)
        return action;
    action.file = launch->filePath;
    action.fileExists = IsFile(launch->filePath);
    action.commandLineKey = commandLineKey;
    action.commandLine = launch->commandLine;
    const execution::LaunchRoute route =
        execution::ChooseLaunchRoute(launch->filePath, execution::IsLocalSystemAccount());
    action.route = RouteName(route);
    if (route == execution::LaunchRoute::Direct) {
        const execution::DirectStart start = execution::DirectStartCommand(
            launch->filePath,
            execution::DirectStartArguments(
                config::ResolveProperties(launch->commandLine, false, properties)),
            config::ResolveProperties(L"[SystemFolder]msiexec.exe", false, properties));
        action.directApplication = start.application;
        action.directCommandLine = start.commandLine;
    }
    action.hidden = route == execution::LaunchRoute::Shell && execution::HasQuietSwitch(launch->commandLine);
    action.rebootMode = launch->rebootMode;
    action.returnValueName = launch->returnValueName;
    return action;
}

} // namespace

bool Explain(const std::wstring& configurationPath, Explanation& explanation, std::string& error) {
    // What a chainer in the kit folder would load, find and enter at start.
    Kit kit;
    if (!kit.Load(configurationPath, error))
        return false;
    Explanation& e = explanation;
    e.configurationPath = kit.ConfigurationPath();
    e.chainerPath = kit.ChainerPath();
    config::Configuration& configuration = kit.Configuration();
    const config::PropertySource& properties = kit.Properties();
    const execution::ExtractionContext& files = kit.Files();
    e.extractionFolderConfigured = kit.ExtractionFolderConfigured();
    e.extractionFolder = configuration.GetExtractionFolder();

    detection::MachineEvaluation machine(files, properties);
    RecordingEvaluation environment(machine, e.log);
    detection::PrerequisiteEvaluator evaluator(configuration, environment);
    evaluator.EvaluateAll();

    const detection::OsVersionInfo& os = detection::GetOsVersionInfo();
    e.machine.detailedName = detection::GetDetailedOsName();
    e.machine.generalName = detection::GetGeneralOsName();
    e.machine.is64BitOs = os.is64BitOs;
    e.machine.windows10OrLater = detection::IsWindows10OrLater();
    e.machine.languageLine = detection::LanguageLogMessage(::GetSystemDefaultLangID());
    e.machine.localSystem = execution::IsLocalSystemAccount();
    e.mode = configuration.IsSilent() ? L"silent" : configuration.IsBasicUi() ? L"basic UI" : L"none";
    e.commandLineKey = CommandLineKey(configuration);
    e.downloadFolder = configuration.GetDownloadFolder();

    // The install phase's launch list, as it stands once every download has arrived.
    const std::vector<execution::LaunchItem> launches = processing::BuildLaunchItems(
        configuration,
        [&](std::size_t index) {
            const detection::ProcessingAction action = evaluator.ActionOf(index);
            return action == detection::ProcessingAction::Download
                       ? detection::ProcessingAction::InstallDownloaded
                       : action;
        },
        [&](std::wstring_view setupFile) {
            std::wstring located;
            (void)files.LocateSetupFile(setupFile, located);
            return located;
        },
        e.downloadFolder);

    const auto& prerequisites = configuration.Prerequisites;
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        const config::PrerequisiteRecord& record = prerequisites[i];
        PrerequisiteFacts p;
        p.number = static_cast<int>(i) + 1;
        p.name = record.Name;
        p.options = record.Options;
        p.osListKey = os.is64BitOs ? L"WinNT64Versions" : L"WinNTVersions";
        p.osList = os.is64BitOs ? record.WinNT64Versions : record.WinNTVersions;
        p.excluded = detection::IsOsExcluded(record.WinNTVersions, record.WinNT64Versions);
        p.languageList = record.LanguageList;
        if (!p.excluded && !record.LanguageList.empty())
            p.languageAccepted = detection::IsLanguageAccepted(record.LanguageList, nullptr);
        p.searchesSkipped = record.FlagI;
        p.use64BitSwitch = detection::Uses64BitSwitch(record.Options);
        p.searchOperator = record.Operator;
        const std::vector<detection::SearchOutcome>& outcomes = machine.OutcomesOf(record);
        for (std::size_t k = 0; k < record.Searches.size(); ++k) {
            SearchFacts search = DescribeSearch(record.Searches[k], static_cast<int>(k) + 1, p.use64BitSwitch,
                                                properties, files);
            if (record.state != config::EvaluationState::Excluded && !record.FlagI && k < outcomes.size()) {
                search.ran = true;
                search.values = outcomes[k].values;
                search.value = outcomes[k].value;
                search.found = outcomes[k].found;
            }
            p.searches.push_back(std::move(search));
        }
        p.state = record.state;
        p.found = record.state == config::EvaluationState::Found;
        p.stateText = std::wstring(detection::StateText(record.state));
        p.selected = record.selected;
        p.parent = record.ParentPrereq;
        for (std::size_t j = 0; j < prerequisites.size(); ++j) {
            if (!record.ParentPrereq.empty() && !p.parentNumber &&
                prerequisites[j].Name == record.ParentPrereq)
                p.parentNumber = static_cast<int>(j) + 1;
            if (j != i && prerequisites[j].ParentPrereq == record.Name)
                p.children.push_back(static_cast<int>(j) + 1);
        }
        const execution::LaunchItem* launch = nullptr;
        for (const execution::LaunchItem& item : launches) {
            if (item.prerequisiteIndex == i)
                launch = &item;
        }
        p.action = DescribeAction(evaluator.ActionOf(i), record, launch, e.downloadFolder, e.commandLineKey,
                                  properties);
        e.work = e.work || detection::NeedsWork(record.state);
        e.prerequisites.push_back(std::move(p));
    }
    return true;
}

} // namespace velmora::cli
