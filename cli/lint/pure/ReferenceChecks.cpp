// References and files: folder properties the chainer does not know, references cut short or used where
// nothing replaces them, the files a kit must carry, and what the exit cleanup can reach.
#include <algorithm>

#include "cli/lint/pure/LintContext.h"
#include "cli/lint/pure/Names.h"
#include "config/pure/PropertyResolution.h"
#include "execution/pure/PackageFiles.h"
#include "platform/pure/PathRules.h"

namespace velmora::cli {

namespace {

using config::ReferenceKind;

const wchar_t kClosing[] = {L']', L'%', L'!'};

std::vector<std::wstring> FolderProperties() {
    std::vector<std::wstring> names;
    for (std::wstring_view name : config::FolderPropertyNames())
        names.emplace_back(name);
    return names;
}

bool IsKnownFolderProperty(std::wstring_view name) {
    config::FolderPropertyRule rule;
    return config::FindFolderPropertyRule(name, rule);
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

bool IsVariableName(std::wstring_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](wchar_t c) {
        return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
               c == L'_' || c == L'(' || c == L')';
    });
}

// A reference an author plainly meant: a known folder property, a variable name, or a registry path.
bool LooksMeant(const config::PropertyReference& reference) {
    switch (reference.kind) {
    case ReferenceKind::FolderProperty:
        return IsKnownFolderProperty(reference.name);
    case ReferenceKind::EnvironmentVariable:
        return IsVariableName(reference.name);
    default:
        return reference.name.find(L'\\') != std::wstring_view::npos;
    }
}

std::wstring Written(const config::PropertyReference& reference) {
    const wchar_t opening = reference.kind == ReferenceKind::FolderProperty        ? L'['
                            : reference.kind == ReferenceKind::EnvironmentVariable ? L'%'
                                                                                   : L'!';
    return std::wstring(1, opening) + std::wstring(reference.name) +
           kClosing[static_cast<int>(reference.kind)];
}

// A text the chainer resolves: unknown folder properties stay as written, and an opening character without
// its partner ends the replacement.
void CheckResolvedText(LintContext& context, const config::IniSection& section, const config::IniPair& pair,
                       bool isUrl) {
    const config::ReferenceScan scan = config::ScanReferences(pair.value);
    for (const config::PropertyReference& reference : scan.references) {
        if (reference.kind == ReferenceKind::FolderProperty && !IsKnownFolderProperty(reference.name))
            context.Add(
                "unknown-folder-property", section, &pair,
                pair.key + L" holds " + Quoted(Written(reference)) +
                    L", which is no folder property (names are case-sensitive): the chainer leaves it "
                    L"as written" +
                    DidYouMean(Suggest(reference.name, FolderProperties()), L"[", L"]"));
        if (isUrl && reference.kind == ReferenceKind::EnvironmentVariable && reference.name.size() >= 2 &&
            IsHexDigit(reference.name[0]) && IsHexDigit(reference.name[1]))
            context.Add(
                "percent-escape", section, &pair,
                pair.key + L" holds " + Quoted(Written(reference)) +
                    L": the chainer reads the text between two \"%\" as an environment variable and puts "
                    L"its value (usually nothing) in place of it, escapes and all");
    }
    if (scan.unclosedAt == std::wstring_view::npos)
        return;
    const std::wstring_view rest = std::wstring_view(pair.value).substr(scan.unclosedAt + 1);
    const wchar_t opening = pair.value[scan.unclosedAt];
    const bool referencesFollow = rest.find_first_of(L"[%!") != std::wstring_view::npos;
    const auto names = config::FolderPropertyNames();
    const bool propertyMeant =
        opening == L'[' && std::any_of(names.begin(), names.end(),
                                       [&](std::wstring_view n) { return rest.substr(0, n.size()) == n; });
    if (!referencesFollow && !propertyMeant)
        return;
    const wchar_t closing = opening == L'[' ? L']' : opening;
    context.Add("unbalanced-reference", section, &pair,
                pair.key + L" has a " + Quoted(std::wstring(1, opening)) + L" at column " +
                    std::to_wstring(scan.unclosedAt + 1) + L" without a " + Quoted(std::wstring(1, closing)) +
                    L" after it: the chainer stops replacing references there, so " +
                    Quoted(pair.value.substr(scan.unclosedAt)) + L" stays as written");
}

// A text the chainer uses as written: a reference in it is never replaced.
void CheckWrittenText(LintContext& context, const config::IniSection& section, const config::IniPair& pair,
                      std::wstring_view why) {
    for (const config::PropertyReference& reference : config::ScanReferences(pair.value).references) {
        if (!LooksMeant(reference))
            continue;
        context.Add("reference-not-resolved", section, &pair,
                    pair.key + L" holds the reference " + Quoted(Written(reference)) + L", but " +
                        std::wstring(why));
        return;
    }
}

const config::IniPair* SourcePair(const config::IniSection& section) {
    for (const wchar_t* key : {L"SetupFile", L"OpenSite", L"Url"}) {
        if (const config::IniPair* pair = Find(&section, key))
            return pair;
    }
    return nullptr;
}

// Where the kit's package files lie, relative to the kit folder ("" for the kit folder itself), or nothing
// when the configured extraction folder is elsewhere on the target machine.
std::optional<std::wstring> PackageFolder(const LintContext& context) {
    const config::IniPair* configured = Find(context.Section(L"GeneralOptions"), L"ExtractionFolder");
    if (configured == nullptr || configured->value.empty())
        return std::wstring();
    std::wstring_view folder = configured->value;
    constexpr std::wstring_view kSetupExeDir = L"[SETUPEXEDIR]";
    if (folder.substr(0, kSetupExeDir.size()) == kSetupExeDir)
        folder.remove_prefix(kSetupExeDir.size());
    else if (platform::IsAbsolutePath(folder))
        return std::nullopt;
    if (folder.find_first_of(L"[%!") != std::wstring_view::npos)
        return std::nullopt;
    while (!folder.empty() && folder.front() == L'\\')
        folder.remove_prefix(1);
    return platform::WithTrailingBackslash(platform::NormalizePath(folder));
}

void CheckKitFile(LintContext& context, const config::IniSection& section, const config::IniPair& pair,
                  const std::wstring& path, std::wstring_view role) {
    if (context.input.kit == nullptr || path.empty() || platform::IsAbsolutePath(path) ||
        context.input.kit->Exists(path))
        return;
    context.Add("missing-kit-file", section, &pair,
                Quoted(path) + L" (" + pair.key + L") is not in the kit folder: " + std::wstring(role));
}

void CheckPrerequisiteTexts(LintContext& context, const config::IniSection& section,
                            const std::optional<std::wstring>& packageFolder) {
    const config::IniPair* source = SourcePair(section);
    if (source != nullptr && source->key == L"SetupFile") {
        CheckWrittenText(context, section, *source, L"the chainer uses SetupFile as written");
        if (packageFolder)
            CheckKitFile(context, section, *source, execution::SetupFilePath(*packageFolder, source->value),
                         L"the launch would fail");
    } else if (source != nullptr) {
        CheckResolvedText(context, section, *source, true);
    }
    for (const wchar_t* key : {L"CommandLine", L"BasicUiCommandLine", L"NoUiCommandLine"}) {
        if (const config::IniPair* pair = Find(&section, key))
            CheckWrittenText(context, section, *pair,
                             L"the shell hands command lines to the program as written: the chainer replaces "
                             L"references in them only when it runs as LocalSystem");
    }
    for (const config::IniPair& pair : section.pairs) {
        const std::optional<int> k = NumberOf(pair.key, L"SearchType");
        if (!k || Find(&section, pair.key) != &pair)
            continue;
        const std::int32_t type = config::ParseInt(pair.value);
        const config::IniPair* string = Find(&section, Numbered(L"SearchString", *k));
        if (string != nullptr && (type == 0 || type == 14))
            CheckResolvedText(context, section, *string, false);
        if (type != 10)
            continue;
        if (const config::IniPair* arguments = Find(&section, Numbered(L"SearchCmdLine", *k)))
            CheckResolvedText(context, section, *arguments, false);
        if (string != nullptr && packageFolder && context.input.kit != nullptr &&
            !context.input.kit->Exists(execution::ProgramFilePath(*packageFolder, string->value)))
            context.Add(
                "missing-kit-file", section, string,
                Quoted(string->value) + L" (" + string->key +
                    L") is not in the kit folder: the search program cannot start, so the search never "
                    L"finds" +
                    (platform::IsAbsolutePath(string->value)
                         ? L" (a search program is always looked for in the kit folder, even when written "
                           L"as a full path)"
                         : L""));
    }
}

void CheckCleanup(LintContext& context) {
    const config::IniSection* section = context.Section(L"PREREQ_CHAINER");
    if (section == nullptr)
        return;
    const std::wstring why = L"the chainer uses it as written";
    for (const wchar_t* key : {L"CleanupFiles", L"CleanupFolders", L"CleanupScript", L"LogFile"}) {
        if (const config::IniPair* pair = Find(section, key))
            CheckWrittenText(context, *section, *pair, why);
    }
    if (const config::IniPair* script = Find(section, L"CleanupScript"))
        CheckKitFile(context, *section, *script, script->value, L"no cleanup script runs at the end");

    const config::IniPair* folders = Find(section, L"CleanupFolders");
    const config::IniPair* files = Find(section, L"CleanupFiles");
    const std::wstring folder = folders != nullptr ? folders->value : L"";
    if (folder.find_first_of(L"[%!") != std::wstring::npos)
        return;
    if (!folder.empty() && platform::ResolvedPath(folder).empty()) {
        context.Add(
            "cleanup-folders", *section, folders,
            L"CleanupFolders " + Quoted(folder) +
                L" is not a full path: nothing lies below it, so no listed file and no folder is cleaned up");
        return;
    }
    if (folder.empty()) {
        if (files != nullptr && !files->value.empty())
            context.Add(
                "cleanup-folders", *section, files,
                L"CleanupFiles lists files, but CleanupFolders is empty: the chainer deletes none of them");
        return;
    }
    if (files != nullptr) {
        std::wstring_view rest = files->value;
        while (!rest.empty()) {
            const std::size_t end = rest.find(L'\u0001');
            const std::wstring_view piece = rest.substr(0, end);
            rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
            if (piece.empty() || platform::IsInsideFolder(platform::ResolvedPath(piece), folder))
                continue;
            context.Add("cleanup-file-outside", *section, files,
                        L"CleanupFiles entry " + Quoted(piece) + L" does not lie below CleanupFolders " +
                            Quoted(folder) + L": the chainer never deletes it");
        }
    }
    const std::wstring& chainerFolder = context.input.chainerFolder;
    if (!chainerFolder.empty() &&
        !platform::IsInsideFolder(platform::WithTrailingBackslash(chainerFolder) + L"setup.exe", folder))
        context.Add("cleanup-folders", *section, folders,
                    L"the chainer's folder " + Quoted(chainerFolder) + L" does not lie in CleanupFolders " +
                        Quoted(folder) +
                        L": the cleanup script gets no folder of the kit, so it stays behind");
}

} // namespace

void CheckReferences(LintContext& context) {
    if (const config::IniSection* general = context.Section(L"GeneralOptions")) {
        for (const wchar_t* key : {L"DownloadFolder", L"ExtractionFolder"}) {
            if (const config::IniPair* pair = Find(general, key))
                CheckResolvedText(context, *general, *pair, false);
        }
    }
    const std::optional<std::wstring> packageFolder = PackageFolder(context);
    for (const NamedPrerequisite& prerequisite : context.NamedPrerequisites()) {
        if (prerequisite.section != nullptr)
            CheckPrerequisiteTexts(context, *prerequisite.section, packageFolder);
    }
    CheckCleanup(context);
}

} // namespace velmora::cli
