// Showing a failure report: on the console when the reporting names a console sink, in the crash dialog
// otherwise, or to the debugger output in a silent run. The program itself passes no sinks, reporter or
// title: its reports go to the crash dialog titled "Error", without "Send Error Report". Hosts that want
// otherwise (a console program, a test) pass their own CrashReporting where a report is made.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::platform::core {

// Receives the text of every report written to the console.
class ConsoleSink {
public:
    virtual ~ConsoleSink() = default;
    virtual void Write(std::wstring_view text) = 0;
};

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // Whether the crash dialog offers "Send Error Report".
    virtual bool CanSend() const = 0;
    // The user pressed "Send Error Report": the details text and the crash dialog's window.
    virtual void Send(std::wstring_view details, HWND dialog) = 0;
    // Every report, as "\r\n" followed by its message.
    virtual void Receive(std::wstring_view text) = 0;
};

class TitleProvider {
public:
    virtual ~TitleProvider() = default;
    virtual std::wstring Title() const = 0;
};

// Where reports go besides the default. The objects must outlive every report made with them.
struct CrashReporting {
    ConsoleSink* console = nullptr;
    ConsoleSink* secondConsole = nullptr;
    ErrorReporter* reporter = nullptr;
    TitleProvider* title = nullptr;
    HWND defaultOwner = nullptr;
};

// Shows a report. message: the text up to the stack trace; report: the whole text, offered as details when
// it differs from the message. The crash dialog is modal over owner (else the reporting's default owner).
// Both texts lose the user information of any URL in them first (RedactUrlCredentials).
void PresentError(HWND owner, std::wstring_view message, std::wstring_view report,
                  const CrashReporting& reporting = {});

} // namespace velmora::platform::core
