// The program's exceptions: only for programming failures and exhausted resources. Each carries a message,
// a source location and a code, and can append a stack trace of the thread that copies it. Every thread
// procedure, window procedure and callback catches them at its boundary (platform/core/ExceptionHandling.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
    // Appends a stack trace of the calling thread unless the message already holds one.
    void AppendStackTrace();

    std::wstring message_;
    uint32_t code_;
    std::wstring sourceFile_;
    long sourceLine_;
};

// A structured exception (an access violation and the like) as the crash handlers report it.
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

} // namespace velmora::platform::core
