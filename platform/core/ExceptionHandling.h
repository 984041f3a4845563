// The program's exceptions and what happens to failures that escape normal error handling.
//
// Exceptions are only for programming failures and exhausted resources. Each carries a message, a source
// location and a code, and can append a stack trace of the thread. Every thread procedure, window procedure
// and callback catches them at its boundary and hands them to PresentCaughtException.
//
// How it works: structured exceptions (access violations and the like) cannot become C++ exceptions in
// this build: MinGW's g++ has neither __try nor a translator hook, and its DWARF unwinder cannot unwind
// out of a fault. InstallCrashHandlers therefore installs, once per process, an unhandled-exception filter
// that builds the same SehException a translator would (kind, name, code, address, stack trace walked from
// the faulting context), presents it and ends the process with the exception's code. A C++ exception that
// no boundary caught ends in the terminate handler, which reports it as EXCEPTION_UNHANDLED.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/UniqueHandle.h"
#include "platform/core/pure/CrashText.h"

namespace velmora::platform::core {

class Exception;

// The process-wide category every exception of the program points to.
class ExceptionCategory {
public:
    const wchar_t* Name() const { return L"velmora"; }
};

// The operations of every exception of the program, in their fixed slot order.
class IException {
public:
    [[noreturn]] virtual void Rethrow() const = 0;
    // A new copy; with withStack, a stack trace of the calling thread is appended unless the message
    // already holds one.
    virtual std::unique_ptr<Exception> Clone(bool withStack) const = 0;
    virtual int Type() const = 0;
    virtual ~IException() = default;
    virtual void TypeName(std::wstring& name) const = 0;
    virtual const ExceptionCategory* Category() const = 0;
};

class Exception : public IException {
public:
    explicit Exception(std::wstring message, std::wstring sourceFile = {}, long sourceLine = 0,
                       uint32_t code = kDefaultExceptionCode);

    [[noreturn]] void Rethrow() const override;
    std::unique_ptr<Exception> Clone(bool withStack) const override;
    int Type() const override { return kExceptionGeneric; }
    void TypeName(std::wstring& name) const override;
    const ExceptionCategory* Category() const override;

    // The whole text: the message, then the stack trace when one was appended.
    const std::wstring& Message() const { return message_; }
    uint32_t Code() const { return code_; }
    const std::wstring& SourceFile() const { return sourceFile_; }
    long SourceLine() const { return sourceLine_; }

protected:
    std::wstring message_;
    uint32_t code_;
    std::wstring sourceFile_;
    long sourceLine_;
};

class SehException final : public Exception {
public:
    SehException(std::wstring message, std::wstring sourceFile, long sourceLine, uint32_t code, int kind);

    [[noreturn]] void Rethrow() const override;
    std::unique_ptr<Exception> Clone(bool withStack) const override;
    int Type() const override { return kExceptionSeh; }
    // The access-violation kind's name, not the type's.
    void TypeName(std::wstring& name) const override;

    int Kind() const { return kind_; }

private:
    int kind_;
};

// The debug-help functions a stack trace needs, from a library loaded at run time.
class DebugHelp {
public:
    // Loads the system library of that file name and looks the functions up; a library without
    // SymFromAddr gives no trace.
    explicit DebugHelp(const wchar_t* library);
    DebugHelp(const DebugHelp&) = delete;
    DebugHelp& operator=(const DebugHelp&) = delete;

    // "Dbghelp.dll", loaded on first use.
    static DebugHelp& ForProcess();
    bool CanTrace() const { return fromAddress_ != nullptr && walk_ != nullptr; }

private:
    friend void StackTrace(std::wstring&, const CONTEXT*, int, DebugHelp&);

    UniqueModule module_;
    void* setOptions_ = nullptr;
    void* initialize_ = nullptr;
    void* cleanup_ = nullptr;
    void* walk_ = nullptr;
    void* functionTable_ = nullptr;
    void* moduleBase_ = nullptr;
    void* fromAddress_ = nullptr;
    void* lineFromAddress_ = nullptr;
};

// Appends the heading and at most maxFrames frames walked from context (null: the calling thread), then the
// program's base address. Appends nothing when the debug-help functions are missing. Serialised process-wide.
void StackTrace(std::wstring& text, const CONTEXT* context, int maxFrames);
void StackTrace(std::wstring& text, const CONTEXT* context, int maxFrames, DebugHelp& debugHelp);

// The SehException for a structured exception, with a trace of at most 200 frames from its context.
SehException TranslateStructuredException(const EXCEPTION_POINTERS* info);
SehException TranslateStructuredException(const EXCEPTION_POINTERS* info, DebugHelp& debugHelp);

// Called first on every thread that runs program work. Installs the process-wide handlers once.
void InstallCrashHandlers();

// Inside a catch block: presents the exception being handled (owner: the given window) and returns its
// code, for a thread's exit code. Never throws.
DWORD PresentCaughtException(HWND owner) noexcept;

} // namespace velmora::platform::core
