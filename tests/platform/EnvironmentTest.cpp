#include "platform/Environment.h"

#include <windows.h>

#include <gtest/gtest.h>

using namespace velmora::platform;

TEST(Environment_GetEnv, SetAndMissingVariables) {
    ::SetEnvironmentVariableW(L"VELMORA_TEST_VAR", L"value 1");
    std::wstring value;
    EXPECT_TRUE(GetEnv(L"VELMORA_TEST_VAR", value));
    EXPECT_EQ(value, L"value 1");
    ::SetEnvironmentVariableW(L"VELMORA_TEST_VAR", nullptr);
    value = L"stale";
    EXPECT_FALSE(GetEnv(L"VELMORA_TEST_VAR", value));
    EXPECT_TRUE(value.empty());
}
