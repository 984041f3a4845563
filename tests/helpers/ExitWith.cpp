// Exits with the code it is given, after writing what it was started with, so a test can see how a
// process was started. Usage: exit_with CODE [RECORD_FILE [SLEEP_MS [HKCU_SUBKEY [READ_FILE]]]], or without
// arguments with CODE in the environment variable VELMORA_EXIT_WITH.
// RECORD_FILE ("-" for none) receives UTF-8 lines "cmdline=", "cwd=", "show=" (the STARTUPINFO show
// state, or -1 when the starter set none) and "read=" (the first line of READ_FILE, "<missing>" when it
// cannot be read), written after the sleep: a caller that waited finds the file complete. HKCU_SUBKEY ("-"
// for none) is created under HKEY_CURRENT_USER as an installer would leave its mark, so that a search can
// find the "installed" program afterwards. READ_FILE stands for a document the program opens late.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "StartRecord.h"

int wmain(int argc, wchar_t** argv) {
    // Without arguments it stands in for a program its starter gives none (the chainer started by a setup):
    // the code then comes from the environment.
    wchar_t fromEnvironment[32] = {};
    if (argc < 2 && ::GetEnvironmentVariableW(L"VELMORA_EXIT_WITH", fromEnvironment, 32) == 0)
        return 2;
    const DWORD code = std::wcstoul(argc < 2 ? fromEnvironment : argv[1], nullptr, 0);
    if (argc >= 4)
        ::Sleep(std::wcstoul(argv[3], nullptr, 10));
    if (argc >= 5 && std::wcscmp(argv[4], L"-") != 0) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, argv[4], 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS)
            ::RegCloseKey(key);
    }
    if (argc >= 3 && std::wcscmp(argv[2], L"-") != 0) {
        std::string read = "<missing>";
        if (argc >= 6) {
            HANDLE document = ::CreateFileW(argv[5], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            char buffer[256] = {};
            DWORD got = 0;
            if (document != INVALID_HANDLE_VALUE &&
                ::ReadFile(document, buffer, sizeof buffer - 1, &got, nullptr))
                read.assign(buffer, std::strcspn(buffer, "\r\n"));
            if (document != INVALID_HANDLE_VALUE)
                ::CloseHandle(document);
        }
        velmora::test::WriteRecordFile(argv[2], velmora::test::Utf8(velmora::test::StartRecord()) +
                                                    "read=" + read + "\n");
    }
    return static_cast<int>(code);
}
