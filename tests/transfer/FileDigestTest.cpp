#include "transfer/FileDigest.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/UniqueHandle.h"
#include "support/TestSupport.h"

using namespace velmora::transfer;
using velmora::test::ScopedFolder;
using velmora::test::WriteFileBytes;

namespace {

std::string DigestOfFile(const std::wstring& path) {
    std::string text = "<none>";
    if (!FileDigestText(path, text))
        return "<failed>";
    return text;
}

} // namespace

TEST(FileDigest_FileDigestText, Rfc1321MessagesAsFiles) {
    ScopedFolder folder;
    struct Case {
        const char* content;
        const char* digest;
    } cases[] = {
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder.Child(L"message.bin");
        WriteFileBytes(path, c.content);
        EXPECT_EQ(DigestOfFile(path), c.digest) << c.content;
    }
}

TEST(FileDigest_FileDigestText, FileOfManyBlocks) {
    ScopedFolder folder;
    const std::wstring path = folder.Child(L"million.bin");
    WriteFileBytes(path, std::string(1000000, 'a')); // 15 full blocks of 65,536 bytes and a short one
    EXPECT_EQ(DigestOfFile(path), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(FileDigest_FileDigestText, EmptyOrMissingFileGivesNoDigest) {
    ScopedFolder folder;
    std::string text = "untouched";
    WriteFileBytes(folder.Child(L"empty.bin"), "");
    EXPECT_FALSE(FileDigestText(folder.Child(L"empty.bin"), text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(FileDigestText(folder.Child(L"missing.bin"), text));
    EXPECT_FALSE(FileDigestText(folder.Path(), text)); // a folder is no file
}

TEST(FileDigest_FileDigestText, FileStillOpenForWritingElsewhere) {
    ScopedFolder folder;
    const std::wstring path = folder.Child(L"open.bin");
    WriteFileBytes(path, "abc");
    velmora::platform::UniqueFile writer(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(writer);
    EXPECT_EQ(DigestOfFile(path), "900150983cd24fb0d6963f7d28e17f72");
}
