// The one process-wide record of the machine's Windows version, read from the registry on first use.
// The version functions of the system report a compatibility version to programs without the right
// manifest, so the registry's own values (in its 64-bit view) are trusted instead.
#pragma once

#include <windows.h>

#include <string>

#include "detection/pure/OsVersionInfo.h"
#include "platform/Logger.h"

namespace velmora::detection {

// Filled once, thread-safe, on the first call; every later call returns the same record.
const OsVersionInfo& GetOsVersionInfo();

// True when the machine runs Windows 10 or later (Windows 11 included).
bool IsWindows10OrLater();

// Where the detection reads: a root key and the two key paths under it, always opened in the 64-bit view.
struct OsVersionSource {
    HKEY root = HKEY_LOCAL_MACHINE;
    std::wstring versionKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
    std::wstring productOptionsKey = L"SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
};

// Runs the detection on the given keys. The process-wide record is this on the default source; tests point
// it at keys of their own. is64BitOs always describes the running machine. Never fails: what cannot be
// read keeps its initial value.
OsVersionInfo ReadOsVersionInfo(const OsVersionSource& source);

// The record's facts for the log header; start-up hands this to the logger.
platform::LogHeaderFacts OsFactsForLogHeader();

} // namespace velmora::detection
