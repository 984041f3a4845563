#include "app/ConfigurationFile.h"

#include <gtest/gtest.h>

#include "config/FolderProperties.h"
#include "support/TestSupport.h"

using namespace velmora::app;
using namespace velmora::config;
using velmora::test::ScopedFolder;
using velmora::test::Utf16Bytes;
using velmora::test::WriteFileBytes;

TEST(ConfigurationFile_Names, BaseNameDropsOnlyTheLastExtension) {
    EXPECT_EQ(ModuleBaseName(L"D:\\Kit\\prereq.exe"), L"prereq");
    EXPECT_EQ(ModuleBaseName(L"D:\\Kit\\my.setup.exe"), L"my.setup");
    EXPECT_EQ(ModuleBaseName(L"D:\\Kit\\noext"), L"noext");
    EXPECT_EQ(ConfigurationPathFor(L"D:\\Kit", L"D:\\Kit\\prereq.exe"), L"D:\\Kit\\prereq.ini");
    EXPECT_EQ(ConfigurationPathFor(L"D:\\", L"D:\\prereq.exe"), L"D:\\prereq.ini");
}

namespace {

std::wstring ReadBack(const std::string& bytes, bool* ok = nullptr) {
    ScopedFolder folder;
    std::wstring path = folder.Child(L"c.ini");
    WriteFileBytes(path, bytes);
    std::wstring text = L"stale";
    bool result = ReadConfigurationText(path, static_cast<unsigned long>(bytes.size()), text);
    if (ok != nullptr)
        *ok = result;
    return text;
}

} // namespace

TEST(ConfigurationFile_Read, SkipsTheFirstTwoBytesWithoutLookingAtThem) {
    EXPECT_EQ(ReadBack(Utf16Bytes(L"[A]\r\nk=v", true)), L"[A]\r\nk=v");
    // Without a byte-order mark the first character is lost.
    EXPECT_EQ(ReadBack(Utf16Bytes(L"[A]", false)), L"A]");
}

TEST(ConfigurationFile_Read, ShortFilesAreEmpty) {
    bool ok = false;
    EXPECT_EQ(ReadBack("\xFF\xFE", &ok), L"");
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadBack("\xFF", &ok), L"");
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadBack("", &ok), L"");
    EXPECT_TRUE(ok);
}

TEST(ConfigurationFile_Read, OddByteCountDropsTheHalfCharacter) {
    std::string bytes = Utf16Bytes(L"ab", true) + "c";
    EXPECT_EQ(ReadBack(bytes), L"ab");
}

TEST(ConfigurationFile_Read, FileThatShrankIsNotPadded) {
    ScopedFolder folder;
    std::wstring path = folder.Child(L"c.ini");
    WriteFileBytes(path, Utf16Bytes(L"xy", true));
    std::wstring text;
    EXPECT_TRUE(ReadConfigurationText(path, 1000, text));
    EXPECT_EQ(text, L"xy");
}

TEST(ConfigurationFile_Read, MissingFileIsAFailure) {
    ScopedFolder folder;
    std::wstring text = L"stale";
    EXPECT_FALSE(ReadConfigurationText(folder.Child(L"none.ini"), 10, text));
    EXPECT_TRUE(text.empty());
}

TEST(ConfigurationFile_Load, GivesTheTextsStorageBackAndLoadsTheModel) {
    // The text is as large as the file; a large configuration must not hold it beside the model.
    std::wstring text = L"[GeneralOptions]\r\nOptions=q\r\n[PREREQ_CHAINER]\r\nLogFile=run.log\r\n" +
                        std::wstring(4096, L' ');
    Configuration configuration;
    ChainerSettings settings;
    bool hasSettings = false;
    LoadConfiguration(std::move(text), MachineProperties(), configuration, settings, hasSettings);
    EXPECT_LE(text.capacity(), std::wstring().capacity());
    EXPECT_TRUE(configuration.IsSilent());
    EXPECT_TRUE(hasSettings);
    EXPECT_EQ(settings.LogFile, L"run.log");
}
