// What happens to failures that escape normal error handling: the boundary every thread procedure, window
// procedure and callback puts around its work, and the crash handlers behind the last one.
//
// How it works: structured exceptions (access violations and the like) cannot become C++ exceptions in
// this build: MinGW's g++ has neither __try nor a translator hook, and its DWARF unwinder cannot unwind
// out of a fault. InstallCrashHandlers therefore installs, once per process, an unhandled-exception filter
// that builds the same SehException a translator would (kind, name, code, address, stack trace walked from
// the faulting context), presents it and ends the process with the exception's code. A C++ exception that
// no boundary caught ends in the terminate handler, which reports it as EXCEPTION_UNHANDLED.
#pragma once

#include <windows.h>

#include "platform/core/Exception.h"
#include "platform/core/ExceptionPresenter.h"

namespace velmora::platform::core {

class DebugHelp;

// The SehException for a structured exception, with a trace of at most 200 frames from its context.
SehException TranslateStructuredException(const EXCEPTION_POINTERS* info);
SehException TranslateStructuredException(const EXCEPTION_POINTERS* info, const DebugHelp& debugHelp);

// Called first on every thread that runs program work. The first call in the process installs the
// handlers, which then report where reporting says for the rest of the process; later calls change nothing.
void InstallCrashHandlers(const CrashReporting& reporting = {});

// Inside a catch block: presents the exception being handled (owner: the given window) where reporting
// says, and returns its code, for a thread's exit code. Never throws.
DWORD PresentCaughtException(HWND owner, const CrashReporting& reporting = {}) noexcept;

} // namespace velmora::platform::core
