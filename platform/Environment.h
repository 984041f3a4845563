// Environment variables of the process.
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

// False and an empty value when the variable is not set.
bool GetEnv(std::wstring_view name, std::wstring& value);

} // namespace velmora::platform
