#include "cli/lint/pure/Linter.h"

#include <algorithm>

#include "cli/lint/pure/LintContext.h"
#include "cli/pure/TextCodec.h"
#include "platform/pure/Redact.h"

namespace velmora::cli {

namespace {

// Machine facts are not needed to lint: Load resolves Url and OpenSite sources, which the checks read as
// written in the file.
class NoMachine final : public config::PropertySource {
public:
    bool FolderProperty(std::wstring_view, bool, std::wstring&) const override { return false; }
    std::wstring EnvironmentValue(std::wstring_view) const override { return {}; }
    std::wstring RegistryValue(std::wstring_view, bool) const override { return {}; }
    std::wstring TempFolder() const override { return {}; }
};
const NoMachine kNoMachine;

// Mostly ASCII text stored as UTF-16LE has a zero in most odd bytes; 8-bit text has none.
bool LooksLikeUtf16Le(std::string_view bytes) {
    std::size_t pairs = 0;
    std::size_t zeroHigh = 0;
    for (std::size_t i = 0; i + 1 < bytes.size() && pairs < 4096; i += 2, ++pairs)
        zeroHigh += bytes[i + 1] == '\0' ? 1 : 0;
    return pairs == 0 || zeroHigh * 3 >= pairs;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// Reads the encoding and adds what it costs. False when the text is not UTF-16LE: then nothing the chainer
// reads out of it means anything, and the other checks are not run.
bool CheckEncoding(LintContext& context, std::wstring_view firstLine) {
    const std::string& bytes = context.input.bytes;
    LintReport& report = context.report;
    if (StartsWith(bytes, "\xEF\xBB\xBF") ||
        (!StartsWith(bytes, "\xFF\xFE") && !StartsWith(bytes, "\xFE\xFF") && bytes.size() > 2 &&
         !LooksLikeUtf16Le(bytes))) {
        const bool utf8 = StartsWith(bytes, "\xEF\xBB\xBF");
        report.encoding = utf8 ? "UTF-8" : "8-bit";
        report.byteOrderMark = utf8;
        context.Add("not-utf16", 0, L"", L"",
                    std::wstring(L"the file is ") + (utf8 ? L"UTF-8" : L"8-bit") +
                        L" text, but the chainer reads UTF-16LE only: it sees no section or key of it; save "
                        L"it as UTF-16LE with a byte-order mark");
        return false;
    }
    if (StartsWith(bytes, "\xFE\xFF")) {
        report.encoding = "UTF-16BE";
        report.byteOrderMark = true;
        context.Add(
            "not-utf16", 0, L"", L"",
            L"the file is big-endian UTF-16, but the chainer reads little-endian UTF-16 only: it sees "
            L"no section or key of it; save it as UTF-16LE with a byte-order mark");
        return false;
    }
    report.encoding = "UTF-16LE";
    report.byteOrderMark = StartsWith(bytes, "\xFF\xFE");
    if (!report.byteOrderMark && bytes.size() >= 2) {
        context.firstCharacterLost = true;
        const std::wstring lost = Utf16LeUnits(bytes.substr(0, 2));
        std::wstring message = L"the file has no byte-order mark, and the chainer always skips the first two "
                               L"bytes: here the character " +
                               Quoted(lost) + L", so line 1 reads " + Quoted(firstLine);
        if (lost == L"[")
            message += L" and its section header is lost: the keys below it are skipped";
        context.Add("no-bom", 1, L"", L"", message + L"; save the file with a byte-order mark");
    }
    if (bytes.size() % 2 != 0)
        context.Add("odd-length", 0, L"", L"",
                    L"the file has an odd number of bytes (" + std::to_wstring(bytes.size()) +
                        L"): the chainer drops the last one");
    return true;
}

// A LF or CR that is not part of CR LF leaves the line going on. Harmless where it only ends the line's
// text (white space is trimmed); reported where text follows it on the same chainer line.
void CheckLineBreaks(LintContext& context, std::wstring_view text) {
    std::size_t line = 1;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring_view::npos)
            end = text.size();
        const std::wstring_view content = text.substr(start, end - start);
        std::size_t breaks = 0;
        bool textFollows = false;
        for (std::size_t i = 0; i < content.size(); ++i) {
            if (content[i] != L'\n' && content[i] != L'\r')
                continue;
            ++breaks;
            for (std::size_t j = i + 1; j < content.size() && !textFollows; ++j)
                textFollows = content[j] > L' ';
        }
        if (breaks > 0 && textFollows) {
            const std::size_t first = content.find_first_of(L"\r\n");
            std::wstring after(content.substr(first + 1, 40));
            if (content.size() > first + 41)
                after += L"...";
            context.Add(
                "lone-line-break", line, L"", L"",
                L"this line holds " + std::to_wstring(breaks) + L" line break" + (breaks == 1 ? L"" : L"s") +
                    L" (LF or CR alone) that the chainer does not count: it ends lines only at CR LF, so " +
                    Quoted(after) + L" stays on this line");
        }
        if (end == text.size())
            break;
        start = end + 2;
        ++line;
    }
}

// Each line with the user information of its URLs hidden, as the log shows it. A finding quotes what it
// is about, sometimes only a piece of a value (from a "%" or a "[" on): were the password still there, a
// piece of it could reach a report that ends up in a ticket or a build log. Lines stay where they are.
// The lines that held a password are noted in passwordLines.
std::wstring WithoutPasswords(std::wstring_view text, std::vector<std::size_t>& passwordLines) {
    std::wstring redacted;
    redacted.reserve(text.size());
    for (std::size_t start = 0, line = 1;; ++line) {
        const std::size_t end = text.find(L"\r\n", start);
        const std::wstring_view content = text.substr(start, end - start);
        if (platform::HoldsUrlPassword(content))
            passwordLines.push_back(line);
        redacted += platform::RedactUrlCredentials(content);
        if (end == std::wstring_view::npos)
            return redacted;
        redacted += L"\r\n";
        start = end + 2;
    }
}

// A password in the file is read by everyone the kit passes through; the chainer asks for one when a
// server wants it.
void CheckPasswords(LintContext& context) {
    for (const std::size_t line : context.passwordLines) {
        const config::IniSection* section = nullptr;
        const config::IniPair* pair = nullptr;
        for (const config::IniSection& candidate : context.document.Sections()) {
            for (const config::IniPair& key : candidate.pairs) {
                if (key.line == line) {
                    section = &candidate;
                    pair = &key;
                }
            }
        }
        const std::wstring where = pair != nullptr ? pair->key : std::wstring(L"this line");
        const std::wstring message =
            L"the address in " + where +
            L" holds a password (shown as ***): whoever has the kit can read it in clear text; leave it "
            L"out and let the server ask for it, or give an account that may only read these files";
        if (section != nullptr)
            context.Add("url-password", *section, pair, message);
        else
            context.Add("url-password", line, L"", L"", message);
    }
}

std::size_t CountLines(std::wstring_view text) {
    std::size_t lines = 0;
    for (std::size_t start = 0; start < text.size(); ++lines) {
        const std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring_view::npos)
            return lines + 1;
        start = end + 2;
    }
    return lines;
}

} // namespace

