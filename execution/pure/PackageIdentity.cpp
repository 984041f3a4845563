#include "execution/pure/PackageIdentity.h"

namespace velmora::execution {

namespace {

bool IsFiller(std::uint16_t part) {
    return part == 0 || part == 0xFFFF;
}

} // namespace

std::wstring_view ArchitectureName(std::int32_t architecture) {
    switch (static_cast<PackageArchitecture>(architecture)) {
    case PackageArchitecture::Neutral:
        return L"neutral";
    case PackageArchitecture::X64:
        return L"x64";
    case PackageArchitecture::X86:
        return L"x86";
    case PackageArchitecture::Arm:
        return L"arm";
    case PackageArchitecture::Arm64:
        return L"arm64";
    }
    return {};
}

std::wstring PackageVersionText(const PackageVersionParts& version) {
    const std::uint16_t parts[] = {version.major, version.minor, version.build, version.revision};
    std::size_t count = 4;
    while (count > 0 && IsFiller(parts[count - 1]))
        --count;
    if (count == 0)
        return L"0.0.0.0";
    if (count < 2)
        count = 2;
    std::wstring text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0)
            text += L'.';
        text += std::to_wstring(parts[i]);
    }
    return text;
}

bool PackageMatches(const PackageIdentity& package, std::wstring_view name, std::wstring_view publisher,
                    std::wstring_view architecture) {
    if (package.name != name)
        return false;
    if (!publisher.empty() && package.publisher != publisher)
        return false;
    if (!architecture.empty()) {
        std::wstring_view own = ArchitectureName(package.architecture);
        if (own.empty() || own != architecture)
            return false;
    }
    return true;
}

std::wstring HresultText(std::uint32_t code) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += digits[(code >> shift) & 0xF];
    return text;
}

} // namespace velmora::execution
