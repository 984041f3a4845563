#include "cli/lint/KitFolder.h"

#include <system_error>

#include "cli/Console.h"
#include "cli/lint/pure/Names.h"

namespace velmora::cli {

namespace {

// The entry of folder whose name equals name without regard to letter case; empty when there is none.
std::filesystem::path EntryOf(const std::filesystem::path& folder, std::wstring_view name) {
    std::error_code failure;
    const std::filesystem::path exact = folder / NativePath(name);
    if (std::filesystem::exists(exact, failure))
        return exact;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failure)) {
        if (EqualsIgnoringCase(DisplayPath(entry.path().filename()), name))
            return entry.path();
    }
    return {};
}

} // namespace

bool KitFolder::Exists(std::wstring_view relativePath) const {
    std::filesystem::path at = folder_;
    std::wstring_view rest = relativePath;
    while (!rest.empty()) {
        const std::size_t separator = rest.find_first_of(L"\\/");
        const std::wstring_view name = rest.substr(0, separator);
        rest = separator == std::wstring_view::npos ? std::wstring_view() : rest.substr(separator + 1);
        if (name.empty() || name == L".")
            continue;
        if (name == L"..") {
            at = at.parent_path();
            continue;
        }
        at = EntryOf(at, name);
        if (at.empty())
            return false;
    }
    std::error_code failure;
    return std::filesystem::is_regular_file(at, failure);
}

} // namespace velmora::cli
