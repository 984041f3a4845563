// Which server a set of entered credentials belongs to, and what the credentials dialog says. Credentials
// are kept per server: a password typed for one server is never sent to another one, a proxy or a share
// of the same run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::transfer {

// What asked for credentials: a proxy (by its host name) or a server (by host and port), with the realm
// it named ("FTP Server" and "Local Network Server" for FTP logins and shares).
struct CredentialServer {
    bool proxy = false;
    std::wstring host;
    std::uint32_t port = 0; // 0 for proxies and shares
    std::wstring realm;
};

// Host names are compared without regard to case, realms exactly (servers may tell realms apart by case).
bool SameServer(const CredentialServer& a, const CredentialServer& b);

// The server named in the dialog: the proxy's host when a proxy asks, else the URL's host.
std::wstring PromptServerName(std::wstring_view proxyHost, std::wstring_view urlHost);

// The dialog's title (string 245, "Connect to %s") and explanation (string 246, "The server %s at %s
// requires ...") filled with the server name and the realm.
struct PromptTexts {
    std::wstring title;
    std::wstring explanation;
};
PromptTexts MakePromptTexts(std::wstring_view titleFormat, std::wstring_view explanationFormat,
                            std::wstring_view serverName, std::wstring_view realm);

// The realm of a WWW-Authenticate or Proxy-Authenticate header: after its first blank, the comma-separated
// part named "realm" (any case), one pair of double quotes removed. Empty when there is none.
std::wstring RealmOfChallenge(std::wstring_view header);
// The host of a proxy setting "host:port": the text before its first ":" (all of it when the colon is
// missing or first).
std::wstring ProxyHostOf(std::wstring_view proxyServer);

} // namespace velmora::transfer
