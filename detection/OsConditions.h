// Whether a prerequisite applies to this machine: its operating-system exclusion lists and its language
// list, tested against the process-wide version record and the system's default language.
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {
class Logger;
}

namespace velmora::detection {

// The names of this system, computed once (thread-safe) on first use and kept to the end of the process.
const std::wstring& GetDetailedOsName();
const std::wstring& GetGeneralOsName();

// True when the prerequisite must not be installed here: the list for this system's bitness is the
// catch-all value or names this system.
bool IsOsExcluded(std::wstring_view winNTVersions, std::wstring_view winNT64Versions);

// True when the list is empty or names the system default language. Logs the language first (when
// logging is on and the list is not empty).
bool IsLanguageAccepted(std::wstring_view languageList);
// The same, logging to the given logger (none: no line).
bool IsLanguageAccepted(std::wstring_view languageList, platform::Logger* log);

// "SystemDefault LangID=" + the identifier + "-" + the language's localised name.
std::wstring LanguageLogMessage(unsigned short languageId);

} // namespace velmora::detection
