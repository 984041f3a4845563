#include "transfer/pure/CredentialRules.h"

#include "platform/pure/TextCompare.h"
#include "ui/pure/TextFormat.h"

namespace velmora::acquisition {

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

} // namespace velmora::acquisition
