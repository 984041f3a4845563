// Holds a named mutex until a file appears, so a test can see a chainer wait for it.
// Usage: hold_mutex NAME READY_FILE RELEASE_FILE [abandon|event]
// Writes READY_FILE once it owns the mutex, then polls for RELEASE_FILE (at most 60 s) and releases. With
// "abandon" it ends without releasing, so the system hands the mutex to a waiter as abandoned. With "event"
// it holds an event of that name instead, so a waiter cannot open the name as a mutex.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4)
        return 2;
    const bool abandon = argc > 4 && std::wcscmp(argv[4], L"abandon") == 0;
    const bool event = argc > 4 && std::wcscmp(argv[4], L"event") == 0;
    HANDLE mutex =
        event ? ::CreateEventW(nullptr, TRUE, FALSE, argv[1]) : ::CreateMutexW(nullptr, TRUE, argv[1]);
    if (mutex == nullptr)
        return 3;
    HANDLE ready =
        ::CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE)
        ::CloseHandle(ready);
    for (int i = 0; i < 600; ++i) {
        if (::GetFileAttributesW(argv[3]) != INVALID_FILE_ATTRIBUTES)
            break;
        ::Sleep(100);
    }
    if (abandon)
        ::ExitProcess(0);
    if (!event)
        ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
    return 0;
}
