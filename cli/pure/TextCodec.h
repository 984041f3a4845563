// Text as the tools hold it: UTF-16 code units, one per wchar_t on every platform (Linux's 4-byte wchar_t
// holds one unit each), so a configuration reads the same as the chainer reads it on Windows. UTF-8 only at
// the edges: command-line arguments on Linux, and everything the tools print.
#pragma once

#include <string>
#include <string_view>

namespace velmora::cli {

// Little-endian byte pairs to code units; an odd last byte is dropped, as the chainer drops it.
std::wstring Utf16LeUnits(std::string_view bytes);

// Surrogate pairs are combined; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view units);

// Characters above U+FFFF become surrogate pairs; an invalid byte becomes U+FFFD.
std::wstring FromUtf8(std::string_view bytes);

// A text for one line of a report: control characters written as \r, \n, \t or \xNN, so a value that holds
// a line break shows where it is instead of breaking the report.
std::wstring Printable(std::wstring_view text);

} // namespace velmora::cli
