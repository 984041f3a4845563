#include "config/pure/PropertyResolution.h"

namespace velmora::config {

namespace {

// Indexed by the kind of reference: folder property, environment variable, registry value.
constexpr wchar_t kOpening[] = {L'[', L'%', L'!'};
constexpr wchar_t kClosing[] = {L']', L'%', L'!'};

struct NamedRule {
    std::wstring_view name;
    FolderPropertyRule rule;
};

// Shell folder identifiers (CSIDL_...) as the system numbers them.
constexpr int kCsidlPrograms = 0x02;
constexpr int kCsidlFavorites = 0x06;
constexpr int kCsidlStartup = 0x07;
constexpr int kCsidlStartMenu = 0x0B;
constexpr int kCsidlDesktopDirectory = 0x10;
constexpr int kCsidlFonts = 0x14;
constexpr int kCsidlCommonDesktopDirectory = 0x19;
constexpr int kCsidlAppData = 0x1A;
constexpr int kCsidlLocalAppData = 0x1C;
constexpr int kCsidlCommonAppData = 0x23;
constexpr int kCsidlProgramFiles = 0x26;
constexpr int kCsidlProgramFilesCommon = 0x2B;

const NamedRule kRules[] = {
    {L"ProgramFiles64Folder", {FolderPropertyKind::ProgramFiles64, kCsidlProgramFiles}},
    {L"SystemFolder", {FolderPropertyKind::System, 0}},
    {L"System32Folder", {FolderPropertyKind::System32, 0}},
    {L"WindowsFolder", {FolderPropertyKind::Windows, 0}},
    {L"WindowsVolume", {FolderPropertyKind::WindowsVolume, 0}},
    {L"TempFolder", {FolderPropertyKind::Temp, 0}},
    {L"SETUPEXEDIR", {FolderPropertyKind::SetupExeDir, 0}},
    {L"ProgramFilesFolder", {FolderPropertyKind::Shell, kCsidlProgramFiles}},
    {L"CommonFilesFolder", {FolderPropertyKind::Shell, kCsidlProgramFilesCommon}},
    {L"DesktopFolder", {FolderPropertyKind::Shell, kCsidlDesktopDirectory}},
    {L"AllUsersDesktopFolder", {FolderPropertyKind::Shell, kCsidlCommonDesktopDirectory}},
    {L"AppDataFolder", {FolderPropertyKind::Shell, kCsidlAppData}},
    {L"FavoritesFolder", {FolderPropertyKind::Shell, kCsidlFavorites}},
    {L"StartMenuFolder", {FolderPropertyKind::Shell, kCsidlStartMenu}},
    {L"ProgramMenuFolder", {FolderPropertyKind::Shell, kCsidlPrograms}},
    {L"StartupFolder", {FolderPropertyKind::Shell, kCsidlStartup}},
    {L"FontsFolder", {FolderPropertyKind::Shell, kCsidlFonts}},
    {L"LocalAppDataFolder", {FolderPropertyKind::Shell, kCsidlLocalAppData}},
    {L"CommonAppDataFolder", {FolderPropertyKind::Shell, kCsidlCommonAppData}},
};

std::wstring Replacement(ReferenceKind kind, std::wstring_view name, bool use64BitView,
                         const PropertySource& source) {
    switch (kind) {
    case ReferenceKind::FolderProperty: {
        std::wstring folder;
        if (source.FolderProperty(name, use64BitView, folder))
            return folder;
        std::wstring unchanged;
        unchanged.reserve(name.size() + 2);
        unchanged += L'[';
        unchanged += name;
        unchanged += L']';
        return unchanged;
    }
    case ReferenceKind::EnvironmentVariable:
        return source.EnvironmentValue(name);
    case ReferenceKind::RegistryValue:
        break;
    }
    return source.RegistryValue(name, use64BitView);
}

} // namespace

ReferenceScan ScanReferences(std::wstring_view text) {
    ReferenceScan scan;
    std::size_t position = 0;
    for (;;) {
        const std::size_t opening = text.find_first_of(std::wstring_view(kOpening, 3), position);
        if (opening == std::wstring_view::npos)
            return scan;
        const int kind = text[opening] == kOpening[0] ? 0 : text[opening] == kOpening[1] ? 1 : 2;
        const std::size_t closing = text.find(kClosing[kind], opening + 1);
        if (closing == std::wstring_view::npos) {
            scan.unclosedAt = opening;
            return scan;
        }
        scan.references.push_back(PropertyReference{static_cast<ReferenceKind>(kind), opening,
                                                    text.substr(opening + 1, closing - opening - 1)});
        position = closing + 1;
    }
}

std::wstring ResolveProperties(std::wstring_view text, bool use64BitView, const PropertySource& source) {
    std::wstring result;
    result.reserve(text.size());
    std::size_t position = 0;
    for (const PropertyReference& reference : ScanReferences(text).references) {
        result += text.substr(position, reference.at - position);
        result += Replacement(reference.kind, reference.name, use64BitView, source);
        position = reference.at + reference.name.size() + 2;
    }
    result += text.substr(position);
    return result;
}

bool FindFolderPropertyRule(std::wstring_view name, FolderPropertyRule& rule) {
    for (const NamedRule& named : kRules) {
        if (named.name == name) {
            rule = named.rule;
            return true;
        }
    }
    return false;
}

std::vector<std::wstring_view> FolderPropertyNames() {
    std::vector<std::wstring_view> names;
    for (const NamedRule& named : kRules)
        names.push_back(named.name);
    return names;
}

} // namespace velmora::config
