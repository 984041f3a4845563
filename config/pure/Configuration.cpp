#include "config/pure/Configuration.h"

#include "platform/pure/DecimalNumbers.h"
#include "platform/pure/PathRules.h"

namespace velmora::config {

namespace {

constexpr std::wstring_view kGeneralOptions = L"GeneralOptions";
constexpr std::wstring_view kPrerequisites = L"PREREQUISITES";
constexpr std::wstring_view kChainerSettings = L"PREREQ_CHAINER";

// Lookups in one section; a missing section answers every key as absent. A reader that takes moves the
// values it hands out of a document its caller owns and discards (each key is read once).
class SectionReader {
public:
    explicit SectionReader(const IniSection* section, bool take = false) : section_(section), take_(take) {}

    void Take(const std::wstring& value, std::wstring& out) const {
        if (take_)
            out = std::move(const_cast<std::wstring&>(value));
        else
            out = value;
    }

    const std::wstring* Find(std::wstring_view key) const {
        if (section_ == nullptr)
            return nullptr;
        const IniPair* pair = IniDocument::FindKey(*section_, key);
        return pair == nullptr ? nullptr : &pair->value;
    }

    bool Has(std::wstring_view key) const { return Find(key) != nullptr; }

    void Text(std::wstring_view key, std::wstring& out) const {
        if (const std::wstring* value = Find(key))
            Take(*value, out);
    }

    void Number(std::wstring_view key, std::int32_t& out) const {
        if (const std::wstring* value = Find(key))
            out = ParseInt(*value);
    }

    void Size(std::wstring_view key, std::uint64_t& out) const {
        if (const std::wstring* value = Find(key))
            out = ParseSize(*value);
    }

