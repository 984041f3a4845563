// The command line of a floor program as separate arguments. Written out so that a floor loads no library
// the measurement does not need (the shell's parser lives in shell32): blanks separate, double quotes group.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace velmora::bench {

inline std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> arguments;
    const wchar_t* p = ::GetCommandLineW();
    while (*p != L'\0') {
        while (*p == L' ' || *p == L'\t')
            ++p;
        if (*p == L'\0')
            break;
        std::wstring argument;
        bool quoted = false;
        for (; *p != L'\0' && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
            if (*p == L'"')
                quoted = !quoted;
            else
                argument += *p;
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

// The whole file, or false.
inline bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    DWORD read = 0;
    bool ok = ::GetFileSizeEx(file, &size) != 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        ok = ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) != 0 &&
             read == bytes.size();
    }
    ::CloseHandle(file);
    return ok;
}

// UTF-16LE text after its byte-order mark, split at CR LF.
inline std::vector<std::wstring_view> Utf16Lines(const std::string& bytes, std::wstring& text) {
    text.assign(bytes.size() > 2 ? (bytes.size() - 2) / 2 : 0, L'\0');
    if (!text.empty())
        ::CopyMemory(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    std::vector<std::wstring_view> lines;
    std::wstring_view rest(text);
    while (!rest.empty()) {
        const std::size_t end = rest.find(L"\r\n");
        lines.push_back(rest.substr(0, end));
        if (end == std::wstring_view::npos)
            break;
        rest.remove_prefix(end + 2);
    }
    return lines;
}

} // namespace velmora::bench
