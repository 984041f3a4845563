#include "platform/Logger.h"

#include <windows.h>
#include <shlobj.h>

#include <atomic>

#include "platform/AccessControl.h"
#include "platform/CriticalSection.h"
#include "platform/FileSystem.h"
#include "platform/GrowBuffer.h"
#include "platform/Processor.h"
#include "platform/SystemLibrary.h"
#include "platform/TempFiles.h"
#include "platform/UniqueHandle.h"
#include "platform/pure/PathRules.h"
#include "platform/pure/Redact.h"

namespace velmora::platform {

namespace {

std::atomic<bool> logEnabled{false};

// A path is opened as given; only one too long for the plain call gets the long-path prefix, which would
// otherwise turn off the normalisation of "/" and "..".
std::wstring OpenName(const std::wstring& path) {
    return path.size() < MAX_PATH ? path : ToLongPath(path);
}

void Trace(const std::wstring& text) {
    ::OutputDebugStringW(text.c_str());
}

std::wstring CommonAppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    UniqueCoTaskMem<ITEMIDLIST> items;
    if (::SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_APPDATA, items.put()) == S_OK &&
        ::SHGetPathFromIDListW(items.get(), path))
        return path;
    // Second route, for a shell that gives no item list for the folder.
    BOOL(WINAPI * getPath)(HWND, LPWSTR, int, BOOL) = nullptr;
    FindFunction(::GetModuleHandleW(L"Shell32.dll"), "SHGetSpecialFolderPathW", getPath);
    if (getPath != nullptr && getPath(nullptr, path, CSIDL_COMMON_APPDATA, FALSE))
        return path;
    return {};
}

} // namespace

bool LogEnabled() {
    return logEnabled.load(std::memory_order_acquire);
}

void SetLogEnabled(bool enabled) {
    logEnabled.store(enabled, std::memory_order_release);
}

struct Logger::State {
    CRITICAL_SECTION lock;
    LoggerSetup setup;
    std::wstring logPath;
    UniqueFile file;

    explicit State(LoggerSetup given) : setup(std::move(given)) { ::InitializeCriticalSection(&lock); }
    ~State() { ::DeleteCriticalSection(&lock); }

    std::wstring ProgramPath() const {
        if (!setup.programPath.empty())
            return setup.programPath;
        std::wstring path;
        if (ModuleFileName(nullptr, path) != ERROR_SUCCESS)
            path.clear();
        return path;
    }

    // The path of a fallback rule, or empty when the rule gives none (which ends the search).
    std::wstring FallbackPath(int rule) const {
        std::wstring program = ProgramPath();
        if (program.empty())
            return {};
        switch (rule) {
        case 0: {
            std::wstring common =
                setup.commonDataFolder.empty() ? CommonAppDataFolder() : setup.commonDataFolder;
            if (common.empty())
                return {};
            std::wstring folder = WithTrailingBackslash(common) + std::wstring(kLogFolderName);
            // The shared folder lets every account append to the logs of earlier runs.
            if (!Exists(folder) && !CreateFolderOpenToEveryone(folder))
                return {};
            return folder + L"\\" + DefaultLogName(program);
        }
        case 1:
            return LogPathBesideProgram(program);
        case 2: {
            std::wstring temp = setup.tempFolder.empty() ? TempFolder() : setup.tempFolder;
            std::wstring folder = WithTrailingBackslash(temp) + std::wstring(kLogFolderName);
            // Only a folder of its own: an existing one may belong to someone else.
            if (!::CreateDirectoryW(ToLongPath(folder).c_str(), nullptr))
                return {};
            return folder + L"\\" + DefaultLogName(program);
        }
        default:
            return {};
        }
    }

    void Write(std::wstring_view piece) {
        DWORD written = 0;
        ::WriteFile(file.get(), piece.data(), static_cast<DWORD>(piece.size() * sizeof(wchar_t)), &written,
                    nullptr);
        ::FlushFileBuffers(file.get());
    }

    void WriteHeader() {
        LogHeaderFacts facts = setup.header != nullptr ? setup.header() : LogHeaderFacts{};
        Write(kLogBanner);
        Write(OsVersionHeaderLine(facts));
        Write(CpuHeaderLine(ProcessorName()));
        Write(L"\r\n");
    }

