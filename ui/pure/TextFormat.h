// Filling the "%s" places of string-table texts ("%s Setup", "The server %s at %s requires ...").
// Done here rather than with the C runtime's printf family: "%s" means a wide string to Microsoft's runtime
// and a narrow one to everybody else's, and a text from a translated string table must never be able to
// make the formatter read arguments that are not there.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace velmora::ui {

// Replaces each "%s" with the next argument (an empty text once the arguments run out) and "%%" with "%".
// Every other character, a lone "%" included, is copied unchanged.
std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> arguments);

// The version-resource sub-block of a string value: "\StringFileInfo\<language><code page>\<name>" with both
// numbers as four lower-case hexadecimal digits.
std::wstring VersionStringSubBlock(unsigned language, unsigned codePage, std::wstring_view name);

// Language and code page assumed when a version resource lists no translation.
constexpr unsigned kDefaultVersionLanguage = 1033;
constexpr unsigned kDefaultVersionCodePage = 1250;

} // namespace velmora::ui
