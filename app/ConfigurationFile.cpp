#include "app/ConfigurationFile.h"

#include <windows.h>

#include "config/pure/IniDocument.h"
#include "platform/UniqueHandle.h"
#include "platform/pure/PathRules.h"

namespace velmora::app {

std::wstring ModuleBaseName(std::wstring_view modulePath) {
    std::wstring name = platform::FileName(modulePath);
    std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

std::wstring ConfigurationPathFor(std::wstring_view exeFolder, std::wstring_view modulePath) {
    return platform::WithTrailingBackslash(exeFolder) + ModuleBaseName(modulePath) + L".ini";
}

bool ReadConfigurationText(const std::wstring& path, unsigned long sizeLow, std::wstring& text) {
    text.clear();
    platform::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    if (sizeLow <= 2)
        return true;
    if (::SetFilePointer(file.get(), 2, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;

    // Room for every byte the directory announced; what the read really returns decides the length, so a
    // file that shrank in between is not padded and an odd last byte is not half a character.
    DWORD wanted = sizeLow - 2;
    std::wstring buffer((wanted + 1) / 2, L'\0');
    DWORD read = 0;
    if (!::ReadFile(file.get(), buffer.data(), wanted, &read, nullptr))
        return false;
    buffer.resize(read / 2);
    text = std::move(buffer);
    return true;
}

void LoadConfiguration(std::wstring&& text, const config::PropertySource& properties,
                       config::Configuration& configuration, config::ChainerSettings& settings,
                       bool& hasSettings) {
    config::IniDocument document;
    if (!text.empty())
        document.Parse(text);
    // Swapped out, not assigned: assigning an empty string keeps the buffer, the size of the file.
    std::wstring().swap(text);
    configuration.LoadTaking(document, properties);
    hasSettings = config::LoadChainerSettings(document, settings);
}

void LocatePackageFiles(config::Configuration& configuration, const std::wstring& chainerPath,
                        execution::ExtractionContext& files) {
    files.SetChainerPath(chainerPath);
    const bool configured = !configuration.ExtractionFolder.empty();
    const std::wstring folder = configuration.GetExtractionFolder();
    files.SetExtractionFolder(configured ? folder : std::wstring());
}

void EnterChainerFolder(const std::wstring& folder) {
    const bool driveOnly = folder.size() == 2 && folder[1] == L':';
    ::SetCurrentDirectoryW((driveOnly ? folder + L'\\' : folder).c_str());
}

} // namespace velmora::app
