// Symbolic links to files cannot be made or seen under Wine 8 (CreateSymbolicLinkW does nothing, a Linux
// link is followed and shows as a plain file), so the decision on what Windows reports is tested here.
#include "platform/pure/FileTrust.h"

#include <gtest/gtest.h>

using velmora::platform::ClassifyFoundFile;
using velmora::platform::FoundFileKind;

TEST(FileTrust_ClassifyFoundFile, OnlyAFileWithOneNameAndNoReparsePointIsPlain) {
    constexpr std::uint32_t normal = 0x80, archive = 0x20, readOnly = 0x1, directory = 0x10, reparse = 0x400;
    const struct {
        std::uint32_t attributes;
        std::uint32_t links;
        FoundFileKind kind;
    } cases[] = {
        {normal, 1, FoundFileKind::Plain},
        {archive | readOnly, 1, FoundFileKind::Plain},
        {archive, 2, FoundFileKind::HardLinked},
        {archive, 0, FoundFileKind::HardLinked},
        {archive | reparse, 1, FoundFileKind::ReparsePoint},   // a symbolic link to a file
        {directory | reparse, 1, FoundFileKind::ReparsePoint}, // a junction or mount point
        {archive | reparse, 2, FoundFileKind::ReparsePoint},
        {directory, 1, FoundFileKind::Folder},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyFoundFile(c.attributes, c.links), c.kind)
            << std::hex << c.attributes << " " << c.links;
}
