// The kit folder on this machine's file system, looked at as Windows would: names match whatever their
// letter case, also where the file system (Linux) tells cases apart.
#pragma once

#include <filesystem>

#include "cli/lint/pure/Linter.h"

namespace velmora::cli {

class KitFolder final : public KitFiles {
public:
    explicit KitFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}
    bool Exists(std::wstring_view relativePath) const override;

private:
    std::filesystem::path folder_;
};

} // namespace velmora::cli
