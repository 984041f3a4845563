// The registry store that outlives a reboot: one REG_SZ value per recorded name under HKCU\InterbootContext,
// written through the ANSI registry functions. A recorded value is never overwritten, so the first exit
// code recorded under a name survives later runs until a run ends without a pending reboot and deletes
// the key.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velmora::config {

class InterbootStore {
public:
    // Result codes of Set, Get and GetInt.
    static constexpr std::uint32_t kOk = 0;
    static constexpr std::uint32_t kMissing = 1;    // the key or the value cannot be read
    static constexpr std::uint32_t kNotANumber = 2; // the text is not wholly a decimal number
    static constexpr std::uint32_t kAlreadySet = 3; // Set found the value and wrote nothing

    // keyName is a subkey of HKEY_CURRENT_USER; tests pass a private one.
    explicit InterbootStore(std::string keyName = "InterbootContext");
    virtual ~InterbootStore() = default;

    virtual void SetInt(const std::string& name, std::int32_t number);
    [[nodiscard]] virtual std::uint32_t Set(const std::string& name, const std::string& text);
    [[nodiscard]] virtual std::uint32_t GetInt(const std::string& name, std::int32_t& number);
    [[nodiscard]] virtual std::uint32_t Get(const std::string& name, std::string& text);
    virtual void Remove(const std::string& name);

    // Every value of the key as (name, text), in the registry's order. Empty when the key is missing.
    std::vector<std::pair<std::string, std::string>> Values() const;

    // Deletes the key (RegDeleteKeyA); a key that cannot be deleted stays.
    void DeleteKey();

    bool deleteAtEnd = true;

private:
    std::string keyName_;
};

} // namespace velmora::config
