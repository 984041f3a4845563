#include "execution/pure/ProcessStartRules.h"

#include <gtest/gtest.h>

using namespace velmora::execution;

TEST(Execution_ProcessStartRules, WorkingFolderIsGivenOneElseTheFilesFolderWithoutLongPrefix) {
    const struct {
        const wchar_t* file;
        const wchar_t* folder;
        const wchar_t* result;
    } cases[] = {
        {L"\\\\?\\C:\\x\\setup.exe", L"", L"C:\\x"},
        {L"C:\\x\\setup.exe", L"", L"C:\\x"},
        {L"setup.exe", L"", L""},
        {L"C:\\x\\setup.exe", L"D:\\work", L"D:\\work"},
        {L"C:\\x\\setup.exe", L"\\\\?\\D:\\work", L"D:\\work"},
        {L"\\\\server\\share\\s.exe", L"", L"\\\\server\\share"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShellWorkingFolder(c.file, c.folder), c.result) << c.file;
}

TEST(Execution_ProcessStartRules, BatchScriptsAreKnownByTheirLowerCasedLastFourCharacters) {
    EXPECT_TRUE(IsBatchScript(L"C:\\a\\run.bat"));
    EXPECT_TRUE(IsBatchScript(L"C:\\a\\RUN.BAT"));
    EXPECT_TRUE(IsBatchScript(L"x.Cmd"));
    EXPECT_TRUE(IsBatchScript(L".cmd"));
    EXPECT_FALSE(IsBatchScript(L"setup.exe"));
    EXPECT_FALSE(IsBatchScript(L"a.bat "));
    EXPECT_FALSE(IsBatchScript(L"bat"));
    EXPECT_FALSE(IsBatchScript(L""));
}

TEST(Execution_ProcessStartRules, ElevatedScriptsRunThroughCmdWithDoubleQuoting) {
    ElevatedScriptStart start = ElevatedScriptCommand(L"C:\\Windows", L"C:\\k\\clean up.cmd", L"-a \"b c\"");
    EXPECT_EQ(start.file, L"C:\\Windows\\System32\\cmd.exe");
    EXPECT_EQ(start.parameters, L"/C \"\"C:\\k\\clean up.cmd\" -a \"b c\"\"");
    EXPECT_EQ(ElevatedScriptCommand(L"C:\\W", L"x.bat", L"").parameters, L"/C \"\"x.bat\" \"");
}
