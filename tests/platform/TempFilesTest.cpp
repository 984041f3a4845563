#include "platform/TempFiles.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/FileSystem.h"

using namespace velmora::platform;

TEST(TempFiles, TempFolderEndsWithBackslash) {
    std::wstring folder = TempFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
}

TEST(TempFiles, TempFileNameNamesNoExistingFile) {
    std::wstring name = TempFileName(L".ps1");
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.rfind(TempFolder(), 0), 0u);
    EXPECT_EQ(FileName(name).rfind(L"QZ_", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 4), L".ps1");
    EXPECT_FALSE(Exists(name));
}

TEST(TempFiles, TempFileWithExtensionLeavesOneEmptyFileAndNoTmp) {
    std::wstring name = TempFileWithExtension(L"URL", L".url");
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(FileName(name).rfind(L"URL", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 4), L".url");
    DWORD size = 1;
    EXPECT_EQ(FileInfo(name, nullptr, &size), 0u);
    EXPECT_EQ(size, 0u);
    std::wstring tmp = name.substr(0, name.size() - 4) + L".tmp";
    EXPECT_FALSE(Exists(tmp));
    DeleteFileLong(name);
}

TEST(TempFiles, TempFileWithExtensionTriesAgainWhenTheNameIsTaken) {
    // Occupy the .url names the next calls would pick by making several files first.
    std::vector<std::wstring> made;
    for (int i = 0; i < 3; ++i)
        made.push_back(TempFileWithExtension(L"VT", L"url"));
    for (const auto& name : made) {
        EXPECT_TRUE(Exists(name));
        EXPECT_EQ(name.substr(name.size() - 4), L".url");
    }
    EXPECT_NE(made[0], made[1]);
    for (const auto& name : made)
        DeleteFileLong(name);
}
