#include "detection/OsConditions.h"

#include <windows.h>

#include "detection/OsVersion.h"
#include "detection/pure/OsNames.h"
#include "platform/GrowBuffer.h"
#include "platform/Logger.h"

namespace velmora::detection {

const std::wstring& GetDetailedOsName() {
    static const std::wstring name = DetailedOsName(GetOsVersionInfo());
    return name;
}

const std::wstring& GetGeneralOsName() {
    static const std::wstring name = GeneralOsName(GetOsVersionInfo());
    return name;
}

bool IsOsExcluded(std::wstring_view winNTVersions, std::wstring_view winNT64Versions) {
    return IsOsExcludedFor(GetOsVersionInfo().is64BitOs, GetDetailedOsName(), GetGeneralOsName(),
                           winNTVersions, winNT64Versions);
}

std::wstring LanguageLogMessage(unsigned short languageId) {
    const LCID locale = MAKELCID(languageId, SORT_DEFAULT);
    std::wstring name;
    DWORD error = platform::CallWithGrowingBuffer(
        name, 64, [locale](wchar_t* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            int length = ::GetLocaleInfoW(locale, LOCALE_SLANGUAGE, buffer, static_cast<int>(capacity));
            if (length == 0) {
                DWORD error = ::GetLastError();
                if (error == ERROR_INSUFFICIENT_BUFFER)
                    *needed = static_cast<DWORD>(::GetLocaleInfoW(locale, LOCALE_SLANGUAGE, nullptr, 0));
                return error;
            }
            *written = static_cast<DWORD>(length - 1);
            return ERROR_SUCCESS;
        });
    if (error != ERROR_SUCCESS)
        name.clear();
    return LanguageLogLine(languageId, name);
}

bool IsLanguageAccepted(std::wstring_view languageList, platform::Logger* log) {
    if (languageList.empty())
        return true;
    const LANGID language = ::GetSystemDefaultLangID();
    if (log != nullptr)
        log->Log(LanguageLogMessage(language));
    return IsLanguageInList(languageList, language);
}

bool IsLanguageAccepted(std::wstring_view languageList) {
    return IsLanguageAccepted(languageList, platform::LogEnabled() ? &platform::TheLogger() : nullptr);
}

} // namespace velmora::detection
