// Registry paths as configurations write them ("HKLM\Software\Vendor\Value") and the registry data that
// becomes text. Pure rules: no Windows header, so they build natively and are fuzzed; platform/Registry.h
// turns them into keys and reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::platform {

// The predefined key a path starts from. None: the path has no backslash, so it names no key at all.
enum class RegistryRoot { None, LocalMachine, CurrentUser, ClassesRoot, CurrentConfig, Users };

// The text before the first backslash, compared without regard to case with HKLM, HKCU, HKCR, HKCC and
// their long HKEY_... names. Any other root text means HKEY_USERS.
RegistryRoot ParseRegistryRoot(std::wstring_view path);

// Everything after the first backslash: the key of a path that names a key only. Empty without a backslash.
std::wstring_view RegistryKeyPath(std::wstring_view path);

// A path that ends in a value name: the key is the text between the first and the last backslash, the
// value name the text after the last one. With a single backslash the key path is empty (the root itself).
struct RegistryValuePath {
    RegistryRoot root = RegistryRoot::None;
    std::wstring_view keyPath;
    std::wstring_view valueName;
};

// root is None when the path has no backslash.
RegistryValuePath SplitRegistryValuePath(std::wstring_view path);

// Registry data types as the registry stores them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// The text of a value's data: string types as UTF-16LE code units without their trailing zero characters
// (an odd last byte is dropped; zeros inside a multi-string stay), a four-byte REG_DWORD as an unsigned
// decimal. Any other type, or a DWORD of another size, has no text: false and an empty text.
bool RegistryDataToText(std::uint32_t type, const std::uint8_t* data, std::size_t size, std::wstring& text);

} // namespace velmora::platform
