#include "transfer/pure/TransferRules.h"

#include <gtest/gtest.h>

#include <vector>

#include "transfer/pure/FtpRules.h"
#include "transfer/pure/HttpRules.h"

using namespace velmora::transfer;

TEST(TransferRules_TransferCodeName, EveryOwnCodeHasItsName) {
    EXPECT_EQ(TransferCodeName(0xE0000005), L"XFER_BAD_TARGET");
    EXPECT_EQ(TransferCodeName(0xE0000008), L"XFER_CANCELLED");
    EXPECT_EQ(TransferCodeName(0xE000000F), L"XFER_INCOMPLETE");
    EXPECT_EQ(TransferCodeName(0xE0000010), L"XFER_NOTHING_TO_RESUME");
    EXPECT_EQ(TransferCodeName(0xE0000012), L"XFER_AUTH_REQUIRED");
    EXPECT_EQ(TransferCodeName(0xE0000013), L"XFER_NOT_MODIFIED");
    EXPECT_EQ(TransferCodeName(0xE0000016), L"XFER_FORBIDDEN");
    EXPECT_EQ(TransferCodeName(0xE0000018), L"XFER_NOT_FOUND");
    EXPECT_EQ(TransferCodeName(0xE0000019), L"XFER_HTTP_FAILED");
    EXPECT_EQ(TransferCodeName(0xE0000023), L"XFER_WRONG_SIZE");
    EXPECT_EQ(TransferCodeName(0), L"");
    EXPECT_EQ(TransferCodeName(12029), L"");
}

TEST(TransferRules_IsAcceptableTarget, AbsolutePathsOnly) {
    EXPECT_TRUE(IsAcceptableTarget(L"C:\\dl\\setup.exe"));
    EXPECT_TRUE(IsAcceptableTarget(L"\\\\server\\share\\setup.exe"));
    EXPECT_TRUE(IsAcceptableTarget(L"C:"));
    EXPECT_FALSE(IsAcceptableTarget(L"setup.exe"));
    EXPECT_FALSE(IsAcceptableTarget(L"dl\\setup.exe"));
    EXPECT_FALSE(IsAcceptableTarget(L"\\dl\\setup.exe"));
    EXPECT_FALSE(IsAcceptableTarget(L"C"));
    EXPECT_FALSE(IsAcceptableTarget(L""));
}

namespace {

// The URLs a cursor visits when every attempt fails with `result`, ending with the one whose result stands.
std::vector<std::size_t> Visits(std::size_t urls, std::uint32_t retries, std::uint32_t result) {
    MirrorCursor cursor(urls, retries);
    std::vector<std::size_t> visited{cursor.Current()};
    while (cursor.MoveOnAfter(result) && visited.size() < 100)
        visited.push_back(cursor.Current());
    return visited;
}

} // namespace

TEST(TransferRules_MirrorCursor, SingleUrlRetriesOnlyConnectionFailures) {
    EXPECT_EQ(Visits(1, 6, 12029).size(), 7u);
    EXPECT_EQ(Visits(1, 6, 12007).size(), 7u);
    EXPECT_EQ(Visits(1, 0, 12029).size(), 1u);
    // Missing files and other failures come back at once.
    for (std::uint32_t result : {3u, 12003u, 12028u, 12111u, XFER_NOT_FOUND, XFER_FORBIDDEN, 5u, 0u})
        EXPECT_EQ(Visits(1, 6, result).size(), 1u) << result;
}

