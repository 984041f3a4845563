// The Windows Installer products that tests/detection/CMakeLists.txt builds with wixl, and a fixture that
// installs them into the test prefix for a test suite and removes them afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace velmora::test {

inline constexpr wchar_t kUpgradeCode[] = L"{6A1C3C52-8B0E-4E0F-9E51-0C5B1F6AAAAA}";
inline constexpr wchar_t kProductA[] = L"{6A1C3C52-8B0E-4E0F-9E51-0C5B1F6A0001}"; // version 1.2.3
inline constexpr wchar_t kProductB[] = L"{6A1C3C52-8B0E-4E0F-9E51-0C5B1F6A0002}"; // version 3.0.0
inline constexpr wchar_t kComponentA[] = L"{6A1C3C52-8B0E-4E0F-9E51-0C5B1F6AC001}";
inline constexpr wchar_t kUnknownCode[] = L"{00000000-1111-2222-3333-444444444444}";

// Installs both products with "msiexec /i ... /qn" before the suite and removes them after it.
class InstalledSearchProducts : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    // 0 when both installed.
    static unsigned long InstallResult();
};

} // namespace velmora::test
