#include "transfer/pure/Md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace velmora::transfer;

TEST(Md5_Digest, Rfc1321TestSuite) {
    struct Case {
        const char* message;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DigestText(Md5Of(c.message)), c.digest) << '"' << c.message << '"';
}

// Lengths around the 56-byte padding boundary and the 64-byte block, where padding goes wrong first.
TEST(Md5_Digest, PaddingBoundaries) {
    struct Case {
        std::size_t length;
        const char* digest; // of that many "a" characters
    } cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},      {56, "3b0c8ac703f828b04c6c197006d17218"},
        {57, "652b906d60af96844ebd21b674f35e93"},      {63, "b06521f39153d618550606be297466d5"},
        {64, "014842d480b571495a4a0363793f7367"},      {65, "c743a45e0d2e6a95cb859adae0248435"},
        {1000000, "7707d6ae4e027c70eea2a935c2296f21"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DigestText(Md5Of(std::string(c.length, 'a'))), c.digest) << c.length;
}

TEST(Md5_Digest, PiecesGiveTheSameDigestAsOneUpdate) {
    std::string message;
    for (int i = 0; i < 300; ++i)
        message += static_cast<char>(i * 7);
    const std::string whole = DigestText(Md5Of(message));
    for (std::size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 129u}) {
        Md5 md5;
        for (std::size_t at = 0; at < message.size(); at += piece)
            md5.Update(message.data() + at, std::min(piece, message.size() - at));
        EXPECT_EQ(DigestText(md5.Finish()), whole) << piece;
    }
}

TEST(Md5_Digest, FinishStartsOver) {
    Md5 md5;
    md5.Update("abc", 3);
    md5.Finish();
    md5.Update("abc", 3);
    EXPECT_EQ(DigestText(md5.Finish()), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5_DigestMatches, Table) {
    const std::string computed = "900150983cd24fb0d6963f7d28e17f72";
    struct Case {
        const wchar_t* expected;
        bool matches;
    } cases[] = {
        {L"900150983cd24fb0d6963f7d28e17f72", true},
        {L"900150983CD24FB0D6963F7D28E17F72", true},  // uppercase as configurations often write it
        {L"900150983cd24fb0d6963f7d28e17f72a", true}, // the 33rd character is not looked at
        {L"900150983cd24fb0d6963f7d28e17f72 trailing words", true},
        {L"900150983cd24fb0d6963f7d28e17f7", false}, // 31 characters
        {L"", false},
        {L"900150983cd24fb0d6963f7d28e17f73", false},
        // Only A-F are folded: a "G" never becomes "g", and no other character changes either.
        {L" 900150983cd24fb0d6963f7d28e17f7", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DigestMatches(c.expected, computed), c.matches) << c.expected;
}

TEST(Md5_DigestMatches, OnlyLettersAToFAreFolded) {
    // The computed text is always lowercase hex, so any other fold would only widen what matches.
    EXPECT_FALSE(DigestMatches(L"00000000000000000000000000000000", "0000000000000000000000000000000g"));
    EXPECT_FALSE(DigestMatches(L"0000000000000000000000000000000G", "0000000000000000000000000000000g"));
}

TEST(Md5_DigestMatches, AComputedTextThatIsNot32CharactersNeverMatches) {
    EXPECT_FALSE(DigestMatches(L"900150983cd24fb0d6963f7d28e17f72", ""));
    EXPECT_FALSE(DigestMatches(L"", ""));
    EXPECT_FALSE(DigestMatches(L"900150983cd24fb0d6963f7d28e17f72", "900150983cd24fb0"));
}
