#include "app/MainFlow.h"

#include <windows.h>

#include "platform/MessageWait.h"
#include "transfer/CredentialStore.h"
#include "processing/ProcessingEngine.h"
#include "app/ChainerApp.h"
#include "config/pure/DecimalText.h"
#include "detection/MachineEvaluation.h"
#include "processing/pure/RunOutcome.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "platform/TextConversion.h"
#include "ui/StatusWindow.h"
#include "ui/WorkerThread.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::app {

using processing::RunOutcome;

namespace {

const wchar_t* BoolText(bool value) {
    return value ? L"true" : L"false";
}

DWORD EvaluateAllOnWorker(void* evaluator) {
    return static_cast<DWORD>(static_cast<detection::PrerequisiteEvaluator*>(evaluator)->EvaluateAll());
}

// Basic UI keeps the status window responsive while a worker evaluates; silent runs evaluate right here.
void EvaluateAll(MainFlowParts& parts) {
    if (parts.silent) {
        parts.evaluator.EvaluateAll();
        return;
    }
    if (parts.status != nullptr)
        parts.status->ShowStatus(IDS_SEARCHING, false);
    ui::WorkerThread worker;
    if (worker.Start(EvaluateAllOnWorker, &parts.evaluator, false) != ERROR_SUCCESS) {
        parts.evaluator.EvaluateAll();
        return;
    }
    platform::WaitPumping(worker.Handle());
    // The worker's destruction waits for its end and closes the handle.
}

void LogRebootOutcome(const RunOutcome& outcome) {
    if (!platform::LogEnabled())
        return;
    platform::TheLogger().Log(std::wstring(L"After running prerequisites we have:") +
                              L"  Reboot was required=" + BoolText(outcome.rebootRequired));
    if (!outcome.rebootRequired)
        return;
    platform::TheLogger().Log(std::wstring(L"  Reboot was refused=") + BoolText(outcome.rebootRefused));
    if (!outcome.rebootRefused)
        platform::TheLogger().Log(std::wstring(L"  Reboot in Progress=") +
                                  BoolText(outcome.rebootInProgress));
}

RunOutcome Process(MainFlowParts& parts, processing::ProcessingPhases& engine) {
    RunOutcome outcome;
    if (parts.configuration.IsSilent()) {
        outcome.mode = processing::ProcessingMode::Silent;
        platform::LogLine(L"Starting installing prerequisites in silent mode.");
        engine.HandOverSelection();
        // Silent runs go through every phase whatever each one returns; only the final check counts.
        (void)engine.DownloadAll(nullptr);
        engine.OpenSites(nullptr);
        (void)engine.InstallAll(nullptr);
        if (!engine.RebootRequired()) {
            engine.ReevaluateAll();
            outcome.allMandatoryDone = engine.AllMandatoryDone();
        }
    } else if (parts.configuration.IsBasicUi()) {
        outcome.mode = processing::ProcessingMode::BasicUi;
        platform::LogLine(L"Starting installing prerequisites in basic UI mode.");
        std::wstring title;
        if (parts.status != nullptr) {
            if (parts.status->Title().empty())
                parts.status->PrepareTitle();
            title = parts.status->Title();
        }
        engine.HandOverSelection();
        outcome.windowResult = engine.RunProcessingWindow(title);
    }
    outcome.rebootRequired = engine.RebootRequired();
    outcome.rebootRefused = engine.RebootRefused();
    outcome.rebootInProgress = engine.RebootInProgress();
    return outcome;
}

// Every matching prerequisite gets the exit code an earlier launch recorded under its RetValPropName.
void RestoreRecordedValues(MainFlowParts& parts) {
    for (const auto& [name, text] : parts.store.Values()) {
        std::wstring wideName = platform::FromAnsi(name);
        for (config::PrerequisiteRecord& prerequisite : parts.configuration.Prerequisites) {
            if (prerequisite.RetValPropName != wideName)
                continue;
            prerequisite.restoredReturnValue = config::ParseDecimal(text).value;
            prerequisite.returnValueRestored = true;
        }
    }
}

} // namespace

std::int32_t MainFlow(MainFlowParts& parts) {
    parts.store.deleteAtEnd = true;
    std::int32_t result = 0;

    if (!parts.configuration.Prerequisites.empty()) {
        EvaluateAll(parts);
        bool work = false;
        for (const config::PrerequisiteRecord& prerequisite : parts.configuration.Prerequisites)
            work = work || detection::NeedsWork(prerequisite.state);

        if (!work) {
            platform::LogLine(L"No prerequisite must be installed.");
        } else {
            if (parts.status != nullptr)
                parts.status->CloseStatus();
            std::unique_ptr<processing::ProcessingPhases> engine = parts.createEngine();
            RunOutcome outcome = Process(parts, *engine);
            LogRebootOutcome(outcome);
            processing::ExitDecision decision = processing::DecideExit(outcome);
            result = decision.exitCode;
            if (decision.keepInterbootStore)
                parts.store.deleteAtEnd = false;
            engine->Cleanup();
        }
    }

    RestoreRecordedValues(parts);
    if (parts.store.deleteAtEnd)
        parts.store.DeleteKey();
    return result;
}

} // namespace velmora::app

namespace velmora::app {

int RunMainFlow(ChainerApp& app) {
    detection::MachineEvaluation machine(app.Extraction());
    detection::PrerequisiteEvaluator evaluator(app.Config(), machine);
    config::InterbootStore store;
    // Credentials entered for a server serve every later transfer of the run to it. A silent run has no
    // one to ask.
    transfer::CredentialStore& credentials = transfer::TheCredentialStore();
    credentials.SetNoPrompt(app.Silent());
    processing::DownloaderTransfer downloads(&credentials);
    MainFlowParts parts{
        app.Config(), evaluator, store, &app.Status(), app.Silent(), [&] {
            return std::unique_ptr<processing::ProcessingPhases>(new processing::ProcessingEngine(
                {app.Config(), evaluator, app.Extraction(), store, downloads, nullptr, &credentials}));
        }};
    const int result = MainFlow(parts);
    credentials.Clear();
    return result;
}

} // namespace velmora::app
