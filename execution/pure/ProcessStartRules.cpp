#include "execution/pure/ProcessStartRules.h"

#include "platform/pure/PathRules.h"

namespace velmora::execution {

std::wstring ShellWorkingFolder(std::wstring_view file, std::wstring_view folder) {
    if (folder.empty())
        return platform::StripLongPrefix(platform::ParentFolder(file));
    return platform::StripLongPrefix(folder);
}

bool IsBatchScript(std::wstring_view file) {
    std::wstring_view tail = file.size() > 4 ? file.substr(file.size() - 4) : file;
    std::wstring lower;
    for (wchar_t c : tail)
        lower += (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return lower == L".bat" || lower == L".cmd";
}

ElevatedScriptStart ElevatedScriptCommand(std::wstring_view windowsFolder, std::wstring_view script,
                                          std::wstring_view parameters) {
    ElevatedScriptStart start;
    start.file = std::wstring(windowsFolder) + L"\\System32\\cmd.exe";
    start.parameters = L"/C \"\"" + std::wstring(script) + L"\" " + std::wstring(parameters) + L"\"";
    return start;
}

} // namespace velmora::execution
