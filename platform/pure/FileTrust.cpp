#include "platform/pure/FileTrust.h"

namespace velmora::platform {

namespace {

// The values of FILE_ATTRIBUTE_DIRECTORY and FILE_ATTRIBUTE_REPARSE_POINT.
constexpr std::uint32_t kDirectory = 0x10;
constexpr std::uint32_t kReparsePoint = 0x400;

} // namespace

FoundFileKind ClassifyFoundFile(std::uint32_t attributes, std::uint32_t linkCount) {
    // A link comes first: whatever it leads to, it is not the file itself.
    if (attributes & kReparsePoint)
        return FoundFileKind::ReparsePoint;
    if (attributes & kDirectory)
        return FoundFileKind::Folder;
    // No count at all is as suspect as two: the file's names are unknown.
    return linkCount == 1 ? FoundFileKind::Plain : FoundFileKind::HardLinked;
}

} // namespace velmora::platform
