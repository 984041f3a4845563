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
