// Whether a file the program finds where it means to append to it or launch it is one it may use.
//
// The download folder, the temporary folder and the shared log folder are places where others can write.
// Someone who plants a link there (a symbolic link, a junction, a mount point: any reparse point) or a
// second name of another file (a hard link) makes the program write into, or run, a file of their choosing,
// with the program's rights; a file with a second name can also be changed through that name after it was
// checked. Only a plain file is used: no reparse point, no folder, exactly one name.
#pragma once

#include <cstdint>

namespace velmora::platform {

enum class FoundFileKind {
    Plain,
    ReparsePoint, // symbolic link, junction, mount point, or any other reparse point
    HardLinked,   // the same file has another name elsewhere
    Folder,
};

// From the attributes and link count that Windows reports for the open file (not followed through a link).
FoundFileKind ClassifyFoundFile(std::uint32_t attributes, std::uint32_t linkCount);

} // namespace velmora::platform
