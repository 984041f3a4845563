#include "transfer/CredentialStore.h"

#include "transfer/CredentialsDialog.h"
#include "transfer/pure/FileUrl.h"
#include "ui/WindowTools.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::transfer {

namespace {

struct HostAndPort {
    std::wstring host;
    std::uint32_t port = 0;
};

// The server of a URL; a file URL's is the server of the network path it names (none for local paths).
HostAndPort ServerOfUrl(const std::wstring& url) {
    if (url.rfind(L"file:", 0) == 0)
        return {NetworkServer(FileUrlPath(url)), 0};
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = 1;
    if (url.empty() || !::InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts) ||
        parts.lpszHostName == nullptr)
        return {};
    return {std::wstring(parts.lpszHostName, parts.dwHostNameLength), parts.nPort};
}

} // namespace

CredentialStore::~CredentialStore() {
    Clear();
}

void CredentialStore::Clear() {
    for (const std::unique_ptr<Entry>& entry : entries_) {
        WipeSecret(entry->user);
        entry->password.Clear();
    }
    entries_.clear();
}

CredentialServer CredentialStore::CurrentServer() const {
    CredentialServer server;
    server.realm = realm_;
    if (!proxyHost_.empty()) {
        server.proxy = true;
        server.host = proxyHost_;
    } else {
        HostAndPort target = ServerOfUrl(url_);
        server.host = std::move(target.host);
        server.port = target.port;
    }
    return server;
}

CredentialStore::Entry* CredentialStore::Find(const CredentialServer& server) {
    for (const std::unique_ptr<Entry>& entry : entries_) {
        if (SameServer(entry->server, server))
            return entry.get();
    }
    return nullptr;
}

void CredentialStore::AllowReuse() {
    for (const std::unique_ptr<Entry>& entry : entries_)
        entry->reusable = true;
}

bool CredentialStore::GetReusable(std::wstring& user, SecretText& password) {
    const Entry* entry = Find(CurrentServer());
    if (entry == nullptr || !entry->reusable)
        return false;
    return GetEntered(user, password);
}

bool CredentialStore::GetEntered(std::wstring& user, SecretText& password) {
    const Entry* entry = Find(CurrentServer());
    if (entry == nullptr || entry->user.empty())
        return false;
    user = entry->user;
    password.Assign(entry->password.view());
    return true;
}

void CredentialStore::ForbidReuse() {
    if (Entry* entry = Find(CurrentServer()))
        entry->reusable = false;
}

void CredentialStore::SetRealm(std::wstring_view realm) {
    realm_.assign(realm);
}

void CredentialStore::SetProxyHost(std::wstring_view host) {
    proxyHost_.assign(host);
}

void CredentialStore::SetUrl(std::wstring_view url) {
    url_.assign(url);
}

bool CredentialStore::Prompt(HWND owner) {
    if (noPrompt_)
        return false;
    if (owner == nullptr)
        owner = ::GetActiveWindow();
    if (owner == nullptr)
        owner = ::GetForegroundWindow();
    CredentialServer server = CurrentServer();
    const PromptTexts texts = MakePromptTexts(ui::LoadText(IDS_CONNECT_TO),
                                              ui::LoadText(IDS_CREDENTIALS_EXPLANATION), server.host, realm_);
    EnteredCredentials entered;
    if (!ShowCredentialsDialog(owner, texts.title, texts.explanation, entered))
        return false;
    Entry* entry = Find(server);
    if (entry == nullptr) {
        entries_.push_back(std::make_unique<Entry>());
        entry = entries_.back().get();
        entry->server = std::move(server);
    }
    WipeSecret(entry->user);
    entry->user.swap(entered.user);
    entry->password = std::move(entered.password);
    entry->reusable = true;
    return true;
}

CredentialStore& TheCredentialStore() {
    static CredentialStore store;
    return store;
}

} // namespace velmora::transfer
