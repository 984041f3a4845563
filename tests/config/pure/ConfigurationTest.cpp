#include "config/pure/Configuration.h"

#include <gtest/gtest.h>

#include <climits>

#include "FakeProperties.h"

using namespace velmora::config;
using velmora::test::FakeProperties;

namespace {

// Configuration text as the reader receives it: lines joined with CR LF.
IniDocument Document(std::initializer_list<const wchar_t*> lines) {
    std::wstring text;
    for (const wchar_t* line : lines) {
        text += line;
        text += L"\r\n";
    }
    IniDocument document;
    document.Parse(text);
    return document;
}

struct Loaded {
    FakeProperties machine;
    Configuration configuration;
};

std::vector<std::wstring> Names(const Configuration& configuration) {
    std::vector<std::wstring> names;
    for (const PrerequisiteRecord& record : configuration.Prerequisites)
        names.push_back(record.Name);
    return names;
}

// The machine outlives the configuration that points at it. Loaded as the chainer loads, moving the values
// out of the document; the copying load must give the same model, which the end of each load checks.
std::unique_ptr<Loaded> Load(std::initializer_list<const wchar_t*> lines) {
    auto loaded = std::make_unique<Loaded>();
    IniDocument document = Document(lines);
    Configuration copied;
    copied.Load(document, loaded->machine);
    loaded->configuration.LoadTaking(document, loaded->machine);
    EXPECT_EQ(Names(copied), Names(loaded->configuration));
    EXPECT_EQ(copied.Options, loaded->configuration.Options);
    for (std::size_t i = 0; i < copied.Prerequisites.size() && i < loaded->configuration.Prerequisites.size();
         ++i) {
        const PrerequisiteRecord& a = copied.Prerequisites[i];
        const PrerequisiteRecord& b = loaded->configuration.Prerequisites[i];
        EXPECT_EQ(a.Source, b.Source);
        EXPECT_EQ(a.CommandLine, b.CommandLine);
        EXPECT_EQ(a.Searches.size(), b.Searches.size());
        if (!a.Searches.empty() && !b.Searches.empty()) {
            EXPECT_EQ(a.Searches.back().SearchString, b.Searches.back().SearchString);
        }
    }
    return loaded;
}

using Names_t = std::vector<std::wstring>;

} // namespace

TEST(Configuration_ParseInt, LenientDigitsWithWrappingArithmetic) {
    struct Case {
        const wchar_t* text;
        std::int32_t value;
    };
    const Case cases[] = {
        {L"12abc", 12},
        {L"-5", -5},
        {L"   7", 7},
        {L"\t7", 0}, // only U+0020 counts as a leading blank
        {L"+3", 3},
        {L"-+3", -3},
        {L"+-3", 0},
        {L"- 3", 0},
        {L"", 0},
        {L"abc", 0},
        {L"007", 7},
        {L"2147483647", INT_MAX},
        {L"2147483648", INT_MIN},
        {L"-2147483648", INT_MIN},
        {L"4294967295", -1},
        {L"4294967296", 0},
        {L"4294967297", 1},
        {L"99999999999", 1215752191},
        {L"\u0663", 0}, // a digit of another script is no decimal digit here
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseInt(c.text), c.value) << c.text;
}

