#include "platform/Logger.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "platform/AccessControl.h"
#include "platform/FileSystem.h"
#include "platform/Processor.h"
#include "platform/UniqueHandle.h"
#include "support/TestSupport.h"

using namespace velmora::platform;
using velmora::test::ReadFileBytes;
using velmora::test::ScopedFolder;
using velmora::test::Utf16Bytes;
using velmora::test::WriteFileBytes;

namespace {

LogHeaderFacts Windows10Facts() {
    return {10, 0, 19044, 0, false, true};
}

const std::wstring kTime = L"<time>";

std::wstring ExpectedHeader() {
    return L"\r\n<< Velmora (x86) Log >>\r\nOS Version: 10.0.19044 SP0 (workstation) [x64]\r\nCPU: " +
           ProcessorName() + L"\r\n\r\n";
}

bool IsTimeStamp(std::wstring_view text) {
    if (text.size() < 19)
        return false;
    const std::wstring_view shape = L"0000-00-00 00-00-00";
    for (std::size_t i = 0; i < shape.size(); ++i) {
        bool digit = text[i] >= L'0' && text[i] <= L'9';
        if (shape[i] == L'0' ? !digit : text[i] != shape[i])
            return false;
    }
    return true;
}

std::wstring FromUtf16Bytes(const std::string& bytes, std::size_t offset) {
    std::wstring text;
    for (std::size_t i = offset; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

// The file's text after its byte-order mark, with every time stamp at a line start replaced by <time>.
std::wstring LogText(const std::wstring& path, bool expectBom = true) {
    std::string bytes = ReadFileBytes(path);
    bool bom = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    EXPECT_EQ(bom, expectBom) << "byte-order mark";
    std::wstring text = FromUtf16Bytes(bytes, bom ? 2 : 0);
    std::wstring masked;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t end = text.find(L"\r\n", lineStart);
        end = end == std::wstring::npos ? text.size() : end + 2;
        std::wstring_view line(text.data() + lineStart, end - lineStart);
        if (IsTimeStamp(line))
            masked += kTime + std::wstring(line.substr(19));
        else
            masked += line;
        lineStart = end;
    }
    return masked;
}

std::wstring LocalTimeStamp() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return FormatTimeStamp({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A program folder, a common data folder and a temporary folder of the test's own.
struct LogPlaces {
    ScopedFolder root;
    std::wstring program = root.Child(L"prog\\tool.exe");
    std::wstring common = root.Child(L"common");
    std::wstring temp = root.Child(L"temp");
    std::wstring commonLog = root.Child(L"common\\VELMORA_LOGS\\tool.LOG");
    std::wstring besideLog = root.Child(L"prog\\tool.LOG");
    std::wstring tempLog = root.Child(L"temp\\VELMORA_LOGS\\tool.LOG");

    LogPlaces() {
        ::CreateDirectoryW(root.Child(L"prog").c_str(), nullptr);
        ::CreateDirectoryW(common.c_str(), nullptr);
        ::CreateDirectoryW(temp.c_str(), nullptr);
    }

    LoggerSetup Setup() const { return {&Windows10Facts, program, common, temp}; }
};

// Restores the process-wide flag whatever the test does with it.
class LogEnabledScope {
public:
    explicit LogEnabledScope(bool enabled) : old_(LogEnabled()) { SetLogEnabled(enabled); }
    ~LogEnabledScope() { SetLogEnabled(old_); }

private:
    bool old_;
};

// Counts this program's WriteFile calls on one file by replacing the program's own import of the function
// (the logger's calls go through it): a line written in pieces shows as several calls.
class WriteFileCounter {
public:
    WriteFileCounter() : slot_(ImportSlot("WriteFile")) {
        if (slot_ == nullptr)
            return;
        real_ = reinterpret_cast<WriteFileFn>(*slot_);
        Replace(reinterpret_cast<void*>(&Counted));
    }
    ~WriteFileCounter() {
        if (slot_ != nullptr)
            Replace(reinterpret_cast<void*>(real_));
    }
    WriteFileCounter(const WriteFileCounter&) = delete;
    WriteFileCounter& operator=(const WriteFileCounter&) = delete;

    bool Hooked() const { return slot_ != nullptr; }
    // Counts calls on files of that name from now on.
    void Watch(const std::wstring& path) {
        watched_ = path;
        calls_ = 0;
    }
    int Calls() const { return calls_; }

private:
    using WriteFileFn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

    static void** ImportSlot(const char* name) {
        auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             library->Name != 0; ++library) {
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
            for (; names->u1.AddressOfData != 0; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                    continue;
                const auto* entry =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(entry->Name), name) == 0)
                    return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
        return nullptr;
    }

    void Replace(void* function) {
        DWORD old = 0;
        ::VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &old);
        *slot_ = function;
        ::VirtualProtect(slot_, sizeof *slot_, old, &old);
    }

    static BOOL WINAPI Counted(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                               LPOVERLAPPED overlapped) {
        wchar_t name[MAX_PATH * 2] = {};
        const std::wstring_view wanted = std::wstring_view(watched_).substr(watched_.rfind(L'\\'));
        const DWORD length = ::GetFinalPathNameByHandleW(file, name, MAX_PATH * 2, FILE_NAME_NORMALIZED);
        if (length >= wanted.size() && length < MAX_PATH * 2 &&
            std::wstring_view(name, length).substr(length - wanted.size()) == wanted)
            ++calls_;
        return real_(file, data, size, written, overlapped);
    }

    void** slot_;
    static inline WriteFileFn real_ = nullptr;
    static inline std::wstring watched_;
    static inline int calls_ = 0;
};

} // namespace

TEST(Logger_Log, NewFileHoldsMarkHeaderAndLinesExactly) {
    LogPlaces places;
    const std::wstring path = places.root.Child(L"run.log");
    std::wstring before, after;
    {
        Logger logger(places.Setup());
        logger.SetLogFile(path);
        EXPECT_FALSE(Exists(path)) << "nothing reaches the disk before the first line";
        before = LocalTimeStamp();
        logger.Log(L"Searching for:App1");
        logger.Log(L"Unicode \x00DC\x20AC\x4E2D");
        after = LocalTimeStamp();
    }
    EXPECT_EQ(LogText(path), ExpectedHeader() + kTime + L"-Searching for:App1\r\n" + kTime +
                                 L"-Unicode \x00DC\x20AC\x4E2D\r\n");

    std::wstring raw = FromUtf16Bytes(ReadFileBytes(path), 2);
    std::wstring stamp = raw.substr(ExpectedHeader().size(), 19);
    EXPECT_LE(before, stamp);
    EXPECT_GE(after, stamp);
}

TEST(Logger_Log, AMessageWithLineBreaksStaysOneLine) {
    LogPlaces places;
    const std::wstring path = places.root.Child(L"run.log");
    {
        LogEnabledScope enabled(true);
        Logger logger(places.Setup());
        logger.SetLogFile(path);
        logger.Log(L"Credentials are needed for http://h/ (realm \"x\r\n2026-01-01 00-00-00-Forged\").");
    }
    EXPECT_EQ(LogText(path),
              ExpectedHeader() + kTime +
                  L"-Credentials are needed for http://h/ (realm \"x  2026-01-01 00-00-00-Forged\").\r\n" +
                  kTime + L"-=====================End of Log=====================\r\n\r\n");
}

TEST(Logger_Log, ExistingFileIsAppendedWithoutAnotherMark) {
    LogPlaces places;
    const std::wstring path = places.root.Child(L"run.log");
    const std::string earlier = Utf16Bytes(L"earlier run\r\n", true);
    WriteFileBytes(path, earlier);
    {
        Logger logger(places.Setup());
        logger.SetLogFile(path);
        logger.Log(L"again");
    }
    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.compare(0, earlier.size(), earlier), 0);
    EXPECT_EQ(LogText(path), L"earlier run\r\n" + ExpectedHeader() + kTime + L"-again\r\n");
}

