#include "execution/pure/CleanupScriptCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora::execution;

namespace {

bool IsQuote(wchar_t c) {
    return c == L'\'' || (c >= L'\u2018' && c <= L'\u201B');
}

// Reads a PowerShell command the way PowerShell reads single-quoted strings: a string opens with any of the
// five single-quote characters and ends at the first one not followed by another; two in a row stand for
// the second. Returns the literals in order and everything outside them with each literal replaced by "S".
struct ReadCommand {
    std::vector<std::wstring> literals;
    std::wstring shape;
};

ReadCommand Read(const std::wstring& command) {
    ReadCommand read;
    for (std::size_t i = 0; i < command.size(); ++i) {
        if (!IsQuote(command[i])) {
            read.shape += command[i];
            continue;
        }
        std::wstring literal;
        for (++i; i < command.size(); ++i) {
            if (IsQuote(command[i])) {
                if (i + 1 < command.size() && IsQuote(command[i + 1])) {
                    literal += command[++i];
                    continue;
                }
                break;
            }
            literal += command[i];
        }
        EXPECT_LT(i, command.size()) << "unterminated string";
        read.literals.push_back(literal);
        read.shape += L'S';
    }
    return read;
}

} // namespace

TEST(Execution_CleanupScriptCommand, OnePathGivesTheDocumentedParameters) {
    EXPECT_EQ(PowerShellParameters(CleanupScriptCommand(L"T", {L"C:\\p\\x.msi"}, 10)),
              L"-NoProfile -NonInteractive -NoLogo -ExecutionPolicy RemoteSigned -Command \"& 'T' -paths "
              L"'C:\\p\\x.msi' -retry_count 10\"");
    EXPECT_EQ(CleanupScriptCommand(L"C:\\t\\QZ_1.ps1", {L"C:\\a", L"C:\\b"}, 3),
              L"& 'C:\\t\\QZ_1.ps1' -paths 'C:\\a','C:\\b' -retry_count 3");
}

TEST(Execution_CleanupScriptCommand, QuotesInNamesStayInsideTheirStrings) {
    const std::wstring script = L"C:\\Users\\Mary O'Brien\\Temp\\QZ_1A.ps1";
    const std::vector<std::wstring> paths = {
        L"C:\\Kits\\O'Brien's kit\\clean.ps1",
        L"C:\\Kits\\\u2018x\u2019\\setup.exe",
        L"C:\\Kits\\a\u201A\u201B'\\",
        L"C:\\Kits\\x'; Remove-Item C:\\ -Recurse; '",
        L"C:\\Kits\\$(calc) `n @a",
    };
    const ReadCommand read = Read(CleanupScriptCommand(script, paths, 10));
    std::vector<std::wstring> expected = {script};
    expected.insert(expected.end(), paths.begin(), paths.end());
    EXPECT_EQ(read.literals, expected);
    EXPECT_EQ(read.shape, L"& S -paths S,S,S,S,S -retry_count 10");
    EXPECT_EQ(PowerShellQuoted(L"a\u2019b"), L"'a\u2019\u2019b'");
}
