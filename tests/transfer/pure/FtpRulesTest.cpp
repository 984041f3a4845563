#include "transfer/pure/FtpRules.h"

#include <gtest/gtest.h>

using namespace velmora::transfer;

TEST(FtpRules_FtpSizeReply, OnlyA213AnswerGivesASize) {
    EXPECT_EQ(FtpSizeReply(L"213 300000\r\n"), std::optional<std::uint64_t>(300000));
    EXPECT_EQ(FtpSizeReply(L"\r\n213 0"), std::optional<std::uint64_t>(0));
    EXPECT_EQ(FtpSizeReply(L"550 No such file.\r\n"), std::nullopt);
    EXPECT_EQ(FtpSizeReply(L"213"), std::nullopt);
    EXPECT_EQ(FtpSizeReply(L""), std::nullopt);
}

TEST(FtpRules_FtpReplyCode, NumberBeforeTheText) {
    EXPECT_EQ(FtpReplyCode(L"350 Restarting at 1000.\r\n"), 350u);
    EXPECT_EQ(FtpReplyCode(L"\r\n350 Restarting at 1000.\r\n"), 350u);
    EXPECT_EQ(FtpReplyCode(L"502 Command not implemented.\r\n"), 502u);
    EXPECT_EQ(FtpReplyCode(L"350-Restart\r\n350 ok\r\n"), 350u);
    EXPECT_EQ(FtpReplyCode(L""), 0u);
    EXPECT_EQ(FtpReplyCode(L"ok"), 0u);
    EXPECT_EQ(FtpReplyCode(L"99999999999999999999999 x"), 0u);
}

TEST(FtpRules_RestCommand, FromTheOffset) {
    EXPECT_EQ(RestCommand(1000), L"REST 1000");
}

TEST(FtpRules_IsFtpLoginError, LoginRefusals) {
    for (std::uint32_t code : {12013u, 12014u, 12015u})
        EXPECT_TRUE(IsFtpLoginError(code)) << code;
    EXPECT_FALSE(IsFtpLoginError(12029));
}