    // "true" in any case of its ASCII letters; anything else is false.
    void Boolean(std::wstring_view key, bool& out) const {
        const std::wstring* value = Find(key);
        if (value == nullptr || value->size() != 4)
            return;
        const wchar_t* expected = L"true";
        for (std::size_t i = 0; i < 4; ++i) {
            wchar_t c = (*value)[i];
            if (c >= L'A' && c <= L'Z')
                c = static_cast<wchar_t>(c - L'A' + L'a');
            if (c != expected[i])
                return;
        }
        out = true;
    }

private:
    const IniSection* section_;
    bool take_;
};

// "App" + 1 gives App1: decimal, no leading zeros. The same form names the search keys.
std::wstring NumberedKey(std::wstring_view prefix, int number) {
    return std::wstring(prefix) + std::to_wstring(number);
}

KeepFilesMode ParseKeepFiles(const std::wstring* value) {
    if (value == nullptr)
        return KeepFilesMode::None;
    if (*value == L"minimum")
        return KeepFilesMode::Minimum;
    if (*value == L"complete")
        return KeepFilesMode::Complete;
    if (*value == L"prereqs")
        return KeepFilesMode::Prereqs;
    return KeepFilesMode::None;
}

bool ReadSearches(const SectionReader& section, std::vector<SearchRecord>& searches) {
    for (int k = 1;; ++k) {
        const std::wstring* type = section.Find(NumberedKey(L"SearchType", k));
        if (type == nullptr)
            return true;
        SearchRecord search;
        search.SearchType = ParseInt(*type);
        const std::wstring* string = section.Find(NumberedKey(L"SearchString", k));
        if (string == nullptr)
            return false;
        section.Take(*string, search.SearchString);
        section.Text(NumberedKey(L"VerMin", k), search.VerMin);
        section.Text(NumberedKey(L"VerMax", k), search.VerMax);
        section.Text(NumberedKey(L"RefContent", k), search.RefContent);
        section.Text(NumberedKey(L"SearchCmdLine", k), search.SearchCmdLine);
        searches.push_back(std::move(search));
    }
}

// False ends the prerequisite list: no App<n> key, no App<n> section, no source, or a search without its
// string.
bool ReadPrerequisite(const IniDocument& document, int number, const PropertySource& properties, bool take,
                      PrerequisiteRecord& record) {
    const IniSection* list = document.FindSection(kPrerequisites);
    if (list == nullptr)
        return false;
    const std::wstring key = NumberedKey(L"App", number);
    const IniPair* name = IniDocument::FindKey(*list, key);
    if (name == nullptr)
        return false;
    // The section carries the key's name (App2), not the display name the key holds.
    const IniSection* found = document.FindSection(key);
    if (found == nullptr)
        return false;
    const SectionReader section(found, take);
    SectionReader(list, take).Take(name->value, record.Name);
    section.Text(L"VerMin", record.VerMin);
    section.Text(L"VerMax", record.VerMax);
    section.Text(L"WinNTVersions", record.WinNTVersions);
    section.Text(L"WinNT64Versions", record.WinNT64Versions);
    // A present key wins even when it is empty.
    if (const std::wstring* setupFile = section.Find(L"SetupFile")) {
        section.Take(*setupFile, record.Source);
        record.SourceKind = SourceKey::SetupFile;
    } else if (const std::wstring* openSite = section.Find(L"OpenSite")) {
        section.Take(*openSite, record.Source);
        record.SourceKind = SourceKey::OpenSite;
    } else if (const std::wstring* url = section.Find(L"Url")) {
        section.Take(*url, record.Source);
        record.SourceKind = SourceKey::Url;
    } else {
        return false;
    }
    section.Size(L"ExactSize", record.ExactSize);
    section.Text(L"MD5", record.MD5);
    section.Text(L"SHA256", record.SHA256);
    section.Text(L"SignerThumbprint", record.SignerThumbprint);
    section.Number(L"Operator", record.Operator);
    section.Text(L"CommandLine", record.CommandLine);
    section.Text(L"BasicUiCommandLine", record.BasicUiCommandLine);
    section.Text(L"NoUiCommandLine", record.NoUiCommandLine);
    section.Text(L"Options", record.Options);
    section.Text(L"RetValPropName", record.RetValPropName);
    section.Text(L"ParentPrereq", record.ParentPrereq);
    section.Text(L"Folder", record.Folder);
    section.Text(L"LanguageList", record.LanguageList);
    if (!ReadSearches(section, record.Searches))
        return false;

    if (!record.LanguageList.empty() && record.LanguageList.back() != L';')
        record.LanguageList += L';';
    // A setup file is located later, beside the chainer or in the extraction folder, and stays as written.
    if (record.SourceKind != SourceKey::SetupFile)
        record.Source = ResolveProperties(record.Source, false, properties);
    record.FlagI = record.HasOption(L'i');
    return true;
}

} // namespace

std::int32_t ParseInt(std::wstring_view text) {
    return platform::ParseWrappingInt32(text, platform::NumberLead::SpacesMinusPlus).value;
}

std::uint64_t ParseSize(std::wstring_view text) {
    return platform::ParseWrappingSize(text, platform::NumberLead::SpacesMinusPlus).value;
}

void Configuration::Load(const IniDocument& document, const PropertySource& properties) {
    LoadFrom(document, properties, false);
}

void Configuration::LoadTaking(IniDocument& document, const PropertySource& properties) {
    LoadFrom(document, properties, true);
}

void Configuration::LoadFrom(const IniDocument& document, const PropertySource& properties, bool take) {
    *this = Configuration();
    properties_ = &properties;

    const SectionReader general(document.FindSection(kGeneralOptions), take);
    general.Text(L"MainAppCmdLine", MainAppCmdLine);
    general.Text(L"Options", Options);
    general.Text(L"UpdatesUrl", UpdatesUrl);
    general.Text(L"ProductVersion", ProductVersion);
    general.Text(L"MinWIVer", MinWIVer);
    general.Text(L"DownloadFolder", DownloadFolder);
    general.Text(L"MainAppURL", MainAppURL);
    general.Text(L"UwpAppxURL", UwpAppxURL);
    general.Text(L"LanguageList", LanguageList);
    general.Text(L"ExtractionFolder", ExtractionFolder);
    if (!ExtractionFolder.empty())
        ExtractionFolder = platform::WithTrailingBackslash(platform::NormalizePath(ExtractionFolder));
    KeepFiles = ParseKeepFiles(general.Find(L"KeepFiles"));
    general.Boolean(L"PackJars", PackJars);
    general.Boolean(L"AllPlatforms", AllPlatforms);
    general.Boolean(L"Is64PlatformTransf", Is64PlatformTransf);
    general.Text(L"Langs", Langs);
    general.Text(L"PackageCode", PackageCode);
    general.Text(L"DefaultProdCode", DefaultProdCode);
    general.Text(L"ProductCode", ProductCode);
    general.Text(L"UpgradeCode", UpgradeCode);
    const std::wstring* extUiStub = general.Find(L"ExtUIStub");
    ExtUIStub = extUiStub != nullptr && !extUiStub->empty();
    general.Text(L"SaveExtUIStub", SaveExtUIStub);
    general.Text(L"FileExtractFirst", FileExtractFirst);
    general.Text(L"MsiCertData", MsiCertData);
    general.Text(L"AppxVersion", AppxVersion);
    general.Text(L"AppxPkId", AppxPkId);

    // At most one record per key of the list: reserved, a list of thousands does not pass through copies
    // of itself twice its size on the way.
    if (const IniSection* list = document.FindSection(kPrerequisites))
        Prerequisites.reserve(list->pairs.size());
    for (int number = 1;; ++number) {
        PrerequisiteRecord record;
        if (!ReadPrerequisite(document, number, properties, take, record))
            break;
        Prerequisites.push_back(std::move(record));
    }
}

bool Configuration::IsSilent() const {
    return Options.find(L'q') != std::wstring::npos;
}

bool Configuration::IsBasicUi() const {
    return Options.find(L'b') != std::wstring::npos;
}

std::wstring Configuration::ComputeFolder(const std::wstring& configured) const {
    if (!configured.empty()) {
        std::wstring resolved =
            properties_ != nullptr ? ResolveProperties(configured, false, *properties_) : configured;
        // A text that resolves to nothing still becomes a folder text, as every other configured one does.
        std::wstring folder = platform::NormalizePath(resolved);
        if (folder.empty() || folder.back() != L'\\')
            folder += L'\\';
        return folder;
    }
    std::wstring temp = properties_ != nullptr ? properties_->TempFolder() : std::wstring();
    return platform::WithTrailingBackslash(platform::WithTrailingBackslash(temp) + DefaultProdCode);
}

std::wstring Configuration::GetDownloadFolder() {
    if (!downloadFolderComputed_) {
        DownloadFolder = ComputeFolder(DownloadFolder);
        downloadFolderComputed_ = true;
    }
    return DownloadFolder;
}

std::wstring Configuration::GetExtractionFolder() {
    if (!extractionFolderComputed_) {
        ExtractionFolder = ComputeFolder(ExtractionFolder);
        extractionFolderComputed_ = true;
    }
    return ExtractionFolder;
}

bool LoadChainerSettings(const IniDocument& document, ChainerSettings& settings) {
    settings = ChainerSettings();
    const IniSection* found = document.FindSection(kChainerSettings);
    if (found == nullptr)
        return false;
    const SectionReader section(found);
    section.Text(L"CleanupFiles", settings.CleanupFiles);
    section.Text(L"CleanupFolders", settings.CleanupFolders);
    section.Text(L"LogFile", settings.LogFile);
    section.Text(L"CleanupScript", settings.CleanupScript);
    return true;
}

} // namespace velmora::config
