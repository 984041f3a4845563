#include "cli/pure/TextCodec.h"

#include <gtest/gtest.h>

#include "cli/pure/JsonWriter.h"

using namespace velmora::cli;

TEST(Cli_TextCodec, Utf16UnitsBecomeUtf8AndBack) {
    // "Aé€" and U+1F600 as a surrogate pair, as the chainer's file holds them.
    const std::wstring units{L'A', static_cast<wchar_t>(0xE9), static_cast<wchar_t>(0x20AC),
                             static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)};
    const std::string utf8 = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(ToUtf8(units), utf8);
    EXPECT_EQ(FromUtf8(utf8), units);
    EXPECT_EQ(Utf16LeUnits(std::string("A\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE!", 11)), units);
    // A lone surrogate and a broken UTF-8 sequence become U+FFFD.
    EXPECT_EQ(ToUtf8(std::wstring{static_cast<wchar_t>(0xD800), L'x'}), "\xEF\xBF\xBDx");
    EXPECT_EQ(FromUtf8("a\xC3"), (std::wstring{L'a', static_cast<wchar_t>(0xFFFD)}));
}

TEST(Cli_TextCodec, PrintableShowsControlCharacters) {
    EXPECT_EQ(Printable(L"a\r\nb\tc\x01"), L"a\\r\\nb\\tc\\x01");
}

TEST(Cli_JsonWriter, NestsEscapesAndIndents) {
    JsonWriter json;
    json.BeginObject();
    json.Member("text", L"say \"hi\"\\\n");
    json.Key("list");
    json.BeginArray();
    json.Number(-1);
    json.Bool(true);
    json.Null();
    json.EndArray();
    json.Key("empty");
    json.BeginArray();
    json.EndArray();
    json.EndObject();
    EXPECT_EQ(json.Text(),
              "{\n  \"text\": \"say \\\"hi\\\"\\\\\\n\",\n  \"list\": [\n    -1,\n    true,\n    null\n  ],\n"
              "  \"empty\": []\n}\n");
}
