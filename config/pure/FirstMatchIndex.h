// Where the first item of each name sits in a list that only grows, found by hashing, so that looking up
// every section of a configuration with thousands of them, or every key of a long section, stays linear in
// the file's size. It holds positions, not pointers: the list may reallocate. Short lists are not indexed
// at all (a scan of a few names beats hashing); from kIndexedFrom items on, every addition is indexed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velmora::config {

class FirstMatchIndex {
public:
    static constexpr std::size_t kIndexedFrom = 16;

    // Tells the index that items[items.size() - 1] was appended. nameOf(item) gives an item's name.
    template <typename Item, typename NameOf> void Added(const std::vector<Item>& items, NameOf nameOf) {
        if (items.size() < kIndexedFrom)
            return;
        if (covered_ == 0 || (covered_ + 1) * 2 > slots_.size()) {
            // Rebuilt in list order, so the first of equal names keeps its slot.
            std::size_t capacity = 64;
            while (capacity < items.size() * 2)
                capacity *= 2;
            slots_.assign(capacity, 0);
            covered_ = 0;
            while (covered_ < items.size())
                Insert(items, nameOf, covered_++);
            return;
        }
        Insert(items, nameOf, covered_++);
    }

    // The first item of that name, or nullptr.
    template <typename Item, typename NameOf>
    const Item* Find(const std::vector<Item>& items, std::wstring_view name, NameOf nameOf) const {
        std::size_t scanFrom = 0;
        if (covered_ != 0) {
            const std::size_t mask = slots_.size() - 1;
            for (std::size_t slot = Hash(name) & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
                const Item& item = items[slots_[slot] - 1];
                if (nameOf(item) == name)
                    return &item;
            }
            scanFrom = covered_;
        }
        // What the index does not cover: a short list, or items appended without telling it.
        for (std::size_t i = scanFrom; i < items.size(); ++i)
            if (nameOf(items[i]) == name)
                return &items[i];
        return nullptr;
    }

    void Clear() {
        slots_.clear();
        covered_ = 0;
    }

private:
    static std::size_t Hash(std::wstring_view name) {
        std::uint32_t hash = 2166136261u; // FNV-1a over the UTF-16 code units
        for (wchar_t c : name) {
            hash ^= static_cast<std::uint32_t>(c);
            hash *= 16777619u;
        }
        return hash;
    }

    template <typename Item, typename NameOf>
    void Insert(const std::vector<Item>& items, NameOf nameOf, std::size_t position) {
        const std::size_t mask = slots_.size() - 1;
        const auto name = nameOf(items[position]);
        std::size_t slot = Hash(name) & mask;
        for (; slots_[slot] != 0; slot = (slot + 1) & mask)
            if (nameOf(items[slots_[slot] - 1]) == name)
                return;
        slots_[slot] = static_cast<std::uint32_t>(position + 1);
    }

    std::vector<std::uint32_t> slots_; // position + 1 of an item, 0 for a free slot; size a power of two
    std::size_t covered_ = 0;          // items[0 .. covered_) are in the index
};

} // namespace velmora::config
