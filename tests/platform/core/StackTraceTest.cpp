// Stack traces with the real debug-help library of the system.
#include "platform/core/StackTrace.h"

#include <cwchar>

#include <gtest/gtest.h>

using namespace velmora::platform::core;

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
