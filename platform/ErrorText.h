// The system's text for a Windows or WinINet error code, for log lines.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::platform {

// FormatMessageW's text without its trailing line break; WinINet codes come from wininet.dll's table.
// An unknown code gives an empty text.
std::wstring SystemErrorText(DWORD code);

} // namespace velmora::platform
