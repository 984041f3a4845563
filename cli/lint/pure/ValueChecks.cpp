// Values the chainer reads otherwise than written, or never acts on: numbers read leniently, letters with no
// meaning, language and system lists, digests and sizes, parent links, and the values of each search.
#include <algorithm>
#include <map>

#include "cli/lint/pure/LintContext.h"
#include "cli/lint/pure/Names.h"
#include "detection/pure/LocalPath.h"
#include "detection/pure/OsNames.h"
#include "detection/pure/SearchRules.h"
#include "detection/pure/Version.h"
#include "transfer/pure/FileChecks.h"

namespace velmora::cli {

namespace {

using detection::SearchType;

bool IsAsciiAlphanumeric(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

wchar_t OtherCase(wchar_t c) {
    if (c >= L'a' && c <= L'z')
        return static_cast<wchar_t>(c - L'a' + L'A');
    if (c >= L'A' && c <= L'Z')
        return static_cast<wchar_t>(c - L'A' + L'a');
    return c;
}

// A number says plainly what the chainer reads when it is written the way the chainer would write it.
void CheckNumber(LintContext& context, const config::IniSection& section, const config::IniPair& pair) {
    const std::int32_t value = config::ParseInt(pair.value);
    if (std::to_wstring(value) == pair.value)
        return;
    context.Add("lenient-number", section, &pair,
                pair.key + L" " + Quoted(pair.value) + L" is read as " + std::to_wstring(value));
}

// Letters of an Options text that mean nothing to the chainer; blanks and punctuation between them are
// harmless and not reported.
void CheckLetters(LintContext& context, const config::IniSection& section, const config::IniPair& pair,
                  std::wstring_view known) {
    std::wstring unknown;
    std::wstring suggestions;
    for (wchar_t c : pair.value) {
        if (!IsAsciiAlphanumeric(c) || known.find(c) != std::wstring_view::npos ||
            unknown.find(c) != std::wstring::npos)
            continue;
        unknown += c;
        if (known.find(OtherCase(c)) != std::wstring_view::npos &&
            pair.value.find(OtherCase(c)) == std::wstring::npos)
            suggestions += OtherCase(c);
    }
    if (unknown.empty())
        return;
    std::wstring letters;
    for (wchar_t c : unknown)
        letters += (letters.empty() ? L"" : L", ") + Quoted(std::wstring(1, c));
    std::wstring knownLetters;
    for (wchar_t c : known)
        knownLetters += (knownLetters.empty() ? L"" : L", ") + Quoted(std::wstring(1, c));
    context.Add("unknown-option", section, &pair,
                L"Options " + Quoted(pair.value) + L" holds " + letters + L", which " +
                    (unknown.size() == 1 ? L"means" : L"mean") +
                    L" nothing here (letters are case-sensitive; " + L"the known ones are " + knownLetters +
                    L")" + (suggestions.empty() ? L"" : L"; did you mean " + Quoted(suggestions) + L"?"));
}

void CheckGeneralOptions(LintContext& context) {
    const config::IniSection* general = context.Section(L"GeneralOptions");
    const config::IniPair* options = Find(general, L"Options");
    const std::wstring text = options != nullptr ? options->value : L"";
    const bool silent = text.find(L'q') != std::wstring::npos;
    const bool basic = text.find(L'b') != std::wstring::npos;
    if (options != nullptr)
        CheckLetters(context, *general, *options, L"qb");
    if (silent && basic)
        context.Add("conflicting-modes", *general, options,
                    L"Options " + Quoted(text) +
                        L" asks for both silent (\"q\") and basic-UI (\"b\") mode: the " +
                        L"chainer runs silently, yet starts each prerequisite with its BasicUiCommandLine");
    if (!silent && !basic && !context.configuration.Prerequisites.empty()) {
        const std::wstring message =
            L"the general Options ask for neither silent (\"q\") nor basic-UI (\"b\") mode: the chainer "
            L"evaluates the prerequisites but installs none of them and ends with exit code 0";
        if (general != nullptr)
            context.Add("no-processing-mode", *general, options, message);
        else
            context.Add("no-processing-mode", 0, L"", L"",
                        L"there is no [GeneralOptions] section, so " + message);
    }

    if (const config::IniPair* keep = Find(general, L"KeepFiles")) {
        const std::vector<std::wstring> modes{L"minimum", L"complete", L"prereqs"};
        if (std::find(modes.begin(), modes.end(), keep->value) == modes.end())
            context.Add(
                "keep-files", *general, keep,
                L"KeepFiles " + Quoted(keep->value) +
                    L" is none of \"minimum\", \"complete\" and \"prereqs\" (compared exactly): it reads "
                    L"as keeping nothing, so downloads are deleted at the end" +
                    DidYouMean(Suggest(keep->value, modes)));
    }
}

void CheckSourceKeys(LintContext& context, const config::IniSection& section) {
    const wchar_t* const order[] = {L"SetupFile", L"OpenSite", L"Url"};
    const config::IniPair* winner = nullptr;
    for (const wchar_t* key : order) {
        const config::IniPair* pair = Find(&section, key);
        if (pair == nullptr)
            continue;
        if (winner != nullptr) {
            context.Add("unused-key", section, pair,
                        pair->key + L" is not used: " + winner->key + L" (line " +
                            std::to_wstring(winner->line) +
                            L") takes precedence and decides where the prerequisite comes from");
            continue;
        }
        winner = pair;
        if (pair->value.empty()) {
            const std::wstring effect = pair->key == L"SetupFile" ? L"the launch has no file and fails"
                                        : pair->key == L"Url"     ? L"there is nothing to download"
                                                                  : L"there is no site to open";
            context.Add("empty-source", section, pair,
                        pair->key + L" is empty, and a present key wins even when it is empty: " + effect);
        }
    }
    for (const wchar_t* unused : {L"VerMin", L"VerMax"}) {
        if (const config::IniPair* pair = Find(&section, unused))
            context.Add("unused-key", section, pair,
                        pair->key + L" is read but not used: the bounds that decide belong to each search (" +
                            pair->key + L"1, " + pair->key + L"2, ...)");
    }
}

bool IsUrlSource(const config::IniSection& section) {
    return Find(&section, L"SetupFile") == nullptr && Find(&section, L"OpenSite") == nullptr &&
           Find(&section, L"Url") != nullptr;
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// Each item must be a thumbprint; one that is not matches no certificate, and a list left without any
// rejects every file.
void CheckSignerThumbprint(LintContext& context, const config::IniSection& section) {
    const config::IniPair* signers = Find(&section, L"SignerThumbprint");
    if (signers == nullptr || signers->value.empty())
        return;
    const transfer::Thumbprints parsed = transfer::ParseThumbprints(signers->value);
    for (const std::wstring& item : parsed.malformed)
        context.Add(
            "signer-thumbprint-format", section, signers,
            L"SignerThumbprint item " + Quoted(item) +
                L" is no thumbprint (40 or 64 hexadecimal digits): it matches no certificate" +
                (parsed.Empty() ? L", and no other item is left, so every file of it is rejected" : L""));
    if (parsed.Empty() && parsed.malformed.empty())
        context.Add("signer-thumbprint-format", section, signers,
                    L"SignerThumbprint " + Quoted(signers->value) +
                        L" names no thumbprint: every file of it is rejected");
    if (Find(&section, L"SetupFile") == nullptr && !IsUrlSource(section))
        context.Add("download-check-unused", section, signers,
                    L"SignerThumbprint is checked only for downloads (Url) and setup files (SetupFile); this "
                    L"prerequisite opens a site");
}

void CheckDownloadChecks(LintContext& context, const config::IniSection& section) {
    const bool downloaded = IsUrlSource(section);
    if (const config::IniPair* size = Find(&section, L"ExactSize")) {
        const std::uint64_t compared = config::ParseSize(size->value);
        const std::size_t sign = size->value.find_first_not_of(L' ');
        if (sign != std::wstring::npos && size->value[sign] == L'-' && compared != 0)
            context.Add("exact-size", section, size,
                        L"ExactSize " + Quoted(size->value) + L" is negative: the chainer compares it as " +
                            std::to_wstring(compared) + L" bytes, so no download is ever accepted");
        else if (std::to_wstring(compared) != size->value)
            context.Add("lenient-number", section, size,
                        L"ExactSize " + Quoted(size->value) + L" is read as " + std::to_wstring(compared) +
                            (compared == 0 ? L" (the size is not compared)" : L""));
        if (!downloaded && compared != 0)
            context.Add(
                "download-check-unused", section, size,
                L"ExactSize is compared only for downloads (Url); this prerequisite is not downloaded");
    }
    if (const config::IniPair* md5 = Find(&section, L"MD5"); md5 != nullptr && !md5->value.empty()) {
        const std::wstring& text = md5->value;
        const bool hexStart = text.size() >= 32 && std::all_of(text.begin(), text.begin() + 32, IsHexDigit);
        if (!hexStart)
            context.Add("md5-format", section, md5,
                        L"MD5 " + Quoted(text) +
                            L" is not 32 hexadecimal digits: no file ever matches it, so "
                            L"every download of it is rejected");
        else if (text.size() > 32)
            context.Add("md5-format", section, md5,
                        L"MD5 is longer than 32 hexadecimal digits: only the first 32 are compared, and " +
                            Quoted(text.substr(32)) + L" is ignored");
        if (!downloaded)
            context.Add("download-check-unused", section, md5,
                        L"MD5 is checked only for downloads (Url); this prerequisite is not downloaded");
    }
    if (const config::IniPair* sha256 = Find(&section, L"SHA256");
        sha256 != nullptr && !sha256->value.empty()) {
        const std::wstring& text = sha256->value;
        if (text.size() != 64 || !std::all_of(text.begin(), text.end(), IsHexDigit))
            context.Add(
                "sha256-format", section, sha256,
                L"SHA256 " + Quoted(text) +
                    L" is not 64 hexadecimal digits: no file ever matches it, so every download of it "
                    L"is rejected");
        if (!downloaded)
            context.Add("download-check-unused", section, sha256,
                        L"SHA256 is checked only for downloads (Url); this prerequisite is not downloaded");
    }
    CheckSignerThumbprint(context, section);
}

std::wstring LowerAscii(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower)
        c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return lower;
}

// The host of an address as written ("host" of "http://user@host:80/a"), lower case; empty without "://".
std::wstring HostOf(std::wstring_view url) {
    const std::size_t scheme = url.find(L"://");
    if (scheme == std::wstring_view::npos)
        return {};
    std::wstring_view authority = url.substr(scheme + 3);
    authority = authority.substr(0, authority.find_first_of(L"/\\?#"));
    if (const std::size_t at = authority.rfind(L'@'); at != std::wstring_view::npos)
        authority.remove_prefix(at + 1);
    if (!authority.empty() && authority.front() == L'[')
        return LowerAscii(authority.substr(0, authority.find(L']') + 1));
    return LowerAscii(authority.substr(0, authority.find(L':')));
}

// Traffic to these never leaves the machine: nobody on the way can change it.
bool IsLoopbackHost(std::wstring_view host) {
    return host == L"localhost" || host == L"[::1]" || host.substr(0, 4) == L"127.";
}

// What a download is fetched over, and how the file that arrives is known to be the right one.
void CheckDownloadAddress(LintContext& context, const config::IniSection& section) {
    const config::IniPair* url = Find(&section, L"Url");
    if (!IsUrlSource(section) || url->value.empty() || detection::IsFileUrlSource(url->value))
        return;
    const config::IniPair* md5 = Find(&section, L"MD5");
    const config::IniPair* sha256 = Find(&section, L"SHA256");
    const config::IniPair* signers = Find(&section, L"SignerThumbprint");
    // A pinned publisher stands for a digest: what arrives must carry its signature.
    if ((md5 == nullptr || md5->value.empty()) && (sha256 == nullptr || sha256->value.empty()) &&
        (signers == nullptr || signers->value.empty()))
        context.Add("no-digest", section, url,
                    L"Url has neither SHA256 nor MD5: the chainer starts whatever file arrives under that "
                    L"name (a replaced file, an error page the server sends with status 200); give the "
                    L"file's SHA256");
    const std::wstring scheme = LowerAscii(url->value.substr(0, url->value.find(L':')));
    if ((scheme == L"http" || scheme == L"ftp") && !IsLoopbackHost(HostOf(url->value)))
        context.Add("plain-transfer", section, url,
                    L"Url is fetched over plain " + scheme +
                        L": anyone on the network path can read it and replace the file; use https");
}

void CheckPrerequisiteOptions(LintContext& context, const config::IniSection& section) {
    if (const config::IniPair* op = Find(&section, L"Operator")) {
        CheckNumber(context, section, *op);
        const std::int32_t value = config::ParseInt(op->value);
        if (value != 0 && value != 1)
            context.Add("unknown-operator", section, op,
                        L"Operator " + std::to_wstring(value) +
                            L" combines no search (0: all must find, 1: one must find): the prerequisite is "
                            L"never found, so it is installed on every run");
    }
    if (const config::IniPair* options = Find(&section, L"Options")) {
        CheckLetters(context, section, *options, L"mixrR");
        if (options->value.find(L'R') != std::wstring::npos &&
            options->value.find(L'r') == std::wstring::npos)
            context.Add(
                "reboot-without-r", section, options,
                L"Options has \"R\" but no \"r\": \"R\" only makes the reboot of \"r\" conditional, so "
                L"this prerequisite never reboots");
    }
}

// Items are ended by ";"; the chainer appends one to a list that lacks it, so every item is examined.
void CheckLanguages(LintContext& context, const config::IniSection& section) {
    const config::IniPair* pair = Find(&section, L"LanguageList");
    if (pair == nullptr)
        return;
    std::wstring_view rest = pair->value;
    while (!rest.empty()) {
        const std::size_t end = rest.find(L';');
        std::wstring_view item = rest.substr(0, end);
        rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
        while (!item.empty() && item.front() == L' ')
            item.remove_prefix(1);
        if (item.empty())
            continue;
        const std::int32_t value = detection::ParseLanguageItem(item);
        const std::wstring shown = L"LanguageList item " + Quoted(item);
        const std::size_t digits = item.find_first_not_of(L"0123456789");
        if (item.size() > 2 && item[0] == L'0' && (item[1] == L'x' || item[1] == L'X')) {
            const unsigned long hex = std::wcstoul(std::wstring(item.substr(2)).c_str(), nullptr, 16);
            context.Add("language-item", section, pair,
                        shown +
                            L" reads as 0 and matches no language: items are decimal numbers; did you mean " +
                            std::to_wstring(hex) + L"?");
        } else if (value == 0 && item.find_first_of(L"0123456789") != 0 &&
                   !(item.size() > 1 && (item[0] == L'-' || item[0] == L'+'))) {
            context.Add("language-item", section, pair,
                        shown + L" is not a number: it reads as 0 and matches no language");
        } else if (digits != std::wstring_view::npos && item[digits] == L',' &&
                   item.find_first_of(L"0123456789", digits) != std::wstring_view::npos) {
            context.Add("language-item", section, pair,
                        shown + L" reads as " + std::to_wstring(value) +
                            L" only: the chainer separates languages with \";\", not \",\"");
        } else if (value < 0 || value > 0xFFFF) {
            context.Add(
                "language-item", section, pair,
                shown + L" is no language identifier: only its low 16 bits are compared, so it stands for " +
                    std::to_wstring(static_cast<std::uint16_t>(value)));
        } else if (std::to_wstring(value) != item) {
            context.Add("lenient-number", section, pair, shown + L" is read as " + std::to_wstring(value));
        }
    }
}

void CheckOsList(LintContext& context, const config::IniSection& section, std::wstring_view key, bool is64) {
    const config::IniPair* pair = Find(&section, key);
    if (pair == nullptr || pair->value.empty())
        return;
    const std::wstring_view own = is64 ? detection::kAllOsList64 : detection::kAllOsList32;
    const std::wstring_view other = is64 ? detection::kAllOsList32 : detection::kAllOsList64;
    if (pair->value == own)
        return;
    const std::wstring bitness = is64 ? L"64-bit" : L"32-bit";
    const std::wstring otherBitness = is64 ? L"32-bit" : L"64-bit";
    if (pair->value == other) {
        context.Add("os-list-bitness", section, pair,
                    pair->key + L" holds the catch-all value for " + otherBitness +
                        L" systems, but the chainer reads " + pair->key + L" on " + bitness +
                        L" systems only, where it excludes nothing");
        return;
    }
    const OsNameCatalog& catalog = KnownOsNames();
    const std::set<std::wstring>& names = is64 ? catalog.names64 : catalog.names32;
    std::vector<std::wstring> candidates(names.begin(), names.end());
    for (std::wstring_view item : detection::SplitOsList(pair->value)) {
        if (item.empty())
            continue;
        const std::wstring shown = pair->key + L" item " + Quoted(item);
        if (names.count(std::wstring(item)) != 0)
            continue;
        if (catalog.Knows(item)) {
            context.Add("os-list-bitness", section, pair,
                        shown + L" names a " + otherBitness + L" system, but the chainer reads " + pair->key +
                            L" on " + bitness + L" systems only: it never matches");
            continue;
        }
        if (item == own || item == other) {
            context.Add("os-list-item", section, pair,
                        shown +
                            L" is a catch-all value: it excludes every system only as the whole list; as one "
                            L"item among others it matches none");
            continue;
        }
        // Several names joined otherwise than by ", " form one item that names nothing.
        std::vector<std::wstring_view> parts;
        wchar_t joiner = 0;
        for (wchar_t separator : {L',', L';', L'|'}) {
            if (item.find(separator) == std::wstring_view::npos)
                continue;
            joiner = separator;
            std::wstring_view text = item;
            for (std::size_t at; (at = text.find(separator)) != std::wstring_view::npos;
                 text = text.substr(at + 1))
                parts.push_back(text.substr(0, at));
            parts.push_back(text);
            break;
        }
        const auto trimmedKnown = [&](std::wstring_view part) {
            while (!part.empty() && part.front() == L' ')
                part.remove_prefix(1);
            while (!part.empty() && part.back() == L' ')
                part.remove_suffix(1);
            return catalog.Knows(part);
        };
        if (parts.size() > 1 && std::all_of(parts.begin(), parts.end(), trimmedKnown)) {
            context.Add(
                "os-list-item", section, pair,
                shown + L" joins names with " + Quoted(std::wstring(1, joiner)) +
                    L": the chainer splits the list only at \", \" (a comma and one blank), so this is one "
                    L"item that names no system");
            continue;
        }
        if (trimmedKnown(item)) {
            context.Add("os-list-item", section, pair,
                        shown +
                            L" has blanks around it: items are not trimmed, so it names no system; separate "
                            L"items with exactly \", \"");
            continue;
        }
        std::wstring suggestion = Suggest(item, candidates);
        const std::wstring suffixed = std::wstring(item) + (is64 ? L" x64" : L" x86");
        if (suggestion.empty() && names.count(suffixed) != 0)
            suggestion = suffixed;
        context.Add("os-list-item", section, pair,
                    shown + L" names no system the chainer knows (names are compared exactly)" +
                        DidYouMean(suggestion));
    }
}

void CheckParents(LintContext& context, const std::vector<NamedPrerequisite>& named) {
    const auto& prerequisites = context.configuration.Prerequisites;
    for (const NamedPrerequisite& child : named) {
        const config::IniPair* parent = Find(child.section, L"ParentPrereq");
        if (parent == nullptr || parent->value.empty())
            continue;
        const auto read =
            std::find_if(prerequisites.begin(), prerequisites.end(),
                         [&](const config::PrerequisiteRecord& p) { return p.Name == parent->value; });
        if (read != prerequisites.end())
            continue;
        const auto dropped = std::find_if(named.begin(), named.end(), [&](const NamedPrerequisite& p) {
            return p.key->value == parent->value;
        });
        std::wstring message = L"ParentPrereq " + Quoted(parent->value);
        if (dropped != named.end()) {
            message +=
                L" names " + dropped->key->key + L", which the chainer never reads: the list ends before it";
        } else {
            std::vector<std::wstring> names;
            std::wstring bySection;
            for (const NamedPrerequisite& p : named) {
                names.push_back(p.key->value);
                if (p.key->key == parent->value)
                    bySection = p.key->value;
            }
            message +=
                L" names no prerequisite: it must be the display name given in [PREREQUISITES], exactly";
            message += bySection.empty() ? DidYouMean(Suggest(parent->value, names))
                                         : L"; did you mean " + Quoted(bySection) + L" (the name of " +
                                               parent->value + L")?";
        }
        context.Add("parent-unknown", *child.section, parent, message);
    }

    // Parent links among the prerequisites the chainer reads; each name leads to the first that carries it.
    std::vector<std::size_t> parentOf(prerequisites.size(), prerequisites.size());
    for (std::size_t i = 0; i < prerequisites.size(); ++i) {
        for (std::size_t j = 0; j < prerequisites.size(); ++j) {
            if (!prerequisites[i].ParentPrereq.empty() &&
                prerequisites[j].Name == prerequisites[i].ParentPrereq) {
                parentOf[i] = j;
                break;
            }
        }
    }
    std::vector<bool> reported(prerequisites.size(), false);
    for (std::size_t start = 0; start < prerequisites.size(); ++start) {
        std::vector<std::size_t> path;
        std::size_t at = start;
        while (at < prerequisites.size() && std::find(path.begin(), path.end(), at) == path.end()) {
            path.push_back(at);
            at = parentOf[at];
        }
        if (at != start || reported[start])
            continue;
        std::wstring chain;
        for (std::size_t member : path) {
            reported[member] = true;
            chain += Quoted(prerequisites[member].Name) + L" -> ";
        }
        chain += Quoted(prerequisites[start].Name);
        const config::IniSection* section = context.Section(Numbered(L"App", static_cast<int>(start) + 1));
        context.Add("parent-cycle", *section, Find(section, L"ParentPrereq"),
                    path.size() == 1 ? L"ParentPrereq names the prerequisite itself: " + chain
                                     : L"ParentPrereq links go round in a cycle: " + chain);
    }
}

void CheckRegistryPath(LintContext& context, const config::IniSection& section, const config::IniPair& pair) {
    const std::size_t slash = pair.value.find(L'\\');
    if (slash == std::wstring::npos) {
        context.Add("registry-path", section, &pair,
                    pair.key + L" " + Quoted(pair.value) +
                        L" names no registry key: a registry path is a root, \"\\\" and the key path");
        return;
    }
    const std::wstring root = pair.value.substr(0, slash);
    const std::vector<std::wstring> roots{L"HKLM", L"HKEY_LOCAL_MACHINE", L"HKCU", L"HKEY_CURRENT_USER",
                                          L"HKCR", L"HKEY_CLASSES_ROOT",  L"HKCC", L"HKEY_CURRENT_CONFIG",
                                          L"HKU",  L"HKEY_USERS"};
    if (std::any_of(roots.begin(), roots.end(),
                    [&](const std::wstring& r) { return EqualsIgnoringCase(r, root); }))
        return;
    context.Add("registry-path", section, &pair,
                pair.key + L" begins with the root " + Quoted(root) +
                    L", which the chainer does not know: any such root reads HKEY_USERS" +
                    DidYouMean(Suggest(root, roots)));
}

void CheckBounds(LintContext& context, const config::IniSection& section, int k) {
    const config::IniPair* low = Find(&section, Numbered(L"VerMin", k));
    const config::IniPair* high = Find(&section, Numbered(L"VerMax", k));
    detection::VersionNumber versions[2];
    bool present[2] = {false, false};
    const config::IniPair* pairs[2] = {low, high};
    for (int i = 0; i < 2; ++i) {
        if (pairs[i] == nullptr || pairs[i]->value.empty())
            continue;
        present[i] = detection::ParseVersion(pairs[i]->value, versions[i]) && !versions[i].IsAll(0);
        if (!present[i])
            context.Add("version-bound", section, pairs[i],
                        pairs[i]->key + L" " + Quoted(pairs[i]->value) +
                            L" holds no version the chainer can read: the bound counts as absent");
    }
    if (present[0] && present[1] && detection::CompareVersions(versions[0], versions[1]) > 0)
        context.Add("empty-version-range", section, low,
                    low->key + L" " + Quoted(low->value) + L" is above " + high->key + L" " +
                        Quoted(high->value) + L": no version passes, so the search never finds");
}

void CheckContentTest(LintContext& context, const config::IniSection& section, int k,
                      const config::IniPair& type) {
    const config::IniPair* ref = Find(&section, Numbered(L"RefContent", k));
    if (ref == nullptr || ref->value.empty()) {
        context.Add("content-operator", section, ref != nullptr ? ref : &type,
                    L"a RegistryValueContent search needs " + Numbered(L"RefContent", k) +
                        L" (an operator letter and a reference text): without one it never finds");
        return;
    }
    const std::wstring_view operators = L"CDEGLMSX";
    const wchar_t op = ref->value.front();
    if (operators.find(op) == std::wstring_view::npos) {
        const bool otherCase = operators.find(OtherCase(op)) != std::wstring_view::npos;
        context.Add(
            "content-operator", section, ref,
            ref->key + L" begins with " + Quoted(std::wstring(1, op)) +
                L", which is no operator (C, D, E, G, L, M, S or X, case-sensitive): the search never "
                L"finds" +
                (otherCase ? L"; did you mean " + Quoted(std::wstring(1, OtherCase(op))) + L"?" : L""));
        return;
    }
    const std::wstring reference = ref->value.substr(1);
    if ((op == L'G' || op == L'L') && reference.find_first_not_of(L"0123456789") != std::wstring::npos)
        context.Add("content-operator", section, ref,
                    ref->key + L" compares numbers, but its reference " + Quoted(reference) +
                        L" is not made of decimal digits only: the search never finds");
}

void CheckSearches(LintContext& context, const config::IniSection& section) {
    for (const config::IniPair& pair : section.pairs) {
        const std::optional<int> k = NumberOf(pair.key, L"SearchType");
        if (!k || Find(&section, pair.key) != &pair)
            continue;
        CheckNumber(context, section, pair);
        const std::int32_t type = config::ParseInt(pair.value);
        const detection::SearchTypeTraits* known = detection::SearchTypeTraitsOf(type);
        if (known == nullptr)
            context.Add("unknown-search-type", section, &pair,
                        pair.key + L" is " + std::to_wstring(type) +
                            L", a search type the chainer does not know (0 to " +
                            std::to_wstring(detection::SearchTypeCount() - 1) +
                            L"): the search counts as found without looking anything up");
        const bool bounds = known != nullptr && known->usesVersionBounds;
        for (const wchar_t* base : {L"VerMin", L"VerMax"}) {
            const config::IniPair* bound = Find(&section, Numbered(base, *k));
            if (bound != nullptr && !bound->value.empty() && known != nullptr && !bounds)
                context.Add("unused-key", section, bound,
                            bound->key + L" has no effect: a " + std::wstring(known->name) +
                                L" search compares no version");
        }
        if (bounds)
            CheckBounds(context, section, *k);
        const config::IniPair* ref = Find(&section, Numbered(L"RefContent", *k));
        if (type == static_cast<std::int32_t>(SearchType::RegistryValueContent)) {
            CheckContentTest(context, section, *k, pair);
        } else if (ref != nullptr && !ref->value.empty() && known != nullptr) {
            const bool hide = type == static_cast<std::int32_t>(SearchType::RunProgram);
            if (!hide || ref->value != L"WND_HIDE")
                context.Add(
                    "unused-key", section, ref,
                    hide ? ref->key + L" " + Quoted(ref->value) +
                               L" has no effect: only \"WND_HIDE\" (exactly) hides the program's window"
                         : ref->key + L" has no effect: only RegistryValueContent and RunProgram searches "
                                      L"read it");
        }
        const config::IniPair* arguments = Find(&section, Numbered(L"SearchCmdLine", *k));
        if (arguments != nullptr && !arguments->value.empty() && known != nullptr &&
            known->type != SearchType::RunProgram)
            context.Add("unused-key", section, arguments,
                        arguments->key + L" has no effect: only a RunProgram search runs a program");
        const config::IniPair* string = Find(&section, Numbered(L"SearchString", *k));
        if (string != nullptr && known != nullptr && known->readsRegistry)
            CheckRegistryPath(context, section, *string);
    }
}

} // namespace

void CheckValues(LintContext& context) {
    CheckGeneralOptions(context);
    const std::vector<NamedPrerequisite> named = context.NamedPrerequisites();
    for (const NamedPrerequisite& prerequisite : named) {
        if (prerequisite.section == nullptr)
            continue;
        const config::IniSection& section = *prerequisite.section;
        CheckSourceKeys(context, section);
        CheckDownloadChecks(context, section);
        CheckDownloadAddress(context, section);
        CheckPrerequisiteOptions(context, section);
        CheckLanguages(context, section);
        CheckOsList(context, section, L"WinNTVersions", false);
        CheckOsList(context, section, L"WinNT64Versions", true);
        CheckSearches(context, section);
    }
    CheckParents(context, named);
}

} // namespace velmora::cli
