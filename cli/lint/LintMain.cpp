// chainer-lint: checks a kit's configuration file as the chainer reads it. Builds as a Linux command and as
// a Windows console program from the same code.
#include <exception>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/lint/KitFolder.h"
#include "cli/lint/pure/LintOutput.h"
#include "cli/lint/pure/Linter.h"
#include "cli/pure/Arguments.h"
#include "cli/pure/TextCodec.h"

namespace {

using namespace velmora::cli;

constexpr char kUsage[] =
    "Usage: chainer-lint [--json] [--warnings-as-errors] [--chainer-folder FOLDER] [--] CONFIGURATION\n"
    "       chainer-lint --list-kinds | --version | --help\n"
    "Checks a kit's configuration file (or the one .ini file of a kit folder) as the chainer reads it and\n"
    "reports, with line numbers, what it would ignore, drop or read otherwise than written.\n"
    "  --json                 a machine-readable report\n"
    "  --warnings-as-errors   exit code 1 for warnings too\n"
    "  --chainer-folder F     the folder the chainer will run from on the target machine (a Windows path);\n"
    "                         CleanupFolders is checked against it\n"
    "  --list-kinds           every kind of finding with its severity\n"
    "  --version              the tool's version\n"
    "  --                     what follows is the configuration, even when it starts with \"-\"\n"
    "Exit code: 0 no errors, 1 errors, 2 the configuration could not be read or the arguments are wrong.\n";

constexpr int kClean = 0;
constexpr int kFindings = 1;
constexpr int kFailed = 2;

int Fail(const std::string& message) {
    WriteError("chainer-lint: " + message + "\n" + kUsage);
    return kFailed;
}

int Run(const std::vector<std::wstring>& arguments) {
    bool json = false;
    bool strict = false;
    std::wstring chainerFolder;
    Arguments command(arguments);
    while (command.NextOption()) {
        const std::wstring& option = command.Option();
        if (option == L"--json") {
            json = true;
        } else if (option == L"--warnings-as-errors") {
            strict = true;
        } else if (option == L"--chainer-folder") {
            if (!command.TakeValue(chainerFolder))
                return Fail("unexpected argument " + ToUtf8(option));
        } else if (option == L"--list-kinds") {
            WriteOut(KindsText());
            return kClean;
        } else if (option == L"--version") {
            WriteOut(VersionText("chainer-lint"));
            return kClean;
        } else if (option == L"--help" || option == L"-h") {
            WriteOut(kUsage);
            return kClean;
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
    LintInput input;
    if (!ReadWholeFile(path, input.bytes))
        return Fail("cannot read " + ToUtf8(DisplayPath(path)));
    const KitFolder kit(path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path());
    input.kit = &kit;
    input.chainerFolder = chainerFolder;

    const LintReport report = Lint(input);
    const std::wstring shown = DisplayPath(path);
    WriteOut(json ? LintJson(report, shown) : LintText(report, shown));
    const bool failed = report.Count(Severity::Error) > 0 || (strict && report.Count(Severity::Warning) > 0);
    return failed ? kFindings : kClean;
}

int Main(const std::vector<std::wstring>& arguments) {
    try {
        return Run(arguments);
    } catch (const std::exception& failure) {
        WriteError(std::string("chainer-lint: ") + failure.what() + "\n");
        return kFailed;
    }
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    PrepareConsole();
    return Main(ArgumentsOf(argc, argv));
}
#else
int main(int argc, char** argv) {
    PrepareConsole();
    return Main(ArgumentsOf(argc, argv));
}
#endif