TEST(Logger_Log, EveryLineIsOnDiskBeforeLogReturns) {
    LogPlaces places;
    const std::wstring path = places.root.Child(L"run.log");
    Logger logger(places.Setup());
    logger.SetLogFile(path);
    logger.Log(L"first");
    // Read through a second handle while the logger still holds its own.
    EXPECT_EQ(LogText(path), ExpectedHeader() + kTime + L"-first\r\n");
}

TEST(Logger_Destruction, ClosingLineOnlyWhenLoggingIsOn) {
    LogPlaces places;
    const std::wstring on = places.root.Child(L"on.log");
    const std::wstring off = places.root.Child(L"off.log");
    {
        LogEnabledScope enabled(true);
        Logger logger(places.Setup());
        logger.SetLogFile(on);
        logger.Log(L"work");
    }
    EXPECT_EQ(LogText(on), ExpectedHeader() + kTime + L"-work\r\n" + kTime +
                               L"-=====================End of Log=====================\r\n\r\n");
    {
        LogEnabledScope disabled(false);
        Logger logger(places.Setup());
        logger.SetLogFile(off);
        logger.Log(L"work");
    }
    EXPECT_EQ(LogText(off), ExpectedHeader() + kTime + L"-work\r\n");
}

TEST(Logger_Destruction, NothingAtAllWithoutLinesWhenLoggingIsOff) {
    LogPlaces places;
    const std::wstring path = places.root.Child(L"run.log");
    {
        Logger logger(places.Setup());
        logger.SetLogFile(path);
    }
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Exists(places.common + L"\\VELMORA_LOGS"));
}

