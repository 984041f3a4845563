// The process's credentials: what the person at the machine entered in the credentials dialog (225) for
// each server, proxy and share that asked, kept for the run so that the next transfer to the same one
// needs no dialog.
//
// How it works: the transfer engine names each request (URL, realm, proxy host) before it asks, and every
// operation concerns the server that request goes to: a proxy by its host name, a server by host and port,
// each with its realm. An entry is tried once per connection attempt; a second refusal in the same attempt
// brings the dialog again. The store has no lock: transfers run one at a time, and Prompt runs while the
// transfer that asked waits for it. Passwords are overwritten in memory when they are replaced and when
// the store goes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "transfer/CredentialSource.h"
#include "transfer/pure/CredentialRules.h"

namespace velmora::transfer {

class CredentialStore final : public CredentialSource {
public:
    CredentialStore() = default;
    ~CredentialStore() override;
    CredentialStore(const CredentialStore&) = delete;
    CredentialStore& operator=(const CredentialStore&) = delete;

    void AllowReuse() override;
    bool GetReusable(std::wstring& user, SecretText& password) override;
    bool GetEntered(std::wstring& user, SecretText& password) override;
    void ForbidReuse() override;
    void SetRealm(std::wstring_view realm) override;
    void SetProxyHost(std::wstring_view host) override;
    void SetUrl(std::wstring_view url) override;
    // Shows the dialog on the calling thread, which must be able to own a window.
    bool Prompt(HWND owner) override;

    // Set: Prompt shows nothing and fails (silent runs show no window).
    void SetNoPrompt(bool noPrompt) { noPrompt_ = noPrompt; }
    // Forgets (and overwrites) everything entered: the run needs it no longer.
    void Clear();

    // The server the current request goes to.
    CredentialServer CurrentServer() const;

private:
    struct Entry {
        CredentialServer server;
        std::wstring user;
        SecretText password;
        bool reusable = false;
    };
    Entry* Find(const CredentialServer& server);

    bool noPrompt_ = false;
    std::vector<std::unique_ptr<Entry>> entries_; // never moved: a moved text leaves a copy behind
    std::wstring realm_;
    std::wstring url_;
    std::wstring proxyHost_;
};

// The one store of the process, handed to the transfers by the main flow.
CredentialStore& TheCredentialStore();

} // namespace velmora::transfer