std::size_t LintReport::Count(Severity severity) const {
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(),
                                                  [&](const Finding& f) { return f.severity == severity; }));
}

LintReport Lint(const LintInput& input) {
    LintReport report;
    LintContext context{input, report, {}, {}, {}, false, {}};

    // The chainer reads from byte 2 on, whatever the first two bytes are.
    const std::wstring text = WithoutPasswords(
        input.bytes.size() > 2 ? Utf16LeUnits(std::string_view(input.bytes).substr(2)) : std::wstring(),
        context.passwordLines);
    if (CheckEncoding(context, std::wstring_view(text).substr(0, text.find(L"\r\n")))) {
        context.document.Parse(text, &context.skipped);
        context.configuration.Load(context.document, kNoMachine);
        report.lines = CountLines(text);
        CheckLineBreaks(context, text);
        CheckLayout(context);
        CheckList(context);
        CheckValues(context);
        CheckReferences(context);
        CheckPasswords(context);
    } else {
        context.document.Parse(text);
        context.configuration.Load(context.document, kNoMachine);
        report.lines = CountLines(text);
    }
    for (const config::PrerequisiteRecord& prerequisite : context.configuration.Prerequisites)
        report.prerequisites.push_back(prerequisite.Name);
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return report;
}

} // namespace velmora::cli