TEST(Logger_SetLogFile, LastPathBeforeOpeningWinsAndNoneAfter) {
    LogPlaces places;
    Logger logger(places.Setup());
    logger.SetLogFile(places.root.Child(L"first.log"));
    logger.SetLogFile(places.root.Child(L"second.log"));
    logger.Log(L"one");
    logger.SetLogFile(places.root.Child(L"third.log"));
    logger.Log(L"two");
    EXPECT_EQ(logger.LogPath(), places.root.Child(L"second.log"));
    EXPECT_FALSE(Exists(places.root.Child(L"first.log")));
    EXPECT_FALSE(Exists(places.root.Child(L"third.log")));
    EXPECT_EQ(LogText(places.root.Child(L"second.log")),
              ExpectedHeader() + kTime + L"-one\r\n" + kTime + L"-two\r\n");
}

TEST(Logger_Open, GivenPathOpensAsWrittenAtAnyLength) {
    LogPlaces places;
    const std::wstring deep = places.root.Child(std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e'));
    ASSERT_EQ(CreateFolderTree(deep, true, nullptr), static_cast<DWORD>(ERROR_SUCCESS));
    const std::wstring cases[] = {deep + L"\\long.log", places.root.Child(L"prog\\..\\dotted.log"),
                                  places.root.Child(L"prog/slashed.log")};
    const std::wstring opened[] = {deep + L"\\long.log", places.root.Child(L"dotted.log"),
                                   places.root.Child(L"prog\\slashed.log")};
    for (int i = 0; i < 3; ++i) {
        {
            Logger logger(places.Setup());
            logger.SetLogFile(cases[i]);
            logger.Log(L"line");
        }
        EXPECT_EQ(LogText(ToLongPath(opened[i])), ExpectedHeader() + kTime + L"-line\r\n") << i;
    }
    EXPECT_GE(cases[0].size(), static_cast<std::size_t>(MAX_PATH));
}

TEST(Logger_Open, MissingFolderFallsBackToSharedFolderOpenToEveryone) {
    LogPlaces places;
    Logger logger(places.Setup());
    logger.SetLogFile(places.root.Child(L"missing\\run.log"));
    logger.Log(L"line");
    EXPECT_EQ(logger.LogPath(), places.commonLog);
    EXPECT_EQ(LogText(places.commonLog), ExpectedHeader() + kTime + L"-line\r\n");
    EXPECT_FALSE(Exists(places.besideLog));

    EXPECT_TRUE(IsFolder(places.common + L"\\VELMORA_LOGS"));
}

// OS quirk (Wine 8): a security descriptor given to CreateDirectoryW is not kept (the folder reports Wine's
// default list), so the list the folder is created with is checked as made.
TEST(AccessControl_EveryoneFullControlAcl, OneEntryEveryoneFullControlNotInherited) {
    UniqueLocalMem<ACL> acl;
    ASSERT_EQ(EveryoneFullControlAcl(acl), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(acl.get()->AceCount, 1);
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(::GetAce(acl.get(), 0, reinterpret_cast<void**>(&ace)));
    EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    EXPECT_EQ(ace->Header.AceFlags, 0);
    EXPECT_EQ(ace->Mask, static_cast<DWORD>(GENERIC_ALL));
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    ASSERT_TRUE(::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size));
    EXPECT_TRUE(::EqualSid(&ace->SidStart, everyone));
}

TEST(AccessControl_CreateFolderOpenToEveryone, NewFolderOnly) {
    ScopedFolder root;
    EXPECT_TRUE(CreateFolderOpenToEveryone(root.Child(L"open")));
    EXPECT_TRUE(IsFolder(root.Child(L"open")));
    EXPECT_FALSE(CreateFolderOpenToEveryone(root.Child(L"open")));
    EXPECT_FALSE(CreateFolderOpenToEveryone(root.Child(L"missing\\open")));
}

// Each row makes one more place unopenable (a folder where the log file would go) and names where the
// line ends up.
TEST(Logger_Open, FallbackRulesInTheirOrder) {
    enum Where { Common, Beside, Temp, Nowhere };
    struct Case {
        const char* name;
        bool blockCommon, blockBeside, tempFolderExists;
        Where expected;
    };
    const Case cases[] = {
        {"shared folder", false, false, false, Common},
        {"beside the program", true, false, false, Beside},
        {"new folder in temp", true, true, false, Temp},
        {"temp folder not new", true, true, true, Nowhere},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogPlaces places;
        if (c.blockCommon) {
            ::CreateDirectoryW((places.common + L"\\VELMORA_LOGS").c_str(), nullptr);
            ::CreateDirectoryW(places.commonLog.c_str(), nullptr);
        }
        if (c.blockBeside)
            ::CreateDirectoryW(places.besideLog.c_str(), nullptr);
        if (c.tempFolderExists)
            ::CreateDirectoryW((places.temp + L"\\VELMORA_LOGS").c_str(), nullptr);

        Logger logger(places.Setup());
        logger.SetLogFile(places.root.Child(L"missing\\run.log"));
        logger.Log(L"line");

        const std::wstring paths[] = {places.commonLog, places.besideLog, places.tempLog};
        for (int where = Common; where <= Temp; ++where) {
            bool isFile = Exists(paths[where]) && !IsFolder(paths[where]);
            EXPECT_EQ(isFile, where == c.expected) << where;
        }
        EXPECT_EQ(logger.IsOpen(), c.expected != Nowhere);
        if (c.expected != Nowhere) {
            EXPECT_EQ(LogText(paths[c.expected]), ExpectedHeader() + kTime + L"-line\r\n");
        }
    }
}

// A second name of another file, left where the log goes, would have the log written into that file. (A
// symbolic link would too; Wine 8 can neither make nor show one: platform/pure/FileTrustTest.cpp.)
TEST(Logger_Open, ExistingLogThatIsAnotherFilesSecondNameIsPassedOver) {
    LogPlaces places;
    const std::wstring victim = places.root.Child(L"victim.txt");
    WriteFileBytes(victim, "not a log");
    const std::wstring given = places.root.Child(L"run.log");
    ASSERT_TRUE(::CreateHardLinkW(given.c_str(), victim.c_str(), nullptr));
    ::CreateDirectoryW((places.common + L"\\VELMORA_LOGS").c_str(), nullptr);
    ASSERT_TRUE(::CreateHardLinkW(places.commonLog.c_str(), victim.c_str(), nullptr));

    Logger logger(places.Setup());
    logger.SetLogFile(given);
    logger.Log(L"line");
    EXPECT_EQ(logger.LogPath(), places.besideLog);
    EXPECT_EQ(LogText(places.besideLog), ExpectedHeader() + kTime + L"-line\r\n");
    EXPECT_EQ(ReadFileBytes(victim), "not a log");
}

TEST(Logger_Open, SharedFolderThatCannotBeMadeEndsTheSearch) {
    LogPlaces places;
    LoggerSetup setup = places.Setup();
    setup.commonDataFolder = places.root.Child(L"no\\such\\folder");
    Logger logger(setup);
    logger.SetLogFile(places.root.Child(L"missing\\run.log"));
    logger.Log(L"line");
    EXPECT_FALSE(logger.IsOpen());
    EXPECT_FALSE(Exists(places.besideLog));
    EXPECT_FALSE(Exists(places.temp + L"\\VELMORA_LOGS"));
}

TEST(Logger_Open, EveryLaterLineTriesAgainFromTheFirstFallback) {
    LogPlaces places;
    ::CreateDirectoryW((places.common + L"\\VELMORA_LOGS").c_str(), nullptr);
    ::CreateDirectoryW(places.commonLog.c_str(), nullptr);
    ::CreateDirectoryW(places.besideLog.c_str(), nullptr);
    ::CreateDirectoryW((places.temp + L"\\VELMORA_LOGS").c_str(), nullptr);
    Logger logger(places.Setup());
    logger.Log(L"lost");
    EXPECT_FALSE(logger.IsOpen());

    ::RemoveDirectoryW(places.commonLog.c_str());
    logger.Log(L"kept");
    EXPECT_EQ(logger.LogPath(), places.commonLog);
    EXPECT_EQ(LogText(places.commonLog), ExpectedHeader() + kTime + L"-kept\r\n");
}

TEST(Logger_Log, TwoThreadsAtOnceGiveWholeLines) {
    LogPlaces places;
    const std::wstring path = places.root.Child(L"run.log");
    constexpr int kLines = 300;
    {
        Logger logger(places.Setup());
        logger.SetLogFile(path);
        auto writer = [&logger](wchar_t name) {
            for (int i = 0; i < kLines; ++i)
                logger.Log(std::wstring(40, name) + L" " + std::to_wstring(i));
        };
        std::thread a(writer, L'a');
        std::thread b(writer, L'b');
        a.join();
        b.join();
    }
    std::wstring text = LogText(path);
    ASSERT_EQ(text.compare(0, ExpectedHeader().size(), ExpectedHeader()), 0);
    text.erase(0, ExpectedHeader().size());
    int next[2] = {0, 0};
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L"\r\n", start);
        ASSERT_NE(end, std::wstring::npos);
        std::wstring line = text.substr(start, end - start);
        ASSERT_GT(line.size(), kTime.size() + 42) << "torn line";
        wchar_t name = line[kTime.size() + 1];
        ASSERT_TRUE(name == L'a' || name == L'b');
        int& expected = next[name - L'a'];
        EXPECT_EQ(line, kTime + L"-" + std::wstring(40, name) + L" " + std::to_wstring(expected));
        ++expected;
        start = end + 2;
    }
    EXPECT_EQ(next[0], kLines);
    EXPECT_EQ(next[1], kLines);
}