    // Everyone may change the shared log folder, and anyone may have left something at a log path: the
    // folder is held while the file is opened there, and must be no link to elsewhere; an existing file is
    // opened without following a link and must be plain (platform/pure/FileTrust.h). Anything else is a
    // path that cannot be opened.
    UniqueFile OpenAt(bool inSharedFolder, DWORD& error) {
        UniqueFile folder;
        if (inSharedFolder && !(folder = HoldPlainFolder(ParentFolder(logPath))))
            return UniqueFile();
        UniqueFile opened(::CreateFileW(OpenName(logPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        error = ::GetLastError();
        if (opened && error == ERROR_ALREADY_EXISTS && !IsPlainOpenFile(opened.get()))
            opened.reset();
        return opened;
    }

    void Open() {
        int attempt = 0;
        for (;;) {
            bool inSharedFolder = false;
            if (logPath.empty()) {
                inSharedFolder = attempt == 0;
                logPath = FallbackPath(attempt++);
                if (logPath.empty())
                    return;
            }
            // A new file is told apart from an existing one by the error code of a successful call.
            DWORD error = ERROR_SUCCESS;
            UniqueFile opened = OpenAt(inSharedFolder, error);
            if (!opened) {
                Trace(L"LOGGER->failed to create LOG at:" + logPath);
                logPath.clear();
                continue;
            }
            if (error == ERROR_ALREADY_EXISTS) {
                Trace(L"LOGGER->Reusing LOG file at:" + logPath + L"\r\n");
                LARGE_INTEGER zero{};
                ::SetFilePointerEx(opened.get(), zero, nullptr, FILE_END);
                file = std::move(opened);
            } else if (error == ERROR_SUCCESS) {
                Trace(L"LOGGER->Creating LOG file at:" + logPath + L"\r\n");
                file = std::move(opened);
                Write(L"\xFEFF");
            } else {
                return;
            }
            WriteHeader();
            return;
        }
    }

    // One time-stamped line, the message as given.
    void Append(std::wstring_view message) {
        ScopedLock lock(this->lock);
        if (!file)
            Open();
        if (!file)
            return;
        SYSTEMTIME now{};
        ::GetLocalTime(&now);
        std::wstring line =
            FormatTimeStamp({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
        line += L'-';
        line += message;
        line += L"\r\n";
        // One write and one flush per line: a flush costs about a millisecond, and a kit of thousands of
        // prerequisites logs tens of thousands of lines.
        Write(line);
    }
};

Logger::Logger() : Logger(LoggerSetup{}) {}

Logger::Logger(LoggerSetup setup) : state_(std::make_unique<State>(std::move(setup))) {}

Logger::~Logger() {
    // The closing message carries its own line end: the log ends with an empty line.
    if (LogEnabled())
        state_->Append(kLogEndMessage);
    ScopedLock lock(state_->lock);
    state_->file.reset();
}

void Logger::SetHeaderSource(LogHeaderSource source) {
    ScopedLock lock(state_->lock);
    state_->setup.header = source;
}

void Logger::SetLogFile(std::wstring_view path) {
    ScopedLock lock(state_->lock);
    Trace(L"Logger::SetLogFile( " + std::wstring(path) + L" ) while OLD path is:" + state_->logPath);
    // The log of a run stays in one file once it is open.
    if (!state_->file)
        state_->logPath = path;
}

void Logger::Log(std::wstring_view message) {
    // Whoever logs a URL, its password never reaches the file; whatever a server, a file name or the
    // configuration put into the message, it stays one line.
    state_->Append(OneLogLine(RedactUrlCredentials(message)));
}

std::wstring Logger::LogPath() const {
    ScopedLock lock(state_->lock);
    return state_->logPath;
}

bool Logger::IsOpen() const {
    ScopedLock lock(state_->lock);
    return static_cast<bool>(state_->file);
}

Logger& TheLogger() {
    static Logger logger;
    return logger;
}

void LogLine(std::wstring_view message) {
    if (LogEnabled())
        TheLogger().Log(message);
}

} // namespace velmora::platform
