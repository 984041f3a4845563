// The process-wide log writer and the flag every caller tests before it builds a message.
// Callers: if (LogEnabled()) TheLogger().Log(L"Searching for:" + name);
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

// False at start; start-up switches it on once, before other threads exist, when the configuration names
// a log file. Only read afterwards.
bool LogEnabled();
void SetLogEnabled(bool enabled);

class Logger {
public:
    // Sets the log path. Once the file is open the path no longer changes.
    void SetLogFile(std::wstring_view path);
    // Writes one time-stamped line; the message carries no line end. Never fails towards the caller.
    void Log(std::wstring_view message);
};

Logger& TheLogger();

// Logs the message when logging is on.
void LogLine(std::wstring_view message);

} // namespace velmora::platform