TEST(Processor_ProcessorNameFrom, BrandStringOnlyWithItsLeaves) {
    char brand[48] = {};
    const char text[] = "  Example CPU @ 3.00GHz";
    std::memcpy(brand, text, sizeof text);
    EXPECT_EQ(ProcessorNameFrom(0x80000003u, brand), L"UnkownCPU");
    EXPECT_EQ(ProcessorNameFrom(0x80000004u, brand), L"  Example CPU @ 3.00GHz");
    EXPECT_EQ(ProcessorNameFrom(0x80000008u, brand), L"  Example CPU @ 3.00GHz");

    char full[48];
    std::memset(full, 'x', sizeof full);
    EXPECT_EQ(ProcessorNameFrom(0x80000004u, full), std::wstring(48, L'x'));
}

TEST(Processor_ProcessorName, ThisMachineHasABrandString) {
    std::wstring name = ProcessorName();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find(L'\0'), std::wstring::npos);
}

TEST(Logger_Log, EachLineIsWrittenWholeInOneCall) {
    // A line written in pieces could be cut by a crash between them; one call per line also keeps the cost
    // of a large kit's log to one flush per line.
    LogPlaces places;
    const std::wstring path = places.root.Child(L"run.log");
    Logger logger(places.Setup());
    logger.SetLogFile(path);
    logger.Log(L"first");
    WriteFileCounter counter;
    ASSERT_TRUE(counter.Hooked());
    counter.Watch(path);
    logger.Log(L"second");
    logger.Log(L"third");
    EXPECT_EQ(counter.Calls(), 2);
    EXPECT_EQ(LogText(path),
              ExpectedHeader() + kTime + L"-first\r\n" + kTime + L"-second\r\n" + kTime + L"-third\r\n");
}
