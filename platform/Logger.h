// The process-wide log writer and the flag every caller tests before it builds a message.
// Callers: if (LogEnabled()) TheLogger().Log(L"Searching for:" + name);
// Every line goes through RedactUrlCredentials (platform/pure/Redact.h): no URL's password is written; and
// through OneLogLine (platform/pure/LogFormat.h): a line break in a message never starts a line of its own.
//
// How it works: nothing touches the disk until the first Log. That call opens the file (the path given by
// SetLogFile, else the fallback folders in their order), writes the byte-order mark on a new file and the
// run's header, and keeps the handle open to the end of the process. Every line is written whole in one
// call and flushed at once, so a crash or a reboot loses nothing. One lock serialises every operation, so lines
// from different threads never interleave. Failures never reach the caller; they go to the debugger output.
// Others can write where the log goes (the shared folder is open to everyone): an existing file is
// appended to only when it is a plain file, and the shared folder is held and must be no link while the
// file is opened in it; anything else counts as a path that cannot be opened.
//
// The header names the operating system, which the detection subsystem knows; the logger takes it from a
// header source that start-up hands over, so this layer does not depend on the one above it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/pure/LogFormat.h"

namespace velmora::platform {

// False at start; start-up switches it on once, before other threads exist, when the configuration names
// a log file. Only read afterwards.
bool LogEnabled();
void SetLogEnabled(bool enabled);

// Called when a log file is opened, for the header's operating-system line.
using LogHeaderSource = LogHeaderFacts (*)();

// Where an instance looks. Empty fields mean the running system's own values; tests point them at
// folders of their own.
struct LoggerSetup {
    LogHeaderSource header = nullptr;
    std::wstring programPath;      // the program's full path (default: GetModuleFileNameW)
    std::wstring commonDataFolder; // default: the common application data folder
    std::wstring tempFolder;       // default: GetTempPathW
};

class Logger {
public:
    Logger();
    explicit Logger(LoggerSetup setup);
    // Logs the closing line when LogEnabled is set, then closes the file.
    ~Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    void SetHeaderSource(LogHeaderSource source);
    // Sets the log path. Once the file is open the path no longer changes.
    void SetLogFile(std::wstring_view path);
    // Writes one time-stamped line; the message carries no line end. Never fails towards the caller.
    void Log(std::wstring_view message);

    // The path of the open log file, or the path the next opening will try first (empty: the fallbacks).
    std::wstring LogPath() const;
    bool IsOpen() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

Logger& TheLogger();

// Logs the message when logging is on.
void LogLine(std::wstring_view message);

} // namespace velmora::platform
