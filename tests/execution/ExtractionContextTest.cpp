#include "execution/ExtractionContext.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using velmora::execution::ExtractionContext;

TEST(Execution_ExtractionContext, EmptyChainerPathAsksTheSystemForTheProcessPath) {
    ExtractionContext context;
    context.SetChainerPath(L"");
    wchar_t own[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    EXPECT_EQ(context.ChainerPath(), own);
    EXPECT_EQ(context.ChainerFolder(), velmora::test::TestBinaryFolder() + L"\\");

    std::wstring path;
    EXPECT_EQ(context.LocateProgramFile(L"exit_with.exe", path), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(path, velmora::test::TestBinaryFolder() + L"\\exit_with.exe");
    EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Execution_ExtractionContext, ExtractionFolderRedirectsRelativeNamesOnly) {
    ExtractionContext context;
    context.SetChainerPath(L"C:\\T\\chainer.exe");
    std::wstring path;
    EXPECT_EQ(context.LocateSetupFile(L"redist\\vcredist.exe", path), ExtractionContext::kNothingToExtract);
    EXPECT_EQ(path, L"C:\\T\\redist\\vcredist.exe");

    context.SetExtractionFolder(L"D:\\Ext");
    EXPECT_EQ(context.LocateSetupFile(L"redist\\vcredist.exe", path), ExtractionContext::kNothingToExtract);
    EXPECT_EQ(path, L"D:\\Ext\\redist\\vcredist.exe");
    EXPECT_EQ(context.LocateSetupFile(L"C:\\Setup\\vcredist.exe", path),
              ExtractionContext::kNothingToExtract);
    EXPECT_EQ(path, L"C:\\Setup\\vcredist.exe");
    EXPECT_EQ(context.LocateProgramFile(L"C:\\tools\\probe.exe", path), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(path, L"D:\\Ext\\C:\\tools\\probe.exe");
}

TEST(Execution_ExtractionContext, DestructionRemovesWhatWasRegisteredAndKeepsWhatFails) {
    velmora::test::ScopedFolder root;
    const std::wstring outer = root.Child(L"x");
    const std::wstring inner = root.Child(L"x\\y");
    const std::wstring kept = root.Child(L"kept");
    ::CreateDirectoryW(outer.c_str(), nullptr);
    ::CreateDirectoryW(inner.c_str(), nullptr);
    ::CreateDirectoryW(kept.c_str(), nullptr);
    velmora::test::WriteFileBytes(inner + L"\\a.bin", "a");
    velmora::test::WriteFileBytes(kept + L"\\other.bin", "o");
    velmora::test::WriteFileBytes(root.Child(L"late.bin"), "l");
    {
        ExtractionContext context;
        context.RegisterFolder(outer);
        context.RegisterFolder(kept);
        context.RegisterFolder(inner);
        context.RegisterFile(inner + L"\\a.bin");
        context.RegisterFile(root.Child(L"missing.bin"));
        context.DeleteAtDestruction(root.Child(L"late.bin"));
        context.Cleanup(); // not enabled: nothing happens
        EXPECT_EQ(context.Files().size(), 2u);

        context.SetEnabled(true);
        context.Cleanup();
        EXPECT_EQ(context.Files(), std::vector<std::wstring>{root.Child(L"missing.bin")});
        EXPECT_EQ(context.Folders(), std::vector<std::wstring>{kept});
        EXPECT_FALSE(context.Done());
        EXPECT_EQ(::GetFileAttributesW(outer.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_EQ(::GetFileAttributesW(root.Child(L"late.bin").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(::GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES);
}
