#include "platform/core/pure/CrashText.h"

namespace velmora::platform::core {

namespace {

struct CodeName {
    uint32_t code;
    std::wstring_view name;
};

constexpr CodeName kStructuredExceptionNames[] = {
    {0x80000001, L"GUARD_PAGE"},
    {0x80000002, L"DATATYPE_MISALIGNMENT"},
    {0x80000003, L"BREAKPOINT"},
    {0x80000004, L"SINGLE_STEP"},
    {0xC0000005, L"ACCESS_VIOLATION"},
    {0xC0000006, L"IN_PAGE_ERROR"},
    {0xC0000008, L"INVALID_HANDLE"},
    {0xC000001D, L"ILLEGAL_INSTRUCTION"},
    {0xC0000025, L"NONCONTINUABLE_EXCEPTION"},
    {0xC0000026, L"INVALID_DISPOSITION"},
    {0xC000008C, L"ARRAY_BOUNDS_EXCEEDED"},
    {0xC000008D, L"FLT_DENORMAL_OPERAND"},
    {0xC000008E, L"FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, L"FLT_INEXACT_RESULT"},
    {0xC0000090, L"FLT_INVALID_OPERATION"},
    {0xC0000091, L"FLT_OVERFLOW"},
    {0xC0000092, L"FLT_STACK_CHECK"},
    {0xC0000093, L"FLT_UNDERFLOW"},
    {0xC0000094, L"INT_DIVIDE_BY_ZERO"},
    {0xC0000095, L"INT_OVERFLOW"},
    {0xC0000096, L"PRIV_INSTRUCTION"},
    {0xC00000FD, L"STACK_OVERFLOW"},
};

constexpr std::wstring_view kTypeNames[] = {
    L"EXCEPTION_STD", L"EXCEPTION_UNHANDLED", L"EXCEPTION_GENERIC",         L"EXCEPTION_WIN32",
    L"EXCEPTION_CMD", L"EXCEPTION_XML_PARSE", L"EXCEPTION_ERROR_SIGNALING", L"EXCEPTION_SEH",
};

constexpr std::wstring_view kKindNames[] = {
    L"SEH_GENERIC",         L"SEH_AV_READ_NULLPTR", L"SEH_AV_READ_BADPTR", L"SEH_AV_WRITE_NULLPTR",
    L"SEH_AV_WRITE_BADPTR", L"SEH_AV_DEP_NULLPTR",  L"SEH_AV_DEP_BADPTR",
};

std::wstring CodeAndAddress(uint32_t code, uintptr_t address) {
    return L"(0x" + Hex(code) + L") at address [0x" + Hex(address) + L"]\r\n";
}

} // namespace

const std::wstring_view kStackTraceHeading = L"\r\n*** Stack Trace (x86) ***\r\n\r\n";
const std::wstring_view kMoreFramesLine = L"<--------------------MORE--FRAMES-------------------->\r\n";

std::wstring_view ExceptionTypeName(int type) {
    if (type < 0 || type >= static_cast<int>(sizeof kTypeNames / sizeof kTypeNames[0]))
        return L"Exception ???";
    return kTypeNames[type];
}

std::wstring_view AccessViolationKindName(int kind) {
    if (kind < 0 || kind >= static_cast<int>(sizeof kKindNames / sizeof kKindNames[0]))
        return kKindNames[0];
    return kKindNames[kind];
}

std::wstring_view StructuredExceptionName(uint32_t code) {
    for (const CodeName& entry : kStructuredExceptionNames) {
        if (entry.code == code)
            return entry.name;
    }
    return {};
}

int ClassifyAccessViolation(uintptr_t operation, uintptr_t address) {
    int nullKind = 0;
    switch (operation) {
    case 0:
        nullKind = kAvReadNullPointer;
        break;
    case 1:
        nullKind = kAvWriteNullPointer;
        break;
    case 8:
        nullKind = kAvExecuteNullPointer;
        break;
    default:
        return kSehGeneric;
    }
    return address == 0 ? nullKind : nullKind + 1;
}

std::wstring FormatStructuredException(uint32_t code, uintptr_t address) {
    std::wstring_view name = StructuredExceptionName(code);
    std::wstring text = name.empty() ? std::wstring(L"Unknown SEH Exception") : std::wstring(name);
    text += L' ';
    text += CodeAndAddress(code, address);
    return text;
}

std::wstring PrefixWithKind(int kind, std::wstring_view message) {
    std::wstring text = L"[";
    text += AccessViolationKindName(kind);
    text += L"] ";
    text += message;
    return text;
}

std::wstring FormatUnhandledHeader(bool known, uint32_t code, uintptr_t address) {
    std::wstring text = L"[";
    text += ExceptionTypeName(kExceptionUnhandled);
    text += L"] ";
    if (known)
        text += CodeAndAddress(code, address);
    return text;
}

std::wstring FormatStackFrame(uintptr_t address, std::wstring_view symbol, std::wstring_view sourceFile,
                              long line) {
    std::wstring text = L"[0x" + Hex(address) + L"]  ";
    if (symbol.empty()) {
        text += L"-----";
    } else {
        text += symbol;
        text += L"()";
    }
    if (!sourceFile.empty()) {
        size_t slash = sourceFile.find_last_of(L"\\/");
        text += L" -> ";
        text += slash == std::wstring_view::npos ? sourceFile : sourceFile.substr(slash + 1);
        text += L':';
        text += std::to_wstring(line);
    }
    text += L"\r\n";
    return text;
}

std::wstring FormatModuleBaseLine(uintptr_t base) {
    return L"[0x" + Hex(base) + L"]  MODULE_BASE_ADDRESS\r\n";
}

std::wstring Hex(uint64_t value, int minimumDigits) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring reversed;
    do {
        reversed.push_back(digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(reversed.size()) < minimumDigits)
        reversed.push_back(L'0');
    return std::wstring(reversed.rbegin(), reversed.rend());
}

SourceLocation FirstFrameSource(std::wstring_view report) {
    SourceLocation location;
    size_t arrow = report.find(L" -> ");
    if (arrow == std::wstring_view::npos)
        return location;
    std::wstring_view rest = report.substr(arrow + 4);
    rest = rest.substr(0, rest.find_first_of(L"\r\n"));
    size_t colon = rest.find_last_of(L':');
    if (colon == std::wstring_view::npos) {
        location.file.assign(rest);
        return location;
    }
    location.file.assign(rest.substr(0, colon));
    long line = 0;
    for (wchar_t c : rest.substr(colon + 1)) {
        if (c < L'0' || c > L'9' || line > 100000000)
            break;
        line = line * 10 + (c - L'0');
    }
    location.line = line;
    return location;
}

std::wstring_view MessageOfReport(std::wstring_view report) {
    return report.substr(0, report.find(kStackTraceHeading));
}

} // namespace velmora::platform::core
