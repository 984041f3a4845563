// Arbitrary text through the INI reader, then every lookup it answers must agree with what it parsed.
#include <cstdlib>

#include "config/pure/IniDocument.h"
#include "fuzz/FuzzText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velmora::config::IniDocument doc;
    doc.Parse(velmora::fuzz::Utf16Units(data, size));
    for (const auto& section : doc.Sections()) {
        const auto* first = doc.FindSection(section.name);
        if (first == nullptr)
            std::abort();
        for (const auto& pair : section.pairs) {
            if (!pair.key.empty() && (velmora::config::IsWideSpace(pair.key.front()) ||
                                      velmora::config::IsWideSpace(pair.key.back())))
                std::abort();
            if (pair.key.find(L'=') != std::wstring::npos)
                std::abort();
            std::wstring value;
            if (first == &section && !doc.GetValue(section.name, pair.key, value))
                std::abort();
        }
    }
    std::vector<std::wstring> names;
    doc.GetSectionNames(names);
    if (names.size() != doc.Sections().size())
        std::abort();
    return 0;
}
