#include "platform/Bitness.h"

#include <windows.h>

#include "platform/SystemLibrary.h"

namespace velmora::platform {

namespace {

// Looked up at run time: Windows XP before SP2 has none of these.
template <typename Function> Function Kernel32Function(const char* name) {
    Function function = nullptr;
    FindFunction(::GetModuleHandleW(L"kernel32.dll"), name, function);
    return function;
}

} // namespace

bool RunsUnderWow64() {
    // Asked once: the answer cannot change, and file searches create a redirection scope per folder.
    static const bool wow64 = [] {
        auto isWow64 = Kernel32Function<BOOL(WINAPI*)(HANDLE, BOOL*)>("IsWow64Process");
        BOOL value = FALSE;
        return isWow64 != nullptr && isWow64(::GetCurrentProcess(), &value) && value == TRUE;
    }();
    return wow64;
}

Wow64RedirectionScope::Wow64RedirectionScope() {
    if (!RunsUnderWow64())
        return;
    auto disable = Kernel32Function<BOOL(WINAPI*)(PVOID*)>("Wow64DisableWow64FsRedirection");
    if (disable != nullptr && disable(&oldValue_))
        disabled_ = true;
}

Wow64RedirectionScope::~Wow64RedirectionScope() {
    if (!disabled_)
        return;
    auto revert = Kernel32Function<BOOL(WINAPI*)(PVOID)>("Wow64RevertWow64FsRedirection");
    if (revert != nullptr)
        revert(oldValue_);
}

} // namespace velmora::platform
