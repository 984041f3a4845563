// The Windows Runtime strings through Wine's real combase.dll.
#include "platform/WinRt.h"

#include <gtest/gtest.h>

using namespace velmora::platform;

TEST(Platform_HString, RoundTripsTextThroughCombase) {
    HString text;
    ASSERT_EQ(MakeHString(L"C:\\p\\\u00e9t\u00e9.msix", text), S_OK);
    EXPECT_EQ(HStringText(text.get()), L"C:\\p\\\u00e9t\u00e9.msix");
    HString empty;
    ASSERT_EQ(MakeHString(L"", empty), S_OK);
    EXPECT_EQ(HStringText(empty.get()), L"");
}
