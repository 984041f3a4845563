#include "transfer/TransferSource.h"

#include "platform/pure/Redact.h"
#include "transfer/pure/FileUrl.h"

namespace velmora::transfer {

// Splits without copying into fixed buffers, so no part has a length limit.
// OS quirk (Wine 8): given a buffer for the path of a file URL, InternetCrackUrlW copies the path into a
// MAX_PATH array on its stack whatever its length; pointer mode never takes that branch.
DWORD ParseSourceUrl(const std::wstring& url, SourceUrl& parts) {
    if (url.empty())
        return ERROR_INTERNET_INVALID_URL;
    URL_COMPONENTSW c{};
    c.dwStructSize = sizeof c;
    c.dwSchemeLength = c.dwHostNameLength = c.dwUserNameLength = c.dwPasswordLength = c.dwUrlPathLength =
        c.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &c))
        return ::GetLastError();
    auto part = [](const wchar_t* text, DWORD length) {
        return text == nullptr ? std::wstring() : std::wstring(text, length);
    };
    parts.address = url;
    parts.logged = platform::RedactUrlCredentials(url);
    parts.scheme = c.nScheme;
    parts.host = part(c.lpszHostName, c.dwHostNameLength);
    parts.port = c.nPort;
    parts.user = part(c.lpszUserName, c.dwUserNameLength);
    parts.password = part(c.lpszPassword, c.dwPasswordLength);
    parts.pathAndExtra = part(c.lpszUrlPath, c.dwUrlPathLength) + part(c.lpszExtraInfo, c.dwExtraInfoLength);
    if (parts.scheme == INTERNET_SCHEME_FILE)
        parts.localPath = FileUrlPath(url);
    return ERROR_SUCCESS;
}

} // namespace velmora::transfer
