#include "detection/OsConditions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "detection/OsVersion.h"
#include "detection/pure/OsNames.h"
#include "platform/FileSystem.h"
#include "platform/Logger.h"
#include "support/TestSupport.h"

using namespace velmora::detection;
using velmora::test::ReadFileBytes;
using velmora::test::ScopedFolder;

namespace {

std::wstring Bits() {
    return GetOsVersionInfo().is64BitOs ? L" x64" : L" x86";
}

std::wstring LogBody(const std::wstring& path) {
    std::string bytes = ReadFileBytes(path);
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

} // namespace

// A fresh Wine prefix reports Windows 7 SP1, as a workstation.
TEST(OsConditions_Names, NamesOfThisPrefix) {
    ASSERT_EQ(GetOsVersionInfo().major, 6u) << "the prefix no longer reports Windows 7";
    EXPECT_EQ(GetDetailedOsName(), L"Windows 7 SP1" + Bits());
    EXPECT_EQ(GetGeneralOsName(), L"Windows 7" + Bits());

    const std::wstring* seen[2] = {};
    std::thread first([&] { seen[0] = &GetDetailedOsName(); });
    std::thread second([&] { seen[1] = &GetDetailedOsName(); });
    first.join();
    second.join();
    EXPECT_EQ(seen[0], seen[1]);
}

TEST(OsConditions_IsOsExcluded, OnlyTheListOfThisBitnessCounts) {
    const bool is64 = GetOsVersionInfo().is64BitOs;
    const std::wstring general = GetGeneralOsName();
    EXPECT_EQ(IsOsExcluded(general, L""), !is64);
    EXPECT_EQ(IsOsExcluded(L"", general), is64);
    EXPECT_EQ(
        IsOsExcluded(L"Windows 8 x86, " + GetDetailedOsName(), L"Windows 8 x64, " + GetDetailedOsName()),
        true);
    EXPECT_FALSE(IsOsExcluded(L"", L""));
    EXPECT_TRUE(IsOsExcluded(kAllOsList32, kAllOsList64));
}

TEST(OsConditions_LanguageLogMessage, IdentifierAndLocalisedName) {
    EXPECT_EQ(LanguageLogMessage(1033), L"SystemDefault LangID=1033-English (United States)");
    EXPECT_EQ(LanguageLogMessage(1031), L"SystemDefault LangID=1031-German (Germany)");
}

// Wine's system default language is 1033.
TEST(OsConditions_IsLanguageAccepted, SystemDefaultLanguageAgainstTheList) {
    EXPECT_TRUE(IsLanguageAccepted(L"", nullptr));
    EXPECT_TRUE(IsLanguageAccepted(L"1033;", nullptr));
    EXPECT_TRUE(IsLanguageAccepted(L"1031;1033;", nullptr));
    EXPECT_FALSE(IsLanguageAccepted(L"1031;", nullptr));
    EXPECT_FALSE(IsLanguageAccepted(L"1033", nullptr));
}

TEST(OsConditions_IsLanguageAccepted, LogsTheLanguageOnlyForANonEmptyList) {
    ScopedFolder folder;
    const std::wstring path = folder.Child(L"lang.log");
    {
        velmora::platform::Logger logger({nullptr, folder.Child(L"tool.exe"), folder.Path(), folder.Path()});
        logger.SetLogFile(path);
        EXPECT_TRUE(IsLanguageAccepted(L"", &logger));
        EXPECT_FALSE(velmora::platform::Exists(path));
        EXPECT_FALSE(IsLanguageAccepted(L"1031;", &logger));
    }
    std::wstring text = LogBody(path);
    const std::wstring line = L"-SystemDefault LangID=1033-English (United States)\r\n";
    ASSERT_GE(text.size(), line.size());
    EXPECT_EQ(text.substr(text.size() - line.size()), line);
    EXPECT_EQ(text.find(L"SystemDefault"), text.rfind(L"SystemDefault"));
}
