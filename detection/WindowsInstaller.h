// The three Windows Installer questions the searches ask. msi.dll is loaded on first use, from the system
// folder only, and its functions are taken by ordinal (70 product information, 205 related products,
// 90 component location), the way the system's import library binds them. When msi.dll or a function is
// missing, every question is answered as for an unknown product or component.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::detection {

// The product's "VersionString" property. ERROR_SUCCESS with the text, or the installer's error
// (ERROR_UNKNOWN_PRODUCT, ERROR_INVALID_PARAMETER for a malformed code, ...).
[[nodiscard]] DWORD MsiProductVersionString(std::wstring_view productCode, std::wstring& version);

// The product code at this index among the products related to the upgrade code. ERROR_SUCCESS with the
// code, ERROR_NO_MORE_ITEMS after the last one, or the installer's error.
[[nodiscard]] DWORD MsiRelatedProduct(std::wstring_view upgradeCode, DWORD index, std::wstring& productCode);

// The install state of a component (INSTALLSTATE_LOCAL, INSTALLSTATE_SOURCE, INSTALLSTATE_UNKNOWN, ...).
int MsiComponentState(std::wstring_view componentCode);

// True when msi.dll loaded and all three functions were found. Loads it when it is not loaded yet.
bool WindowsInstallerAvailable();

} // namespace velmora::detection
