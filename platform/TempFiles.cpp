#include "platform/TempFiles.h"

#include <windows.h>

#include <mutex>

#include "platform/SecureFolder.h"
#include "platform/SystemLibrary.h"
#include "platform/pure/FolderTrust.h"
#include "platform/pure/PathRules.h"

namespace velmora::platform {

std::wstring TempFolder() {
    // Looked up at run time: older systems lack it. The answer cannot change during a run.
    using GetTempPath2Fn = DWORD(WINAPI*)(DWORD, LPWSTR);
    static const GetTempPath2Fn getTempPath2 = [] {
        GetTempPath2Fn function = nullptr;
        FindFunction(::GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W", function);
        return TakesSystemTemporaryFolder(RunningAccountSid(), function != nullptr) ? function : nullptr;
    }();
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length =
        getTempPath2 != nullptr ? getTempPath2(MAX_PATH + 1, buffer) : ::GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder;
    if (length != 0 && length <= MAX_PATH)
        folder.assign(buffer, length);
    return WithTrailingBackslash(folder);
}

std::wstring TempFileName(std::wstring_view extension) {
    wchar_t name[MAX_PATH] = {};
    if (::GetTempFileNameW(TempFolder().c_str(), L"QZ_", 0, name) == 0)
        return {};
    ::DeleteFileW(name);
    std::wstring result = name;
    if (!extension.empty()) {
        std::size_t dot = result.rfind(L'.');
        if (dot != std::wstring::npos)
            result.erase(dot);
        result += extension;
    }
    return result;
}

namespace {

const std::wstring& ProcessTempPath() {
    static std::once_flag once;
    static std::wstring path;
    std::call_once(once, [] { path = TempFolder(); });
    return path;
}

std::wstring TempFileWithExtensionAttempt(std::wstring_view prefix, std::wstring_view extension, int depth) {
    wchar_t created[MAX_PATH] = {};
    std::wstring prefixText(prefix);
    if (::GetTempFileNameW(ProcessTempPath().c_str(), prefixText.c_str(), 0, created) == 0)
        return {};
    if (!extension.empty() && extension.front() == L'.')
        extension.remove_prefix(1);
    if (extension.empty())
        return created;

    std::wstring renamed = created;
    std::size_t slash = renamed.rfind(L'\\');
    std::size_t dot = renamed.rfind(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        renamed.erase(dot + 1);
    else
        renamed += L'.';
    renamed += extension;
    renamed = ToLongPath(renamed);
    if (::MoveFileW(created, renamed.c_str()))
        return renamed;

    // The name with the new extension is taken: try a fresh number. Bounded so a folder that refuses
    // every rename cannot recurse forever.
    std::wstring retry =
        depth < 64 ? TempFileWithExtensionAttempt(prefix, extension, depth + 1) : std::wstring();
    ::DeleteFileW(created);
    return retry;
}

} // namespace

std::wstring TempFileWithExtension(std::wstring_view prefix, std::wstring_view extension) {
    return TempFileWithExtensionAttempt(prefix, extension, 0);
}

} // namespace velmora::platform
