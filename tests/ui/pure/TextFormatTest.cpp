#include "ui/pure/TextFormat.h"

#include <gtest/gtest.h>

using namespace velmora::ui;

TEST(Ui_FormatText, FillsEachPlaceInOrder) {
    struct Case {
        const wchar_t* format;
        std::initializer_list<std::wstring_view> arguments;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"%s Setup", {L"Velmora"}, L"Velmora Setup"},
        {L"The server %s at %s requires a username and password. Please enter them below.",
         {L"files.example", L"Staff"},
         L"The server files.example at Staff requires a username and password. Please enter them below."},
        {L"%s Setup", {L"C:\\Kit\\setup.exe"}, L"C:\\Kit\\setup.exe Setup"},
        {L"100%% done", {}, L"100% done"},
        {L"%s and %s", {L"one"}, L"one and "},
        {L"%d %x %", {L"unused"}, L"%d %x %"},
        {L"no places", {L"unused"}, L"no places"},
        {L"", {}, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatText(c.format, c.arguments), c.expected) << c.format;
}

TEST(Ui_FormatText, ArgumentsAreNotReadAsFormats) {
    EXPECT_EQ(FormatText(L"%s Setup", {L"50%s off %%"}), L"50%s off %% Setup");
}

TEST(Ui_VersionStringSubBlock, UsesFourLowerCaseHexDigitsEach) {
    EXPECT_EQ(VersionStringSubBlock(0x0409, 0x04B0, L"ProductName"),
              L"\\StringFileInfo\\040904b0\\ProductName");
    EXPECT_EQ(VersionStringSubBlock(kDefaultVersionLanguage, kDefaultVersionCodePage, L"ProductName"),
              L"\\StringFileInfo\\040904e2\\ProductName");
}
