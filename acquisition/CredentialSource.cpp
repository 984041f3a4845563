#include "acquisition/CredentialSource.h"

#include "acquisition/ProgressSink.h"
#include "acquisition/pure/TransferRules.h"

namespace velmora::acquisition {

namespace {

class NoCredentialSource final : public CredentialSource {
public:
    void AllowReuse() override {}

    bool RequestCredentials(ProgressSink* sink, HINTERNET, std::wstring_view url, std::wstring_view, bool,
                            std::wstring_view, std::wstring& user, std::wstring& password) override {
        user.clear();
        password.clear();
        if (sink != nullptr)
            sink->ReportError(url, XFER_AUTH_REQUIRED, 0);
        return false;
    }
};

} // namespace

CredentialSource& NoCredentials() {
    static NoCredentialSource source;
    return source;
}

} // namespace velmora::acquisition
