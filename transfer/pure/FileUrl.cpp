#include "transfer/pure/FileUrl.h"

#include "platform/pure/PathRules.h"
#include "platform/pure/TextCompare.h"
#include "transfer/pure/TransferRules.h"

namespace velmora::transfer {

namespace {

using platform::EqualsNoCase;
using platform::StartsWithNoCase;

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool HasDrive(std::wstring_view path) {
    return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == L':';
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// "/" to "\" and "%xx" of an ASCII character (never of a zero) to that character.
std::wstring LocalPathText(std::wstring_view text) {
    std::wstring path;
    path.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c == L'%' && i + 2 < text.size()) {
            int high = HexValue(text[i + 1]);
            int low = HexValue(text[i + 2]);
            int value = high < 0 || low < 0 ? -1 : high * 16 + low;
            if (value > 0 && value < 0x80) {
                c = static_cast<wchar_t>(value);
                i += 2;
            }
        }
        path += c == L'/' ? L'\\' : c;
    }
    return path;
}

} // namespace

std::wstring FileUrlPath(std::wstring_view url) {
    // A zero inside would cut the path short in every system call that receives it.
    if (!StartsWithNoCase(url, L"file:") || url.find(L'\0') != std::wstring_view::npos)
        return {};
    std::wstring_view rest = url.substr(5);
    if (rest.substr(0, 2) != L"//") {
        // "file:C:/a" or "file:/C:/a": no authority.
        while (!rest.empty() && rest.front() == L'/')
            rest.remove_prefix(1);
        return LocalPathText(rest);
    }
    rest.remove_prefix(2);
    if (rest.substr(0, 2) == L"\\\\" || HasDrive(rest))
        return LocalPathText(rest); // "file://\\server\share\a" and "file://C:\a"
    if (!rest.empty() && rest.front() == L'/') {
        rest.remove_prefix(1); // "file:///C:/a"; more slashes make a network path
        if (HasDrive(rest))
            return LocalPathText(rest);
        while (!rest.empty() && rest.front() == L'/')
            rest.remove_prefix(1);
        return rest.empty() ? std::wstring() : L"\\\\" + LocalPathText(rest);
    }
    // "file://[user[:password]@]server/share/a": the authority ends at the first slash or backslash.
    std::size_t end = rest.find_first_of(L"/\\");
    std::wstring_view authority = rest.substr(0, end);
    std::wstring_view remainder = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end);
    std::size_t at = authority.rfind(L'@');
    if (at != std::wstring_view::npos)
        authority.remove_prefix(at + 1);
    if (authority.empty())
        return {};
    if (EqualsNoCase(authority, L"localhost") && remainder.size() > 1 && HasDrive(remainder.substr(1)))
        return LocalPathText(remainder.substr(1));
    return L"\\\\" + LocalPathText(authority) + LocalPathText(remainder);
}

UrlUserInfo FileUrlUserInfo(std::wstring_view url) {
    UrlUserInfo info;
    if (!StartsWithNoCase(url, L"file://"))
        return info;
    std::wstring_view rest = url.substr(7);
    const std::wstring_view authority = rest.substr(0, rest.find_first_of(L"/\\"));
    const std::size_t at = authority.rfind(L'@');
    if (at == std::wstring_view::npos)
        return info;
    const std::wstring_view credentials = authority.substr(0, at);
    const std::size_t colon = credentials.find(L':');
    info.user = std::wstring(credentials.substr(0, colon));
    if (colon != std::wstring_view::npos)
        info.password = std::wstring(credentials.substr(colon + 1));
    return info;
}

std::wstring NetworkServer(std::wstring_view path) {
    if (path.substr(0, 2) != L"\\\\" || platform::HasLongPrefix(path))
        return {};
    std::wstring_view rest = path.substr(2);
    return std::wstring(rest.substr(0, rest.find(L'\\')));
}

bool IsShareLogonError(std::uint32_t code) {
    return code == wincode::LogonFailure || code == wincode::InvalidPassword || code == wincode::BadUserName;
}

} // namespace velmora::transfer
