#include "app/MainFlow.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/Logger.h"
#include "platform/TextConversion.h"
#include "support/TestSupport.h"

using namespace velmora;
using config::PrerequisiteRecord;
using config::SourceKey;

namespace {

class FakeEnvironment : public detection::EvaluationEnvironment {
public:
    std::set<std::wstring> installed;
    bool IsOsExcluded(std::wstring_view, std::wstring_view) override { return false; }
    bool IsLanguageAccepted(std::wstring_view) override { return true; }
    bool RunSearches(PrerequisiteRecord& p, bool) override { return installed.count(p.Name) > 0; }
    bool FilePresent(const std::wstring&, std::uint64_t) override { return false; }
    bool LogEnabled() override { return platform::LogEnabled(); }
    void Log(std::wstring_view message) override { platform::TheLogger().Log(message); }
};

// Records what the main flow asked for; its answers are set by the test.
class FakePhases : public processing::ProcessingPhases {
public:
    std::vector<std::string> calls;
    processing::WindowResult windowResult = processing::WindowResult::AllDone;
    bool allMandatoryDone = true;
    bool rebootRequired = false, rebootRefused = false, rebootInProgress = false;
    FakeEnvironment* environment = nullptr;
    std::wstring installOnInstallAll;

    void HandOverSelection() override { calls.push_back("HandOverSelection"); }
    std::uint32_t DownloadAll(transfer::ProgressSink* sink) override {
        calls.push_back(sink == nullptr ? "DownloadAll" : "DownloadAll(sink)");
        return 1603; // a failed phase must not stop a silent run
    }
    void OpenSites(transfer::ProgressSink*) override { calls.push_back("OpenSites"); }
    std::uint32_t InstallAll(transfer::ProgressSink*) override {
        calls.push_back("InstallAll");
        return 1603;
    }
    void ReevaluateAll() override { calls.push_back("ReevaluateAll"); }
    bool AllMandatoryDone() override {
        calls.push_back("AllMandatoryDone");
        return allMandatoryDone;
    }
    processing::WindowResult RunProcessingWindow(std::wstring_view) override {
        calls.push_back("RunProcessingWindow");
        return windowResult;
    }
    bool RebootRequired() const override { return rebootRequired; }
    bool RebootRefused() const override { return rebootRefused; }
    bool RebootInProgress() const override { return rebootInProgress; }
    void Cleanup() override { calls.push_back("Cleanup"); }
};

// The process-wide log goes to one file for the whole program; each test reads what it added.
class MainFlowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        logFolder = new test::ScopedFolder();
        platform::SetLogEnabled(true);
        platform::TheLogger().SetLogFile(logFolder->Child(L"flow.log"));
        platform::TheLogger().Log(L"test start");
    }
    static void TearDownTestSuite() { platform::SetLogEnabled(false); }

    void SetUp() override { logStart = test::ReadFileBytes(logFolder->Child(L"flow.log")).size(); }

    // The messages logged since the test began, without their time stamps.
    std::vector<std::wstring> NewLogMessages() {
        std::string bytes = test::ReadFileBytes(logFolder->Child(L"flow.log")).substr(logStart);
        std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        std::vector<std::wstring> messages;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find(L"\r\n", start);
            std::wstring line = text.substr(start, end - start);
            // "yyyy-mm-dd hh-mm-ss-" is 20 characters.
            messages.push_back(line.size() >= 20 ? line.substr(20) : line);
            if (end == std::wstring::npos)
                break;
            start = end + 2;
        }
        return messages;
    }

    PrerequisiteRecord& Add(const wchar_t* name, const wchar_t* options = L"") {
        PrerequisiteRecord p;
        p.Name = name;
        p.Options = options;
        p.FlagI = p.HasOption(L'i');
        p.RetValPropName = std::wstring(name) + L"Ret";
        config.Prerequisites.push_back(p);
        return config.Prerequisites.back();
    }

    std::int32_t Run(bool silent) {
        app::MainFlowParts parts{config, evaluator, store, nullptr, silent, [this] {
                                     engineCreated = true;
                                     return std::unique_ptr<processing::ProcessingPhases>(
                                         new ForwardingPhases(phases));
                                 }};
        return app::MainFlow(parts);
    }

    // Hands the test's fake to the main flow without giving up ownership.
    struct ForwardingPhases : processing::ProcessingPhases {
        explicit ForwardingPhases(FakePhases& f) : fake(f) {}
        FakePhases& fake;
        void HandOverSelection() override { fake.HandOverSelection(); }
        std::uint32_t DownloadAll(transfer::ProgressSink* s) override { return fake.DownloadAll(s); }
        void OpenSites(transfer::ProgressSink* s) override { fake.OpenSites(s); }
        std::uint32_t InstallAll(transfer::ProgressSink* s) override { return fake.InstallAll(s); }
        void ReevaluateAll() override { fake.ReevaluateAll(); }
        bool AllMandatoryDone() override { return fake.AllMandatoryDone(); }
        processing::WindowResult RunProcessingWindow(std::wstring_view t) override {
            return fake.RunProcessingWindow(t);
        }
        bool RebootRequired() const override { return fake.RebootRequired(); }
        bool RebootRefused() const override { return fake.RebootRefused(); }
        bool RebootInProgress() const override { return fake.RebootInProgress(); }
        void Cleanup() override { fake.Cleanup(); }
    };

    static test::ScopedFolder* logFolder;
    std::size_t logStart = 0;
    test::ScopedRegistryKey key;
    config::InterbootStore store{platform::ToAnsi(key.SubKey() + L"\\InterbootContext")};
    config::Configuration config;
    FakeEnvironment environment;
    detection::PrerequisiteEvaluator evaluator{config, environment};
    FakePhases phases;
    bool engineCreated = false;
};

