#include "transfer/pure/CopyProgressThrottle.h"

namespace velmora::transfer {

void CopyProgressThrottle::Start(std::uint64_t total, std::uint32_t now) {
    total_ = total;
    lastTransferred_ = 0;
    running_ = 0;
    reported_ = 0;
    lastReport_ = now;
}

std::optional<std::uint64_t> CopyProgressThrottle::Advance(std::uint64_t transferred, std::uint32_t now) {
    if (transferred > lastTransferred_)
        running_ += transferred - lastTransferred_;
    lastTransferred_ = transferred;
    // Unsigned difference: right across the tick count's wrap after 49.7 days.
    if (static_cast<std::uint32_t>(now - lastReport_) < 200 && running_ < total_)
        return std::nullopt;
    if (running_ <= reported_)
        return std::nullopt;
    std::uint64_t step = running_ - reported_;
    reported_ = running_;
    lastReport_ = now;
    return step;
}

} // namespace velmora::transfer
