#include "transfer/pure/HttpRules.h"

#include <gtest/gtest.h>

#include "transfer/pure/TransferRules.h"

using namespace velmora::transfer;

TEST(HttpRules_ClassifyHttpAnswer, StatusTable) {
    struct Case {
        std::uint32_t status;
        std::uint64_t length;
        std::uint64_t offset;
        const wchar_t* range;
        std::uint32_t result;
        std::uint64_t newOffset;
        std::uint64_t total;
    } cases[] = {
        {200, 5000, 0, L"", 0, 0, 5000},
        {200, 0, 0, L"", 0, 0, 0},
        // A server that ignores the range: the file starts again from its first byte.
        {200, 5000, 1000, L"", 0, 0, 5000},
        {200, 0, 1000, L"", 0, 0, 0},
        // Nothing beyond what the partial file already holds; the server's size tells what to do with it.
        {200, 1000, 1000, L"", XFER_NOTHING_TO_RESUME, 1000, 1000},
        {200, 999, 1000, L"", XFER_NOTHING_TO_RESUME, 1000, 999},
        {206, 4000, 1000, L"", 0, 1000, 5000},
        {206, 4000, 1000, L"bytes 1000-4999/5000", 0, 1000, 5000},
        {206, 4000, 1000, L"bytes 1000-4999/*", 0, 1000, 5000},
        // Without a length the body still belongs after the partial file's data.
        {206, 0, 1000, L"", 0, 1000, 0},
        {206, 0, 1000, L"bytes 1000-4999/5000", 0, 1000, 5000},
        // A range from elsewhere would be written in the wrong place.
        {206, 4000, 1000, L"bytes 0-3999/5000", 12152, 0, 0},
        {206, 4000, 1000, L"pages 1-2/3", 12152, 0, 0},
        {304, 0, 0, L"", XFER_NOT_MODIFIED, 0, 0},
        {403, 10, 0, L"", XFER_FORBIDDEN, 0, 0},
        {404, 10, 0, L"", XFER_NOT_FOUND, 0, 0},
        {410, 10, 0, L"", XFER_NOT_FOUND, 0, 0},
        {416, 10, 5000, L"", XFER_NOTHING_TO_RESUME, 5000, 0},
        {416, 10, 5000, L"bytes */5000", XFER_NOTHING_TO_RESUME, 5000, 5000},
        {416, 0, 6000, L"bytes */5000", XFER_NOTHING_TO_RESUME, 6000, 5000},
        {416, 0, 6000, L"bytes 0-1/5000", XFER_NOTHING_TO_RESUME, 6000, 0},
        {416, 10, 0, L"", XFER_HTTP_FAILED, 0, 0},
        {203, 77, 1000, L"", 0, 0, 77},
        // Error pages and unfollowed redirects are no file.
        {500, 120, 0, L"", XFER_HTTP_FAILED, 0, 0},
        {503, 120, 1000, L"", XFER_HTTP_FAILED, 0, 0},
        {400, 0, 0, L"", XFER_HTTP_FAILED, 0, 0},
        {302, 0, 0, L"", XFER_HTTP_FAILED, 0, 0},
        {100, 0, 0, L"", XFER_HTTP_FAILED, 0, 0},
    };
    for (const Case& c : cases) {
        HttpAnswer answer = ClassifyHttpAnswer(c.status, c.length, c.offset, c.range);
        EXPECT_EQ(answer.result, c.result) << c.status << " " << c.offset;
        if (answer.result == 0 || answer.result == XFER_NOTHING_TO_RESUME) {
            EXPECT_EQ(answer.offset, c.newOffset) << c.status << " " << c.offset;
            EXPECT_EQ(answer.total, c.total) << c.status << " " << c.offset;
        }
        EXPECT_FALSE(answer.needsCredentials);
    }
}

TEST(HttpRules_ClassifyHttpAnswer, AuthenticationAsksForCredentials) {
    HttpAnswer server = ClassifyHttpAnswer(401, 0, 0, L"");
    EXPECT_TRUE(server.needsCredentials);
    EXPECT_FALSE(server.forProxy);
    EXPECT_EQ(server.result, XFER_AUTH_REQUIRED);
    HttpAnswer proxy = ClassifyHttpAnswer(407, 0, 0, L"");
    EXPECT_TRUE(proxy.needsCredentials);
    EXPECT_TRUE(proxy.forProxy);
}

TEST(HttpRules_ContentLengthValue, DigitsUpToTheFirstOtherCharacter) {
    EXPECT_EQ(ContentLengthValue(L"209715200"), 209715200u);
    EXPECT_EQ(ContentLengthValue(L"5000000000"), 5000000000u); // beyond what the numeric query holds
    EXPECT_EQ(ContentLengthValue(L"12 bytes"), 12u);
    for (const wchar_t* none : {L"", L" 12", L"-1", L"99999999999999999999"})
        EXPECT_EQ(ContentLengthValue(none), 0u) << none;
}

TEST(HttpRules_ParseContentRange, Forms) {
    auto range = ParseContentRange(L"bytes 1000-4999/5000");
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 1000u);
    EXPECT_EQ(range->size, 5000u);
    range = ParseContentRange(L"Bytes 0-0/*");
    ASSERT_TRUE(range);
    EXPECT_FALSE(range->size);
    for (const wchar_t* bad : {L"", L"bytes", L"bytes */5000", L"bytes 10-5/100", L"bytes 0-99/99",
                               L"bytes 0-99/100x", L"bytes 99999999999999999999-1/2", L"items 0-1/2"})
        EXPECT_FALSE(ParseContentRange(bad)) << bad;
}

TEST(HttpRules_RangeHeader, FromTheOffset) {
    EXPECT_EQ(RangeHeader(1000), L"Range: bytes=1000-\r\n");
    EXPECT_EQ(RangeHeader(5000000000ull), L"Range: bytes=5000000000-\r\n");
}
