// Where the transfer engine gets a user name and password when a server, a proxy or a network share
// refuses it. Credentials written into a URL are used directly and never come through here.
//
// The engine calls RequestCredentials after each refusal. Credentials entered earlier for the same server
// are tried once in each connection attempt (AllowReuse starts one); otherwise the sink is asked with
// ReportError(url, XFER_AUTH_REQUIRED, source), and a sink that shows the credentials dialog calls the
// source's Prompt and answers ERROR_RETRY (1237) when credentials were entered. CredentialStore
// (transfer/CredentialStore.h) is the process's real source; NoCredentials() has none to give.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>
#include <string_view>

#include "platform/SecretText.h"

namespace velmora::transfer {

using platform::SecretText;

class ProgressSink;

// The operations in this order: sinks receive a source as the context of their question.
class CredentialSource {
public:
    virtual ~CredentialSource() = default;

    // A new connection attempt starts: credentials entered earlier may be tried once more in it.
    virtual void AllowReuse() = 0;
    // The credentials entered for the current server, when they were not yet tried in this attempt.
    virtual bool GetReusable(std::wstring& user, SecretText& password) = 0;
    // The credentials entered for the current server.
    virtual bool GetEntered(std::wstring& user, SecretText& password) = 0;
    // The current server's credentials are being tried: not again in this attempt.
    virtual void ForbidReuse() = 0;
    // The current request: its realm, the host of the proxy that asks (empty when the server asks) and its
    // URL (free of credentials).
    virtual void SetRealm(std::wstring_view realm) = 0;
    virtual void SetProxyHost(std::wstring_view host) = 0;
    virtual void SetUrl(std::wstring_view url) = 0;
    // Asks the person at the machine for the current request's credentials (dialog 225), owned by `owner`
    // (else the active, else the foreground window). True when they were entered and kept.
    virtual bool Prompt(HWND owner) = 0;
};

// Asked after a refusal. `url` is free of credentials; `realm` is the server's realm, "FTP Server" or
// "Local Network Server"; `proxyHost` is set when a proxy refused (forProxy). True with a user name and
// password, which are then already set on `handle` when there is one (null for FTP logins and shares,
// which pass them when they connect again). The sink may be null: then only credentials entered before
// can be had.
bool RequestCredentials(CredentialSource& source, ProgressSink* sink, HINTERNET handle, std::wstring_view url,
                        std::wstring_view realm, bool forProxy, std::wstring_view proxyHost,
                        std::wstring& user, SecretText& password);

// A source without credentials and without a dialog: the sink is still asked, but nothing comes of it.
CredentialSource& NoCredentials();

// Overwrites the text's characters, then empties it: a user name is not left behind in freed memory.
void WipeSecret(std::wstring& text);

// A user name and password that are wiped when the scope ends.
struct ScopedCredentials {
    std::wstring user;
    SecretText password;
    ScopedCredentials() = default;
    ScopedCredentials(std::wstring_view givenUser, std::wstring_view givenPassword)
        : user(givenUser), password(givenPassword) {}
    ~ScopedCredentials() { WipeSecret(user); }
    ScopedCredentials(const ScopedCredentials&) = delete;
    ScopedCredentials& operator=(const ScopedCredentials&) = delete;
};

} // namespace velmora::transfer
