// A network provider for end-to-end tests: the chainer's network connections go through Windows' own
// multiple-provider router (mpr), which hands them to this provider once the prefix lists it. It accepts
// every connection and cancellation and appends one line per call, "add <remote> <user>" or
// "cancel <name>", to the UTF-8 file named by VELMORA_NETPROVIDER_RECORD in the calling process.
#include <windows.h>
// The header declares the provider's entry points without C linkage of its own.
extern "C" {
#include <npapi.h>
}

#include <string>

namespace {

void Record(const std::wstring& line) {
    wchar_t path[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"VELMORA_NETPROVIDER_RECORD", path, MAX_PATH) == 0)
        return;
    HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::wstring text = line + L"\n";
    char bytes[1024] = {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes,
                                           sizeof bytes, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr);
    ::CloseHandle(file);
}

std::wstring Text(const wchar_t* text) {
    return text != nullptr ? text : L"";
}

} // namespace

extern "C" {

__declspec(dllexport) DWORD APIENTRY NPGetCaps(DWORD index) {
    switch (index) {
    case WNNC_SPEC_VERSION:
        return WNNC_SPEC_VERSION51;
    case WNNC_NET_TYPE:
        return WNNC_NET_SMB;
    case WNNC_CONNECTION:
        return WNNC_CON_ADDCONNECTION | WNNC_CON_CANCELCONNECTION;
    default:
        return 0;
    }
}

__declspec(dllexport) DWORD APIENTRY NPAddConnection(LPNETRESOURCEW resource, LPWSTR, LPWSTR user) {
    Record(L"add " + Text(resource != nullptr ? resource->lpRemoteName : nullptr) + L" " + Text(user));
    return WN_SUCCESS;
}

__declspec(dllexport) DWORD APIENTRY NPCancelConnection(LPWSTR name, BOOL) {
    Record(L"cancel " + Text(name));
    return WN_SUCCESS;
}

} // extern "C"
