// Shows one of the chainer's windows as a run would, for screenshots.
// Usage: ui_gallery status|credentials|crash MARKER_FILE
// Writes "left top right bottom" of the window (screen pixels, frame included) to MARKER_FILE once it is
// on screen, then keeps it there until the window is closed or the program is ended.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

#include "platform/core/ExceptionHandling.h"
#include "platform/core/ExceptionPresenter.h"
#include "platform/core/pure/CrashDialogLayout.h"
#include "transfer/CredentialStore.h"
#include "ui/Dialog.h"
#include "ui/StatusWindow.h"
#include "ui/WindowTools.h"
#include "ui/WorkerThread.h"
#include "ui/resources/ResourceIds.h"

using namespace velmora;

namespace {

std::wstring marker;

void Announce(HWND window) {
    ::UpdateWindow(window);
    RECT r{};
    ::GetWindowRect(window, &r);
    FILE* file = _wfopen(marker.c_str(), L"w");
    if (file != nullptr) {
        std::fprintf(file, "%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        std::fclose(file);
    }
}

std::wstring ChainerPath() {
    wchar_t path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\')) + L"\\chainer.exe";
}

// The credentials dialog as the store shows it for a server that asks, filled in as a person would
// before pressing Ok.
void ShowCredentials() {
    transfer::CredentialStore store;
    store.SetUrl(L"https://files.example.com/kits/runtime.exe");
    store.SetRealm(L"Downloads");
    std::thread person([] {
        HWND dialog = nullptr;
        for (int i = 0; i < 500 && dialog == nullptr; ++i) {
            ::Sleep(20);
            dialog = ::FindWindowW(nullptr, L"Connect to files.example.com");
        }
        if (dialog == nullptr)
            return;
        ::SetDlgItemTextW(dialog, IDC_CREDENTIALS_USER, L"builder");
        ::SetDlgItemTextW(dialog, IDC_CREDENTIALS_PASSWORD, L"secret");
        Announce(dialog);
    });
    store.Prompt(nullptr);
    person.join();
}

__attribute__((noinline)) int ReadThrough(int* volatile* pointer) {
    return **pointer;
}

DWORD CrashingWorker(void*) {
    int* volatile address = nullptr;
    return static_cast<DWORD>(ReadThrough(&address));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    marker = argv[2];
    ui::UiModuleScope module;
    const std::wstring what = argv[1];
    if (what == L"status") {
        ui::StatusWindow status(ChainerPath());
        status.ShowStatus(IDS_PREPARING, false);
        status.PrepareTitle();
        Announce(status.Window());
        MSG message;
        while (status.Created() && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    } else if (what == L"credentials") {
        ShowCredentials();
    } else if (what == L"crash") {
        // A real fault on a worker thread: the crash filter reports it and ends the program once the
        // dialog is closed.
        platform::core::InstallCrashHandlers();
        ui::WorkerThread worker;
        if (worker.Start(CrashingWorker, nullptr, false) != ERROR_SUCCESS)
            return 1;
        HWND dialog = nullptr;
        for (int i = 0; i < 500 && dialog == nullptr; ++i) {
            ::Sleep(20);
            dialog = ::FindWindowW(nullptr, L"Error");
        }
        if (dialog != nullptr) {
            ::SendMessageW(::GetDlgItem(dialog, platform::core::kCrashDetailsButton), BM_CLICK, 0, 0);
            Announce(dialog);
        }
        ::WaitForSingleObject(worker.Handle(), INFINITE);
    } else {
        return 2;
    }
    return 0;
}
