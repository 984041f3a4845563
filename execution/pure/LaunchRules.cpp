#include "execution/pure/LaunchRules.h"

#include "platform/pure/PathRules.h"

namespace velmora::execution {

namespace {

wchar_t FoldAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// suffix is lower-case ASCII.
bool EndsWithFolded(std::wstring_view text, std::wstring_view suffix) {
    if (text.size() < suffix.size())
        return false;
    const std::wstring_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (FoldAscii(tail[i]) != suffix[i])
            return false;
    return true;
}

// The extension with its dot, found as PathFindExtensionW finds it: a blank or backslash after the last dot
// means there is none.
std::wstring_view Extension(std::wstring_view path) {
    std::size_t dot = std::wstring_view::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'\\' || path[i] == L' ')
            dot = std::wstring_view::npos;
        else if (path[i] == L'.')
            dot = i;
    }
    return dot == std::wstring_view::npos ? std::wstring_view() : path.substr(dot);
}

} // namespace

const std::wstring& LaunchCommandLine(const config::PrerequisiteRecord& prerequisite,
                                      const config::Configuration& configuration) {
    if (configuration.IsBasicUi())
        return prerequisite.BasicUiCommandLine;
    if (configuration.IsSilent())
        return prerequisite.NoUiCommandLine;
    return prerequisite.CommandLine;
}

bool HasQuietSwitch(std::wstring_view commandLine) {
    for (std::size_t i = 0; i + 1 < commandLine.size(); ++i)
        if ((commandLine[i] == L'-' || commandLine[i] == L'/') && commandLine[i + 1] == L'q')
            return true;
    return false;
}

std::wstring CleanLaunchPath(std::wstring_view path) {
    std::wstring clean;
    if (path.substr(0, platform::kLongUncPrefix.size()) == platform::kLongUncPrefix)
        clean = L"\\\\" + std::wstring(path.substr(platform::kLongUncPrefix.size()));
    else if (path.substr(0, platform::kLongPrefix.size()) == platform::kLongPrefix)
        clean = path.substr(platform::kLongPrefix.size());
    else
        clean = path;
    while (!clean.empty() && clean.back() == L'\\')
        clean.pop_back();
    return clean;
}

bool IsMsixPackage(std::wstring_view path) {
    const std::wstring clean = CleanLaunchPath(path);
    return EndsWithFolded(clean, L".msix") || EndsWithFolded(clean, L".msixbundle") ||
           EndsWithFolded(clean, L".appx");
}

bool IsWindowsInstallerPackage(std::wstring_view path) {
    const std::wstring clean = CleanLaunchPath(path);
    const std::wstring_view extension = Extension(clean);
    return extension.size() == 4 && EndsWithFolded(extension, L".msi");
}

LaunchRoute ChooseLaunchRoute(std::wstring_view filePath, bool localSystem) {
    if (IsMsixPackage(filePath))
        return LaunchRoute::PackageDeployment;
    return localSystem ? LaunchRoute::Direct : LaunchRoute::Shell;
}

std::wstring DirectStartArguments(std::wstring_view resolvedCommandLine) {
    if (resolvedCommandLine.empty() || resolvedCommandLine.front() == L' ')
        return std::wstring(resolvedCommandLine);
    return L" " + std::wstring(resolvedCommandLine);
}

DirectStart DirectStartCommand(std::wstring_view filePath, std::wstring_view arguments,
                               std::wstring_view msiexecPath) {
    DirectStart start;
    if (IsWindowsInstallerPackage(filePath)) {
        // msiexec.exe takes no long-path prefix; a network package keeps its two leading backslashes.
        start.application = msiexecPath;
        start.commandLine = L" /i \"" + CleanLaunchPath(filePath) + L"\"" + std::wstring(arguments);
    } else {
        start.application = filePath;
        start.commandLine = L"\"" + std::wstring(filePath) + L"\" " + std::wstring(arguments);
    }
    return start;
}

bool PausesAfterExit(std::uint32_t exitCode) {
    constexpr std::uint32_t kRebootRequired = 3010;
    constexpr std::uint32_t kErrorSeverity = 0xC0000000u;
    return exitCode == kRebootRequired || (exitCode & kErrorSeverity) == kErrorSeverity;
}

std::wstring LaunchingFileLine(std::wstring_view filePath) {
    return L"Launching file:" + std::wstring(filePath);
}

std::wstring LaunchFailedLine(std::uint32_t errorCode, std::wstring_view systemText) {
    if (systemText.empty())
        return L"Launch failed. Error:" + std::to_wstring(static_cast<std::int32_t>(errorCode));
    return L"Launch failed. Error:" + std::wstring(systemText);
}

std::wstring ReturnCodeLine(std::uint32_t exitCode) {
    return L"Return code of launched file:" + std::to_wstring(exitCode);
}

std::uint32_t LaunchPathSyntaxError(std::wstring_view filePath) {
    constexpr std::uint32_t kInvalidName = 123; // ERROR_INVALID_NAME
    return filePath.find(L'\0') != std::wstring_view::npos ? kInvalidName : 0;
}

} // namespace velmora::execution
