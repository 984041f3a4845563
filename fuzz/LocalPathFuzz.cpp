// Arbitrary URLs and folders through the download-path rules: no read outside the text (ASan), and the
// name never holds a character that would split or break the path.
#include <cstdlib>

#include "detection/pure/LocalPath.h"
#include "fuzz/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text = velmora::fuzz::Utf16Units(data, size);
    std::size_t split = text.find(L'\n');
    std::wstring url = text.substr(0, split);
    std::wstring folder = split == std::wstring::npos ? std::wstring() : text.substr(split + 1);

    std::wstring name = velmora::detection::FileNameFromUrl(url);
    if (name.size() > 41 || name.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos)
        std::abort();
    std::wstring path = velmora::detection::LocalPathFor(L"C:\\dl\\", url, folder);
    if (path.rfind(L"C:\\dl\\", 0) != 0)
        std::abort();
    return 0;
}
