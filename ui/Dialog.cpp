#include "ui/Dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "platform/CriticalSection.h"
#include "platform/core/ExceptionHandling.h"

namespace velmora::ui {

class Dialog;

namespace {

struct ModuleState {
    ModuleState() { ::InitializeCriticalSection(&section); }
    ~ModuleState() { ::DeleteCriticalSection(&section); }

    CRITICAL_SECTION section;
    std::vector<std::pair<DWORD, Dialog*>> creating;
    std::vector<HWND> live;
    bool commonControls = false;
};

// Built on first use (thread-safe), so dialogs made before start-up's own call, as in tests, work too.
ModuleState& State() {
    static ModuleState state;
    return state;
}

Dialog* TakeCreating(DWORD threadId) {
    ModuleState& state = State();
    platform::ScopedLock lock(state.section);
    for (auto it = state.creating.rbegin(); it != state.creating.rend(); ++it) {
        if (it->first == threadId) {
            Dialog* dialog = it->second;
            state.creating.erase(std::next(it).base());
            return dialog;
        }
    }
    return nullptr;
}

void AddLive(HWND window) {
    ModuleState& state = State();
    platform::ScopedLock lock(state.section);
    try {
        state.live.push_back(window);
    } catch (const std::bad_alloc&) {
        // Only teardown's sweep misses the window; it still works and is destroyed with its thread.
    }
}

void RemoveLive(HWND window) {
    ModuleState& state = State();
    platform::ScopedLock lock(state.section);
    state.live.erase(std::remove(state.live.begin(), state.live.end(), window), state.live.end());
}

} // namespace

void InitializeUiModule() {
    (void)State();
}

// Progress bars live in comctl32; its classes must be registered before a dialog names them.
void RegisterCommonControls() {
    ModuleState& state = State();
    platform::ScopedLock lock(state.section);
    if (state.commonControls)
        return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    state.commonControls = ::InitCommonControlsEx(&controls) != FALSE;
}

void ShutdownUiModule() {
    ModuleState& state = State();
    std::vector<HWND> mine;
    {
        platform::ScopedLock lock(state.section);
        const DWORD thread = ::GetCurrentThreadId();
        for (HWND window : state.live) {
            if (::GetWindowThreadProcessId(window, nullptr) == thread)
                mine.push_back(window);
        }
    }
    // Destroyed outside the lock: WM_NCDESTROY takes each window off the live list itself.
    for (HWND window : mine) {
        if (::IsWindow(window))
            ::DestroyWindow(window);
    }
    platform::ScopedLock lock(state.section);
    state.creating.clear();
}

int LiveDialogCount() {
    ModuleState& state = State();
    platform::ScopedLock lock(state.section);
    return static_cast<int>(state.live.size());
}

Dialog::~Dialog() {
    HWND window = window_.load();
    if (window != nullptr && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId())
        ::DestroyWindow(window);
    Unregister();
}

bool Dialog::Register() {
    RegisterCommonControls();
    ModuleState& state = State();
    platform::ScopedLock lock(state.section);
    try {
        state.creating.emplace_back(::GetCurrentThreadId(), this);
    } catch (const std::bad_alloc&) {
        ::SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }
    return true;
}

void Dialog::Unregister() {
    // A creation that failed before the window got its first message leaves the entry behind.
    ModuleState& state = State();
    platform::ScopedLock lock(state.section);
    auto& list = state.creating;
    list.erase(
        std::remove_if(list.begin(), list.end(), [this](const auto& entry) { return entry.second == this; }),
        list.end());
}

HWND Dialog::CreateModeless(int templateId, HWND owner) {
    if (!Register())
        return nullptr;
    HWND window =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, Route, 0);
    DWORD error = ::GetLastError();
    Unregister();
    ::SetLastError(error);
    return window;
}

INT_PTR Dialog::ShowModal(int templateId, HWND owner) {
    if (!Register())
        return -1;
    INT_PTR result =
        ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, Route, 0);
    DWORD error = ::GetLastError();
    Unregister();
    ::SetLastError(error);
    return result;
}

INT_PTR Dialog::ShowModalIndirect(const void* dialogTemplate, HWND owner) {
    if (!Register())
        return -1;
    INT_PTR result = ::DialogBoxIndirectParamW(
        ::GetModuleHandleW(nullptr), static_cast<const DLGTEMPLATE*>(dialogTemplate), owner, Route, 0);
    DWORD error = ::GetLastError();
    Unregister();
    ::SetLastError(error);
    return result;
}

INT_PTR CALLBACK Dialog::Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        if (message == WM_NCDESTROY)
            return FALSE;
        dialog = TakeCreating(::GetCurrentThreadId());
        if (dialog == nullptr)
            return FALSE;
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        dialog->window_.store(window);
        AddLive(window);
    }

    INT_PTR result = FALSE;
    try {
        result = dialog->OnMessage(message, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the system's dialog manager.
        platform::core::PresentCaughtException(window, dialog->reporting_);
        result = FALSE;
    }

    if (message == WM_NCDESTROY) {
        RemoveLive(window);
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->window_.store(nullptr);
        try {
            dialog->OnWindowDestroyed();
        } catch (...) {
            platform::core::PresentCaughtException(nullptr, dialog->reporting_);
        }
    }
    return result;
}

} // namespace velmora::ui
