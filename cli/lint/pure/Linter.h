// The configuration linter: reads a kit's configuration file exactly as the chainer reads it (from byte 2,
// through IniDocument and Configuration) and reports, with line numbers, what the chainer would silently
// ignore, drop or read otherwise than an author likely meant. Pure: the kit folder is reached through
// KitFiles, so the same checks run natively and on Windows.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cli/lint/pure/Findings.h"

namespace velmora::cli {

// The files of the kit folder, the folder the configuration file lies in.
class KitFiles {
public:
    virtual ~KitFiles() = default;
    // A file at that path relative to the kit folder ("\" separates folders), as Windows would find it: the
    // letter case does not matter.
    virtual bool Exists(std::wstring_view relativePath) const = 0;
};

struct LintInput {
    std::string bytes; // the whole file
    const KitFiles* kit = nullptr;
    // Where the chainer will run from on the target machine, when known (a Windows path); CleanupFolders is
    // checked against it. Empty: not checked.
    std::wstring chainerFolder;
};

struct LintReport {
    std::string_view encoding; // "UTF-16LE", "UTF-16BE", "UTF-8", "8-bit"
    bool byteOrderMark = false;
    std::size_t lines = 0;                   // as the chainer counts them
    std::vector<std::wstring> prerequisites; // the names the chainer reads, in order
    std::vector<Finding> findings;           // by line, then in the order found

    std::size_t Count(Severity severity) const;
};

LintReport Lint(const LintInput& input);

} // namespace velmora::cli