TEST(Configuration_Load, EveryGeneralOptionReachesTheModel) {
    auto loaded = Load({
        L"[GeneralOptions]",
        L"MainAppCmdLine=/main",
        L"Options=b",
        L"UpdatesUrl=http://u",
        L"ProductVersion=1.2.3",
        L"MinWIVer=4.5",
        L"DownloadFolder=[TempFolder]dl",
        L"MainAppURL=http://m",
        L"UwpAppxURL=http://x",
        L"LanguageList=1033",
        L"ExtractionFolder=C:\\ex. \\sub",
        L"KeepFiles=prereqs",
        L"PackJars=TRUE",
        L"AllPlatforms=true",
        L"Is64PlatformTransf=True",
        L"Langs=en;de",
        L"PackageCode={P}",
        L"DefaultProdCode={D}",
        L"ProductCode={C}",
        L"UpgradeCode={U}",
        L"ExtUIStub=0",
        L"SaveExtUIStub=stub.exe",
        L"FileExtractFirst=first.cab",
        L"MsiCertData=cert",
        L"AppxVersion=9.8",
        L"AppxPkId=pkg",
    });
    const Configuration& c = loaded->configuration;
    EXPECT_EQ(c.MainAppCmdLine, L"/main");
    EXPECT_EQ(c.Options, L"b");
    EXPECT_EQ(c.UpdatesUrl, L"http://u");
    EXPECT_EQ(c.ProductVersion, L"1.2.3");
    EXPECT_EQ(c.MinWIVer, L"4.5");
    EXPECT_EQ(c.DownloadFolder, L"[TempFolder]dl"); // resolved on first use only
    EXPECT_EQ(c.MainAppURL, L"http://m");
    EXPECT_EQ(c.UwpAppxURL, L"http://x");
    EXPECT_EQ(c.LanguageList, L"1033"); // the general list gets no semicolon
    EXPECT_EQ(c.ExtractionFolder, L"C:\\ex\\sub\\");
    EXPECT_EQ(c.KeepFiles, KeepFilesMode::Prereqs);
    EXPECT_TRUE(c.PackJars);
    EXPECT_TRUE(c.AllPlatforms);
    EXPECT_TRUE(c.Is64PlatformTransf);
    EXPECT_EQ(c.Langs, L"en;de");
    EXPECT_EQ(c.PackageCode, L"{P}");
    EXPECT_EQ(c.DefaultProdCode, L"{D}");
    EXPECT_EQ(c.ProductCode, L"{C}");
    EXPECT_EQ(c.UpgradeCode, L"{U}");
    EXPECT_TRUE(c.ExtUIStub);
    EXPECT_EQ(c.SaveExtUIStub, L"stub.exe");
    EXPECT_EQ(c.FileExtractFirst, L"first.cab");
    EXPECT_EQ(c.MsiCertData, L"cert");
    EXPECT_EQ(c.AppxVersion, L"9.8");
    EXPECT_EQ(c.AppxPkId, L"pkg");
    EXPECT_TRUE(c.Prerequisites.empty());
}

TEST(Configuration_Load, EveryPrerequisiteKeyReachesItsRecord) {
    auto loaded = Load({
        L"[PREREQUISITES]",
        L"App1=Runtime 4",
        L"[App1]",
        L"VerMin=1.0",
        L"VerMax=2.0",
        L"WinNTVersions=Windows XP",
        L"WinNT64Versions=Windows 7",
        L"Url=http://h/[TempFolder]r.exe",
        L"ExactSize=1024",
        L"MD5=0123abcd",
        L"SHA256=89abCDEF",
        L"SignerThumbprint=aa bb; cc",
        L"Operator=1",
        L"CommandLine=/full",
        L"BasicUiCommandLine=/basic",
        L"NoUiCommandLine=/quiet",
        L"Options=mrx",
        L"RetValPropName=RT4",
        L"ParentPrereq=Other",
        L"Folder=sub?r.exe",
        L"LanguageList=1033;1031",
        L"SearchType1=2",
        L"SearchString1=HKLM\\Software\\R\\Version",
        L"VerMin1=4.0",
        L"VerMax1=4.9",
        L"RefContent1=M4",
        L"SearchCmdLine1=/check",
        L"SearchType2=12abc",
        L"SearchString2=",
    });
    ASSERT_EQ(loaded->configuration.Prerequisites.size(), 1u);
    const PrerequisiteRecord& r = loaded->configuration.Prerequisites[0];
    EXPECT_EQ(r.Name, L"Runtime 4");
    EXPECT_EQ(r.VerMin, L"1.0");
    EXPECT_EQ(r.VerMax, L"2.0");
    EXPECT_EQ(r.WinNTVersions, L"Windows XP");
    EXPECT_EQ(r.WinNT64Versions, L"Windows 7");
    EXPECT_EQ(r.Source, L"http://h/T:\\tmp\\r.exe");
    EXPECT_EQ(r.SourceKind, SourceKey::Url);
    EXPECT_EQ(r.ExactSize, 1024u);
    EXPECT_EQ(r.MD5, L"0123abcd");
    EXPECT_EQ(r.SHA256, L"89abCDEF");
    EXPECT_EQ(r.SignerThumbprint, L"aa bb; cc");
    EXPECT_EQ(r.Operator, 1);
    EXPECT_EQ(r.CommandLine, L"/full");
    EXPECT_EQ(r.BasicUiCommandLine, L"/basic");
    EXPECT_EQ(r.NoUiCommandLine, L"/quiet");
    EXPECT_EQ(r.Options, L"mrx");
    EXPECT_FALSE(r.FlagI);
    EXPECT_EQ(r.RetValPropName, L"RT4");
    EXPECT_EQ(r.ParentPrereq, L"Other");
    EXPECT_EQ(r.Folder, L"sub?r.exe");
    EXPECT_EQ(r.LanguageList, L"1033;1031;");
    ASSERT_EQ(r.Searches.size(), 2u);
    EXPECT_EQ(r.Searches[0].SearchType, 2);
    EXPECT_EQ(r.Searches[0].SearchString, L"HKLM\\Software\\R\\Version");
    EXPECT_EQ(r.Searches[0].VerMin, L"4.0");
    EXPECT_EQ(r.Searches[0].VerMax, L"4.9");
    EXPECT_EQ(r.Searches[0].RefContent, L"M4");
    EXPECT_EQ(r.Searches[0].SearchCmdLine, L"/check");
    EXPECT_EQ(r.Searches[1].SearchType, 12);
    EXPECT_EQ(r.Searches[1].SearchString, L"");
    EXPECT_EQ(r.Searches[1].VerMin, L"");
    EXPECT_EQ(r.state, EvaluationState::NotEvaluated);
    EXPECT_FALSE(r.selected);
    EXPECT_FALSE(r.downloaded);
}

