// Small services every dialog of the chainer shares: string-table texts, the window title with the
// product name and the window icon (the centring rule is platform/WindowPlacement.h's).
#pragma once

#include <windows.h>

#include <string>

namespace velmora::ui {

// The string-table text with that number from the program's resources; empty when there is none.
std::wstring LoadText(unsigned id);

// The ProductName string of a file's version resource, under the first language and code page its
// translation list names (1033 and 1250 when the list is missing). Empty when it cannot be read.
std::wstring ReadProductName(const std::wstring& filePath);

// Window title of the chainer's dialogs: string 161 ("%s Setup") filled with the product name of the file,
// or with the file's path when it has no product name.
std::wstring WindowTitleFor(const std::wstring& filePath);

// Icon 128 as the window's large and small icon.
void SetChainerIcon(HWND window);

} // namespace velmora::ui
