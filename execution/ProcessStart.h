// Every child process of the chainer starts here: directly (waited for), through the shell (waited for),
// or through the shell without waiting, elevated on request. A refused start is no exception: the waiting
// operations return false and hand back the Windows error code in place of an exit code.
//
// The waiting operations block the calling thread until the child ends, with no time limit and without
// dispatching window messages; callers that own windows call them from a worker thread.
#pragma once

#include <windows.h>

#include <string_view>

namespace velmora::execution {

// CreateProcessW with the chainer's environment and current folder, no inherited handles. An empty
// application or command line is passed as none. True when the process was created and has ended; the
// exit code (when wanted) then holds its exit code. False: the creation failed, or the child's exit code
// could not be read; the exit code then holds the Windows error.
[[nodiscard]] bool RunProcessAndWait(std::wstring_view application, std::wstring_view commandLine,
                                     DWORD creationFlags, DWORD* exitCode);

// ShellExecuteExW with "open" and no error dialogs of the shell. The working folder is the given one, else
// the file's folder; "\\?\" is removed from both. True when the shell accepted the start; when it also
// returned a process (it does not when a running program opens the document), the call waits for it,
// stores its exit code and sets processWaited; otherwise the exit code keeps the caller's value. False:
// the shell refused, or the child's exit code could not be read; the exit code holds the Windows error.
[[nodiscard]] bool ShellExecuteAndWait(std::wstring_view file, std::wstring_view parameters,
                                       std::wstring_view workingFolder, bool hidden, DWORD* exitCode,
                                       bool* processWaited = nullptr);

// Waits without limit for the process to end and reads its exit code. ERROR_SUCCESS, or the error of the
// wait or of GetExitCodeProcess (a handle without query rights, say).
[[nodiscard]] DWORD WaitForProcessExit(HANDLE process, DWORD& exitCode);

// Starts the file through the shell, hidden, and returns at once. With elevate the verb is "runas" and a
// .bat/.cmd script runs through cmd.exe. When no program is associated with the file, the shell is asked
// once more with its own user interface, so the user may choose one. True when either start was accepted.
bool ShellExecuteDetached(std::wstring_view file, std::wstring_view parameters,
                          std::wstring_view workingFolder, bool elevate);

// True exactly when the chainer's own process token belongs to LocalSystem (S-1-5-18); false on any
// failure to read the token.
bool IsLocalSystemAccount();

} // namespace velmora::execution
