#include "cli/lint/pure/Findings.h"

#include <stdexcept>

namespace velmora::cli {

std::string_view SeverityName(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

const std::vector<FindingKind>& FindingKinds() {
    constexpr Severity E = Severity::Error;
    constexpr Severity W = Severity::Warning;
    static const std::vector<FindingKind> kinds{
        // The file and its lines.
        {"not-utf16", E, "the file is not UTF-16LE text"},
        {"no-bom", E, "no byte-order mark: the chainer skips the first character"},
        {"odd-length", W, "an odd number of bytes: the last byte is dropped"},
        {"lone-line-break", E, "a LF or CR without its partner does not end the line"},
        {"skipped-line", W, "a line the reader skips"},
        {"not-a-header", E, "a line that starts with \"[\" but is no section header"},
        // Sections and keys.
        {"unknown-section", W, "a section the chainer does not read"},
        {"unread-section", W, "an [App<n>] section that [PREREQUISITES] does not name"},
        {"duplicate-section", E, "a section that appears again: only the first is read"},
        {"unknown-key", W, "a key the chainer does not read"},
        {"letter-case", E, "a section or key written in another letter case than the chainer reads: dropped"},
        {"duplicate-key", E, "a key that appears again in its section: only the first is read"},
        {"unused-key", W, "a key that is read but has no effect here"},
        {"orphan-search-key", W, "a search key without its SearchType<k>"},
        // The prerequisite list and the searches.
        {"no-prerequisites", E, "the configuration names no prerequisite"},
        {"app-gap", E, "a gap in the App<n> numbers ends the list"},
        {"missing-section", E, "an App<n> without its section ends the list"},
        {"no-source", E, "a prerequisite without SetupFile, OpenSite or Url ends the list"},
        {"search-without-string", E, "a SearchType<k> without SearchString<k> ends the list"},
        {"search-gap", E, "a gap in the search numbers ends the searches"},
        // Values.
        {"lenient-number", W, "a number the chainer reads otherwise than written"},
        {"unknown-search-type", E, "a search type the chainer does not know: found without looking"},
        {"unknown-operator", E, "an Operator other than 0 and 1: never found"},
        {"unknown-option", W, "an Options letter with no meaning"},
        {"reboot-without-r", W, "\"R\" without \"r\" in Options: no reboot"},
        {"conflicting-modes", W, "general Options with both \"q\" and \"b\": silent wins"},
        {"no-processing-mode", W, "general Options with neither \"q\" nor \"b\": nothing is installed"},
        {"language-item", E, "a LanguageList item that matches no language, or another one"},
        {"os-list-item", E, "a WinNTVersions or WinNT64Versions item that names no known system"},
        {"os-list-bitness", W, "a system name in the list of the other bitness: never matches"},
        {"md5-format", E, "an MD5 that is not 32 hexadecimal digits"},
        {"sha256-format", E, "a SHA256 that is not 64 hexadecimal digits"},
        {"signer-thumbprint-format", E, "a SignerThumbprint item that is no SHA-1 or SHA-256 thumbprint"},
        {"exact-size", E, "an ExactSize that no file can have"},
        {"download-check-unused", W, "MD5, SHA256, ExactSize or SignerThumbprint where they are not checked"},
        {"no-digest", W, "a download without MD5, SHA256 or SignerThumbprint: any file under its name is started"},
        {"plain-transfer", W, "a download over plain http or ftp: anyone on the way can change it"},
        {"url-password", W, "a password written into an address: whoever has the kit can read it"},
        {"keep-files", W, "a KeepFiles value that reads as none"},
        {"parent-unknown", E, "a ParentPrereq that names no prerequisite"},
        {"parent-cycle", E, "ParentPrereq links that form a cycle"},
        {"empty-source", E, "an empty SetupFile, OpenSite or Url"},
        {"version-bound", W, "a version bound that holds no version: absent"},
        {"empty-version-range", E, "VerMin above VerMax: no version passes"},
        {"content-operator", E, "a RefContent that the registry content test never passes"},
        {"registry-path", W, "a registry path the chainer reads otherwise than written"},
        // References, kit files and cleanup.
        {"unknown-folder-property", E, "a [Name] that is no folder property: it stays as written"},
        {"unbalanced-reference", E, "a \"[\", \"%\" or \"!\" without its partner stops the replacement"},
        {"percent-escape", W, "URL escapes that read as an environment variable"},
        {"reference-not-resolved", W, "a reference in a text that is used as written"},
        {"missing-kit-file", E, "a file the kit folder does not hold"},
        {"cleanup-folders", W, "a CleanupFolders under which nothing is cleaned up"},
        {"cleanup-file-outside", W, "a CleanupFiles entry outside CleanupFolders: never deleted"},
    };
    return kinds;
}

const FindingKind& KindOf(std::string_view id) {
    for (const FindingKind& kind : FindingKinds()) {
        if (kind.id == id)
            return kind;
    }
    throw std::out_of_range("unknown finding kind");
}

} // namespace velmora::cli
