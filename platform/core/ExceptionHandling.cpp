#include "platform/core/ExceptionHandling.h"

#include <dbghelp.h>

#include <exception>
#include <new>
#include <utility>

#include "platform/SystemLibrary.h"
#include "platform/core/ExceptionPresenter.h"

namespace velmora::platform::core {

namespace {

const ExceptionCategory theCategory;

// The translator's location for a structured exception that came without any information.
constexpr long kUnidentifiedLine = 117;
constexpr wchar_t kHandlingSource[] = L"platform\\core\\ExceptionHandling";
constexpr int kMaxFrames = 200;

using SymSetOptionsFn = DWORD(WINAPI*)(DWORD);
using SymInitializeFn = BOOL(WINAPI*)(HANDLE, PCSTR, BOOL);
using SymCleanupFn = BOOL(WINAPI*)(HANDLE);
using StackWalk64Fn = BOOL(WINAPI*)(DWORD, HANDLE, HANDLE, LPSTACKFRAME64, PVOID,
                                    PREAD_PROCESS_MEMORY_ROUTINE64, PFUNCTION_TABLE_ACCESS_ROUTINE64,
                                    PGET_MODULE_BASE_ROUTINE64, PTRANSLATE_ADDRESS_ROUTINE64);
using SymFromAddrFn = BOOL(WINAPI*)(HANDLE, DWORD64, PDWORD64, PSYMBOL_INFO);
using SymGetLineFromAddr64Fn = BOOL(WINAPI*)(HANDLE, DWORD64, PDWORD, PIMAGEHLP_LINE64);

class CriticalSection {
public:
    CriticalSection() { ::InitializeCriticalSection(&section_); }
    ~CriticalSection() { ::DeleteCriticalSection(&section_); }
    void Enter() { ::EnterCriticalSection(&section_); }
    void Leave() { ::LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

CriticalSection& TraceSection() {
    static CriticalSection section;
    return section;
}

std::wstring Widen(const char* text) {
    int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

template <typename Fn> Fn As(void* function) {
    return reinterpret_cast<Fn>(function);
}

} // namespace

Exception::Exception(std::wstring message, std::wstring sourceFile, long sourceLine, uint32_t code)
    : message_(std::move(message)), code_(code), sourceFile_(std::move(sourceFile)), sourceLine_(sourceLine) {
}

void Exception::Rethrow() const {
    throw Exception(*this);
}

std::unique_ptr<Exception> Exception::Clone(bool withStack) const {
    auto copy = std::make_unique<Exception>(*this);
    if (withStack && copy->message_.find(kStackTraceHeading) == std::wstring::npos)
        StackTrace(copy->message_, nullptr, kMaxFrames);
    return copy;
}

void Exception::TypeName(std::wstring& name) const {
    name.assign(ExceptionTypeName(Type()));
}

const ExceptionCategory* Exception::Category() const {
    return &theCategory;
}

SehException::SehException(std::wstring message, std::wstring sourceFile, long sourceLine, uint32_t code,
                           int kind)
    : Exception(std::move(message), std::move(sourceFile), sourceLine, code), kind_(kind) {}

void SehException::Rethrow() const {
    throw SehException(*this);
}

std::unique_ptr<Exception> SehException::Clone(bool withStack) const {
    auto copy = std::make_unique<SehException>(*this);
    if (withStack && copy->message_.find(kStackTraceHeading) == std::wstring::npos)
        StackTrace(copy->message_, nullptr, kMaxFrames);
    return copy;
}

void SehException::TypeName(std::wstring& name) const {
    name.assign(AccessViolationKindName(kind_));
}

DebugHelp::DebugHelp(const wchar_t* library) : module_(LoadSystemLibrary(library)) {
    if (!module_)
        return;
    auto find = [this](const char* name) {
        return reinterpret_cast<void*>(::GetProcAddress(module_.get(), name));
    };
    fromAddress_ = find("SymFromAddr");
    setOptions_ = find("SymSetOptions");
    initialize_ = find("SymInitialize");
    cleanup_ = find("SymCleanup");
    walk_ = find("StackWalk64");
    functionTable_ = find("SymFunctionTableAccess64");
    moduleBase_ = find("SymGetModuleBase64");
    lineFromAddress_ = find("SymGetLineFromAddr64");
    if (!setOptions_ || !initialize_ || !cleanup_ || !walk_ || !functionTable_ || !moduleBase_)
        walk_ = nullptr;
}

DebugHelp& DebugHelp::ForProcess() {
    static DebugHelp process(L"Dbghelp.dll");
    return process;
}

void StackTrace(std::wstring& text, const CONTEXT* context, int maxFrames) {
    StackTrace(text, context, maxFrames, DebugHelp::ForProcess());
}

// The walk's first frame and machine type: the registers differ between the 32-bit chainer and the 64-bit
// build of the same sources.
static DWORD StartFrame(const CONTEXT& context, STACKFRAME64& frame) {
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrFrame.Mode = AddrModeFlat;
    frame.AddrStack.Mode = AddrModeFlat;
#if defined(__x86_64__) || defined(_M_X64)
    frame.AddrPC.Offset = context.Rip;
    frame.AddrFrame.Offset = context.Rbp;
    frame.AddrStack.Offset = context.Rsp;
    return IMAGE_FILE_MACHINE_AMD64;
#else
    frame.AddrPC.Offset = context.Eip;
    frame.AddrFrame.Offset = context.Ebp;
    frame.AddrStack.Offset = context.Esp;
    return IMAGE_FILE_MACHINE_I386;
#endif
}

void StackTrace(std::wstring& text, const CONTEXT* context, int maxFrames, DebugHelp& help) {
    if (!help.CanTrace())
        return;
    CriticalSection& section = TraceSection();
    section.Enter();

    CONTEXT walkContext;
    if (context != nullptr) {
        walkContext = *context;
    } else {
        walkContext = {};
        walkContext.ContextFlags = CONTEXT_FULL;
        ::RtlCaptureContext(&walkContext);
    }
    HANDLE process = ::GetCurrentProcess();
    HANDLE thread = ::GetCurrentThread();

    As<SymSetOptionsFn>(help.setOptions_)(0x80000016);
    char searchPath[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, searchPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        searchPath[0] = '\0';
    for (DWORD i = length; i > 0 && i < MAX_PATH; --i) {
        if (searchPath[i - 1] == '\\') {
            searchPath[i - 1] = '\0';
            break;
        }
    }
    As<SymInitializeFn>(help.initialize_)(process, searchPath[0] != '\0' ? searchPath : nullptr, TRUE);

    try {
        text += kStackTraceHeading;
        STACKFRAME64 frame{};
        const DWORD machine = StartFrame(walkContext, frame);

        alignas(SYMBOL_INFO) char symbolSpace[sizeof(SYMBOL_INFO) + 2000] = {};
        auto* symbol = reinterpret_cast<SYMBOL_INFO*>(symbolSpace);
        int frames = 0;
        while (frames < maxFrames &&
               As<StackWalk64Fn>(help.walk_)(machine, process, thread, &frame, &walkContext, nullptr,
                                             As<PFUNCTION_TABLE_ACCESS_ROUTINE64>(help.functionTable_),
                                             As<PGET_MODULE_BASE_ROUTINE64>(help.moduleBase_), nullptr)) {
            if (frame.AddrPC.Offset == 0)
                break;
            symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
            symbol->MaxNameLen = 2000;
            DWORD64 displacement = 0;
            std::wstring name;
            if (As<SymFromAddrFn>(help.fromAddress_)(process, frame.AddrPC.Offset, &displacement, symbol))
                name = Widen(symbol->Name);
            std::wstring file;
            long line = 0;
            IMAGEHLP_LINE64 source{};
            source.SizeOfStruct = sizeof source;
            DWORD lineDisplacement = 0;
            if (help.lineFromAddress_ != nullptr &&
                As<SymGetLineFromAddr64Fn>(help.lineFromAddress_)(process, frame.AddrPC.Offset,
                                                                  &lineDisplacement, &source) &&
                source.FileName != nullptr) {
                file = Widen(source.FileName);
                line = static_cast<long>(source.LineNumber);
            }
            text += FormatStackFrame(static_cast<uintptr_t>(frame.AddrPC.Offset), name, file, line);
            ++frames;
        }
        if (frames == maxFrames)
            text += kMoreFramesLine;
        text += FormatModuleBaseLine(reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr)));
    } catch (...) {
        As<SymCleanupFn>(help.cleanup_)(process);
        section.Leave();
        throw;
    }
    As<SymCleanupFn>(help.cleanup_)(process);
    section.Leave();
}

SehException TranslateStructuredException(const EXCEPTION_POINTERS* info) {
    return TranslateStructuredException(info, DebugHelp::ForProcess());
}

SehException TranslateStructuredException(const EXCEPTION_POINTERS* info, DebugHelp& debugHelp) {
    if (info == nullptr || info->ExceptionRecord == nullptr)
        return SehException(L"Unidentified SEH Exception !", kHandlingSource, kUnidentifiedLine,
                            kDefaultExceptionCode, kSehGeneric);
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    const uint32_t code = record.ExceptionCode;
    std::wstring message =
        FormatStructuredException(code, reinterpret_cast<uintptr_t>(record.ExceptionAddress));
    StackTrace(message, info->ContextRecord, kMaxFrames, debugHelp);

    int kind = kSehGeneric;
    if (code == kAccessViolationCode && record.NumberParameters >= 2)
        kind = ClassifyAccessViolation(record.ExceptionInformation[0], record.ExceptionInformation[1]);
    message = PrefixWithKind(kind, message);
    SourceLocation location = FirstFrameSource(message);
    return SehException(std::move(message), std::move(location.file), location.line, code, kind);
}

namespace {

// Which thread is reporting a crash; 0 while none is.
volatile LONG reportingThread = 0;

// A second fault while the report is being made: on the reporting thread the report itself failed, so end
// at once; on any other thread wait, so the first report stays on screen until it ends the process.
void ClaimCrashReport(uint32_t code) {
    const LONG self = static_cast<LONG>(::GetCurrentThreadId());
    LONG owner = ::InterlockedCompareExchange(&reportingThread, self, 0);
    if (owner == self)
        ::TerminateProcess(::GetCurrentProcess(), code);
    if (owner != 0)
        ::Sleep(INFINITE);
}

struct CrashJob {
    const EXCEPTION_POINTERS* info;
};

DWORD WINAPI ReportStructuredException(void* parameter) {
    const auto* job = static_cast<const CrashJob*>(parameter);
    try {
        SehException exception = TranslateStructuredException(job->info);
        PresentError(nullptr, MessageOfReport(exception.Message()), exception.Message());
    } catch (...) {
        // Out of memory while reporting: the process ends with the fault's code all the same.
    }
    return 0;
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
    const uint32_t code = info != nullptr && info->ExceptionRecord != nullptr
                              ? info->ExceptionRecord->ExceptionCode
                              : kDefaultExceptionCode;
    ClaimCrashReport(code);
    // The report is made on a fresh thread: after a stack overflow the faulting thread has only a few
    // kilobytes of stack left, far too little for a stack walk and a dialog. The faulting thread's context
    // travels in info, and this thread stays blocked, so its stack does not change under the walk.
    CrashJob job{info};
    HANDLE reporter = ::CreateThread(nullptr, 256 * 1024, ReportStructuredException, &job, 0, nullptr);
    if (reporter != nullptr) {
        ::WaitForSingleObject(reporter, INFINITE);
        ::CloseHandle(reporter);
    } else {
        ReportStructuredException(&job);
    }
    ::TerminateProcess(::GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

void OnTerminate() {
    ClaimCrashReport(kDefaultExceptionCode);
    try {
        std::wstring report = FormatUnhandledHeader(false, 0, 0);
        if (std::exception_ptr current = std::current_exception()) {
            try {
                std::rethrow_exception(current);
            } catch (const Exception& exception) {
                report += exception.Message();
            } catch (const std::exception& exception) {
                report += Widen(exception.what());
            } catch (...) {
            }
        }
        report += L"\r\n";
        if (CurrentCrashRegistrations().console == nullptr)
            StackTrace(report, nullptr, kMaxFrames);
        PresentError(nullptr, MessageOfReport(report), report);
    } catch (...) {
    }
    ::TerminateProcess(::GetCurrentProcess(), kDefaultExceptionCode);
}

// OS quirk (64-bit Windows 7 and later, 32-bit processes): an exception raised in a window procedure
// that the kernel called back is swallowed at the user/kernel boundary unless the process opts out; the
// program would go on in a broken state instead of reaching the filter. Wine has no such policy
// functions, so nothing happens there.
void StopSwallowingCallbackExceptions() {
    using GetPolicyFn = BOOL(WINAPI*)(DWORD*);
    using SetPolicyFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto getPolicy = reinterpret_cast<GetPolicyFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
    auto setPolicy = reinterpret_cast<SetPolicyFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
    DWORD flags = 0;
    constexpr DWORD kCallbackFilterEnabled = 0x1;
    if (getPolicy != nullptr && setPolicy != nullptr && getPolicy(&flags))
        setPolicy(flags & ~kCallbackFilterEnabled);
}

volatile LONG handlersInstalled = 0;

} // namespace

void InstallCrashHandlers() {
    if (::InterlockedExchange(&handlersInstalled, 1) != 0)
        return;
    ::SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate(OnTerminate);
    StopSwallowingCallbackExceptions();
}

DWORD PresentCaughtException(HWND owner) noexcept {
    try {
        try {
            throw;
        } catch (const Exception& exception) {
            std::unique_ptr<Exception> copy = exception.Clone(true);
            PresentError(owner, MessageOfReport(copy->Message()), copy->Message());
            return copy->Code();
        } catch (const std::exception& exception) {
            std::wstring report = L"[";
            report += ExceptionTypeName(kExceptionStd);
            report += L"] ";
            report += Widen(exception.what());
            report += L"\r\n";
            StackTrace(report, nullptr, kMaxFrames);
            PresentError(owner, MessageOfReport(report), report);
            return kDefaultExceptionCode;
        } catch (...) {
            std::wstring report = FormatUnhandledHeader(false, 0, 0) + L"\r\n";
            StackTrace(report, nullptr, kMaxFrames);
            PresentError(owner, MessageOfReport(report), report);
            return kDefaultExceptionCode;
        }
    } catch (...) {
        // Nothing left to report with; the caller's code still says what happened.
        return kDefaultExceptionCode;
    }
}

} // namespace velmora::platform::core
