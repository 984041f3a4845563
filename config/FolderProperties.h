// Folder properties and references resolved on the machine the chainer runs on. The scanning rules live
// in config/pure/PropertyResolution.h; this file answers its lookups with the shell, the environment and the
// registry. Nothing is reported: an unknown or unavailable folder property stays as written, an unset
// variable or unreadable registry value gives empty text.
#pragma once

#include <string>
#include <string_view>

#include "config/pure/PropertyResolution.h"

namespace velmora::config {

// True and the folder, always ending in a backslash, for a known folder property that this machine can
// answer. use64BitView picks the 64-bit system folder for SystemFolder.
bool ResolveFolderProperty(std::wstring_view name, bool use64BitView, std::wstring& folder);

// ResolveProperties against this machine. use64BitView picks the 64-bit system folder and the 64-bit
// registry view; the configuration model always passes false.
std::wstring ResolveProperties(std::wstring_view text, bool use64BitView);

// This machine as a PropertySource; it lives for the whole process.
const PropertySource& MachineProperties();

} // namespace velmora::config
