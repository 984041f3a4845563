// The names by which the chainer knows each Windows version, and the two applicability tests of a
// prerequisite built on them: its exclusion lists (WinNTVersions, WinNT64Versions) and its LanguageList.
// Pure functions of the version record and the configured texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "detection/pure/OsVersionInfo.h"

namespace velmora::detection {

// A list equal to one of these, as a whole string, excludes every system of that bitness.
inline constexpr std::wstring_view kAllOsList64 =
    L"Windows XP/Vista/Windows 7/Windows 8 x64/Windows 8.1 x64/Windows 10 x64/Windows 11 x64";
inline constexpr std::wstring_view kAllOsList32 =
    L"Windows 9x/ME/NT/2000/XP/Vista/Windows 7/Windows 8 x86/Windows 8.1 x86/Windows 10 x86";
inline constexpr std::wstring_view kOsNotIdentified = L"OsNotIdentified";

// By major, minor, build and service pack, e.g. "Windows 10 version 21H2 x64".
std::wstring DetailedOsName(const OsVersionInfo& info);
// By major and minor only, e.g. "Windows 10 x64".
std::wstring GeneralOsName(const OsVersionInfo& info);

// Items of an exclusion list: split at every ", ", not trimmed; an empty list has none.
std::vector<std::wstring_view> SplitOsList(std::wstring_view list);

// True when the list for the machine's bitness (WinNT64Versions on a 64-bit system, WinNTVersions
// otherwise) is the catch-all value or names the detailed or the general name exactly.
bool IsOsExcludedFor(bool is64BitOs, std::wstring_view detailedName, std::wstring_view generalName,
                     std::wstring_view winNTVersions, std::wstring_view winNT64Versions);

// A language item as a decimal number: leading blanks skipped, optional sign, digits up to the first
// other character (wrapping in 32 bits); no digits give 0.
std::int32_t ParseLanguageItem(std::wstring_view item);

// True when an item of the list, each ended by ";", equals the language in its low 16 bits. Text after
// the last ";" is not examined.
bool IsLanguageInList(std::wstring_view list, std::uint16_t languageId);

// "SystemDefault LangID=1033-English (United States)"
std::wstring LanguageLogLine(std::uint16_t languageId, std::wstring_view languageName);

} // namespace velmora::detection
