#include "platform/core/pure/CrashText.h"

#include <gtest/gtest.h>

using namespace velmora::platform::core;

TEST(Crash_Names, ExceptionTypes) {
    const std::pair<int, const wchar_t*> table[] = {
        {0, L"EXCEPTION_STD"},
        {1, L"EXCEPTION_UNHANDLED"},
        {2, L"EXCEPTION_GENERIC"},
        {3, L"EXCEPTION_WIN32"},
        {4, L"EXCEPTION_CMD"},
        {5, L"EXCEPTION_XML_PARSE"},
        {6, L"EXCEPTION_ERROR_SIGNALING"},
        {7, L"EXCEPTION_SEH"},
        {8, L"Exception ???"},
        {-1, L"Exception ???"},
    };
    for (const auto& [type, name] : table)
        EXPECT_EQ(ExceptionTypeName(type), name) << type;
}

TEST(Crash_Names, AccessViolationKinds) {
    const std::pair<int, const wchar_t*> table[] = {
        {0, L"SEH_GENERIC"},          {1, L"SEH_AV_READ_NULLPTR"}, {2, L"SEH_AV_READ_BADPTR"},
        {3, L"SEH_AV_WRITE_NULLPTR"}, {4, L"SEH_AV_WRITE_BADPTR"}, {5, L"SEH_AV_DEP_NULLPTR"},
        {6, L"SEH_AV_DEP_BADPTR"},    {7, L"SEH_GENERIC"},         {-3, L"SEH_GENERIC"},
    };
    for (const auto& [kind, name] : table)
        EXPECT_EQ(AccessViolationKindName(kind), name) << kind;
}

TEST(Crash_Names, StructuredExceptionCodes) {
    const std::pair<uint32_t, const wchar_t*> table[] = {
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
        {0xC0000007, L""},
        {0xE06D7363, L""},
    };
    for (const auto& [code, name] : table)
        EXPECT_EQ(StructuredExceptionName(code), name) << std::hex << code;
}

TEST(Crash_ClassifyAccessViolation, OperationAndNullAddress) {
    struct Case {
        uintptr_t operation, address;
        int kind;
    };
    const Case cases[] = {
        {0, 0, kAvReadNullPointer},    {0, 0x10, kAvReadBadPointer},
        {1, 0, kAvWriteNullPointer},   {1, 0xdead, kAvWriteBadPointer},
        {8, 0, kAvExecuteNullPointer}, {8, 0x401000, kAvExecuteBadPointer},
        {2, 0, kSehGeneric},           {7, 0x10, kSehGeneric},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyAccessViolation(c.operation, c.address), c.kind) << c.operation << " " << c.address;
}

TEST(Crash_Messages, KnownAndUnknownCodes) {
    EXPECT_EQ(PrefixWithKind(kAvReadNullPointer, FormatStructuredException(0xC0000005, 0x401a2b)),
              L"[SEH_AV_READ_NULLPTR] ACCESS_VIOLATION (0xc0000005) at address [0x00401a2b]\r\n");
    EXPECT_EQ(PrefixWithKind(kSehGeneric, FormatStructuredException(0xE1234567, 0x7b000000)),
              L"[SEH_GENERIC] Unknown SEH Exception (0xe1234567) at address [0x7b000000]\r\n");
    EXPECT_EQ(FormatUnhandledHeader(true, 0xC0000094, 0x12),
              L"[EXCEPTION_UNHANDLED] (0xc0000094) at address [0x00000012]\r\n");
    EXPECT_EQ(FormatUnhandledHeader(false, 0, 0), L"[EXCEPTION_UNHANDLED] ");
}

TEST(Crash_StackFrames, LinesWithAndWithoutSymbolsAndSources) {
    EXPECT_EQ(FormatStackFrame(0x401000, L"Worker", L"C:\\src\\ui\\WorkerThread.cpp", 42),
              L"[0x00401000]  Worker() -> WorkerThread.cpp:42\r\n");
    EXPECT_EQ(FormatStackFrame(0x7b00ff10, L"", L"", 0), L"[0x7b00ff10]  -----\r\n");
    EXPECT_EQ(FormatStackFrame(0x10, L"main", L"", 0), L"[0x00000010]  main()\r\n");
    EXPECT_EQ(FormatModuleBaseLine(0x400000), L"[0x00400000]  MODULE_BASE_ADDRESS\r\n");
    EXPECT_EQ(Hex(0x1234, 2), L"1234");
    EXPECT_EQ(Hex(0xFFFFFFFFFULL), L"fffffffff");
}

TEST(Crash_ReportParts, FirstFrameSourceAndMessage) {
    const std::wstring report =
        L"[SEH_AV_READ_NULLPTR] ACCESS_VIOLATION (0xc0000005) at address [0x00401000]\r\n" +
        std::wstring(kStackTraceHeading) +
        L"[0x00401000]  -----\r\n"
        L"[0x00401020]  ReadNull() -> CrashHelper.cpp:31\r\n"
        L"[0x00401040]  main() -> main.cpp:9\r\n";
    SourceLocation location = FirstFrameSource(report);
    EXPECT_EQ(location.file, L"CrashHelper.cpp");
    EXPECT_EQ(location.line, 31);
    EXPECT_EQ(MessageOfReport(report),
              L"[SEH_AV_READ_NULLPTR] ACCESS_VIOLATION (0xc0000005) at address [0x00401000]\r\n");

    EXPECT_EQ(FirstFrameSource(L"no frames").file, L"");
    EXPECT_EQ(FirstFrameSource(L"[0x1]  f() -> nocolon\r\n").file, L"nocolon");
    EXPECT_EQ(MessageOfReport(L"just a message"), L"just a message");
}
