// The loaded configuration: the general options, the ordered prerequisites with their searches, and the
// chainer settings. Loading never fails on content: an absent key leaves its text empty and its number 0,
// and the prerequisite list simply ends at the first prerequisite that cannot be read. The records are
// plain fields named after their keys; after loading only the evaluation and processing state of each
// prerequisite changes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/pure/IniDocument.h"
#include "config/pure/PropertyResolution.h"

namespace velmora::config {

// Leading spaces (U+0020 only), an optional "-", then an optional "+", then decimal digits up to the first
// other character, in 32-bit arithmetic that wraps. No digits give 0. Never fails.
std::int32_t ParseInt(std::wstring_view text);
// A size in bytes: read as leniently, in 64-bit arithmetic, so files of 4 GB and more are compared whole. A
// negative text gives a size no file has.
std::uint64_t ParseSize(std::wstring_view text);

// Which key gave a prerequisite its source; the values are part of the configuration's meaning.
enum class SourceKey : std::int32_t { SetupFile = 0, Url = 1, OpenSite = 2 };

// What the evaluation found for a prerequisite. The numbers are those of the processing actions
// (detection::ProcessingAction), which take over a state's number, and those the explainer prints.
enum class EvaluationState : std::int32_t {
    Found = 0,
    InstallFromPackage = 1, // missing; its SetupFile is launched
    Download = 2,           // missing; its Url is downloaded
    OpenSite = 3,           // missing; the person fetches it from its OpenSite
    Excluded = 4,           // not for this system or language, for the whole run
    NotEvaluated = 8,
};

// What happens to downloaded prerequisite files at the end of a run.
enum class KeepFilesMode : std::int32_t { None = 0, Minimum = 1, Complete = 2, Prereqs = 5 };

struct SearchRecord {
    std::int32_t SearchType = 0;
    std::wstring SearchString;
    std::wstring VerMin;
    std::wstring VerMax;
    std::wstring RefContent;
    std::wstring SearchCmdLine;
};

struct PrerequisiteRecord {
    std::wstring Name;
    std::wstring VerMin;
    std::wstring VerMax;
    // SetupFile as written; Url and OpenSite with their property references resolved.
    std::wstring Source;
    SourceKey SourceKind = SourceKey::SetupFile;
    std::wstring CommandLine;
    std::wstring BasicUiCommandLine;
    std::wstring NoUiCommandLine;
    std::wstring Options;
    std::wstring MD5;
    std::wstring SHA256;           // 64 hexadecimal digits, checked beside MD5
    std::wstring SignerThumbprint; // thumbprints of the signer's certificate, separated by ";"
    std::uint64_t ExactSize = 0; // bytes; 0: the size is not compared
    std::wstring Folder;
    std::wstring RetValPropName;
    std::wstring ParentPrereq;
    std::int32_t Operator = 0;
    std::vector<SearchRecord> Searches;
    std::wstring WinNTVersions;
    std::wstring WinNT64Versions;
    std::wstring LanguageList; // a non-empty list always ends with ";"
    bool FlagI = false;        // Options contains "i"

    // Evaluation and processing state, kept by the evaluation and the processing sequence.
    EvaluationState state = EvaluationState::NotEvaluated;
    bool selected = false;
    bool downloaded = false;
    std::int32_t restoredReturnValue = 0; // exit code restored from the interboot store
    bool returnValueRestored = false;

    // Case-sensitive test for one letter of Options.
    bool HasOption(wchar_t letter) const { return Options.find(letter) != std::wstring::npos; }
};

class Configuration {
public:
    // Fills this configuration from the document. properties resolves Url and OpenSite sources now and the
    // download and extraction folders on first use; it must outlive the configuration.
    void Load(const IniDocument& document, const PropertySource& properties);
    // The same, moving the values it reads out of the document instead of copying them: for a caller that
    // discards the document next, so that a large configuration is not held twice. Sections the model does
    // not read (PREREQ_CHAINER among them) are left as they were.
    void LoadTaking(IniDocument& document, const PropertySource& properties);

    // The general Options ask for silent mode ("q"), or basic UI ("b"). Both present means silent, because
    // the main flow asks IsSilent first.
    bool IsSilent() const;
    bool IsBasicUi() const;

    // The folder for downloads and the folder for extracted files, each ending in a backslash: the
    // configured text with its properties resolved and normalised, or else the temporary folder and
    // DefaultProdCode. Computed on the first call and fixed afterwards.
    std::wstring GetDownloadFolder();
    std::wstring GetExtractionFolder();

    std::vector<PrerequisiteRecord> Prerequisites; // position 0 holds App1

    // GeneralOptions.
    std::wstring MainAppCmdLine;
    std::wstring Options;
    std::wstring UpdatesUrl;
    std::wstring ProductVersion;
    std::wstring MinWIVer;
    std::wstring DownloadFolder;
    std::wstring MainAppURL;
    std::wstring UwpAppxURL;
    std::wstring LanguageList;
    std::wstring ExtractionFolder; // normalised, with a trailing backslash, when present
    KeepFilesMode KeepFiles = KeepFilesMode::None;
    bool PackJars = false;
    bool AllPlatforms = false;
    bool Is64PlatformTransf = false;
    std::wstring Langs;
    std::wstring PackageCode;
    std::wstring DefaultProdCode;
    std::wstring ProductCode;
    std::wstring UpgradeCode;
    bool ExtUIStub = false;
    std::wstring SaveExtUIStub;
    std::wstring FileExtractFirst;
    std::wstring MsiCertData;
    std::wstring AppxVersion;
    std::wstring AppxPkId;

private:
    void LoadFrom(const IniDocument& document, const PropertySource& properties, bool take);
    std::wstring ComputeFolder(const std::wstring& configured) const;

    const PropertySource* properties_ = nullptr;
    bool downloadFolderComputed_ = false;
    bool extractionFolderComputed_ = false;
};

// PREREQ_CHAINER: cleanup and logging.
struct ChainerSettings {
    std::wstring CleanupFiles;   // file paths separated by U+0001
    std::wstring CleanupFolders; // the one folder under which cleanup may act
    std::wstring LogFile;        // logging is on when non-empty
    std::wstring CleanupScript;  // PowerShell script run at exit
};

// False, with the settings left empty, when the document has no PREREQ_CHAINER section.
bool LoadChainerSettings(const IniDocument& document, ChainerSettings& settings);

} // namespace velmora::config
