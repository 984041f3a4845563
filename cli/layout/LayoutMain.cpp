// chainer-layout: downloads every prerequisite of a kit that has a Url into the folder where the chainer
// looks for it, so that the kit installs on machines without a network; or checks such a layout.
#include <windows.h>

#include <atomic>
#include <exception>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/layout/Layout.h"
#include "cli/pure/Arguments.h"
#include "cli/pure/TextCodec.h"
#include "app/ChainerApp.h"
#include "app/Entry.h"
#include "platform/GrowBuffer.h"

namespace {

using namespace velmora::cli;

constexpr char kUsage[] =
    "Usage: chainer-layout [--check] [--json] [--log FILE] [--] KIT\n"
    "       chainer-layout --version | --help\n"
    "Downloads every prerequisite of a kit (its folder, or its configuration file) that has a Url into the\n"
    "folder where the chainer looks for it, under the name the chainer gives it, through the chainer's own\n"
    "transfer engine (resume, size and digest checks), so that the kit installs on machines without a\n"
    "network. A file already in place that passes its checks is kept. The kit's DownloadFolder must lie\n"
    "inside the kit.\n"
    "  --check     only look: is every download in place, with its size and digest?\n"
    "  --json      a machine-readable report on standard output (progress goes to standard error)\n"
    "  --log FILE  the transfer engine's log lines (servers, resumes, failures), as the chainer logs them\n"
    "  --version   the tool's version\n"
    "  --          what follows is the kit, even when it starts with \"-\"\n"
    "Exit code: 0 every download is in place; 1 some download failed, is missing or does not match;\n"
    "2 the kit could not be read or the arguments are wrong; 3 the kit's download folder is not inside it.\n";

constexpr int kComplete = 0;
constexpr int kIncomplete = 1;
constexpr int kFailed = 2;
constexpr int kOutsideKit = 3;

std::atomic<bool> g_stopped{false};

// Ctrl+C stops the transfer at its next piece, so its partial file stays for the next layout to continue.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    g_stopped.store(true);
    return TRUE;
}

int Fail(const std::string& message) {
    WriteError("chainer-layout: " + message + "\n" + kUsage);
    return kFailed;
}

// Shows the work as it goes: on standard output for people, on standard error next to a JSON report. On a
// console the progress line is rewritten in place; written to a file or a pipe, a line every few seconds
// is enough for a build log.
class ConsoleObserver final : public LayoutObserver {
public:
    explicit ConsoleObserver(bool toError) : toError_(toError) {
        DWORD mode = 0;
        console_ =
            ::GetConsoleMode(::GetStdHandle(toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), &mode) != 0;
    }

    void Write(const std::string& text) { toError_ ? WriteError(text) : WriteOut(text); }

    void Starting(const LayoutFile& file, std::size_t position, std::size_t count) override {
        Write(FileHeading(file, position, count));
        // A file or a pipe hears of a transfer only once it has run for a while.
        lastTick_ = console_ ? 0 : ::GetTickCount64();
        shown_ = 0;
    }
    void Progress(const std::wstring& line) override {
        const ULONGLONG now = ::GetTickCount64();
        if (now - lastTick_ < (console_ ? 200u : 5000u))
            return;
        lastTick_ = now;
        std::string text = "  " + ToUtf8(line);
        if (console_) {
            const std::size_t length = text.size();
            text.append(shown_ > length ? shown_ - length : 0, ' ');
            shown_ = length;
            Write("\r" + text);
        } else {
            Write(text + "\n");
        }
    }
    void Done(const LayoutFile& file) override {
        if (console_ && shown_ != 0)
            Write("\r" + std::string(shown_ + 2, ' ') + "\r");
        Write("  " + ToUtf8(OutcomeLine(file)) + "\n");
        if (const std::wstring note = NoteLine(file); !note.empty())
            Write("  " + ToUtf8(note) + "\n");
    }
    bool Stopped() override { return g_stopped.load(); }

private:
    bool toError_;
    bool console_ = false;
    ULONGLONG lastTick_ = 0;
    std::size_t shown_ = 0;
};

int Run(const std::vector<std::wstring>& arguments) {
    bool check = false;
    bool json = false;
    std::wstring logFile;
    Arguments command(arguments);
    while (command.NextOption()) {
        const std::wstring& option = command.Option();
        if (option == L"--check") {
            check = true;
        } else if (option == L"--json") {
            json = true;
        } else if (option == L"--log") {
            if (!command.TakeValue(logFile))
                return Fail("unexpected argument " + ToUtf8(option));
        } else if (option == L"--version") {
            WriteOut(VersionText("chainer-layout"));
            return kComplete;
        } else if (option == L"--help" || option == L"-h") {
            WriteOut(kUsage);
            return kComplete;
        } else {
            return Fail("unexpected argument " + ToUtf8(option));
        }
    }
    if (!command.Unexpected().empty())
        return Fail("unexpected argument " + ToUtf8(command.Unexpected()));
    const std::wstring& given = command.Given();
    if (given.empty())
        return Fail("no kit given");
    std::string error;
    const std::filesystem::path path = ConfigurationOf(NativePath(given), error);
    if (path.empty())
        return Fail(error);

    // Before the kit is read: relative to the folder the tool was started in, not the kit's.
    if (!logFile.empty()) {
        velmora::config::ChainerSettings settings;
        settings.LogFile = velmora::platform::FullPath(logFile);
        velmora::app::StartLogging(settings);
    }
    KitLayout layout;
    switch (layout.Open(DisplayPath(path), error)) {
    case LayoutOpening::Unreadable:
        return Fail(error);
    case LayoutOpening::OutsideKit:
        WriteError("chainer-layout: " + error + "\n");
        return kOutsideKit;
    default:
        break;
    }
    const LayoutReport& report = layout.Report();
    ConsoleObserver observer(json);
    observer.Write(ReportHeading(report));
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    layout.Run(check, observer);
    observer.Write(SummaryText(report));
    if (json)
        WriteOut(LayoutJson(report));
    return LayoutComplete(report) ? kComplete : kIncomplete;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Run from a kit's folder, as the chainer: libraries from the system folder only.
    velmora::app::HardenProcess();
    PrepareConsole();
    try {
        return Run(ArgumentsOf(argc, argv));
    } catch (const std::exception& failure) {
        WriteError(std::string("chainer-layout: ") + failure.what() + "\n");
        return kFailed;
    }
}
