// What the processing engine and window tests share: a kit folder holding exit_with.exe as a setup file, a
// configuration whose searches look for a private HKCU key (which the helper can create, as an installer
// leaves its mark), the real evaluation, a private interboot store, a transfer that copies local files,
// and a sink that records every call.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LaunchTestSupport.h"
#include "config/InterbootStore.h"
#include "detection/MachineEvaluation.h"
#include "platform/TextConversion.h"
#include "processing/ProcessingEngine.h"
#include "support/TestSupport.h"

namespace velmora::test {

// Copies the file the URL names (a plain local path) to the target, as a transfer would; or fails with
// the code it was given. Records each call.
class CopyingTransfer : public processing::FileTransfer {
public:
    struct Call {
        std::wstring url;
        std::wstring target;
        std::uint64_t expectedSize;
        bool withSink;
    };
    std::vector<Call> calls;
    std::uint32_t failWith = 0;
    std::function<void()> during;
    // The MD5 it answers when asked for the digests of what it wrote; empty: none could be computed.
    std::string digest;

    std::uint32_t Download(std::wstring_view url, std::wstring_view targetPath, std::uint64_t expectedSize,
                           transfer::DigestKinds kinds, transfer::ProgressSink* sink,
                           processing::TransferReceipt& receipt) override;
};

// Records every call as text ("Begin 2", "SetStatus Downloading A 9", "ReportError A 0xe0000024",
// "AskToRestart", "ShowNotice <notice> <title>") and gives rebootAnswer to the reboot question.
class RecordingSink : public transfer::ProgressSink {
public:
    std::vector<std::wstring> calls;
    std::atomic<bool> cancelled{false};
    execution::RebootAnswer rebootAnswer = execution::RebootAnswer::Yes;

    void Begin(std::uint64_t count, std::uint32_t) override {
        calls.push_back(L"Begin " + std::to_wstring(count));
    }
    void TransferStarted(std::uint32_t, std::uint64_t, std::wstring_view) override {}
    void Completed(std::uint32_t kind, std::uint32_t) override {
        calls.push_back(L"Completed " + std::to_wstring(kind));
    }
    void BytesDone(std::uint64_t) override {}
    bool IsCancelled() override { return cancelled.load(); }
    bool IsPaused() override { return false; }
    std::uint32_t ReportError(std::wstring_view text, std::uint32_t code, std::uintptr_t) override;
    void SetStatus(std::wstring_view text, std::uint32_t kind, std::uint32_t) override {
        calls.push_back(L"SetStatus " + std::wstring(text) + L" " + std::to_wstring(kind));
    }
    execution::RebootAnswer AskToRestart() override {
        calls.push_back(L"AskToRestart");
        return rebootAnswer;
    }
    void ShowNotice(std::wstring_view notice, std::wstring_view title) override {
        calls.push_back(L"ShowNotice " + std::wstring(notice) + L" " + std::wstring(title));
    }
};

class ProcessingTestBase : public LogTestBase {
protected:
    ScopedFolder kit;
    ScopedRegistryKey key;
    config::InterbootStore store{platform::ToAnsi(key.SubKey() + L"\\InterbootContext")};
    execution::ExtractionContext extraction;
    config::Configuration configuration;
    CopyingTransfer transfer;
    FakeRestart restart;
    std::unique_ptr<detection::MachineEvaluation> machine;
    std::unique_ptr<detection::PrerequisiteEvaluator> evaluator;
    std::unique_ptr<processing::ProcessingEngine> engine;

    void SetUp() override;

    // A prerequisite launching kit\helper.exe with the exit code, found once its own marker key exists;
    // with createsMarker the helper creates that key.
    config::PrerequisiteRecord& AddHelper(const std::wstring& name, const std::wstring& exitCode,
                                          const std::wstring& options = L"", bool createsMarker = true,
                                          const std::wstring& sleepMs = L"0");
    // A prerequisite downloaded from the local file source (a plain path the copying transfer reads).
    config::PrerequisiteRecord& AddDownload(const std::wstring& name, const std::wstring& source,
                                            const std::wstring& options = L"");
    std::wstring MarkerKey(const std::wstring& name) const;
    bool MarkerExists(const std::wstring& name) const;
    // Evaluates every prerequisite and creates the engine.
    void Start();
    std::string Recorded(const char* name);
};

} // namespace velmora::test
