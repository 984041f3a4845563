#include "ui/pure/TextFormat.h"

namespace velmora::ui {

std::wstring FormatText(std::wstring_view format, std::initializer_list<std::wstring_view> arguments) {
    std::wstring text;
    text.reserve(format.size() + 64);
    auto next = arguments.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            if (format[i + 1] == L's') {
                if (next != arguments.end())
                    text.append(*next++);
                ++i;
                continue;
            }
            if (format[i + 1] == L'%') {
                text.push_back(L'%');
                ++i;
                continue;
            }
        }
        text.push_back(format[i]);
    }
    return text;
}

namespace {

void AppendHex4(std::wstring& text, unsigned value) {
    static const wchar_t digits[] = L"0123456789abcdef";
    for (int shift = 12; shift >= 0; shift -= 4)
        text.push_back(digits[(value >> shift) & 0xF]);
}

} // namespace

std::wstring VersionStringSubBlock(unsigned language, unsigned codePage, std::wstring_view name) {
    std::wstring block = L"\\StringFileInfo\\";
    AppendHex4(block, language);
    AppendHex4(block, codePage);
    block.push_back(L'\\');
    block.append(name);
    return block;
}

} // namespace velmora::ui
