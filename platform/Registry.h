// Registry reads shared by the folder-property references and the searches. Paths follow the rules of
// platform/pure/RegistryPath.h. "Absent" is a result: a key that does not open or a value that cannot be
// read comes back as a Windows error code. Registry data is untrusted: reads never go past what the
// registry returned, whatever its size or type.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/pure/RegistryPath.h"

namespace velmora::platform {

// The predefined key of a root; nullptr for RegistryRoot::None.
HKEY RegistryRootKey(RegistryRoot root);

// The value's type and data: a first read of 200 bytes, then again with the size the registry reported
// plus 2 while it reports ERROR_MORE_DATA (the value may change between two reads; the type and data come
// from the same successful read). ERROR_SUCCESS, the read's error, or ERROR_INSUFFICIENT_BUFFER for a value
// too large to hold.
[[nodiscard]] DWORD ReadRegistryValue(HKEY key, std::wstring_view valueName, DWORD& type,
                                      std::vector<BYTE>& data);

// The value as text (RegistryDataToText): ERROR_SUCCESS with the text; ERROR_UNSUPPORTED_TYPE when its type
// has no text; otherwise the error of the read. text is empty unless the result is ERROR_SUCCESS.
[[nodiscard]] DWORD ReadRegistryValueText(HKEY key, std::wstring_view valueName, std::wstring& text);

} // namespace velmora::platform
