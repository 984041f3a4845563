// What chainer-explain found out, as data: the machine's facts as the chainer names them, and for each
// prerequisite the exclusion and language decisions, every search that ran with what it collected, the
// combined result, the state and the action the processing sequence would take. Two report forms: lines
// for people and JSON for scripts, both UTF-8. Pure: Explainer.h fills it on the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/pure/Configuration.h"
#include "detection/pure/Evaluation.h"
#include "execution/pure/RebootRules.h"

namespace velmora::cli {

struct MachineFacts {
    std::wstring detailedName; // "Windows 10 version 21H2 x64"
    std::wstring generalName;  // "Windows 10 x64"
    bool is64BitOs = false;
    bool windows10OrLater = false;
    std::wstring languageLine; // "SystemDefault LangID=1033-English (United States)"
    bool localSystem = false;  // the process runs as LocalSystem: launches go around the shell
};

// A version bound as written and as the searches read it (empty when absent).
struct BoundFacts {
    std::wstring key;     // VerMin1
    std::wstring written; // as in the file; empty when the key is absent or empty
    std::wstring read;    // FormatVersion of the parsed bound; empty when the bound counts as absent
};

struct SearchFacts {
    int number = 0; // k of SearchType<k>
    std::int32_t type = 0;
    std::wstring typeName; // "RegistryKeyExists", or "unknown"
    std::wstring searchString;
    std::wstring lookedAt;  // the path or program after references are resolved, where the search resolves
    std::wstring arguments; // RunProgram: the resolved SearchCmdLine
    std::wstring refContent;
    bool usesBounds = false;
    BoundFacts low;
    BoundFacts high;
    bool ran = false;
    std::vector<std::wstring> values; // collected texts, in the order found
    std::wstring value;               // RegistryValueContent: the value's text
    bool found = false;
};

// What the processing sequence does with one prerequisite.
struct ActionFacts {
    detection::ProcessingAction code = detection::ProcessingAction::NotSelected; // ActionOf
    std::wstring summary;                                                        // a sentence
    std::wstring url;                                                            // download or site
    std::wstring downloadPath;
    bool alreadyDownloaded = false;
    std::wstring file; // what the install phase launches
    bool fileExists = false;
    std::wstring commandLineKey;
    std::wstring commandLine; // as handed to the program
    std::wstring route;       // "shell", "package deployment", "direct"
    std::wstring directApplication;
    std::wstring directCommandLine;
    bool hidden = false;
    execution::RebootMode rebootMode = execution::RebootMode::Never;
    std::wstring returnValueName;
    bool checksSize = false;
    bool checksDigest = false; // MD5 or SHA256
    // The keys the file is checked against before it runs ("ExactSize", "MD5", "SHA256", "SignerThumbprint"),
    // and the signer's thumbprints as the chainer reads them (lowercase, without blanks).
    std::vector<std::wstring> checks;
    std::vector<std::wstring> signers;
};

struct PrerequisiteFacts {
    int number = 0;
    std::wstring name;
    std::wstring options;
    std::wstring osListKey; // the list read on this machine's bitness
    std::wstring osList;
    bool excluded = false;
    std::wstring languageList;
    std::optional<bool> languageAccepted; // none: not tested (excluded, or an empty list)
    bool searchesSkipped = false;         // "i" in Options
    bool use64BitSwitch = false;          // "x" in Options
    std::int32_t searchOperator = 0;
    std::vector<SearchFacts> searches; // every search, run or not
    bool found = false;
    config::EvaluationState state = config::EvaluationState::NotEvaluated;
    std::wstring stateText;
    bool selected = false;
    std::wstring parent;             // ParentPrereq, as written
    std::optional<int> parentNumber; // the prerequisite it names
    std::vector<int> children;       // numbers of the prerequisites naming this one as parent
    ActionFacts action;
};

struct Explanation {
    std::wstring configurationPath;
    std::wstring chainerPath; // where the chainer would sit to read it
    MachineFacts machine;
    std::wstring mode;           // "silent", "basic UI" or "none"
    std::wstring commandLineKey; // the key each launch takes its command line from
    std::wstring downloadFolder;
    std::wstring extractionFolder;
    bool extractionFolderConfigured = false;
    std::vector<PrerequisiteFacts> prerequisites;
    bool work = false;             // some prerequisite needs to be installed
    std::vector<std::wstring> log; // the evaluation's log lines, as the chainer would write them
};

// The run would download, open a site or launch something: a prerequisite needs work and the general
// Options ask for a mode that processes it.
bool RunWouldAct(const Explanation& explanation);

std::string ExplanationText(const Explanation& explanation);
std::string ExplanationJson(const Explanation& explanation);

} // namespace velmora::cli
