// The text decisions of starting a child process through the shell: which working folder it gets and how
// a batch script is handed to the command interpreter when it must run elevated. No Windows header.
#pragma once

#include <string>
#include <string_view>

namespace velmora::execution {

// The given folder, or the folder of the file when none is given (empty for a bare name), in both cases
// without a leading long-path prefix: the shell does not take "\\?\" paths.
std::wstring ShellWorkingFolder(std::wstring_view file, std::wstring_view folder);

// ".bat" or ".cmd" in any letter case.
bool IsBatchScript(std::wstring_view file);

// "runas" on a script elevates the shell's default verb target, which for .bat/.cmd is not the script run;
// so an elevated script goes through cmd.exe. /C takes the rest of the line: the script is quoted by
// itself, and once more together with its parameters.
struct ElevatedScriptStart {
    std::wstring file;
    std::wstring parameters;
};
ElevatedScriptStart ElevatedScriptCommand(std::wstring_view windowsFolder, std::wstring_view script,
                                          std::wstring_view parameters);

} // namespace velmora::execution
