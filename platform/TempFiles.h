// The temporary folder and fresh names in it.
#pragma once

#include <string>
#include <string_view>

namespace velmora::platform {

// The user's temporary folder, always ending in a backslash. A run as local system takes the protected
// system temporary folder where Windows offers it (platform/pure/FolderTrust.h).
std::wstring TempFolder();

// A fresh name "QZ_xxxx" in the temporary folder that names no existing file; the extension (".ps1")
// replaces the name's own. Empty when the system gives no name.
std::wstring TempFileName(std::wstring_view extension);

// A new, empty file in the temporary folder named prefix + number + extension. Empty on failure.
std::wstring TempFileWithExtension(std::wstring_view prefix, std::wstring_view extension);

} // namespace velmora::platform