test::ScopedFolder* MainFlowTest::logFolder = nullptr;

} // namespace

TEST_F(MainFlowTest, NoPrerequisitesReturns0WithoutALogLine) {
    EXPECT_EQ(Run(true), 0);
    EXPECT_FALSE(engineCreated);
    EXPECT_TRUE(NewLogMessages().empty());
}

TEST_F(MainFlowTest, EverythingFoundLogsNothingToInstall) {
    Add(L"A");
    environment.installed = {L"A"};
    EXPECT_EQ(Run(true), 0);
    EXPECT_FALSE(engineCreated);
    EXPECT_EQ(NewLogMessages(), (std::vector<std::wstring>{L"Searching for:A",
                                                           L"Search result:An acceptable version was found.",
                                                           L"No prerequisite must be installed."}));
}

TEST_F(MainFlowTest, SilentRunsEveryPhaseAndTheFinalCheckDecides) {
    Add(L"A", L"m");
    config.Options = L"q";
    phases.allMandatoryDone = false;
    EXPECT_EQ(Run(true), 1);
    EXPECT_EQ(phases.calls,
              (std::vector<std::string>{"HandOverSelection", "DownloadAll", "OpenSites", "InstallAll",
                                        "ReevaluateAll", "AllMandatoryDone", "Cleanup"}));
    std::vector<std::wstring> log = NewLogMessages();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], L"Starting installing prerequisites in silent mode.");
    EXPECT_EQ(log.back(), L"After running prerequisites we have:  Reboot was required=false");

    phases.calls.clear();
    phases.allMandatoryDone = true;
    config.Prerequisites[0].state = config::EvaluationState::NotEvaluated;
    config.Prerequisites[0].selected = false;
    EXPECT_EQ(Run(true), 0);
}

TEST_F(MainFlowTest, SilentRebootSkipsTheFinalCheckAndKeepsTheStore) {
    Add(L"A", L"mr");
    config.Options = L"q";
    phases.rebootRequired = true;
    phases.allMandatoryDone = false;
    store.SetInt("ARet", 0);
    EXPECT_EQ(Run(true), -1);
    EXPECT_EQ(std::count(phases.calls.begin(), phases.calls.end(), "ReevaluateAll"), 0);
    std::vector<std::wstring> log = NewLogMessages();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], L"After running prerequisites we have:  Reboot was required=true");
    EXPECT_EQ(log[log.size() - 2], L"  Reboot was refused=false");
    EXPECT_EQ(log[log.size() - 1], L"  Reboot in Progress=false");
    EXPECT_FALSE(store.Values().empty());
    EXPECT_TRUE(config.Prerequisites[0].returnValueRestored);
}

TEST_F(MainFlowTest, BasicUiWindowResultsMapToExitCodes) {
    struct Case {
        processing::WindowResult window;
        bool required, refused, inProgress;
        std::int32_t exitCode;
        bool storeKept;
    } cases[] = {
        {processing::WindowResult::AllDone, false, false, false, 0, false},
        {processing::WindowResult::MandatoryMissing, false, false, false, 1, false},
        {processing::WindowResult::Cancelled, false, false, false, 0, false},
        {processing::WindowResult::Cancelled, true, false, false, -1, true},
        {processing::WindowResult::MandatoryMissing, true, true, false, 1, false},
        {processing::WindowResult::AllDone, true, true, true, -1, true},
    };
    for (const Case& c : cases) {
        config = config::Configuration();
        Add(L"A");
        config.Options = L"b";
        phases = FakePhases();
        phases.windowResult = c.window;
        phases.rebootRequired = c.required;
        phases.rebootRefused = c.refused;
        phases.rebootInProgress = c.inProgress;
        store.SetInt("ARet", 3010);
        EXPECT_EQ(Run(false), c.exitCode)
            << static_cast<int>(c.window) << c.required << c.refused << c.inProgress;
        EXPECT_EQ(phases.calls,
                  (std::vector<std::string>{"HandOverSelection", "RunProcessingWindow", "Cleanup"}));
        EXPECT_EQ(!store.Values().empty(), c.storeKept);
        store.DeleteKey();
    }
}

TEST_F(MainFlowTest, RefusedRebootLogsNoInProgressLine) {
    Add(L"A");
    config.Options = L"b";
    phases.rebootRequired = true;
    phases.rebootRefused = true;
    Run(false);
    std::vector<std::wstring> log = NewLogMessages();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], L"After running prerequisites we have:  Reboot was required=true");
    EXPECT_EQ(log.back(), L"  Reboot was refused=true");
}

TEST_F(MainFlowTest, NeitherModeProcessesNothingAndReturns0) {
    Add(L"A", L"m");
    EXPECT_EQ(Run(false), 0);
    EXPECT_TRUE(engineCreated);
    EXPECT_EQ(phases.calls, (std::vector<std::string>{"Cleanup"}));
    EXPECT_EQ(NewLogMessages().back(), L"After running prerequisites we have:  Reboot was required=false");
}

TEST_F(MainFlowTest, RecordedExitCodesAreRestoredIntoEveryMatchingPrerequisite) {
    Add(L"A");
    Add(L"B").RetValPropName = L"ARet";
    environment.installed = {L"A", L"B"};
    ASSERT_EQ(store.Set("ARet", "3010x"), config::InterbootStore::kOk);
    ASSERT_EQ(store.Set("Other", "5"), config::InterbootStore::kOk);
    EXPECT_EQ(Run(true), 0);
    for (const PrerequisiteRecord& p : config.Prerequisites) {
        EXPECT_TRUE(p.returnValueRestored);
        EXPECT_EQ(p.restoredReturnValue, 3010);
    }
    EXPECT_TRUE(store.Values().empty());
}
