// The linter's two report forms: lines for people ("file:line: severity: message [kind]") and JSON for
// build pipelines. Both are UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "cli/lint/pure/Linter.h"

namespace velmora::cli {

// The JSON report's "formatVersion". Version 2 added it and gives "line" as null, not 0, for a finding
// about the whole file; reports without it are version 1. It changes when a member changes its meaning or
// goes away, not when one is added.
inline constexpr int kLintJsonFormatVersion = 2;

std::string LintText(const LintReport& report, std::wstring_view fileName);
std::string LintJson(const LintReport& report, std::wstring_view fileName);
// Every kind with its severity and summary, one per line.
std::string KindsText();

} // namespace velmora::cli
