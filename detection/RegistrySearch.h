// The registry searches. Each takes the search string as the configuration wrote it (root, "\", key path
// and, for value searches, "\" and the value name) and the registry view to open it in. A key that does
// not open, a value that cannot be read, or a string without the "\" a search needs is "absent": nothing
// is collected and the existence tests answer false.
#pragma once

#include <windows.h>

#include <string_view>

#include "detection/pure/SearchRules.h"
#include "platform/UniqueHandle.h"
#include "platform/pure/RegistryPath.h"

namespace velmora::detection {

// KEY_WOW64_64KEY when the prerequisite asks for the 64-bit view and the system has one. A 32-bit chainer
// without it sees the 32-bit view.
REGSAM RegistryView(bool use64BitSwitch, bool is64BitOs);

// Opens root\keyPath for KEY_READ in the given view. ERROR_SUCCESS or the registry's error; a path without
// a root gives ERROR_FILE_NOT_FOUND.
[[nodiscard]] DWORD OpenRegistryKey(platform::RegistryRoot root, std::wstring_view keyPath, REGSAM view,
                                    platform::UniqueHkey& key);

// Every subkey name, in enumeration order.
void CollectSubkeyNames(std::wstring_view searchString, REGSAM view, SearchOutcome& outcome);
// The value's data as UTF-16 text up to its first zero character, whatever its registry type.
void CollectValueText(std::wstring_view searchString, REGSAM view, SearchOutcome& outcome);
// Every value name of the key, in enumeration order.
void CollectValueNames(std::wstring_view searchString, REGSAM view, SearchOutcome& outcome);

bool RegistryKeyOpens(std::wstring_view searchString, REGSAM view);
bool RegistryValueExists(std::wstring_view searchString, REGSAM view);

// Reads the value as text into outcome.value and applies the content operator of refContent.
bool RegistryValueContentMatches(std::wstring_view searchString, REGSAM view, std::wstring_view refContent,
                                 SearchOutcome& outcome);

} // namespace velmora::detection
