// Conversions between UTF-16 and the thread's ANSI code page, for the few narrow edges (registry store,
// Internet shortcut files, symbol names).
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);

} // namespace velmora::platform
