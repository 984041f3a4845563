// Arbitrary text through the URL redaction, then URLs built from the input with known credentials: the
// redaction must be stable and must leave nothing of the user information behind.
#include <cstdlib>

#include "fuzz/FuzzText.h"
#include "platform/pure/Redact.h"

namespace {

bool HasAny(const std::wstring& text, const wchar_t* characters) {
    return text.find_first_of(characters) != std::wstring::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using velmora::platform::RedactUrlCredentials;
    const std::wstring text = velmora::fuzz::Utf16Units(data, size);

    const std::wstring once = RedactUrlCredentials(text);
    if (RedactUrlCredentials(once) != once)
        std::abort();

    // user U+0001 password U+0001 host U+0001 path
    std::wstring parts[4];
    int part = 0;
    for (wchar_t c : text) {
        if (c == L'\x0001' && part < 3)
            ++part;
        else
            parts[part].push_back(c);
    }
    const std::wstring& user = parts[0];
    const std::wstring& password = parts[1];
    const std::wstring& host = parts[2];
    const std::wstring path = L"/" + parts[3];
    if (HasAny(user, L"@:/\\?#") || HasAny(password, L"/\\?#") || HasAny(host, L"@:/\\?#") || host.empty())
        return 0;
    const std::wstring url = L"https://" + user + L":" + password + L"@" + host + path;
    // A path that holds a URL of its own may lose more than that URL's user information: in doubt the
    // redaction hides more, so only the outer URL's part is exact then.
    const bool nested = path.find(L"://") != std::wstring::npos;
    const std::wstring redactedUrl = RedactUrlCredentials(url);
    if (nested ? redactedUrl.rfind(L"https://***@" + host + L"/", 0) != 0
               : redactedUrl != L"https://***@" + host + path)
        std::abort();
    if (velmora::platform::WithoutUrlCredentials(url) != L"https://" + host + path)
        std::abort();
    // A log line holding the URL twice keeps neither password (a path holding a URL of its own aside).
    const std::wstring line = L"From " + url + L" or " + url + L".";
    const std::wstring redacted =
        L"From https://***@" + host + path + L" or https://***@" + host + path + L".";
    if (!nested && RedactUrlCredentials(line) != redacted)
        std::abort();
    return 0;
}
