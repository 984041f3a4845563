// Texts of the crash report: the names of exception types, access-violation kinds and structured-exception
// codes, the message and stack-frame formats, and the reading of a report back into its parts. Crash
// reports are compared by people and tools across versions, so every text here is fixed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::platform::core {

// The exception type numbers this program reports (Exception::Type() and the reports of exceptions that
// are not the program's own). The numbers between them name types that no code throws; their names stay in
// ExceptionTypeName's table because reports are compared across versions.
enum ExceptionType : int {
    kExceptionStd = 0,
    kExceptionUnhandled = 1,
    kExceptionGeneric = 2,
    kExceptionSeh = 7,
};

// Kinds of access violation: what the faulting instruction did and whether the address was 0.
enum AccessViolationKind : int {
    kSehGeneric = 0,
    kAvReadNullPointer = 1,
    kAvReadBadPointer = 2,
    kAvWriteNullPointer = 3,
    kAvWriteBadPointer = 4,
    kAvExecuteNullPointer = 5,
    kAvExecuteBadPointer = 6,
};

constexpr uint32_t kAccessViolationCode = 0xC0000005;
constexpr uint32_t kDefaultExceptionCode = 0xE0010064;

// "EXCEPTION_STD" ... "EXCEPTION_SEH"; "Exception ???" for a number outside the table.
std::wstring_view ExceptionTypeName(int type);
// "SEH_AV_READ_NULLPTR" ... "SEH_AV_DEP_BADPTR"; "SEH_GENERIC" for 0 and any number outside the table.
std::wstring_view AccessViolationKindName(int kind);
// "ACCESS_VIOLATION" and the other names of the structured-exception table; empty for an unknown code.
std::wstring_view StructuredExceptionName(uint32_t code);

// The kind of an access violation from its first two exception parameters: the operation (0 read, 1 write,
// 8 execute) and the address it touched. Any other operation gives kSehGeneric.
int ClassifyAccessViolation(uintptr_t operation, uintptr_t address);

// "<NAME> (0x<code>) at address [0x<address>]\r\n", or "Unknown SEH Exception (...) ..." for codes outside
// the table. Hexadecimal numbers are lower case with at least eight digits.
std::wstring FormatStructuredException(uint32_t code, uintptr_t address);
// "[" + kind name + "] " + message.
std::wstring PrefixWithKind(int kind, std::wstring_view message);
// Report of an exception that nothing caught: "[EXCEPTION_UNHANDLED] ", then "(0x<code>) at address
// [0x<address>]\r\n" when the exception information is known.
std::wstring FormatUnhandledHeader(bool known, uint32_t code, uintptr_t address);

// The heading that starts a stack trace inside a report, and the line after the last allowed frame.
extern const std::wstring_view kStackTraceHeading;
extern const std::wstring_view kMoreFramesLine;

// One frame line: "[0x<address>]  <symbol>()" or "-----" without a symbol, then " -> <file>:<line>" when the
// source is known (file without its folders), then "\r\n".
std::wstring FormatStackFrame(uintptr_t address, std::wstring_view symbol, std::wstring_view sourceFile,
                              long line);
// "[0x<base>]  MODULE_BASE_ADDRESS\r\n".
std::wstring FormatModuleBaseLine(uintptr_t base);

// Lower-case hexadecimal with at least the given number of digits.
std::wstring Hex(uint64_t value, int minimumDigits = 8);

struct SourceLocation {
    std::wstring file;
    long line = 0;
};

// The source of the first frame in a report that names one (the text after " -> " up to the line end,
// split at its last colon). Empty file and line 0 when no frame names a source.
SourceLocation FirstFrameSource(std::wstring_view report);

// The part of a report shown as the message: everything before the stack-trace heading.
std::wstring_view MessageOfReport(std::wstring_view report);

} // namespace velmora::platform::core
