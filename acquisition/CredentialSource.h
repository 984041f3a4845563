// Where the transfer engine gets a user name and password when a server, a proxy or a network share
// refuses it. Credentials written into a URL are used directly and never come through here.
//
// The process-wide credential store, with its dialog, is built on this interface; until it exists every
// transfer uses NoCredentials(), which still asks the sink (so the processing window shows that
// credentials are needed) but has none to give, so a refused transfer fails with its refusal code.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>
#include <string_view>

namespace velmora::acquisition {

class ProgressSink;

class CredentialSource {
public:
    virtual ~CredentialSource() = default;

    // A new connection attempt starts: credentials entered earlier may be tried once more in it.
    virtual void AllowReuse() = 0;

    // Asked after a refusal. `url` is already free of credentials; `realm` is the server's realm, "FTP
    // Server" or "Local Network Server"; `proxyHost` is set when a proxy refused (forProxy). True with a
    // user name and password, which are then already set on `handle` when there is one (null for FTP
    // logins and shares, which pass them when they connect again).
    virtual bool RequestCredentials(ProgressSink* sink, HINTERNET handle, std::wstring_view url,
                                    std::wstring_view realm, bool forProxy, std::wstring_view proxyHost,
                                    std::wstring& user, std::wstring& password) = 0;
};

// Asks the sink with ReportError(url, XFER_AUTH_REQUIRED, 0) and never has credentials to give, whatever
// the sink answers.
CredentialSource& NoCredentials();

} // namespace velmora::acquisition
