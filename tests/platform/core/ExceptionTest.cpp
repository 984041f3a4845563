// The exception classes and the stack trace, with the real debug-help library of the system.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/core/ExceptionHandling.h"
#include "platform/core/ExceptionPresenter.h"

using namespace velmora::platform::core;

TEST(Crash_Exception, TypesNamesAndCategory) {
    Exception generic(L"failed", L"Worker.cpp", 12);
    SehException seh(L"[SEH_AV_READ_NULLPTR] ...", L"", 0, 0xC0000005, kAvReadNullPointer);
    std::wstring name;
    EXPECT_EQ(generic.Type(), 2);
    generic.TypeName(name);
    EXPECT_EQ(name, L"EXCEPTION_GENERIC");
    EXPECT_EQ(generic.Code(), 0xE0010064u);
    EXPECT_EQ(seh.Type(), 7);
    seh.TypeName(name);
    EXPECT_EQ(name, L"SEH_AV_READ_NULLPTR");
    EXPECT_EQ(seh.Code(), 0xC0000005u);
    EXPECT_NE(generic.Category(), nullptr);
    EXPECT_EQ(generic.Category(), seh.Category());
}

TEST(Crash_Exception, RethrowKeepsTheDynamicType) {
    SehException seh(L"m", L"", 0, 0xC0000005, kAvWriteNullPointer);
    const Exception& asBase = seh;
    try {
        asBase.Rethrow();
        FAIL();
    } catch (const SehException& caught) {
        EXPECT_EQ(caught.Kind(), kAvWriteNullPointer);
    }
    try {
        Exception(L"plain").Rethrow();
        FAIL();
    } catch (const SehException&) {
        FAIL() << "a plain exception came back as a structured one";
    } catch (const Exception& caught) {
        EXPECT_EQ(caught.Message(), L"plain");
    }
}

TEST(Crash_Exception, CloneAppendsOneStackTrace) {
    Exception original(L"failed\r\n");
    std::unique_ptr<Exception> withStack = original.Clone(true);
    const std::wstring& text = withStack->Message();
    ASSERT_EQ(text.rfind(L"failed\r\n\r\n*** Stack Trace (x86) ***\r\n\r\n", 0), 0u) << text;
    EXPECT_EQ(withStack->Clone(true)->Message(), text);
    EXPECT_EQ(original.Clone(false)->Message(), L"failed\r\n");
    SehException seh(L"s", L"", 0, 0xC0000094, kSehGeneric);
    EXPECT_EQ(seh.Clone(false)->Type(), kExceptionSeh);
}

TEST(Crash_StackTrace, FramesEndWithTheModuleBase) {
    std::wstring text;
    StackTrace(text, nullptr, 200);
    ASSERT_EQ(text.rfind(L"\r\n*** Stack Trace (x86) ***\r\n\r\n[0x", 0), 0u) << text;
    wchar_t base[64];
    swprintf(base, 64, L"[0x%08llx]  MODULE_BASE_ADDRESS\r\n",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr))));
    EXPECT_EQ(text.substr(text.size() - wcslen(base)), base);
    EXPECT_EQ(text.find(L"MORE--FRAMES"), std::wstring::npos);

    std::wstring cut;
    StackTrace(cut, nullptr, 1);
    EXPECT_NE(cut.find(L"<--------------------MORE--FRAMES-------------------->\r\n"), std::wstring::npos)
        << cut;
}

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
