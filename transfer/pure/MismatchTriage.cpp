#include "transfer/pure/MismatchTriage.h"

#include <array>

namespace velmora::transfer {

namespace {

constexpr std::size_t kContentTypeShown = 100;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The text starts with the tag (given in lowercase), which then ends: "<html>" but not "<htmlx".
bool StartsWithTag(std::string_view text, std::string_view tag) {
    if (text.size() < tag.size())
        return false;
    for (std::size_t i = 0; i < tag.size(); ++i) {
        if (Lower(text[i]) != tag[i])
            return false;
    }
    if (tag == "<!--" || text.size() == tag.size())
        return true;
    const char next = text[tag.size()];
    return next == '>' || next == '/' || IsBlank(next);
}

std::wstring Widened(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

} // namespace

bool LooksLikeHtml(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        head.remove_prefix(3);
    while (!head.empty() && IsBlank(head.front()))
        head.remove_prefix(1);
    static constexpr std::array<std::string_view, 8> kStarts = {"<!doctype html", "<html", "<head",   "<body",
                                                                "<title",         "<meta", "<script", "<!--"};
    for (std::string_view start : kStarts) {
        if (StartsWithTag(head, start))
            return true;
    }
    return false;
}

std::wstring TriageLine(const ReceivedFile& received) {
    std::wstring line = L"Received " + std::to_wstring(received.size) + L" bytes";
    if (!received.digests.md5.empty())
        line += L", MD5 " + Widened(received.digests.md5);
    if (!received.digests.sha256.empty())
        line += L", SHA256 " + Widened(received.digests.sha256);
    if (!received.contentType.empty())
        line += L", Content-Type " + received.contentType.substr(0, kContentTypeShown);
    if (!received.finalUrl.empty())
        line += L", from " + received.finalUrl;
    line += L".";
    if (LooksLikeHtml(received.head))
        line += L" It starts like an HTML page: probably an error or sign-in page, not the file.";
    return line;
}

} // namespace velmora::transfer
