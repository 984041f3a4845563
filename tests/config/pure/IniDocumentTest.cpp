#include "config/pure/IniDocument.h"

#include <gtest/gtest.h>

using velmora::config::IniDocument;

namespace {

std::wstring Value(const IniDocument& doc, std::wstring_view section, std::wstring_view key) {
    std::wstring value = L"<none>";
    doc.GetValue(section, key, value);
    return value;
}

} // namespace

TEST(IniDocument_Parse, HeaderAndPairWithOrWithoutFinalLineEnd) {
    for (std::wstring_view text : {L"[A]\r\nk=v", L"[A]\r\nk=v\r\n"}) {
        IniDocument doc;
        doc.Parse(text);
        ASSERT_EQ(doc.Sections().size(), 1u);
        EXPECT_EQ(doc.Sections()[0].name, L"A");
        ASSERT_EQ(doc.Sections()[0].pairs.size(), 1u);
        EXPECT_EQ(Value(doc, L"A", L"k"), L"v");
    }
}

TEST(IniDocument_Parse, LoneLineFeedDoesNotEndALine) {
    IniDocument doc;
    doc.Parse(L"[A]\nk=v");
    EXPECT_TRUE(doc.Sections().empty());
}

TEST(IniDocument_Parse, LoneCarriageReturnStaysInTheValue) {
    IniDocument doc;
    doc.Parse(L"[A]\r\nk=a\rb\r\n");
    EXPECT_EQ(Value(doc, L"A", L"k"), L"a\rb");
}

TEST(IniDocument_Parse, BlanksAroundHeaderAreIgnoredButBlanksInsideBelongToTheName) {
    IniDocument doc;
    doc.Parse(L"  [A]  \r\nk=1\r\n[ B ]\r\nk=2");
    EXPECT_EQ(Value(doc, L"A", L"k"), L"1");
    EXPECT_EQ(Value(doc, L"B", L"k"), L"<none>");
    EXPECT_EQ(Value(doc, L" B ", L"k"), L"2");
}

TEST(IniDocument_Parse, HeaderFollowedByRemarkIsNotAHeader) {
    IniDocument doc;
    doc.Parse(L"[A]\r\nx=1\r\n[B] ;remark\r\ny=2");
    ASSERT_EQ(doc.Sections().size(), 1u);
    // The broken header is an ordinary line without "=": skipped, and A stays current.
    EXPECT_EQ(Value(doc, L"A", L"y"), L"2");
}

TEST(IniDocument_Parse, FirstEqualsSplitsAndBothSidesAreTrimmed) {
    IniDocument doc;
    doc.Parse(L"[A]\r\nk = a=b \r\n\tt\t=\t\x3000v\x00A0\r\n");
    EXPECT_EQ(Value(doc, L"A", L"k"), L"a=b");
    EXPECT_EQ(Value(doc, L"A", L"t"), L"v");
}

TEST(IniDocument_Parse, EmptyValueAndEmptyKey) {
    IniDocument doc;
    doc.Parse(L"[A]\r\nk=\r\n=x\r\n");
    EXPECT_EQ(Value(doc, L"A", L"k"), L"");
    EXPECT_EQ(Value(doc, L"A", L""), L"x");
}

TEST(IniDocument_Parse, LinesBeforeTheFirstHeaderAreIgnored) {
    IniDocument doc;
    doc.Parse(L"k=v\r\n[A]\r\n");
    ASSERT_EQ(doc.Sections().size(), 1u);
    EXPECT_TRUE(doc.Sections()[0].pairs.empty());
}

TEST(IniDocument_Parse, LeadingByteOrderMarkIsDropped) {
    IniDocument doc;
    doc.Parse(L"\xFEFF[A]\r\nk=v");
    EXPECT_EQ(Value(doc, L"A", L"k"), L"v");
}

TEST(IniDocument_Parse, SemicolonLinesAreKeysWhenTheyHoldEquals) {
    IniDocument doc;
    doc.Parse(L"[A]\r\n;comment\r\n;k=v\r\n");
    ASSERT_EQ(doc.Sections()[0].pairs.size(), 1u);
    EXPECT_EQ(Value(doc, L"A", L";k"), L"v");
}

TEST(IniDocument_Parse, ListSeparatorSurvivesInValues) {
    IniDocument doc;
    doc.Parse(L"[A]\r\nk=a\x0001"
              L"b\r\n");
    EXPECT_EQ(Value(doc, L"A", L"k"), std::wstring(L"a\x0001"
                                                   L"b"));
}

TEST(IniDocument_Lookup, DuplicateSectionsAndKeysFindTheFirst) {
    IniDocument doc;
    doc.Parse(L"[A]\r\nx=1\r\nx=2\r\n[A]\r\ny=3\r\n");
    EXPECT_EQ(doc.Sections().size(), 2u);
    EXPECT_EQ(Value(doc, L"A", L"x"), L"1");
    EXPECT_EQ(Value(doc, L"A", L"y"), L"<none>");
}

