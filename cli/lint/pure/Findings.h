// What the linter can report: a fixed table of finding kinds, each with its severity, and the findings of
// one configuration. An error is something the chainer drops, loses or can never act on as written; a
// warning is something it reads otherwise than an author likely meant, or ignores.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::cli {

enum class Severity { Warning, Error };

std::string_view SeverityName(Severity severity);

struct FindingKind {
    std::string_view id; // stable: reports, tests and build pipelines key on it
    Severity severity;
    std::string_view summary;
};

// Every kind, in the order the documentation lists them.
const std::vector<FindingKind>& FindingKinds();
// The kind with that id; a programming failure (std::out_of_range) for an unknown id.
const FindingKind& KindOf(std::string_view id);

struct Finding {
    std::string_view kind;
    Severity severity = Severity::Warning;
    std::size_t line = 0; // as the chainer counts lines (only CR LF ends one); 0 for the whole file
    std::wstring section; // the section the finding concerns, if any
    std::wstring key;     // the key the finding concerns, if any
    std::wstring message;
};

} // namespace velmora::cli
