// How often the progress of a local copy is passed on.
#pragma once

#include <cstdint>
#include <optional>

namespace velmora::transfer {

// Progress of a local copy is passed on at most every 200 ms, and once more when the copy is complete.
class CopyProgressThrottle {
public:
    // A new copy of `total` bytes starts at `now` (milliseconds).
    void Start(std::uint64_t total, std::uint32_t now);
    // The copy has transferred `transferred` bytes in all at `now`; returns the bytes to report, if any.
    std::optional<std::uint64_t> Advance(std::uint64_t transferred, std::uint32_t now);

private:
    std::uint64_t total_ = 0;
    std::uint64_t lastTransferred_ = 0;
    std::uint64_t running_ = 0;
    std::uint64_t reported_ = 0;
    std::uint32_t lastReport_ = 0;
};

} // namespace velmora::transfer
