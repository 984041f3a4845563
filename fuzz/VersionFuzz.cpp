// Arbitrary text through the version rules and the search-string splitting; what they give back must be
// consistent with what they read.
#include <cstdlib>

#include "config/pure/IniDocument.h"
#include "detection/pure/SearchRules.h"
#include "detection/pure/Version.h"
#include "fuzz/FuzzText.h"

using namespace velmora::detection;

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void CheckVersion(const std::wstring& text) {
    VersionNumber version;
    const bool ok = ParseVersion(text, version);
    Check(ok ? (version.count >= 1 && version.count <= 4) : (version.count == 0 && version.IsAll(0)));
    for (std::int32_t part : version.parts)
        Check(part >= 0);

    // Writing and reading back keeps every part that was written; dropped ones come back as 0.
    const std::wstring written = FormatVersion(version);
    VersionNumber reread;
    Check(ParseVersion(written, reread));
    std::size_t kept = 4;
    while (kept > 0 && (version.parts[kept - 1] == 0 || version.parts[kept - 1] == 65535))
        --kept;
    for (std::size_t i = 0; i < 4; ++i)
        Check(reread.parts[i] == (kept == 0 ? 0 : (i < (kept < 2 ? 2 : kept) ? version.parts[i] : 0)));
    Check(FormatVersion(reread) == written);

    (void)IsVersionInRange(text, written, version);
    (void)AnyValueInRange(text, text, {text, written});
}

void CheckSplits(const std::wstring& text) {
    const FileSearchString file = SplitFileSearchString(text);
    Check(file.path.size() <= text.size());
    Check(text.compare(0, file.path.size(), file.path) == 0);

    const PackageSearchString package = SplitPackageSearchString(text);
    for (const std::wstring* part : {&package.name, &package.architecture, &package.publisher}) {
        Check(part->find(L'?') == std::wstring::npos);
        Check(part->empty() ||
              (!velmora::config::IsWideSpace(part->front()) && !velmora::config::IsWideSpace(part->back())));
    }

    if (!text.empty())
        (void)ContentMatches(text.substr(1), text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = velmora::fuzz::Utf16Units(data, size);
    CheckVersion(text);
    CheckSplits(text);
    return 0;
}
