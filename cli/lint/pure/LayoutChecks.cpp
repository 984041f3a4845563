// Lines, sections and keys: what the reader skips, which sections and keys the configuration model reads,
// and which repeated ones it never sees.
#include <algorithm>

#include "cli/lint/pure/LintContext.h"
#include "cli/lint/pure/Names.h"
#include "cli/pure/TextCodec.h"
#include "config/pure/IniDocument.h"

namespace velmora::cli {

namespace {

const std::vector<std::wstring> kFixedSections{L"GeneralOptions", L"PREREQUISITES", L"PREREQ_CHAINER"};

const std::vector<std::wstring> kGeneralKeys{
    L"MainAppCmdLine", L"Options",          L"UpdatesUrl",   L"ProductVersion",     L"MinWIVer",
    L"DownloadFolder", L"MainAppURL",       L"UwpAppxURL",   L"LanguageList",       L"ExtractionFolder",
    L"KeepFiles",      L"PackJars",         L"AllPlatforms", L"Is64PlatformTransf", L"Langs",
    L"PackageCode",    L"DefaultProdCode",  L"ProductCode",  L"UpgradeCode",        L"ExtUIStub",
    L"SaveExtUIStub",  L"FileExtractFirst", L"MsiCertData",  L"AppxVersion",        L"AppxPkId"};

const std::vector<std::wstring> kChainerKeys{L"CleanupFiles", L"CleanupFolders", L"LogFile",
                                             L"CleanupScript"};

const std::vector<std::wstring> kPrerequisiteKeys{L"VerMin",
                                                  L"VerMax",
                                                  L"WinNTVersions",
                                                  L"WinNT64Versions",
                                                  L"SetupFile",
                                                  L"OpenSite",
                                                  L"Url",
                                                  L"ExactSize",
                                                  L"MD5",
                                                  L"SHA256",
                                                  L"SignerThumbprint",
                                                  L"Operator",
                                                  L"CommandLine",
                                                  L"BasicUiCommandLine",
                                                  L"NoUiCommandLine",
                                                  L"Options",
                                                  L"RetValPropName",
                                                  L"ParentPrereq",
                                                  L"Folder",
                                                  L"LanguageList"};

const std::vector<std::wstring> kSearchBases{L"SearchType", L"SearchString", L"VerMin",
                                             L"VerMax",     L"RefContent",   L"SearchCmdLine"};

bool Contains(const std::vector<std::wstring>& names, std::wstring_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The name split into its text and its trailing decimal digits.
std::pair<std::wstring_view, std::wstring_view> SplitNumber(std::wstring_view name) {
    std::size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= L'0' && name[digits - 1] <= L'9')
        --digits;
    return {name.substr(0, digits), name.substr(digits)};
}

// The number as the chainer would write it: no leading zeros, and at least 1.
std::wstring CanonicalNumber(std::wstring_view digits) {
    while (!digits.empty() && digits.front() == L'0')
        digits.remove_prefix(1);
    return digits.empty() ? L"1" : std::wstring(digits);
}

// The numbered names a misspelt name may have meant: each base with the name's own number.
std::vector<std::wstring> NumberedCandidates(std::wstring_view name, const std::vector<std::wstring>& bases) {
    const std::wstring number = CanonicalNumber(SplitNumber(name).second);
    std::vector<std::wstring> candidates;
    for (const std::wstring& base : bases)
        candidates.push_back(base + number);
    return candidates;
}

bool IsSearchKey(std::wstring_view key) {
    return std::any_of(kSearchBases.begin(), kSearchBases.end(),
                       [&](const std::wstring& base) { return NumberOf(key, base).has_value(); });
}

std::vector<std::wstring> KeyCandidates(std::wstring_view section, std::wstring_view key) {
    if (section == L"GeneralOptions")
        return kGeneralKeys;
    if (section == L"PREREQ_CHAINER")
        return kChainerKeys;
    if (section == L"PREREQUISITES")
        return NumberedCandidates(key, {L"App"});
    std::vector<std::wstring> candidates = kPrerequisiteKeys;
    for (std::wstring& numbered : NumberedCandidates(key, kSearchBases))
        candidates.push_back(std::move(numbered));
    return candidates;
}

bool IsKnownSection(std::wstring_view name) {
    return Contains(kFixedSections, name) || NumberOf(name, L"App").has_value();
}

// The section a line lies in: the last header above it.
const config::IniSection* SectionAt(const config::IniDocument& document, std::size_t line) {
    const config::IniSection* found = nullptr;
    for (const config::IniSection& section : document.Sections()) {
        if (section.line < line)
            found = &section;
    }
    return found;
}

// Lines an author writes as remarks: the reader skips them, as meant.
bool LooksLikeRemark(std::wstring_view text) {
    return text.empty() || text.front() == L';' || text.front() == L'#' || text.substr(0, 2) == L"//";
}

std::wstring_view LeftTrimmed(std::wstring_view text) {
    while (!text.empty() && static_cast<unsigned>(text.front()) <= 0x20)
        text.remove_prefix(1);
    return text;
}

void ReportNotAHeader(LintContext& context, std::size_t line, std::wstring_view text) {
    const config::IniSection* current = SectionAt(context.document, line);
    std::wstring message = Quoted(text) + L" is not a section header: a header ends with \"]\" (blanks "
                                          L"aside), so ";
    if (text.find(L'=') != std::wstring_view::npos)
        message += L"the chainer reads the line as a key named " + Quoted(text.substr(0, text.find(L'=')));
    else
        message += L"the chainer skips the line";
    message += current != nullptr ? L", and the keys below it stay in [" + current->name + L"]"
                                  : std::wstring(L", and the keys below it are skipped");
    context.Add("not-a-header", line, current != nullptr ? current->name : L"", L"", message);
}

void CheckSkippedLines(LintContext& context) {
    for (const config::IniSkippedLine& skipped : context.skipped) {
        const std::wstring_view text = LeftTrimmed(skipped.text);
        if (LooksLikeRemark(text))
            continue;
        if (text.front() == L'[') {
            ReportNotAHeader(context, skipped.line, text);
            continue;
        }
        if (skipped.reason == config::IniSkippedLine::Reason::BeforeFirstSection) {
            // Without a byte-order mark the lost header explains these lines.
            if (!context.firstCharacterLost)
                context.Add("skipped-line", skipped.line, L"", L"",
                            Quoted(text) + L" comes before the first section header: the chainer skips it");
            continue;
        }
        const config::IniSection* current = SectionAt(context.document, skipped.line);
        context.Add("skipped-line", skipped.line, current != nullptr ? current->name : L"", L"",
                    Quoted(text) + L" has no \"=\": the chainer skips the line");
    }
}

std::vector<std::wstring> SectionCandidates(const config::IniDocument& document) {
    std::vector<std::wstring> candidates = kFixedSections;
    if (const config::IniSection* list = document.FindSection(L"PREREQUISITES")) {
        for (const config::IniPair& pair : list->pairs) {
            if (NumberOf(pair.key, L"App"))
                candidates.push_back(pair.key);
        }
    }
    return candidates;
}

void CheckSections(LintContext& context) {
    const config::IniSection* list = context.Section(L"PREREQUISITES");
    for (const config::IniSection& section : context.document.Sections()) {
        if (!context.IsFirstOfItsName(section)) {
            const config::IniSection& first = *context.Section(section.name);
            const std::size_t keys = section.pairs.size();
            context.Add("duplicate-section", section, nullptr,
                        L"[" + section.name + L"] appears again (first on line " +
                            std::to_wstring(first.line) + L"): the chainer reads only the first, so " +
                            (keys == 0 ? std::wstring(L"this header has no effect")
                                       : L"the " + std::to_wstring(keys) + (keys == 1 ? L" key" : L" keys") +
                                             L" below it " + (keys == 1 ? L"is" : L"are") + L" never read"));
            continue;
        }
        if (!IsKnownSection(section.name)) {
            std::vector<std::wstring> candidates = SectionCandidates(context.document);
            for (std::wstring& numbered : NumberedCandidates(section.name, {L"App"}))
                candidates.push_back(std::move(numbered));
            const std::wstring suggestion = Suggest(section.name, candidates);
            if (EqualsIgnoringCase(suggestion, section.name))
                context.Add("letter-case", section, nullptr,
                            L"[" + Printable(section.name) + L"] is not [" + suggestion +
                                L"]: section names are case-sensitive, so the chainer reads none of the keys "
                                L"below it");
            else
                context.Add("unknown-section", section, nullptr,
                            L"the chainer reads no section named [" + Printable(section.name) + L"]" +
                                DidYouMean(suggestion, L"[", L"]"));
            continue;
        }
        if (NumberOf(section.name, L"App") && list != nullptr && Find(list, section.name) == nullptr)
            context.Add("unread-section", section, nullptr,
                        L"[" + section.name + L"] is not read: [PREREQUISITES] has no key " + section.name);
    }
}

void CheckKeys(LintContext& context) {
    for (const config::IniSection& section : context.document.Sections()) {
        if (!context.IsFirstOfItsName(section) || !IsKnownSection(section.name))
            continue;
        for (const config::IniPair& pair : section.pairs) {
            if (!pair.key.empty() && pair.key.front() == L'[') {
                ReportNotAHeader(context, pair.line, pair.key + L"=" + pair.value);
                continue;
            }
            const config::IniPair* first = config::IniDocument::FindKey(section, pair.key);
            if (first != &pair) {
                context.Add("duplicate-key", section, &pair,
                            pair.key + L" appears again in [" + section.name + L"] (first on line " +
                                std::to_wstring(first->line) +
                                L"): the chainer reads only the first value, " + Quoted(first->value) +
                                L", never " + Quoted(pair.value));
                continue;
            }
            if (IsKnownKey(section.name, pair.key))
                continue;
            const std::wstring suggestion = Suggest(pair.key, KeyCandidates(section.name, pair.key));
            const bool commandLine = suggestion.size() >= 11 &&
                                     suggestion.compare(suggestion.size() - 11, 11, L"CommandLine") == 0;
            if (EqualsIgnoringCase(suggestion, pair.key))
                context.Add("letter-case", section, &pair,
                            Quoted(pair.key) + L" is not " + Quoted(suggestion) +
                                L": key names are case-sensitive, so the chainer drops this key and runs as "
                                L"if it were not there" +
                                (commandLine ? L" (the prerequisite starts with an empty command line, "
                                               L"without its quiet switch)"
                                             : L""));
            else
                context.Add("unknown-key", section, &pair,
                            L"the chainer reads no key " + Quoted(pair.key) + L" in [" + section.name + L"]" +
                                DidYouMean(suggestion));
        }
    }
}

} // namespace

bool IsKnownKey(std::wstring_view section, std::wstring_view key) {
    if (section == L"GeneralOptions")
        return Contains(kGeneralKeys, key);
    if (section == L"PREREQ_CHAINER")
        return Contains(kChainerKeys, key);
    if (section == L"PREREQUISITES")
        return NumberOf(key, L"App").has_value();
    return Contains(kPrerequisiteKeys, key) || IsSearchKey(key);
}

void CheckLayout(LintContext& context) {
    CheckSkippedLines(context);
    CheckSections(context);
    CheckKeys(context);
}

} // namespace velmora::cli
