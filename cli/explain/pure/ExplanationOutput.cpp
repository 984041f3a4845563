#include "cli/explain/pure/Explanation.h"

#include "cli/pure/JsonWriter.h"
#include "cli/pure/TextCodec.h"
#include "platform/pure/Redact.h"

namespace velmora::cli {

namespace {

std::wstring Quote(const std::wstring& text) {
    return L"\"" + Printable(text) + L"\"";
}

std::wstring YesNo(bool value) {
    return value ? L"yes" : L"no";
}

std::wstring RebootText(execution::RebootMode mode) {
    switch (mode) {
    case execution::RebootMode::AfterSuccess:
        return L"reboot after success";
    case execution::RebootMode::WhenDetected:
        return L"reboot after success when then detected";
    default:
        return L"no reboot";
    }
}

std::wstring OperatorText(std::int32_t op) {
    if (op == 0)
        return L"Operator 0: all must find";
    if (op == 1)
        return L"Operator 1: one must find";
    return L"Operator " + std::to_wstring(op) + L": never found";
}

std::wstring BoundText(const BoundFacts& bound) {
    if (bound.written.empty())
        return bound.key + L" absent";
    return bound.key + L" " + Quote(bound.written) +
           (bound.read.empty() ? std::wstring(L" (counts as absent)") : L" reads " + bound.read);
}

class Lines {
public:
    // Two blanks per level; a search's details line up under its type, after "1. ". Reports end up in
    // tickets and build logs: the user information of every URL is hidden as the log hides it.
    void Add(int indent, const std::wstring& line) {
        text_ += std::string(indent == kDetail ? 7 : indent * 2, ' ') +
                 ToUtf8(platform::RedactUrlCredentials(line)) + "\n";
    }
    static constexpr int kDetail = 3;
    std::string& Text() { return text_; }

private:
    std::string text_;
};

void SearchLines(Lines& out, const PrerequisiteFacts& prerequisite) {
    if (prerequisite.searchesSkipped) {
        out.Add(1, L"Searches: none run (\"i\" in Options): it counts as not found");
        return;
    }
    out.Add(1, L"Searches (" + OperatorText(prerequisite.searchOperator) +
                   (prerequisite.use64BitSwitch ? L"; \"x\": 64-bit registry view, no file-system redirection"
                                                : L"") +
                   L"):" + (prerequisite.searches.empty() ? L" none" : L""));
    for (const SearchFacts& search : prerequisite.searches) {
        const std::wstring head = std::to_wstring(search.number) + L". " + search.typeName + L" (" +
                                  std::to_wstring(search.type) + L") " + Quote(search.searchString);
        if (!search.ran) {
            out.Add(2, head + L": not run, the result was already decided");
            continue;
        }
        out.Add(2, head);
        if (!search.lookedAt.empty())
            out.Add(Lines::kDetail, L"looked at: " + Quote(search.lookedAt));
        if (!search.arguments.empty())
            out.Add(Lines::kDetail, L"arguments: " + Quote(search.arguments));
        if (!search.refContent.empty())
            out.Add(Lines::kDetail, L"RefContent: " + Quote(search.refContent));
        if (search.usesBounds)
            out.Add(Lines::kDetail, L"bounds: " + BoundText(search.low) + L", " + BoundText(search.high));
        if (search.type == 9) {
            out.Add(Lines::kDetail,
                    L"value: " + (search.value.empty() ? std::wstring(L"none") : Quote(search.value)));
        } else if (search.usesBounds) {
            std::wstring values;
            for (const std::wstring& value : search.values)
                values += (values.empty() ? L"" : L", ") + Quote(value);
            out.Add(Lines::kDetail, L"collected: " + (values.empty() ? std::wstring(L"nothing") : values));
        }
        out.Add(Lines::kDetail, search.found ? L"found" : L"not found");
    }
}

void ActionLines(Lines& out, const ActionFacts& action) {
    out.Add(1, L"Action: " + action.summary);
    if (!action.url.empty())
        out.Add(2, L"URL: " + Quote(action.url));
    if (!action.downloadPath.empty())
        out.Add(2, L"download to: " + Quote(action.downloadPath) +
                       (action.alreadyDownloaded ? L" (already there)" : L""));
    if (!action.checks.empty()) {
        std::wstring keys;
        for (std::size_t i = 0; i < action.checks.size(); ++i)
            keys += (i == 0 ? L"" : i + 1 == action.checks.size() ? L" and " : L", ") + action.checks[i];
        out.Add(2, L"checked before it runs: " + keys);
    }
    if (!action.signers.empty()) {
        std::wstring thumbprints;
        for (const std::wstring& thumbprint : action.signers)
            thumbprints += (thumbprints.empty() ? L"" : L", ") + thumbprint;
        out.Add(2, L"signed by a certificate with the thumbprint: " + thumbprints);
    }
    if (action.file.empty())
        return;
    out.Add(2, L"file: " + Quote(action.file) + (action.fileExists ? L"" : L" (not there now)"));
    out.Add(2, L"command line (" + action.commandLineKey + L"): " + Quote(action.commandLine));
    if (action.route == L"direct")
        out.Add(2, L"started directly (LocalSystem): " + Quote(action.directApplication) + L" with " +
                       Quote(action.directCommandLine));
    else if (action.route == L"package deployment")
        out.Add(2, L"installed through the package deployment service");
    else
        out.Add(2,
                std::wstring(L"opened through the shell, window ") + (action.hidden ? L"hidden" : L"shown"));
    out.Add(2, RebootText(action.rebootMode) + L"; exit code " +
                   (action.returnValueName.empty() ? std::wstring(L"not recorded")
                                                   : L"recorded under " + Quote(action.returnValueName)));
}

void JsonSearch(JsonWriter& json, const SearchFacts& search) {
    json.BeginObject();
    json.Member("number", search.number);
    json.Member("type", search.type);
    json.Member("typeName", search.typeName);
    json.Member("searchString", search.searchString);
    json.Member("ran", search.ran);
    if (!search.lookedAt.empty())
        json.Member("lookedAt", search.lookedAt);
    if (!search.arguments.empty())
        json.Member("arguments", search.arguments);
    if (!search.refContent.empty())
        json.Member("refContent", search.refContent);
    if (search.usesBounds) {
        for (const BoundFacts* bound : {&search.low, &search.high}) {
            json.Key(bound == &search.low ? "verMin" : "verMax");
            json.BeginObject();
            json.Member("key", bound->key);
            json.Member("written", bound->written);
            json.Member("read", bound->read);
            json.EndObject();
        }
    }
    if (search.ran) {
        json.Key("values");
        json.BeginArray();
        for (const std::wstring& value : search.values)
            json.String(value);
        json.EndArray();
        if (search.type == 9)
            json.Member("value", search.value);
        json.Member("found", search.found);
    }
    json.EndObject();
}

void JsonAction(JsonWriter& json, const ActionFacts& action) {
    json.BeginObject();
    json.Member("code", static_cast<std::int32_t>(action.code));
    json.Member("summary", action.summary);
    if (!action.url.empty())
        json.Member("url", action.url);
    if (!action.downloadPath.empty()) {
        json.Member("downloadPath", action.downloadPath);
        json.Member("alreadyDownloaded", action.alreadyDownloaded);
    }
    if (!action.file.empty()) {
        json.Member("file", action.file);
        json.Member("fileExists", action.fileExists);
        json.Member("commandLineKey", action.commandLineKey);
        json.Member("commandLine", action.commandLine);
        json.Member("route", action.route);
        if (action.route == L"direct") {
            json.Member("directApplication", action.directApplication);
            json.Member("directCommandLine", action.directCommandLine);
        }
        json.Member("hidden", action.hidden);
        json.Member("rebootMode", static_cast<std::int32_t>(action.rebootMode));
        json.Member("returnValueName", action.returnValueName);
        json.Member("checksSize", action.checksSize);
        json.Member("checksDigest", action.checksDigest);
        json.Key("checks");
        json.BeginArray();
        for (const std::wstring& key : action.checks)
            json.String(key);
        json.EndArray();
        json.Key("signerThumbprints");
        json.BeginArray();
        for (const std::wstring& thumbprint : action.signers)
            json.String(thumbprint);
        json.EndArray();
    }
    json.EndObject();
}

} // namespace

std::string ExplanationText(const Explanation& e) {
    Lines out;
    out.Add(0, L"Configuration: " + Quote(e.configurationPath) + L", read as the chainer at " +
                   Quote(e.chainerPath) + L" reads it");
    out.Add(0, L"System: " + Quote(e.machine.detailedName) + L" (general name " +
                   Quote(e.machine.generalName) + L"), " + (e.machine.is64BitOs ? L"64-bit" : L"32-bit") +
                   (e.machine.localSystem ? L", running as LocalSystem" : L""));
    out.Add(0, L"Language: " + e.machine.languageLine);
    out.Add(0, L"Mode: " + e.mode + L"; prerequisites start with their " + e.commandLineKey);
    out.Add(0, L"Download folder: " + Quote(e.downloadFolder));
    out.Add(0, L"Extraction folder: " +
                   (e.extractionFolderConfigured
                        ? Quote(e.extractionFolder)
                        : std::wstring(L"not configured: package files lie beside the chainer")));
    if (e.prerequisites.empty())
        out.Add(0, L"Prerequisites: none");

    for (const PrerequisiteFacts& p : e.prerequisites) {
        out.Add(0, L"");
        out.Add(0, L"App" + std::to_wstring(p.number) + L" " + Quote(p.name) +
                       (p.options.empty() ? L"" : L", Options " + Quote(p.options)));
        out.Add(1, L"System: " + p.osListKey + L" " + Quote(p.osList) + L": " +
                       (p.excluded ? L"excluded" : L"not excluded"));
        out.Add(1, L"Language: LanguageList " + Quote(p.languageList) + L": " +
                       (!p.languageAccepted   ? (p.excluded ? L"not tested" : L"every language accepted")
                        : *p.languageAccepted ? L"accepted"
                                              : L"not accepted, so excluded"));
        const bool excluded = p.state == config::EvaluationState::Excluded;
        if (!excluded)
            SearchLines(out, p);
        if (!excluded)
            out.Add(1, std::wstring(L"Result: ") + (p.found ? L"found" : L"not found"));
        out.Add(1,
                L"State: " + std::to_wstring(static_cast<std::int32_t>(p.state)) + L" " + Quote(p.stateText));
        std::wstring family;
        if (!p.parent.empty())
            family = L"; parent " + Quote(p.parent) +
                     (p.parentNumber ? L" (App" + std::to_wstring(*p.parentNumber) + L")" : L" (names none)");
        if (!p.children.empty()) {
            family += L"; children";
            for (int child : p.children)
                family += L" App" + std::to_wstring(child);
        }
        out.Add(1, L"Selected: " + YesNo(p.selected) + family);
        ActionLines(out, p.action);
    }

    out.Add(0, L"");
    if (!e.work)
        out.Add(0, L"Outcome: no prerequisite must be installed; the chainer ends with exit code 0");
    else if (e.mode == L"none")
        out.Add(
            0,
            L"Outcome: prerequisites are missing, but the general Options ask for neither \"q\" nor \"b\": "
            L"the chainer installs nothing and ends with exit code 0");
    else
        out.Add(0, L"Outcome: the chainer processes the selected prerequisites in " + e.mode +
                       L" mode: downloads first, then sites, then launches, each in list order");
    out.Add(0, L"Evaluation log:");
    for (const std::wstring& line : e.log)
        out.Add(1, Printable(line));
    return out.Text();
}

bool RunWouldAct(const Explanation& e) {
    return e.work && e.mode != L"none";
}

std::string ExplanationJson(const Explanation& e) {
    JsonWriter json;
    json.BeginObject();
    json.Member("configuration", e.configurationPath);
    json.Member("chainer", e.chainerPath);
    json.Key("machine");
    json.BeginObject();
    json.Member("detailedName", e.machine.detailedName);
    json.Member("generalName", e.machine.generalName);
    json.Member("is64BitOs", e.machine.is64BitOs);
    json.Member("windows10OrLater", e.machine.windows10OrLater);
    json.Member("language", e.machine.languageLine);
    json.Member("localSystem", e.machine.localSystem);
    json.EndObject();
    json.Member("mode", e.mode);
    json.Member("commandLineKey", e.commandLineKey);
    json.Member("downloadFolder", e.downloadFolder);
    json.Member("extractionFolder", e.extractionFolder);
    json.Member("extractionFolderConfigured", e.extractionFolderConfigured);
    json.Member("work", e.work);
    json.Member("wouldAct", RunWouldAct(e));
    json.Key("prerequisites");
    json.BeginArray();
    for (const PrerequisiteFacts& p : e.prerequisites) {
        json.BeginObject();
        json.Member("number", p.number);
        json.Member("name", p.name);
        json.Member("options", p.options);
        json.Member("osListKey", p.osListKey);
        json.Member("osList", p.osList);
        json.Member("excluded", p.excluded);
        json.Member("languageList", p.languageList);
        json.Key("languageAccepted");
        if (p.languageAccepted)
            json.Bool(*p.languageAccepted);
        else
            json.Null();
        json.Member("searchesSkipped", p.searchesSkipped);
        json.Member("use64BitSwitch", p.use64BitSwitch);
        json.Member("operator", p.searchOperator);
        json.Key("searches");
        json.BeginArray();
        for (const SearchFacts& search : p.searches)
            JsonSearch(json, search);
        json.EndArray();
        json.Member("found", p.found);
        json.Member("state", static_cast<std::int32_t>(p.state));
        json.Member("stateText", p.stateText);
        json.Member("selected", p.selected);
        json.Member("parent", p.parent);
        json.Key("parentNumber");
        if (p.parentNumber)
            json.Number(*p.parentNumber);
        else
            json.Null();
        json.Key("children");
        json.BeginArray();
        for (int child : p.children)
            json.Number(child);
        json.EndArray();
        json.Key("action");
        JsonAction(json, p.action);
        json.EndObject();
    }
    json.EndArray();
    json.Key("log");
    json.BeginArray();
    for (const std::wstring& line : e.log)
        json.String(line);
    json.EndArray();
    json.EndObject();
    return json.Text();
}

} // namespace velmora::cli
