// Showing a failure report: on the console when a console sink is registered, in the crash dialog
// otherwise, or to the debugger output in a silent run. The host part of the program registers the sinks,
// the reporter and the title; a build without them shows the dialog titled "Error", without
// "Send Error Report".
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

// What the host registered. The objects must outlive every report.
struct CrashRegistrations {
    ConsoleSink* console = nullptr;
    ConsoleSink* secondConsole = nullptr;
    ErrorReporter* reporter = nullptr;
    TitleProvider* title = nullptr;
    HWND defaultOwner = nullptr;
};

void SetCrashRegistrations(const CrashRegistrations& registrations);
CrashRegistrations CurrentCrashRegistrations();

// Shows a report. message: the text up to the stack trace; report: the whole text, offered as details when
// it differs from the message. The crash dialog is modal over owner (else the registered default owner).
// Both texts lose the user information of any URL in them first (RedactUrlCredentials).
void PresentError(HWND owner, std::wstring_view message, std::wstring_view report);

} // namespace velmora::platform::core
