// The edges of the console tools, the same on Linux and Windows: arguments as UTF-16 text, paths for the
// file system, whole files read as bytes, and UTF-8 written to standard output and error.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::cli {

// Windows: UTF-8 for the console and no newline translation, so reports read the same everywhere.
void PrepareConsole();

std::vector<std::wstring> ArgumentsOf(int argc, char** argv);
std::vector<std::wstring> ArgumentsOf(int argc, wchar_t** argv);

std::filesystem::path NativePath(std::wstring_view text);
std::wstring DisplayPath(const std::filesystem::path& path);

// False when the file cannot be opened or read to its end.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes);

// "<tool> <version> (Velmora package chainer)" and a line break: what --version prints.
std::string VersionText(std::string_view tool);

void WriteOut(std::string_view utf8);
void WriteError(std::string_view utf8);

// The configuration a tool is given: the file itself, or the one .ini file of a kit folder. On failure the
// path is empty and error says why.
std::filesystem::path ConfigurationOf(const std::filesystem::path& given, std::string& error);

} // namespace velmora::cli
