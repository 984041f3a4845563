#include "platform/pure/LogFormat.h"

#include <cwchar>

#include "platform/pure/PathRules.h"

namespace velmora::platform {

namespace {

std::wstring WithLogExtension(std::wstring_view name) {
    std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos)
        return std::wstring(name) + L".LOG";
    return std::wstring(name.substr(0, dot + 1)) + L"LOG";
}

} // namespace

std::wstring FormatTimeStamp(const LocalTimeFields& time) {
    wchar_t text[64];
    std::swprintf(text, 64, L"%04d-%02d-%02d %02d-%02d-%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

std::wstring OneLogLine(std::wstring_view message) {
    std::wstring line(message);
    for (wchar_t& c : line) {
        const auto code = static_cast<std::uint32_t>(c);
        if (code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029)
            c = L' ';
    }
    return line;
}

std::wstring OsVersionHeaderLine(const LogHeaderFacts& facts) {
    wchar_t text[128];
    std::swprintf(text, 128, L"OS Version: %u.%u.%u SP%u (%ls) [%ls]\r\n", static_cast<unsigned>(facts.major),
                  static_cast<unsigned>(facts.minor), static_cast<unsigned>(facts.build),
                  static_cast<unsigned>(facts.servicePack), facts.isServer ? L"server" : L"workstation",
                  facts.is64BitOs ? L"x64" : L"x86");
    return text;
}

std::wstring CpuHeaderLine(std::wstring_view processorName) {
    return L"CPU: " + std::wstring(processorName) + L"\r\n";
}

std::wstring DefaultLogName(std::wstring_view programPath) {
    return WithLogExtension(FileName(programPath));
}

std::wstring LogPathBesideProgram(std::wstring_view programPath) {
    // Only the file name's dot counts: a dot in a folder name must not send the log into another folder.
    std::size_t slash = programPath.rfind(L'\\');
    std::size_t nameStart = slash == std::wstring_view::npos ? 0 : slash + 1;
    return std::wstring(programPath.substr(0, nameStart)) + WithLogExtension(programPath.substr(nameStart));
}

} // namespace velmora::platform
