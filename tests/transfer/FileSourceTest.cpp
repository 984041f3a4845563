// The file source through the transfer engine: local files, read from their first byte.
#include "transfer/Downloader.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "TransferTest.h"
#include "support/TestSupport.h"
#include "transfer/pure/TransferRules.h"

using namespace velmora::transfer;
using namespace velmora::test;

namespace {

std::wstring FileUrl(const std::wstring& path) {
    std::wstring url = L"file:///" + path;
    for (wchar_t& c : url)
        if (c == L'\\')
            c = L'/';
    return url;
}

} // namespace

TEST_F(TransferTest, FileSource_LocalCopyArrivesWithProgress) {
    const std::wstring source = folder.Child(L"source.bin");
    const std::wstring target = folder.Child(L"out\\setup.exe");
    WriteFileBytes(source, Pattern(3000000));
    Downloader downloader(&sink);
    ASSERT_EQ(downloader.Download(FileUrl(source), target), 0u);
    EXPECT_TRUE(ReadFileBytes(target) == Pattern(3000000));
    EXPECT_FALSE(FileExists(target + L".part"));
    ASSERT_EQ(sink.started.size(), 1u);
    EXPECT_EQ(sink.started[0], 3000000u);
    EXPECT_EQ(sink.bytes, 3000000u);
    EXPECT_EQ(sink.completed, std::vector<std::uint32_t>{1});
}

TEST_F(TransferTest, FileSource_BackslashFormAndPartialFileIgnored) {
    const std::wstring source = folder.Child(L"source.bin");
    const std::wstring target = Target();
    WriteFileBytes(source, Pattern(5000));
    WriteFileBytes(target + L".part", std::string(1000, 'X')); // a file source always starts at 0
    Downloader downloader(&sink);
    ASSERT_EQ(downloader.Download(L"file://" + source, target), 0u);
    EXPECT_TRUE(ReadFileBytes(target) == Pattern(5000));
}

TEST_F(TransferTest, FileSource_MissingSourceIsReported) {
    Downloader downloader(&sink);
    std::uint32_t result = downloader.Download(FileUrl(folder.Child(L"nowhere.bin")), Target());
    EXPECT_EQ(result, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].text, L"setup.exe");
    EXPECT_FALSE(FileExists(Target()));
}

TEST_F(TransferTest, FileSource_WrongSize) {
    const std::wstring source = folder.Child(L"source.bin");
    WriteFileBytes(source, Pattern(6000));
    Downloader downloader(&sink);
    downloader.SetExpectedSize(5000);
    EXPECT_EQ(downloader.Download(FileUrl(source), Target()), XFER_WRONG_SIZE);
    EXPECT_FALSE(FileExists(Target()));
}

TEST_F(TransferTest, FileSource_CancelBeforeTheCopyIsACancel) {
    const std::wstring source = folder.Child(L"source.bin");
    WriteFileBytes(source, Pattern(5000));
    Downloader downloader(&sink);
    sink.cancelWhen = [](const RecordingSink&) { return true; };
    EXPECT_EQ(downloader.Download(FileUrl(source), Target()), XFER_CANCELLED);
    EXPECT_FALSE(FileExists(Target()));
    EXPECT_FALSE(FileExists(Target() + L".part"));
    EXPECT_TRUE(sink.reports.empty());
}

TEST_F(TransferTest, FileSource_AmongTheUrlsAShortReadIsNotResumed) {
    const std::wstring name = UniqueName(L"mixed");
    const std::wstring target = Target();
    Downloader downloader(&sink);
    std::vector<std::wstring> urls = {HttpBase() + L"/drop/300000/100000/" + name,
                                      FileUrl(folder.Child(L"other.bin"))};
    EXPECT_EQ(downloader.DownloadAny(urls, target), XFER_INCOMPLETE);
    EXPECT_EQ(ServerRequests(name).size(), 1u);
    EXPECT_TRUE(ReadFileBytes(target + L".part") == Pattern(100000));
    ASSERT_EQ(sink.reports.size(), 1u);
    EXPECT_EQ(sink.reports[0].code, XFER_INCOMPLETE);
}
