#include "cli/lint/pure/LintOutput.h"

#include "cli/pure/JsonWriter.h"
#include "cli/pure/TextCodec.h"

namespace velmora::cli {

namespace {

std::string Plural(std::size_t count, std::string_view word) {
    return std::to_string(count) + " " + std::string(word) + (count == 1 ? "" : "s");
}

} // namespace

std::string LintText(const LintReport& report, std::wstring_view fileName) {
    const std::string file = ToUtf8(fileName);
    std::string text = file + ": " + std::string(report.encoding) +
                       (report.byteOrderMark ? " with byte-order mark" : " without byte-order mark") + ", " +
                       Plural(report.lines, "line") + ", " +
                       Plural(report.prerequisites.size(), "prerequisite") + " read";
    for (std::size_t i = 0; i < report.prerequisites.size(); ++i)
        text += (i == 0 ? ": " : ", ") + ToUtf8(L"\"" + Printable(report.prerequisites[i]) + L"\"");
    text += "\n";
    for (const Finding& finding : report.findings) {
        text += file;
        if (finding.line != 0)
            text += ":" + std::to_string(finding.line);
        text += ": " + std::string(SeverityName(finding.severity)) + ": " + ToUtf8(finding.message) + " [" +
                std::string(finding.kind) + "]\n";
    }
    const std::size_t errors = report.Count(Severity::Error);
    const std::size_t warnings = report.Count(Severity::Warning);
    text += file + ": " +
            (errors + warnings == 0 ? std::string("clean")
                                    : Plural(errors, "error") + ", " + Plural(warnings, "warning")) +
            "\n";
    return text;
}

std::string LintJson(const LintReport& report, std::wstring_view fileName) {
    JsonWriter json;
    json.BeginObject();
    json.Member("formatVersion", kLintJsonFormatVersion);
    json.Member("file", fileName);
    json.Member("encoding", report.encoding);
    json.Member("byteOrderMark", report.byteOrderMark);
    json.Member("lines", report.lines);
    json.Key("prerequisites");
    json.BeginArray();
    for (const std::wstring& name : report.prerequisites)
        json.String(name);
    json.EndArray();
    json.Member("errors", report.Count(Severity::Error));
    json.Member("warnings", report.Count(Severity::Warning));
    json.Key("findings");
    json.BeginArray();
    for (const Finding& finding : report.findings) {
        json.BeginObject();
        json.Key("line");
        if (finding.line != 0)
            json.Number(static_cast<std::int64_t>(finding.line));
        else
            json.Null();
        json.Member("severity", SeverityName(finding.severity));
        json.Member("kind", finding.kind);
        json.Member("section", finding.section);
        json.Member("key", finding.key);
        json.Member("message", finding.message);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

std::string KindsText() {
    std::string text;
    for (const FindingKind& kind : FindingKinds())
        text += std::string(kind.id) + " " + std::string(SeverityName(kind.severity)) + " " +
                std::string(kind.summary) + "\n";
    return text;
}

} // namespace velmora::cli
