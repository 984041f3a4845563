#include "platform/pure/Redact.h"

namespace velmora::platform {

namespace {

bool AllDigits(std::wstring_view text) {
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return false;
    }
    return true;
}

// "host", "host:8080", "[::1]" or "[::1]:8080".
bool IsHostAndPort(std::wstring_view authority) {
    std::size_t hostEnd = 0;
    if (!authority.empty() && authority.front() == L'[') {
        hostEnd = authority.find(L']');
        if (hostEnd == std::wstring_view::npos)
            return false;
        ++hostEnd;
    } else {
        hostEnd = authority.find(L':');
        if (hostEnd == std::wstring_view::npos)
            return true;
    }
    std::wstring_view rest = authority.substr(hostEnd);
    return rest.empty() || (rest.front() == L':' && AllDigits(rest.substr(1)));
}

} // namespace

std::wstring RedactUrlCredentials(std::wstring_view url) {
    std::size_t schemeEnd = url.find(L"://");
    if (schemeEnd == std::wstring_view::npos)
        return std::wstring(url);
    const std::size_t start = schemeEnd + 3;
    std::size_t authorityEnd = url.find_first_of(L"/\\?#", start);
    if (authorityEnd == std::wstring_view::npos)
        authorityEnd = url.size();
    std::wstring_view authority = url.substr(start, authorityEnd - start);

    std::size_t at = authority.rfind(L'@');
    if (at != std::wstring_view::npos) {
        at += start;
    } else if (!IsHostAndPort(authority)) {
        std::size_t queryStart = url.find_first_of(L"?#", start);
        std::wstring_view beforeQuery = url.substr(0, queryStart);
        at = beforeQuery.rfind(L'@');
        if (at != std::wstring_view::npos && at < start)
            at = std::wstring_view::npos;
    }
    if (at == std::wstring_view::npos)
        return std::wstring(url);
    return std::wstring(url.substr(0, start)) + L"***" + std::wstring(url.substr(at));
}

} // namespace velmora::platform
