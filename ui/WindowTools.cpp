#include "ui/WindowTools.h"

#include <vector>

#include "ui/pure/TextFormat.h"
#include "ui/resources/ResourceIds.h"

namespace velmora::ui {

std::wstring LoadText(unsigned id) {
    // The string table read as LoadStringW reads it (blocks of sixteen counted strings, block id / 16 + 1,
    // the same language choice), but through kernel32: a silent run then never loads the user interface
    // libraries only to know its window title.
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC block = ::FindResourceW(module, MAKEINTRESOURCEW(id / 16 + 1), MAKEINTRESOURCEW(6)); // RT_STRING
    HGLOBAL loaded = block == nullptr ? nullptr : ::LoadResource(module, block);
    const auto* entry = static_cast<const wchar_t*>(loaded == nullptr ? nullptr : ::LockResource(loaded));
    if (entry == nullptr)
        return {};
    const wchar_t* end = entry + ::SizeofResource(module, block) / sizeof(wchar_t);
    for (unsigned index = id % 16; index > 0 && entry < end; --index)
        entry += 1 + static_cast<unsigned short>(*entry);
    if (entry >= end || *entry == 0 || entry + 1 + static_cast<unsigned short>(*entry) > end)
        return {};
    return std::wstring(entry + 1, static_cast<unsigned short>(*entry));
}

std::wstring ReadProductName(const std::wstring& filePath) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(filePath.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<unsigned char> block(size);
    if (!::GetFileVersionInfoW(filePath.c_str(), 0, size, block.data()))
        return {};

    unsigned language = kDefaultVersionLanguage;
    unsigned codePage = kDefaultVersionCodePage;
    void* translations = nullptr;
    UINT translationBytes = 0;
    if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translations, &translationBytes) &&
        translationBytes >= 2 * sizeof(WORD)) {
        auto* pair = static_cast<const WORD*>(translations);
        language = pair[0];
        codePage = pair[1];
    }

    std::wstring subBlock = VersionStringSubBlock(language, codePage, L"ProductName");
    void* value = nullptr;
    UINT characters = 0;
    if (!::VerQueryValueW(block.data(), subBlock.c_str(), &value, &characters) || value == nullptr)
        return {};
    std::wstring name(static_cast<const wchar_t*>(value), characters);
    while (!name.empty() && name.back() == L'\0')
        name.pop_back();
    return name;
}

std::wstring WindowTitleFor(const std::wstring& filePath) {
    std::wstring product = ReadProductName(filePath);
    return FormatText(LoadText(IDS_WINDOW_TITLE), {product.empty() ? filePath : product});
}

void SetChainerIcon(HWND window) {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    // LR_SHARED: the system owns the icons and frees them with the module.
    HANDLE large = ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_CHAINER), IMAGE_ICON,
                                ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED);
    HANDLE small = ::LoadImageW(instance, MAKEINTRESOURCEW(IDI_CHAINER), IMAGE_ICON,
                                ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    if (large != nullptr)
        ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    if (small != nullptr)
        ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

} // namespace velmora::ui
