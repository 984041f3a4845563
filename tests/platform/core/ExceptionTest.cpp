// The exception classes: their types, names, copies and rethrows.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/core/Exception.h"

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
