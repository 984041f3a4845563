// The one application object: finds and reads the configuration beside the chainer, waits for the Windows
// Installer, runs the main flow and keeps its result as the exit code. No command-line argument is read: the
// configuration file alone drives a run.
//
// Its destruction runs the exit cleanup that start-up planned from PREREQ_CHAINER (none without that
// section): the chainer deletes its configuration file and the listed files and removes the folders left
// empty, then hands itself and its folders to the package's cleanup script; the status window and the
// extraction context go last. Every step is best effort and silent.
#pragma once

#include <string>
#include <vector>

#include "config/pure/Configuration.h"
#include "config/pure/IniDocument.h"
#include "execution/CleanupScriptRunner.h"
#include "execution/ExtractionContext.h"
#include "ui/StatusWindow.h"

namespace velmora::app {

class ChainerApp {
public:
    ChainerApp() = default;
    ~ChainerApp();
    ChainerApp(const ChainerApp&) = delete;
    ChainerApp& operator=(const ChainerApp&) = delete;

    void Run();

    int ExitCode() const { return exitCode_; }
    bool Silent() const { return silent_; }
    config::Configuration& Config() { return configuration_; }
    const config::Configuration& Config() const { return configuration_; }
    // Locates the package files of the run: beside the chainer, or in a configured extraction folder.
    execution::ExtractionContext& Extraction() { return extraction_; }
    const execution::ExtractionContext& Extraction() const { return extraction_; }
    ui::StatusWindow& Status() { return status_; }

private:
    void BuildCleanupLists(const config::ChainerSettings& settings);
    void ExitCleanup();
    void RunCleanupScript();

    int exitCode_ = 0;
    bool silent_ = false;
    std::wstring exePath_;
    std::wstring exeFolder_;
    std::wstring iniPath_;
    config::Configuration configuration_;
    config::ChainerSettings settings_;
    bool hasSettings_ = false;
    std::vector<std::wstring> fileCleanupList_;
    std::wstring cleanupFolders_;
    // Declared before the members that go after it at exit: destruction runs in reverse order.
    execution::ExtractionContext extraction_;
    execution::CleanupScriptRunner cleanupScript_;
    ui::StatusWindow status_;
};

// The chainer's full path. Empty when the system cannot say.
std::wstring ModulePath();

// Switches logging on, to the file that LogFile of PREREQ_CHAINER names, when that value is not empty.
// Nothing is logged before this.
void StartLogging(const config::ChainerSettings& settings);

} // namespace velmora::app
