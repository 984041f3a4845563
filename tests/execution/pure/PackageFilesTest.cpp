#include "execution/pure/PackageFiles.h"

#include <gtest/gtest.h>

using namespace velmora::execution;

TEST(Execution_PackageFiles, BaseFolderIsTheExtractionFolderElseTheChainersFolder) {
    EXPECT_EQ(PackageBaseFolder(L"D:\\Ext", L"C:\\T\\chainer.exe"), L"D:\\Ext\\");
    EXPECT_EQ(PackageBaseFolder(L"D:\\Ext\\", L"C:\\T\\chainer.exe"), L"D:\\Ext\\");
    EXPECT_EQ(PackageBaseFolder(L"", L"C:\\T\\chainer.exe"), L"C:\\T\\");
    EXPECT_EQ(PackageBaseFolder(L"", L""), L"");
}

TEST(Execution_PackageFiles, SetupFilesKeepDriveAndNetworkPaths) {
    const struct {
        const wchar_t* name;
        const wchar_t* path;
    } cases[] = {
        {L"C:\\Setup\\vcredist.exe", L"C:\\Setup\\vcredist.exe"},
        {L"\\\\server\\share\\a.msi", L"\\\\server\\share\\a.msi"},
        {L"redist\\vcredist.exe", L"D:\\Ext\\redist\\vcredist.exe"},
        {L"\\rooted.exe", L"D:\\Ext\\\\rooted.exe"},
        {L"a", L"D:\\Ext\\a"},
        {L"", L"D:\\Ext\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SetupFilePath(L"D:\\Ext\\", c.name), c.path) << c.name;
}

TEST(Execution_PackageFiles, ProgramFilesAlwaysGetTheBaseFolderInFront) {
    EXPECT_EQ(ProgramFilePath(L"C:\\T\\", L"probe.exe"), L"C:\\T\\probe.exe");
    EXPECT_EQ(ProgramFilePath(L"C:\\T\\", L"C:\\tools\\probe.exe"), L"C:\\T\\C:\\tools\\probe.exe");
}
