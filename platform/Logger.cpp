#include "platform/Logger.h"

// Placeholder until the log writer lands: the interface is final, the body writes nothing yet.
namespace velmora::platform {

namespace {
bool logEnabled = false;
} // namespace

bool LogEnabled() {
    return logEnabled;
}

void SetLogEnabled(bool enabled) {
    logEnabled = enabled;
}

void Logger::SetLogFile(std::wstring_view) {}

void Logger::Log(std::wstring_view) {}

Logger& TheLogger() {
    static Logger logger;
    return logger;
}

void LogLine(std::wstring_view message) {
    if (LogEnabled())
        TheLogger().Log(message);
}

} // namespace velmora::platform
