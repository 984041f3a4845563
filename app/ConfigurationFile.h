// Finding and reading the configuration file that sits beside the chainer.
#pragma once

#include <string>
#include <string_view>

namespace velmora::core {

// The name without its extension: the text after the last backslash, cut at its last ".".
std::wstring ModuleBaseName(std::wstring_view modulePath);

// ExeFolder + "\" (unless it ends with one) + base name + ".ini".
std::wstring ConfigurationPathFor(std::wstring_view exeFolder, std::wstring_view modulePath);

// Reads the file's UTF-16 text from byte 2 on (the byte-order mark is skipped without a test). sizeLow is
// the size the directory reported. Returns false (and no text) when the file cannot be opened or read;
// a file of two bytes or less gives true and an empty text. A trailing odd byte is dropped.
bool ReadConfigurationText(const std::wstring& path, unsigned long sizeLow, std::wstring& text);

} // namespace velmora::core
