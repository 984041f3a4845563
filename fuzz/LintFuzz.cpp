// Arbitrary file bytes through the configuration linter, with a kit that holds every other file it asks
// about, and both report forms: every check must cope with whatever the chainer itself would read.
#include <cstddef>
#include <cstdint>

#include "cli/lint/pure/LintOutput.h"
#include "cli/lint/pure/Linter.h"

namespace {

class AlternatingKit final : public velmora::cli::KitFiles {
public:
    bool Exists(std::wstring_view path) const override { return path.size() % 2 == 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AlternatingKit kit;
    velmora::cli::LintInput input;
    input.bytes.assign(reinterpret_cast<const char*>(data), size);
    input.kit = &kit;
    input.chainerFolder = L"C:\\Kit";
    const velmora::cli::LintReport report = velmora::cli::Lint(input);
    (void)velmora::cli::LintText(report, L"setup.ini");
    (void)velmora::cli::LintJson(report, L"setup.ini");
    return 0;
}
