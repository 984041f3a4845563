#include "execution/pure/CleanupScriptCommand.h"

namespace velmora::execution {

namespace {

bool IsSingleQuote(wchar_t c) {
    return c == L'\'' || (c >= L'\u2018' && c <= L'\u201B');
}

} // namespace

std::wstring PowerShellQuoted(std::wstring_view text) {
    std::wstring quoted;
    quoted.reserve(text.size() + 2);
    quoted += L'\'';
    for (wchar_t c : text) {
        if (IsSingleQuote(c))
            quoted += c;
        quoted += c;
    }
    quoted += L'\'';
    return quoted;
}

std::wstring CleanupScriptCommand(std::wstring_view script, const std::vector<std::wstring>& paths,
                                  int retryCount) {
    std::wstring command = L"& " + PowerShellQuoted(script) + L" -paths ";
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (i > 0)
            command += L',';
        command += PowerShellQuoted(paths[i]);
    }
    command += L" -retry_count " + std::to_wstring(retryCount);
    return command;
}

std::wstring PowerShellParameters(std::wstring_view command) {
    return L"-NoProfile -NonInteractive -NoLogo -ExecutionPolicy RemoteSigned -Command \"" +
           std::wstring(command) + L"\"";
}

} // namespace velmora::execution
