// Property references in configuration texts: "[Name]" for a folder property, "%Name%" for an environment
// variable, "!Root\Key\Value!" for a registry value. The scanner is pure: it asks a PropertySource for the
// three kinds of value, so it runs natively and under the fuzzer; config/FolderProperties.h answers for the
// machine the chainer runs on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::config {

// The machine facts that resolution and the default folders need.
class PropertySource {
public:
    virtual ~PropertySource() = default;
    // True and the folder, ending in a backslash, when the name is a known folder property.
    virtual bool FolderProperty(std::wstring_view name, bool use64BitView, std::wstring& folder) const = 0;
    // The variable's value; empty when it is not set.
    virtual std::wstring EnvironmentValue(std::wstring_view name) const = 0;
    // The text of the value a registry path names; empty when it cannot be read.
    virtual std::wstring RegistryValue(std::wstring_view path, bool use64BitView) const = 0;
    // The user's temporary folder, ending in a backslash.
    virtual std::wstring TempFolder() const = 0;
};

// The text with every reference replaced, scanning left to right. A reference whose closing character is
// missing ends the scan: the rest is copied as it stands. Replacement text is not scanned again, so
// references never nest. An unknown folder property stays as written, brackets included; an unset variable
// and an unreadable registry value become empty text.
std::wstring ResolveProperties(std::wstring_view text, bool use64BitView, const PropertySource& source);

enum class ReferenceKind { FolderProperty = 0, EnvironmentVariable = 1, RegistryValue = 2 };

// One reference as the scan finds it: the opening character at `at`, the name between it and its partner.
struct PropertyReference {
    ReferenceKind kind = ReferenceKind::FolderProperty;
    std::size_t at = 0;
    std::wstring_view name;
};

// The references ResolveProperties replaces, in order, and where the scan stopped at an opening character
// without its partner (npos when it ran to the end). Views point into the text.
struct ReferenceScan {
    std::vector<PropertyReference> references;
    std::size_t unclosedAt = std::wstring_view::npos;
};
ReferenceScan ScanReferences(std::wstring_view text);

// Where a folder property's value comes from. The names compare case-sensitively.
enum class FolderPropertyKind {
    ProgramFiles64, // "ProgramW6432"; when it is not set, the shell folder of csidl
    System,         // the 32-bit system folder, or the 64-bit one with the 64-bit view
    System32,       // GetSystemDirectoryW
    Windows,        // GetWindowsDirectoryW
    WindowsVolume,  // the first three characters of the Windows folder
    Temp,           // GetTempPathW
    SetupExeDir,    // the chainer's own folder
    Shell,          // the shell folder of csidl
};

struct FolderPropertyRule {
    FolderPropertyKind kind = FolderPropertyKind::Shell;
    int csidl = 0;
};

// False for a name that is no folder property.
bool FindFolderPropertyRule(std::wstring_view name, FolderPropertyRule& rule);
// Every folder property name, in the order names are matched.
std::vector<std::wstring_view> FolderPropertyNames();

} // namespace velmora::config
