#include "detection/MachineEvaluation.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using velmora::detection::MachineEvaluation;
using velmora::test::ScopedFolder;
using velmora::test::WriteFileBytes;

namespace {

// Makes a folder current for the test and restores the previous one.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const std::wstring& folder) {
        wchar_t previous[MAX_PATH] = {};
        ::GetCurrentDirectoryW(MAX_PATH, previous);
        previous_ = previous;
        ::SetCurrentDirectoryW(folder.c_str());
    }
    ~ScopedCurrentFolder() { ::SetCurrentDirectoryW(previous_.c_str()); }

private:
    std::wstring previous_;
};

} // namespace

TEST(MachineEvaluation_FilePresent, ComparesTheSizeOnlyWhenOneIsExpected) {
    ScopedFolder folder;
    WriteFileBytes(folder.Child(L"setup.exe"), "12345");
    velmora::execution::ExtractionContext files;
    MachineEvaluation machine(files);
    EXPECT_TRUE(machine.FilePresent(folder.Child(L"setup.exe"), 0));
    EXPECT_TRUE(machine.FilePresent(folder.Child(L"setup.exe"), 5));
    EXPECT_FALSE(machine.FilePresent(folder.Child(L"setup.exe"), 6));
    EXPECT_FALSE(
        machine.FilePresent(folder.Child(L"setup.exe"), 4294967296ull + 5)); // whole, not modulo 4 GB
    EXPECT_FALSE(machine.FilePresent(folder.Child(L"other.exe"), 0));
}

TEST(MachineEvaluation_FilePresent, RelativePathsAreFoundBelowTheCurrentFolder) {
    ScopedFolder folder;
    ::CreateDirectoryW(folder.Child(L"dl").c_str(), nullptr);
    WriteFileBytes(folder.Child(L"dl\\setup.exe"), "12345");
    velmora::execution::ExtractionContext files;
    MachineEvaluation machine(files);
    ScopedCurrentFolder current(folder.Path());
    EXPECT_TRUE(machine.FilePresent(L"dl\\setup.exe", 5));
    EXPECT_FALSE(machine.FilePresent(L"dl\\missing.exe", 0));
}
