// A tool's command line as all three tools read it: arguments beginning with '-' are options until "--";
// any other is the one kit (or configuration) the tool is given.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace velmora::cli {

class Arguments {
public:
    explicit Arguments(const std::vector<std::wstring>& all) : all_(all) {}

    // Steps to the next option, taking the kit and "--" on the way. False at the end, or at a second kit
    // argument, which Unexpected() then names.
    bool NextOption();
    const std::wstring& Option() const { return all_[current_]; }
    // The argument after the current option, taken as its value; false when there is none.
    bool TakeValue(std::wstring& value);

    const std::wstring& Given() const { return given_; }
    const std::wstring& Unexpected() const { return unexpected_; }

private:
    const std::vector<std::wstring>& all_;
    std::size_t next_ = 0;
    std::size_t current_ = 0;
    bool optionsEnded_ = false;
    std::wstring given_;
    std::wstring unexpected_;
};

} // namespace velmora::cli
