#include "transfer/CredentialSource.h"

#include "platform/Logger.h"
#include "transfer/ProgressSink.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::transfer {

namespace {

class NoCredentialSource final : public CredentialSource {
public:
    void AllowReuse() override {}
    bool GetReusable(std::wstring&, SecretText&) override { return false; }
    bool GetEntered(std::wstring&, SecretText&) override { return false; }
    void ForbidReuse() override {}
    void SetRealm(std::wstring_view) override {}
    void SetProxyHost(std::wstring_view) override {}
    void SetUrl(std::wstring_view) override {}
    bool Prompt(HWND) override { return false; }
};

// The length WinINet takes for these options is the text's character count.
void SetOnHandle(HINTERNET handle, bool forProxy, const std::wstring& user, const SecretText& password) {
    ::InternetSetOptionW(handle, forProxy ? INTERNET_OPTION_PROXY_USERNAME : INTERNET_OPTION_USERNAME,
                         const_cast<wchar_t*>(user.c_str()), static_cast<DWORD>(user.size()));
    ::InternetSetOptionW(handle, forProxy ? INTERNET_OPTION_PROXY_PASSWORD : INTERNET_OPTION_PASSWORD,
                         const_cast<wchar_t*>(password.c_str()), static_cast<DWORD>(password.size()));
}

} // namespace

bool RequestCredentials(CredentialSource& source, ProgressSink* sink, HINTERNET handle, std::wstring_view url,
                        std::wstring_view realm, bool forProxy, std::wstring_view proxyHost,
                        std::wstring& user, SecretText& password) {
    WipeSecret(user);
    password.Clear();
    // The request is named first: what was entered before counts only for the same server.
    source.SetUrl(url);
    source.SetRealm(realm);
    source.SetProxyHost(forProxy ? proxyHost : std::wstring_view());
    if (source.GetReusable(user, password)) {
        platform::LogLine(L"Credentials entered before are sent for " + std::wstring(url) + L".");
    } else {
        platform::LogLine(L"Credentials are needed for " + std::wstring(url) +
                          (forProxy ? L" by the proxy " + std::wstring(proxyHost) : std::wstring()) +
                          L" (realm \"" + std::wstring(realm) + L"\").");
        const std::uint32_t answer =
            sink != nullptr
                ? sink->ReportError(url, XFER_AUTH_REQUIRED, reinterpret_cast<std::uintptr_t>(&source))
                : XFER_AUTH_REQUIRED;
        if (answer != ERROR_RETRY || !source.GetEntered(user, password) || user.empty()) {
            platform::LogLine(L"No credentials were entered.");
            WipeSecret(user);
            password.Clear();
            return false;
        }
        platform::LogLine(L"Credentials were entered.");
    }
    if (handle != nullptr)
        SetOnHandle(handle, forProxy, user, password);
    source.ForbidReuse();
    return true;
}

CredentialSource& NoCredentials() {
    static NoCredentialSource source;
    return source;
}

void WipeSecret(std::wstring& text) {
    // The whole buffer: a shorter text may have replaced a longer one in it.
    text.resize(text.capacity());
    ::SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

} // namespace velmora::transfer
