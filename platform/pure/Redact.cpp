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

// Where the first URL's user information lies: it starts at `start` (after "://") and ends before `at`
// (its closing "@"). Without a "://", start is npos; without user information, at is npos.
struct UserInformation {
    std::size_t start = std::wstring_view::npos;
    std::size_t at = std::wstring_view::npos;
};

UserInformation FindUserInformation(std::wstring_view text) {
    UserInformation found;
    const std::size_t schemeEnd = text.find(L"://");
    if (schemeEnd == std::wstring_view::npos)
        return found;
    const std::size_t start = schemeEnd + 3;
    found.start = start;
    std::size_t authorityEnd = text.find_first_of(L"/\\?#", start);
    if (authorityEnd == std::wstring_view::npos)
        authorityEnd = text.size();
    std::wstring_view authority = text.substr(start, authorityEnd - start);

    std::size_t at = authority.rfind(L'@');
    if (at != std::wstring_view::npos) {
        at += start;
    } else if (!IsHostAndPort(authority)) {
        std::size_t queryStart = text.find_first_of(L"?#", start);
        std::wstring_view beforeQuery = text.substr(0, queryStart);
        at = beforeQuery.rfind(L'@');
        if (at != std::wstring_view::npos && at < start)
            at = std::wstring_view::npos;
    }
    found.at = at;
    return found;
}

} // namespace

std::wstring RedactUrlCredentials(std::wstring_view text) {
    std::wstring redacted;
    for (;;) {
        const UserInformation found = FindUserInformation(text);
        if (found.start == std::wstring_view::npos)
            break;
        redacted += text.substr(0, found.start);
        if (found.at != std::wstring_view::npos) {
            redacted += L"***";
            text.remove_prefix(found.at);
        } else {
            text.remove_prefix(found.start);
        }
    }
    redacted += text;
    return redacted;
}

bool HoldsUrlPassword(std::wstring_view text) {
    for (;;) {
        const UserInformation found = FindUserInformation(text);
        if (found.start == std::wstring_view::npos)
            return false;
        if (found.at != std::wstring_view::npos) {
            if (text.substr(found.start, found.at - found.start).find(L':') != std::wstring_view::npos)
                return true;
            text.remove_prefix(found.at);
        } else {
            text.remove_prefix(found.start);
        }
    }
}

std::wstring WithoutUrlCredentials(std::wstring_view url) {
    const UserInformation found = FindUserInformation(url);
    if (found.at == std::wstring_view::npos)
        return std::wstring(url);
    return std::wstring(url.substr(0, found.start)) + std::wstring(url.substr(found.at + 1));
}

} // namespace velmora::platform
