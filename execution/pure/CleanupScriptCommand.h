// The text of the cleanup script's start: the PowerShell command that calls the temporary copy of the
// package's script with its two parameters, -paths (an array of path strings) and -retry_count (an integer),
// and the parameters of powershell.exe around it. No Windows header.
//
// Every path goes into a single-quoted PowerShell string, where nothing is expanded and the only special
// characters are the single quotes themselves: PowerShell takes ' and U+2018 to U+201B alike, and a doubled
// one stands for itself. So no folder name, however crafted, ends its string early or runs as code.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::execution {

// The text as a single-quoted PowerShell string, every single-quote character doubled.
std::wstring PowerShellQuoted(std::wstring_view text);

// "& '<script>' -paths '<p1>','<p2>' -retry_count <n>": the call operator runs the script by its quoted name.
std::wstring CleanupScriptCommand(std::wstring_view script, const std::vector<std::wstring>& paths,
                                  int retryCount);

// "-NoProfile -NonInteractive -NoLogo -ExecutionPolicy RemoteSigned -Command "<command>"".
std::wstring PowerShellParameters(std::wstring_view command);

} // namespace velmora::execution
