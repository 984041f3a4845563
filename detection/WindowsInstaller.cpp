#include "detection/WindowsInstaller.h"

#include <msi.h>

#include <mutex>

#include "platform/ErrorText.h"
#include "platform/GrowBuffer.h"
#include "platform/Logger.h"
#include "platform/SystemLibrary.h"
#include "platform/UniqueHandle.h"

namespace velmora::detection {

namespace {

using GetProductInfoFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, LPDWORD);
using EnumRelatedProductsFn = UINT(WINAPI*)(LPCWSTR, DWORD, DWORD, LPWSTR);
using LocateComponentFn = INSTALLSTATE(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);

constexpr WORD kGetProductInfoOrdinal = 70;
constexpr WORD kEnumRelatedProductsOrdinal = 205;
constexpr WORD kLocateComponentOrdinal = 90;

// A product or upgrade code in braces: 38 characters.
constexpr DWORD kProductCodeLength = 38;

struct Installer {
    platform::UniqueModule module;
    GetProductInfoFn getProductInfo = nullptr;
    EnumRelatedProductsFn enumRelatedProducts = nullptr;
    LocateComponentFn locateComponent = nullptr;
};

template <typename Fn> Fn ByOrdinal(HMODULE module, WORD ordinal) {
    Fn function = nullptr;
    platform::FindFunction(module, MAKEINTRESOURCEA(ordinal), function);
    return function;
}

// Loaded once for the process and kept: the searches run again after every installation.
const Installer& TheInstaller() {
    static Installer installer;
    static std::once_flag once;
    std::call_once(once, [] {
        // From the system folder only: no msi.dll of the kit's folder or the current folder is picked up.
        installer.module = platform::LoadSystemLibrary(L"msi.dll");
        if (!installer.module) {
            const DWORD error = ::GetLastError();
            if (platform::LogEnabled())
                platform::LogLine(L"Windows Installer could not be loaded: " + std::to_wstring(error) + L" " +
                                  platform::SystemErrorText(error));
            return;
        }
        HMODULE module = installer.module.get();
        installer.getProductInfo = ByOrdinal<GetProductInfoFn>(module, kGetProductInfoOrdinal);
        installer.enumRelatedProducts = ByOrdinal<EnumRelatedProductsFn>(module, kEnumRelatedProductsOrdinal);
        installer.locateComponent = ByOrdinal<LocateComponentFn>(module, kLocateComponentOrdinal);
    });
    return installer;
}

} // namespace

bool WindowsInstallerAvailable() {
    const Installer& installer = TheInstaller();
    return installer.getProductInfo != nullptr && installer.enumRelatedProducts != nullptr &&
           installer.locateComponent != nullptr;
}

DWORD MsiProductVersionString(std::wstring_view productCode, std::wstring& version) {
    version.clear();
    const Installer& installer = TheInstaller();
    if (installer.getProductInfo == nullptr)
        return ERROR_UNKNOWN_PRODUCT;
    const std::wstring code(productCode);
    return platform::CallWithGrowingBuffer(
        version, 0, [&](wchar_t* buffer, DWORD capacity, DWORD* written, DWORD* needed) -> DWORD {
            DWORD size = capacity;
            UINT result =
                installer.getProductInfo(code.c_str(), INSTALLPROPERTY_VERSIONSTRING, buffer, &size);
            if (result == ERROR_MORE_DATA) {
                // The size comes back without the terminator.
                *needed = size + 1;
                return ERROR_MORE_DATA;
            }
            if (result == ERROR_SUCCESS)
                *written = size;
            return result;
        });
}

DWORD MsiRelatedProduct(std::wstring_view upgradeCode, DWORD index, std::wstring& productCode) {
    productCode.clear();
    const Installer& installer = TheInstaller();
    if (installer.enumRelatedProducts == nullptr)
        return ERROR_NO_MORE_ITEMS;
    const std::wstring code(upgradeCode);
    wchar_t buffer[kProductCodeLength + 1] = {};
    UINT result = installer.enumRelatedProducts(code.c_str(), 0, index, buffer);
    if (result == ERROR_SUCCESS)
        productCode.assign(buffer, ::wcsnlen(buffer, kProductCodeLength));
    return result;
}

int MsiComponentState(std::wstring_view componentCode) {
    const Installer& installer = TheInstaller();
    if (installer.locateComponent == nullptr)
        return INSTALLSTATE_UNKNOWN;
    const std::wstring code(componentCode);
    // The path is not wanted, but the state comes with it: ask with an empty buffer, then with one of the
    // size the installer names. The path may grow in between, so a few rounds are allowed.
    std::wstring path(1, L'\0');
    DWORD size = 0;
    INSTALLSTATE state = installer.locateComponent(code.c_str(), path.data(), &size);
    for (int round = 0; state == INSTALLSTATE_MOREDATA && round < 4; ++round) {
        path.assign(static_cast<std::size_t>(size) + 1, L'\0');
        size = static_cast<DWORD>(path.size());
        state = installer.locateComponent(code.c_str(), path.data(), &size);
    }
    return state;
}

} // namespace velmora::detection
