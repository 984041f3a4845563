#include "cli/Console.h"

#include <cstdio>
#include <fstream>

#include "cli/pure/TextCodec.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace velmora::cli {

void PrepareConsole() {
#ifdef _WIN32
    ::SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

std::vector<std::wstring> ArgumentsOf(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(FromUtf8(argv[i]));
    return arguments;
}

std::vector<std::wstring> ArgumentsOf(int argc, wchar_t** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

std::filesystem::path NativePath(std::wstring_view text) {
#ifdef _WIN32
    return std::filesystem::path(std::wstring(text));
#else
    return std::filesystem::path(ToUtf8(text));
#endif
}

std::wstring DisplayPath(const std::filesystem::path& path) {
#ifdef _WIN32
    // A folder given with "/" and a file name appended with "\" would otherwise read "kit/sub\setup.ini".
    return std::filesystem::path(path).make_preferred().wstring();
#else
    return FromUtf8(path.string());
#endif
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

std::string VersionText(std::string_view tool) {
    return std::string(tool) + " " VELMORA_VERSION " (Velmora package chainer)\n";
}

void WriteOut(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

void WriteError(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

std::filesystem::path ConfigurationOf(const std::filesystem::path& given, std::string& error) {
    std::error_code failure;
    if (!std::filesystem::is_directory(given, failure)) {
        if (!std::filesystem::exists(given, failure)) {
            error = "no such file: " + ToUtf8(DisplayPath(given));
            return {};
        }
        return given;
    }
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(given, failure)) {
        std::wstring extension = DisplayPath(entry.path().extension());
        for (wchar_t& c : extension)
            c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        if (extension == L".ini" && entry.is_regular_file(failure))
            found.push_back(entry.path());
    }
    if (found.size() == 1)
        return found.front();
    error =
        (found.empty() ? "no configuration file (*.ini) in " : "several configuration files (*.ini) in ") +
        ToUtf8(DisplayPath(given)) + (found.empty() ? "" : ": name one");
    return {};
}

} // namespace velmora::cli