TEST(TransferRules_MirrorCursor, SeveralUrlsFailOverInTurnAndWrap) {
    EXPECT_EQ(Visits(2, 6, 12007), (std::vector<std::size_t>{0, 1, 0, 1, 0, 1, 0}));
    // A missing file on a mirror moves on like a connection failure.
    EXPECT_EQ(Visits(3, 0, XFER_NOT_FOUND), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(Visits(3, 1, 12028), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(Visits(2, 6, XFER_FORBIDDEN), (std::vector<std::size_t>{0}));
}

TEST(TransferRules_MirrorCursor, FirstUnresolvableSecondAnswers) {
    MirrorCursor cursor(2, 6);
    ASSERT_TRUE(cursor.MoveOnAfter(12007));
    EXPECT_EQ(cursor.Current(), 1u);
    EXPECT_FALSE(cursor.MoveOnAfter(0));
}

TEST(TransferRules_ErrorKinds, Tables) {
    for (std::uint32_t code : {12037u, 12038u, 12044u, 12045u})
        EXPECT_TRUE(IsCertificateError(code)) << code;
    EXPECT_FALSE(IsCertificateError(12029));
    for (std::uint32_t code : {12002u, 12030u, 12031u, 12163u})
        EXPECT_TRUE(IsInterruptedRead(code)) << code;
    EXPECT_FALSE(IsInterruptedRead(12029));
    EXPECT_FALSE(IsInterruptedRead(0));
    // Socket errors passed on as they are read as WinINet's own.
    EXPECT_EQ(InternetErrorOf(10060), 12002u);
    EXPECT_EQ(InternetErrorOf(10053), 12030u);
    EXPECT_EQ(InternetErrorOf(10054), 12031u);
    EXPECT_EQ(InternetErrorOf(12029), 12029u);
}

TEST(TransferRules_DecideEndOfData, Table) {
    EXPECT_EQ(DecideEndOfData(0, 0, true), EndOfData::Complete);
    EXPECT_EQ(DecideEndOfData(0, 123, false), EndOfData::Complete);
    EXPECT_EQ(DecideEndOfData(5000, 5000, false), EndOfData::Complete);
    EXPECT_EQ(DecideEndOfData(5000, 5001, false), EndOfData::Complete);
    EXPECT_EQ(DecideEndOfData(5000, 4999, true), EndOfData::Reconnect);
    EXPECT_EQ(DecideEndOfData(5000, 4999, false), EndOfData::Incomplete);
}

TEST(TransferRules_ReconnectAccepted, OnlyAtThePartialFilesSize) {
    EXPECT_TRUE(ReconnectAccepted(0, 0));
    EXPECT_TRUE(ReconnectAccepted(1000, 1000));
    EXPECT_FALSE(ReconnectAccepted(1000, 0)); // the server restarted from the beginning
    EXPECT_FALSE(ReconnectAccepted(1000, 999));
}

// A server announcing 5 GB, and partial files beyond 4 GB: every size and offset is taken whole, never
// modulo 4 GB (5 GB is 1 GB modulo 4 GB).
TEST(TransferRules_LargeFiles, FiveGigabytesAreTakenWhole) {
    constexpr std::uint64_t kGB = 1024ull * 1024 * 1024;
    constexpr std::uint64_t five = 5 * kGB;
    HttpAnswer whole = ClassifyHttpAnswer(200, five, 0, L"");
    EXPECT_EQ(whole.result, 0u);
    EXPECT_EQ(whole.total, five);
    // Resumed past 4 GB: the rest of the file, and its size from the range.
    const std::uint64_t offset = 4 * kGB + 1000;
    HttpAnswer rest =
        ClassifyHttpAnswer(206, five - offset, offset, L"bytes 4294968296-5368709119/5368709120");
    EXPECT_EQ(rest.result, 0u);
    EXPECT_EQ(rest.offset, offset);
    EXPECT_EQ(rest.total, five);
    // The decision to resume: a partial file as large as the file is complete, a larger one is not continued,
    // and neither is a 5 GB partial file against a 1 GB file.
    HttpAnswer complete = ClassifyHttpAnswer(200, five, five, L"");
    EXPECT_EQ(complete.result, XFER_NOTHING_TO_RESUME);
    EXPECT_EQ(complete.total, five);
    EXPECT_EQ(ClassifyHttpAnswer(200, five, 6 * kGB, L"").result, XFER_NOTHING_TO_RESUME);
    EXPECT_EQ(ClassifyHttpAnswer(200, kGB, five, L"").result, XFER_NOTHING_TO_RESUME);
    EXPECT_EQ(ClassifyHttpAnswer(200, five, kGB, L"").result, 0u); // 200: fetched again from the start
    // A length that would carry the total past 64 bits is no answer.
    EXPECT_EQ(ClassifyHttpAnswer(206, UINT64_MAX - 5, 10, L"").result, 12152u);
    EXPECT_EQ(ContentLengthValue(L"5368709120"), five);
    EXPECT_EQ(RangeHeader(offset), L"Range: bytes=4294968296-\r\n");
    EXPECT_EQ(RestCommand(offset), L"REST 4294968296");
    EXPECT_EQ(DecideEndOfData(five, kGB, true), EndOfData::Reconnect);
    EXPECT_EQ(DecideEndOfData(five, five, true), EndOfData::Complete);
    EXPECT_TRUE(ReconnectAccepted(five - 1, five - 1));
    EXPECT_FALSE(ReconnectAccepted(five - 1, kGB - 1));
}

TEST(TransferRules_Limits, NothingPastTheExpectedOrAnnouncedSize) {
    constexpr std::uint64_t five = 5ull * 1024 * 1024 * 1024;
    EXPECT_EQ(TransferLimit(5000, 7000), 5000u); // ExactSize first
    EXPECT_EQ(TransferLimit(0, five), five);
    EXPECT_EQ(TransferLimit(0, 0), 0u); // nothing known: no bound
    EXPECT_FALSE(PassesLimit(five, five - 51200, 51200));
    EXPECT_TRUE(PassesLimit(five, five - 51199, 51200));
    EXPECT_TRUE(PassesLimit(5000, 6000, 1)); // a partial file already past it
    EXPECT_FALSE(PassesLimit(0, UINT64_MAX, 51200));
    EXPECT_TRUE(PassesLimit(five, 0, UINT64_MAX));
}
