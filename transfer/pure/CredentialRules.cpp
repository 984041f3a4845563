#include "transfer/pure/CredentialRules.h"

#include "platform/pure/TextCompare.h"
#include "transfer/pure/HttpRules.h"
#include "ui/pure/TextFormat.h"

namespace velmora::transfer {

bool SameServer(const CredentialServer& a, const CredentialServer& b) {
    return a.proxy == b.proxy && a.port == b.port && platform::EqualsNoCase(a.host, b.host) &&
           a.realm == b.realm;
}

std::wstring PromptServerName(std::wstring_view proxyHost, std::wstring_view urlHost) {
    return std::wstring(proxyHost.empty() ? urlHost : proxyHost);
}

PromptTexts MakePromptTexts(std::wstring_view titleFormat, std::wstring_view explanationFormat,
                            std::wstring_view serverName, std::wstring_view realm) {
    return {ui::FormatText(titleFormat, {serverName}),
            ui::FormatText(explanationFormat, {serverName, realm})};
}

std::wstring RealmOfChallenge(std::wstring_view header) {
    std::size_t blank = header.find(L' ');
    if (blank == std::wstring_view::npos)
        return {};
    std::wstring_view rest = header.substr(blank + 1);
    while (true) {
        std::size_t comma = rest.find(L',');
        std::wstring_view part = rest.substr(0, comma);
        std::size_t equals = part.find(L'=');
        if (equals != std::wstring_view::npos &&
            platform::EqualsNoCase(TrimBlanks(part.substr(0, equals)), L"realm")) {
            std::wstring_view value = part.substr(equals + 1);
            if (!value.empty() && value.front() == L'"')
                value.remove_prefix(1);
            if (!value.empty() && value.back() == L'"')
                value.remove_suffix(1);
            return std::wstring(value);
        }
        if (comma == std::wstring_view::npos)
            return {};
        rest.remove_prefix(comma + 1);
    }
}

std::wstring ProxyHostOf(std::wstring_view proxyServer) {
    std::size_t colon = proxyServer.find(L':');
    if (colon == std::wstring_view::npos || colon == 0)
        return std::wstring(proxyServer);
    return std::wstring(proxyServer.substr(0, colon));
}

} // namespace velmora::transfer
