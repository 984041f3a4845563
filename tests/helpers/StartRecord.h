// What the helper programs record about how they were started, for the tests that start them.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::test {

// UTF-16 lines "cmdline=" the command line, "cwd=" the working folder and "show=" the STARTUPINFO show
// state (-1 when the starter set none).
inline std::wstring StartRecord() {
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    return L"cmdline=" + std::wstring(::GetCommandLineW()) + L"\ncwd=" + folder + L"\nshow=" +
           std::to_wstring(show) + L"\n";
}

inline std::string Utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                           0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                          nullptr, nullptr);
    return bytes;
}

// Replaces the file with the bytes. False when it cannot be created.
inline bool WriteRecordFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return true;
}

} // namespace velmora::test
