// Stack traces for crash reports, walked with the system's debug-help library.
//
// How it works: the debug-help functions come from "Dbghelp.dll", loaded from the system folder on first
// use and kept for the life of the process. The library is not safe for several threads at once, so every
// walk holds one process-wide critical section from SymInitialize to SymCleanup, released on every way out.
#pragma once

#include <windows.h>

#include <dbghelp.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace velmora::platform::core {

// The most frames a crash report holds.
constexpr int kMaxStackFrames = 200;

// The debug-help functions a stack trace needs, from a library loaded at run time.
class DebugHelp {
public:
    // Loads the system library of that file name and looks the functions up; a library without
    // SymFromAddr or without one of the walking functions gives no trace.
    explicit DebugHelp(const wchar_t* library);
    DebugHelp(const DebugHelp&) = delete;
    DebugHelp& operator=(const DebugHelp&) = delete;

    // "Dbghelp.dll", loaded on first use.
    static DebugHelp& ForProcess();
    bool CanTrace() const { return canTrace_; }

    // Null members are missing from the library; SymGetLineFromAddr64 may be missing alone.
    struct Functions {
        decltype(&::SymSetOptions) setOptions = nullptr;
        decltype(&::SymInitialize) initialize = nullptr;
        decltype(&::SymCleanup) cleanup = nullptr;
        decltype(&::StackWalk64) walk = nullptr;
        decltype(&::SymFunctionTableAccess64) functionTable = nullptr;
        decltype(&::SymGetModuleBase64) moduleBase = nullptr;
        decltype(&::SymFromAddr) fromAddress = nullptr;
        decltype(&::SymGetLineFromAddr64) lineFromAddress = nullptr;
    };
    const Functions& Get() const { return functions_; }

private:
    UniqueModule module_;
    Functions functions_;
    bool canTrace_ = false;
};

// Appends the heading and at most maxFrames frames walked from context (null: the calling thread), then the
// program's base address. Appends nothing when the debug-help functions are missing.
void StackTrace(std::wstring& text, const CONTEXT* context, int maxFrames);
void StackTrace(std::wstring& text, const CONTEXT* context, int maxFrames, const DebugHelp& debugHelp);

} // namespace velmora::platform::core
