#include "transfer/pure/CredentialRules.h"

#include <gtest/gtest.h>

using namespace velmora::transfer;

TEST(CredentialRules_SameServer, KindHostPortAndRealmMustAllMatch) {
    const CredentialServer files{false, L"files.example.com", 80, L"Downloads"};
    struct Case {
        CredentialServer other;
        bool same;
        const char* why;
    };
    const Case cases[] = {
        {{false, L"files.example.com", 80, L"Downloads"}, true, "identical"},
        {{false, L"FILES.Example.COM", 80, L"Downloads"}, true, "host names ignore case"},
        {{false, L"mirror.example.com", 80, L"Downloads"}, false, "another host"},
        {{false, L"files.example.com", 8080, L"Downloads"}, false, "another port is another server"},
        {{false, L"files.example.com", 80, L"downloads"}, false, "realms are compared exactly"},
        {{false, L"files.example.com", 80, L""}, false, "no realm is a realm of its own"},
        {{true, L"files.example.com", 80, L"Downloads"}, false, "a proxy is never the server"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SameServer(files, c.other), c.same) << c.why;
}

TEST(CredentialRules_PromptTexts, ProxyHostElseUrlHostFillsTitleAndExplanation) {
    EXPECT_EQ(PromptServerName(L"proxy.corp", L"files.example.com"), L"proxy.corp");
    EXPECT_EQ(PromptServerName(L"", L"files.example.com"), L"files.example.com");
    EXPECT_EQ(PromptServerName(L"", L""), L"");

    const PromptTexts texts =
        MakePromptTexts(L"Connect to %s", L"The server %s at %s requires a username and password.",
                        L"proxy.corp", L"Staff 100%");
    EXPECT_EQ(texts.title, L"Connect to proxy.corp");
    // A realm is the server's text: a "%" in it is shown, never read as a place holder.
    EXPECT_EQ(texts.explanation, L"The server proxy.corp at Staff 100% requires a username and password.");
}

TEST(CredentialRules_RealmOfChallenge, Table) {
    struct Case {
        const wchar_t* header;
        const wchar_t* realm;
    } cases[] = {
        {L"Basic realm=\"Downloads\"", L"Downloads"},
        {L"Basic realm=Downloads", L"Downloads"},
        {L"Basic REALM=\"Downloads\", charset=\"UTF-8\"", L"Downloads"},
        {L"Digest nonce=\"abc\", realm=\"Kits\"", L"Kits"},
        {L"Basic", L""},
        {L"Basic charset=x", L""},
        {L"Basic realm=\"", L""},
        {L"Basic realm=\"\"", L""},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RealmOfChallenge(c.header), c.realm) << c.header;
}

TEST(CredentialRules_ProxyHostOf, HostBeforeThePort) {
    EXPECT_EQ(ProxyHostOf(L"proxy.example.test:8080"), L"proxy.example.test");
    EXPECT_EQ(ProxyHostOf(L"proxy.example.test"), L"proxy.example.test");
    EXPECT_EQ(ProxyHostOf(L":8080"), L":8080");
    EXPECT_EQ(ProxyHostOf(L""), L"");
}
