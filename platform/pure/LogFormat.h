// The texts of the log file: time stamp, header lines and the names of the log file. Pure, so the exact
// format is tested natively byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::platform {

inline constexpr std::wstring_view kLogBanner = L"\r\n<< Velmora (x86) Log >>\r\n";
inline constexpr std::wstring_view kLogEndMessage =
    L"=====================End of Log=====================\r\n";
// Spelled as every earlier log has it; tools that read logs look for this text.
inline constexpr std::wstring_view kUnknownCpu = L"UnkownCPU";
inline constexpr std::wstring_view kLogFolderName = L"VELMORA_LOGS";

// What the header says about the operating system.
struct LogHeaderFacts {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t servicePack = 0;
    bool isServer = false;
    bool is64BitOs = false;
};

struct LocalTimeFields {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "2026-12-07 00-13-48": hyphens between the time fields too.
std::wstring FormatTimeStamp(const LocalTimeFields& time);

// The message as one line of the log: CR, LF and every other control character (C0, DEL, C1, and the
// Unicode line and paragraph separators) become a blank. Messages carry texts from servers, file names and
// the configuration; one with a line break of its own could write lines that look like the chainer's.
std::wstring OneLogLine(std::wstring_view message);

// "OS Version: 6.1.7601 SP1 (workstation) [x64]\r\n"
std::wstring OsVersionHeaderLine(const LogHeaderFacts& facts);

// "CPU: " + name + "\r\n"
std::wstring CpuHeaderLine(std::wstring_view processorName);

// The program's file name with the text after its last "." replaced by "LOG" (setup.exe gives setup.LOG;
// a name without a dot gets ".LOG").
std::wstring DefaultLogName(std::wstring_view programPath);

// The program's full path with its extension replaced the same way: the log beside the program.
std::wstring LogPathBesideProgram(std::wstring_view programPath);

} // namespace velmora::platform
