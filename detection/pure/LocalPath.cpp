#include "detection/pure/LocalPath.h"

#include "platform/pure/Redact.h"
#include "platform/pure/TextCompare.h"

namespace velmora::detection {

namespace {

bool IsForbiddenInName(wchar_t c) {
    switch (c) {
    case L'\\':
    case L'/':
    case L':':
    case L'*':
    case L'?':
    case L'"':
    case L'<':
    case L'>':
    case L'|':
        return true;
    default:
        return false;
    }
}

constexpr std::size_t kNameWalk = 40;

} // namespace

std::wstring FileNameFromUrl(std::wstring_view givenUrl) {
    // A name taken from the host would otherwise carry the password before it.
    const std::wstring bare = platform::WithoutUrlCredentials(givenUrl);
    const std::wstring_view url = bare;
    const std::size_t length = url.size();
    if (length == 0)
        return {};

    // A second "://" (a URL inside the query) ends the part the name comes from.
    std::size_t end = length - 1;
    std::size_t scheme = url.find(L"://");
    if (scheme != std::wstring_view::npos && length >= scheme + 4) {
        std::size_t second = url.find(L"://", scheme + 4);
        if (second != std::wstring_view::npos)
            end = second;
    }

    std::size_t last = end;
    std::size_t dot = url.rfind(L'.', end);
    if (dot != std::wstring_view::npos) {
        for (std::size_t i = dot + 1; i <= end; ++i) {
            if (IsForbiddenInName(url[i])) {
                last = i - 1; // i > dot >= 0
                break;
            }
        }
    }

    // Walk back from the last character to the nearest forbidden one; a longer name keeps its last 41
    // characters, and the walk stops at a forbidden character even at the 41st so none slips in.
    std::size_t start = last + 1;
    std::size_t walked = 0;
    while (start > 0 && walked <= kNameWalk && !IsForbiddenInName(url[start - 1])) {
        --start;
        ++walked;
    }
    if (start > last)
        return {};
    return std::wstring(url.substr(start, last - start + 1));
}

bool IsFileUrlSource(std::wstring_view source) {
    const std::wstring_view prefix =
        platform::StartsWithNoCase(source, L"file:///") ? std::wstring_view(L"file:///") : L"file://";
    return platform::StartsWithNoCase(source, prefix) && source.size() > prefix.size();
}

std::wstring LocalPathFor(std::wstring_view downloadFolder, std::wstring_view url, std::wstring_view folder) {
    std::wstring path(downloadFolder);
    if (path.empty() || path.back() != L'\\')
        path += L'\\';

    std::wstring_view subfolder = folder;
    std::wstring_view fileName;
    std::size_t question = folder.find(L'?');
    if (question != std::wstring_view::npos) {
        subfolder = folder.substr(0, question);
        fileName = folder.substr(question + 1);
    }

    path += subfolder;
    if (path.back() != L'\\')
        path += L'\\';
    if (fileName.empty())
        path += FileNameFromUrl(url);
    else
        path += fileName;
    return path;
}

} // namespace velmora::detection
