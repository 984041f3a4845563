// Structured exceptions turned into the program's reports, with the real debug-help library of the system.
#include "platform/core/ExceptionHandling.h"

#include <gtest/gtest.h>

using namespace velmora::platform::core;

TEST(Crash_Translate, NoInformationIsUnidentified) {
    SehException exception = TranslateStructuredException(nullptr);
    EXPECT_EQ(exception.Message(), L"Unidentified SEH Exception !");
    EXPECT_EQ(exception.SourceFile(), L"platform\\core\\ExceptionHandling");
    EXPECT_EQ(exception.SourceLine(), 117);
    EXPECT_EQ(exception.Kind(), kSehGeneric);
}

TEST(Crash_Translate, FaultingContextGivesATraceAndTheKind) {
    EXCEPTION_RECORD record{};
    record.ExceptionCode = 0xC0000005;
    record.ExceptionAddress = reinterpret_cast<void*>(0x00401000);
    record.NumberParameters = 2;
    record.ExceptionInformation[0] = 8;
    record.ExceptionInformation[1] = 0;
    CONTEXT context{};
    context.ContextFlags = CONTEXT_FULL;
    ::RtlCaptureContext(&context);
    EXCEPTION_POINTERS pointers{&record, &context};
    SehException exception = TranslateStructuredException(&pointers);
    EXPECT_EQ(exception.Kind(), kAvExecuteNullPointer);
    EXPECT_EQ(exception.Message().rfind(L"[SEH_AV_DEP_NULLPTR] ACCESS_VIOLATION (0xc0000005) at address "
                                        L"[0x00401000]\r\n\r\n*** Stack Trace (x86) ***",
                                        0),
              0u)
        << exception.Message();
}