// Long documents are looked up through an index: every name is still found, the first of equal names wins,
// and pairs added later (by SetValue, or straight into a section) are found too.
TEST(IniDocument_Lookup, LongDocumentsFindTheFirstOfEveryNameAfterGrowing) {
    std::wstring text;
    for (int i = 0; i < 300; ++i) {
        text += L"[S" + std::to_wstring(i) + L"]\r\n";
        for (int k = 0; k < 40; ++k)
            text +=
                L"K" + std::to_wstring(k) + L"=" + std::to_wstring(i) + L"." + std::to_wstring(k) + L"\r\n";
        text += L"K7=later\r\n";
    }
    text += L"[S5]\r\nK0=second section\r\nNew=only here\r\n";
    IniDocument doc;
    doc.Parse(text);
    for (int i = 0; i < 300; i += 37) {
        const std::wstring section = L"S" + std::to_wstring(i);
        EXPECT_EQ(Value(doc, section, L"K0"), std::to_wstring(i) + L".0");
        EXPECT_EQ(Value(doc, section, L"K7"), std::to_wstring(i) + L".7");
        EXPECT_EQ(Value(doc, section, L"K39"), std::to_wstring(i) + L".39");
        EXPECT_EQ(Value(doc, section, L"K40"), L"<none>");
    }
    EXPECT_EQ(Value(doc, L"S5", L"K0"), L"5.0");
    EXPECT_EQ(Value(doc, L"S5", L"New"), L"<none>");
    EXPECT_EQ(doc.FindSection(L"S300"), nullptr);

    doc.SetValue(L"S299", L"Added", L"by SetValue");
    doc.SetValue(L"S299", L"K0", L"not the first");
    doc.SetValue(L"Fresh", L"Key", L"new section");
    EXPECT_EQ(Value(doc, L"S299", L"Added"), L"by SetValue");
    EXPECT_EQ(Value(doc, L"S299", L"K0"), L"299.0");
    EXPECT_EQ(Value(doc, L"Fresh", L"Key"), L"new section");

    auto& pairs = const_cast<velmora::config::IniSection*>(doc.FindSection(L"S1"))->pairs;
    pairs.push_back({L"Direct", L"pushed", 0});
    EXPECT_EQ(Value(doc, L"S1", L"Direct"), L"pushed");
}

TEST(IniDocument_Lookup, NamesAreCaseSensitive) {
    IniDocument doc;
    doc.Parse(L"[GeneralOptions]\r\nSetupFile=a\r\n");
    EXPECT_EQ(Value(doc, L"generaloptions", L"SetupFile"), L"<none>");
    EXPECT_EQ(Value(doc, L"GeneralOptions", L"setupfile"), L"<none>");
    EXPECT_EQ(Value(doc, L"GeneralOptions", L"SetupFile"), L"a");
}

TEST(IniDocument_Lookup, FailedGetValueLeavesOutputUntouched) {
    IniDocument doc;
    doc.Parse(L"[A]\r\n");
    std::wstring out = L"keep";
    EXPECT_FALSE(doc.GetValue(L"A", L"k", out));
    EXPECT_EQ(out, L"keep");
}

TEST(IniDocument_Parse, ReparseDiscardsEarlierContents) {
    IniDocument doc;
    doc.Parse(L"[A]\r\nk=v");
    doc.Parse(L"");
    EXPECT_TRUE(doc.Sections().empty());
}

TEST(IniDocument_Parse, BracketLinesThatAreNotHeaders) {
    IniDocument doc;
    doc.Parse(L"[A]\r\n[\r\n[x=1\r\n  \x0001[]\r\nk=v\r\n");
    // "[" alone and "[x=1" are ordinary lines; "[]" is a header with an empty name.
    ASSERT_EQ(doc.Sections().size(), 2u);
    EXPECT_EQ(Value(doc, L"A", L"[x"), L"1");
    EXPECT_EQ(Value(doc, L"", L"k"), L"v");
}

TEST(IniDocument_Source, SectionNamesAndSetValue) {
    IniDocument doc;
    doc.Parse(L"[A]\r\n[B]\r\n[A]\r\n");
    std::vector<std::wstring> names{L"stale"};
    doc.GetSectionNames(names);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"A", L"B", L"A"}));

    doc.SetValue(L"B", L"k", L"1");
    doc.SetValue(L"B", L"k", L"2");
    doc.SetValue(L"C", L"n", L"3");
    EXPECT_EQ(Value(doc, L"B", L"k"), L"1");
    EXPECT_EQ(doc.FindSection(L"B")->pairs.size(), 2u);
    EXPECT_EQ(Value(doc, L"C", L"n"), L"3");

    void* handle = reinterpret_cast<void*>(1);
    EXPECT_TRUE(doc.OpenSource(&handle));
    EXPECT_EQ(handle, nullptr);
}

TEST(IniDocument_Lines, SectionsAndPairsKnowTheirLinesAndSkippedLinesAreReported) {
    IniDocument doc;
    std::vector<velmora::config::IniSkippedLine> skipped{{9, {}, L"stale"}};
    // Line 3 holds a lone LF: it stays one line, so the numbers after it count CR LF only.
    doc.Parse(L"\xFEFF"
              L"before\r\n[A]\r\nk=v\nno=line end\r\n\r\nremark\r\n [B] \r\nk=w",
              &skipped);
    ASSERT_EQ(doc.Sections().size(), 2u);
    EXPECT_EQ(doc.Sections()[0].line, 2u);
    EXPECT_EQ(doc.Sections()[0].pairs.at(0).line, 3u);
    EXPECT_EQ(doc.Sections()[1].line, 6u);
    EXPECT_EQ(doc.Sections()[1].pairs.at(0).line, 7u);
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0].line, 1u);
    EXPECT_EQ(skipped[0].reason, velmora::config::IniSkippedLine::Reason::BeforeFirstSection);
    EXPECT_EQ(skipped[0].text, L"before");
    EXPECT_EQ(skipped[1].line, 5u);
    EXPECT_EQ(skipped[1].reason, velmora::config::IniSkippedLine::Reason::NoEquals);
    EXPECT_EQ(skipped[1].text, L"remark");
}