TEST(Configuration_Load, ListEndsAtTheFirstPrerequisiteThatCannotBeRead) {
    struct Case {
        const char* what;
        std::initializer_list<const wchar_t*> lines;
        Names_t names;
    };
    const Case cases[] = {
        {"App2 key missing",
         {L"[PREREQUISITES]", L"App1=A", L"App3=C", L"[App1]", L"SetupFile=a", L"[App2]", L"SetupFile=b",
          L"[App3]", L"SetupFile=c"},
         {L"A"}},
        {"no App1 section", {L"[PREREQUISITES]", L"App1=A", L"[A]", L"SetupFile=a"}, {}},
        {"section found by key, not by display name",
         {L"[PREREQUISITES]", L"App1=Display", L"[App1]", L"Url=u"},
         {L"Display"}},
        {"no PREREQUISITES section", {L"[App1]", L"SetupFile=a"}, {}},
        {"no source",
         {L"[PREREQUISITES]", L"App1=A", L"App2=B", L"[App1]", L"Options=m", L"[App2]", L"Url=u"},
         {}},
        {"search type without its string",
         {L"[PREREQUISITES]", L"App1=A", L"App2=B", L"App3=C", L"[App1]", L"SetupFile=a", L"[App2]",
          L"SetupFile=b", L"SearchType1=5", L"SearchString1=HKLM\\x", L"SearchType2=5", L"[App3]",
          L"SetupFile=c"},
         {L"A"}},
        {"App10 follows App9",
         {L"[PREREQUISITES]", L"App1=1", L"App2=2",   L"App3=3",  L"App4=4", L"App5=5", L"App6=6",  L"App7=7",
          L"App8=8",          L"App9=9", L"App10=10", L"App01=x", L"[App1]", L"Url=",   L"[App2]",  L"Url=",
          L"[App3]",          L"Url=",   L"[App4]",   L"Url=",    L"[App5]", L"Url=",   L"[App6]",  L"Url=",
          L"[App7]",          L"Url=",   L"[App8]",   L"Url=",    L"[App9]", L"Url=",   L"[App10]", L"Url="},
         {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10"}},
        {"names are case-sensitive", {L"[prerequisites]", L"App1=A", L"[App1]", L"SetupFile=a"}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Names(Load(c.lines)->configuration), c.names) << c.what;
}

TEST(Configuration_Load, SourcePrecedenceAndEmptyButPresentKeys) {
    struct Case {
        std::initializer_list<const wchar_t*> keys;
        SourceKey kind;
        const wchar_t* source;
    };
    const Case cases[] = {
        {{L"Url=http://u", L"SetupFile=setup.exe"}, SourceKey::SetupFile, L"setup.exe"},
        {{L"Url=http://u", L"OpenSite=http://site"}, SourceKey::OpenSite, L"http://site"},
        {{L"Url=http://u"}, SourceKey::Url, L"http://u"},
        {{L"SetupFile=", L"Url=http://u"}, SourceKey::SetupFile, L""},
        {{L"OpenSite=", L"Url=http://u"}, SourceKey::OpenSite, L""},
        // Only downloads and web sites are resolved; a setup file is located later as written.
        {{L"SetupFile=[TempFolder]s.exe"}, SourceKey::SetupFile, L"[TempFolder]s.exe"},
        {{L"OpenSite=%SystemRoot%\\page.htm"}, SourceKey::OpenSite, L"C:\\win\\page.htm"},
    };
    for (const Case& c : cases) {
        IniDocument document = Document({L"[PREREQUISITES]", L"App1=A"});
        IniSection& section = document.AddSection(L"App1");
        for (const wchar_t* line : c.keys) {
            std::wstring_view pair(line);
            std::size_t equals = pair.find(L'=');
            IniDocument::AddPair(section, pair.substr(0, equals), pair.substr(equals + 1));
        }
        FakeProperties machine;
        Configuration configuration;
        configuration.Load(document, machine);
        ASSERT_EQ(configuration.Prerequisites.size(), 1u) << *c.keys.begin();
        EXPECT_EQ(configuration.Prerequisites[0].SourceKind, c.kind) << *c.keys.begin();
        EXPECT_EQ(configuration.Prerequisites[0].Source, c.source) << *c.keys.begin();
    }
}

TEST(Configuration_Load, SearchesEndAtTheFirstMissingType) {
    auto loaded = Load({L"[PREREQUISITES]", L"App1=A", L"[App1]", L"SetupFile=a", L"SearchType2=5",
                        L"SearchString2=HKLM\\x"});
    ASSERT_EQ(loaded->configuration.Prerequisites.size(), 1u);
    EXPECT_TRUE(loaded->configuration.Prerequisites[0].Searches.empty());
}

TEST(Configuration_Load, PrerequisiteNumbersAndLists) {
    struct Case {
        const wchar_t* line;
        const wchar_t* languages;
        std::uint64_t exactSize;
        bool flagI;
    };
    const Case cases[] = {
        {L"LanguageList=1033", L"1033;", 0, false},
        {L"LanguageList=1033;", L"1033;", 0, false},
        {L"LanguageList=", L"", 0, false},
        {L"LanguageList=;", L";", 0, false},
        {L"ExactSize=12abc", L"", 12, false},
        {L"ExactSize=-5", L"", 18446744073709551611ull, false}, // no file has this size
        {L"ExactSize=5368709120", L"", 5368709120ull, false},   // 5 GB, whole
        {L"ExactSize=  42", L"", 42, false},
        {L"ExactSize=", L"", 0, false},
        {L"Options=mi", L"", 0, true},
        {L"Options=I", L"", 0, false},
    };
    for (const Case& c : cases) {
        auto loaded = Load({L"[PREREQUISITES]", L"App1=A", L"[App1]", L"Url=u", c.line});
        ASSERT_EQ(loaded->configuration.Prerequisites.size(), 1u) << c.line;
        const PrerequisiteRecord& r = loaded->configuration.Prerequisites[0];
        EXPECT_EQ(r.LanguageList, c.languages) << c.line;
        EXPECT_EQ(r.ExactSize, c.exactSize) << c.line;
        EXPECT_EQ(r.FlagI, c.flagI) << c.line;
    }
}

TEST(Configuration_Load, KeepFilesBooleansAndFlagsCompareExactly) {
    struct Case {
        const wchar_t* line;
        KeepFilesMode keepFiles;
        bool packJars;
        bool extUiStub;
    };
    const Case cases[] = {
        {L"KeepFiles=minimum", KeepFilesMode::Minimum, false, false},
        {L"KeepFiles=complete", KeepFilesMode::Complete, false, false},
        {L"KeepFiles=prereqs", KeepFilesMode::Prereqs, false, false},
        {L"KeepFiles=Complete", KeepFilesMode::None, false, false},
        {L"KeepFiles=prereq", KeepFilesMode::None, false, false},
        {L"KeepFiles=2", KeepFilesMode::None, false, false},
        {L"PackJars=TRUE", KeepFilesMode::None, true, false},
        {L"PackJars=tRuE", KeepFilesMode::None, true, false},
        {L"PackJars=yes", KeepFilesMode::None, false, false},
        {L"PackJars=1", KeepFilesMode::None, false, false},
        {L"PackJars=truex", KeepFilesMode::None, false, false},
        {L"PackJars=", KeepFilesMode::None, false, false},
        {L"ExtUIStub=false", KeepFilesMode::None, false, true},
        {L"ExtUIStub=", KeepFilesMode::None, false, false},
    };
    for (const Case& c : cases) {
        auto loaded = Load({L"[GeneralOptions]", c.line});
        EXPECT_EQ(loaded->configuration.KeepFiles, c.keepFiles) << c.line;
        EXPECT_EQ(loaded->configuration.PackJars, c.packJars) << c.line;
        EXPECT_EQ(loaded->configuration.ExtUIStub, c.extUiStub) << c.line;
    }
}

TEST(Configuration_Mode, QuietWinsOverBasicAndLettersAreCaseSensitive) {
    struct Case {
        const wchar_t* options;
        bool silent;
        bool basic;
    };
    const Case cases[] = {
        {L"Options=qb", true, true},   {L"Options=b", false, true}, {L"Options=q", true, false},
        {L"Options=QB", false, false}, {L"Options=", false, false},
    };
    for (const Case& c : cases) {
        auto loaded = Load({L"[GeneralOptions]", c.options});
        EXPECT_EQ(loaded->configuration.IsSilent(), c.silent) << c.options;
        EXPECT_EQ(loaded->configuration.IsBasicUi(), c.basic) << c.options;
    }
    EXPECT_FALSE(Load({})->configuration.IsSilent());
}

TEST(Configuration_Folders, DefaultIsTheTemporaryFolderAndTheProductCode) {
    auto loaded = Load({L"[GeneralOptions]", L"DefaultProdCode={1234-ABCD}"});
    EXPECT_EQ(loaded->configuration.GetDownloadFolder(), L"T:\\tmp\\{1234-ABCD}\\");
    EXPECT_EQ(loaded->configuration.GetExtractionFolder(), L"T:\\tmp\\{1234-ABCD}\\");

    auto bare = Load({});
    bare->machine.temp = L"T:\\no-slash";
    EXPECT_EQ(bare->configuration.GetDownloadFolder(), L"T:\\no-slash\\");
}

TEST(Configuration_Folders, ConfiguredFoldersAreResolvedNormalisedAndEndInABackslash) {
    struct Case {
        const wchar_t* line;
        const wchar_t* folder;
    };
    const Case cases[] = {
        {L"DownloadFolder=[TempFolder]dl", L"T:\\tmp\\dl\\"},
        {L"DownloadFolder=[TempFolder]\\dl\\", L"T:\\tmp\\dl\\"},
        {L"DownloadFolder=C:\\dir. \\a..", L"C:\\dir\\a\\"},
        {L"DownloadFolder=%SystemRoot%\\Temp", L"C:\\win\\Temp\\"},
        {L"DownloadFolder=[Unknown]x", L"[Unknown]x\\"},
        {L"DownloadFolder=%UnsetVariable%", L"\\"}, // resolves to nothing: still a folder text
    };
    for (const Case& c : cases) {
        auto loaded = Load({L"[GeneralOptions]", c.line});
        EXPECT_EQ(loaded->configuration.GetDownloadFolder(), c.folder) << c.line;
    }

    auto extraction = Load({L"[GeneralOptions]", L"ExtractionFolder=[TempFolder]\\ex"});
    EXPECT_EQ(extraction->configuration.ExtractionFolder, L"[TempFolder]ex\\");
    EXPECT_EQ(extraction->configuration.GetExtractionFolder(), L"T:\\tmp\\ex\\");
}

TEST(Configuration_Folders, ComputedOnceAndThenFixed) {
    auto loaded = Load({L"[GeneralOptions]", L"DownloadFolder=%Where%", L"ExtractionFolder=%Where%"});
    loaded->machine.environment[L"Where"] = L"D:\\first";
    EXPECT_EQ(loaded->configuration.GetDownloadFolder(), L"D:\\first\\");
    loaded->machine.environment[L"Where"] = L"D:\\second";
    EXPECT_EQ(loaded->configuration.GetDownloadFolder(), L"D:\\first\\");
    EXPECT_EQ(loaded->configuration.DownloadFolder, L"D:\\first\\");
    // Each folder has its own first use.
    EXPECT_EQ(loaded->configuration.GetExtractionFolder(), L"D:\\second\\");
}

TEST(Configuration_Load, ReloadStartsFresh) {
    FakeProperties machine;
    Configuration configuration;
    configuration.Load(
        Document({L"[GeneralOptions]", L"Options=q", L"[PREREQUISITES]", L"App1=A", L"[App1]", L"Url=u"}),
        machine);
    configuration.Load(Document({L"[GeneralOptions]", L"DefaultProdCode=P"}), machine);
    EXPECT_EQ(configuration.Options, L"");
    EXPECT_TRUE(configuration.Prerequisites.empty());
    EXPECT_EQ(configuration.GetDownloadFolder(), L"T:\\tmp\\P\\");
}

TEST(Configuration_ChainerSettings, ReadsTheFourKeysWhenTheSectionExists) {
    ChainerSettings settings;
    settings.LogFile = L"stale";
    EXPECT_FALSE(LoadChainerSettings(Document({L"[GeneralOptions]", L"LogFile=x.log"}), settings));
    EXPECT_EQ(settings.LogFile, L"");

    std::wstring files = L"CleanupFiles=C:\\k\\a.txt\u0001C:\\k\\b.txt";
    ASSERT_TRUE(LoadChainerSettings(Document({L"[PREREQ_CHAINER]", files.c_str(), L"CleanupFolders=C:\\k",
                                              L"LogFile=C:\\k\\setup.log", L"CleanupScript=C:\\k\\c.ps1"}),
                                    settings));
    EXPECT_EQ(settings.CleanupFiles, L"C:\\k\\a.txt\u0001C:\\k\\b.txt");
    EXPECT_EQ(settings.CleanupFolders, L"C:\\k");
    EXPECT_EQ(settings.LogFile, L"C:\\k\\setup.log");
    EXPECT_EQ(settings.CleanupScript, L"C:\\k\\c.ps1");

    EXPECT_TRUE(LoadChainerSettings(Document({L"[PREREQ_CHAINER]"}), settings));
    EXPECT_EQ(settings.LogFile, L"");
}

TEST(Configuration_LoadTaking, LeavesTheChainerSettingsToBeLoadedAfterwards) {
    IniDocument document =
        Document({L"[GeneralOptions]", L"Options=q", L"[PREREQ_CHAINER]", L"LogFile=run.log",
                  L"[PREREQUISITES]", L"App1=First", L"[App1]", L"Url=http://host/a.exe"});
    FakeProperties machine;
    Configuration configuration;
    configuration.LoadTaking(document, machine);
    ChainerSettings settings;
    ASSERT_TRUE(LoadChainerSettings(document, settings));
    EXPECT_EQ(settings.LogFile, L"run.log");
    ASSERT_EQ(Names(configuration), std::vector<std::wstring>{L"First"});
    EXPECT_EQ(configuration.Prerequisites[0].Source, L"http://host/a.exe");
}
