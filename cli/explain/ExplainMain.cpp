// chainer-explain: runs the chainer's evaluation of a kit's configuration on this machine and says what it
// found and what the chainer would do, without doing it.
#include <windows.h>
#include <objbase.h>

#include <exception>
#include <string>
#include <vector>

#include "app/Entry.h"
#include "cli/Console.h"
#include "cli/explain/Explainer.h"
#include "cli/pure/Arguments.h"
#include "cli/pure/TextCodec.h"

namespace {

using namespace velmora::cli;

constexpr char kUsage[] =
    "Usage: chainer-explain [--json] [--] CONFIGURATION\n"
    "       chainer-explain --version | --help\n"
    "Runs the chainer's evaluation of a kit's configuration file (or the one .ini file of a kit folder) on\n"
    "this machine and prints, per prerequisite, the system and language decisions, each search with what\n"
    "it collected, the result, the state and what the processing sequence would do. Nothing is downloaded\n"
    "or launched (the programs of RunProgram searches excepted) and nothing is written.\n"
    "  --json      a machine-readable report\n"
    "  --version   the tool's version\n"
    "  --          what follows is the configuration, even when it starts with \"-\"\n"
    "Exit code: 0 explained, and the run would do nothing; 1 explained, and the run would download, open a\n"
    "site or launch something; 2 the configuration could not be read or the arguments are wrong.\n";

constexpr int kNothingToDo = 0;
constexpr int kWouldAct = 1;
constexpr int kFailed = 2;

int Fail(const std::string& message) {
    WriteError("chainer-explain: " + message + "\n" + kUsage);
    return kFailed;
}

int Run(const std::vector<std::wstring>& arguments) {
    bool json = false;
    Arguments command(arguments);
    while (command.NextOption()) {
        const std::wstring& option = command.Option();
        if (option == L"--json") {
            json = true;
        } else if (option == L"--version") {
            WriteOut(VersionText("chainer-explain"));
            return kNothingToDo;
        } else if (option == L"--help" || option == L"-h") {
            WriteOut(kUsage);
            return kNothingToDo;
        } else {
            return Fail("unexpected argument " + ToUtf8(option));
        }
    }
    if (!command.Unexpected().empty())
        return Fail("unexpected argument " + ToUtf8(command.Unexpected()));
    const std::wstring& given = command.Given();
    if (given.empty())
        return Fail("no configuration file given");
    std::string error;
    const std::filesystem::path path = ConfigurationOf(NativePath(given), error);
    if (path.empty())
        return Fail(error);

    Explanation explanation;
    if (!Explain(DisplayPath(path), explanation, error))
        return Fail(error);
    WriteOut(json ? ExplanationJson(explanation) : ExplanationText(explanation));
    return RunWouldAct(explanation) ? kWouldAct : kNothingToDo;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Run from a kit's folder like the chainer, and as elevated: libraries from the system folder only.
    velmora::app::HardenProcess();
    PrepareConsole();
    // As in the chainer: the shell calls of the searches expect an apartment on this thread.
    const bool comInitialised = ::CoInitialize(nullptr) == S_OK;
    int exitCode = kFailed;
    try {
        exitCode = Run(ArgumentsOf(argc, argv));
    } catch (const std::exception& failure) {
        WriteError(std::string("chainer-explain: ") + failure.what() + "\n");
    }
    if (comInitialised)
        ::CoUninitialize();
    return exitCode;
}
