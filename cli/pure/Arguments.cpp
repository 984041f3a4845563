#include "cli/pure/Arguments.h"

namespace velmora::cli {

bool Arguments::NextOption() {
    while (next_ < all_.size()) {
        const std::wstring& argument = all_[next_];
        current_ = next_++;
        const bool option = !optionsEnded_ && !argument.empty() && argument.front() == L'-';
        if (option && argument == L"--") {
            optionsEnded_ = true;
        } else if (option) {
            return true;
        } else if (given_.empty()) {
            given_ = argument;
        } else {
            unexpected_ = argument;
            return false;
        }
    }
    return false;
}

bool Arguments::TakeValue(std::wstring& value) {
    if (next_ >= all_.size())
        return false;
    value = all_[next_++];
    return true;
}

} // namespace velmora::cli
