#include "platform/core/ExceptionHandling.h"

#include <exception>
#include <memory>
#include <utility>

#include "platform/SystemLibrary.h"
#include "platform/TextConversion.h"
#include "platform/core/StackTrace.h"

namespace velmora::platform::core {

namespace {

// The translator's location for a structured exception that came without any information.
constexpr long kUnidentifiedLine = 117;
constexpr wchar_t kHandlingSource[] = L"platform\\core\\ExceptionHandling";

// Which thread is reporting a crash; 0 while none is.
volatile LONG reportingThread = 0;

// Where the handlers report, fixed by the call that installed them.
volatile LONG handlersInstalled = 0;
CrashReporting installedReporting;

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

DWORD WINAPI ReportStructuredException(void* parameter) {
    const auto* info = static_cast<const EXCEPTION_POINTERS*>(parameter);
    try {
        SehException exception = TranslateStructuredException(info);
        PresentError(nullptr, MessageOfReport(exception.Message()), exception.Message(), installedReporting);
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
    HANDLE reporter = ::CreateThread(nullptr, 256 * 1024, ReportStructuredException, info, 0, nullptr);
    if (reporter != nullptr) {
        ::WaitForSingleObject(reporter, INFINITE);
        ::CloseHandle(reporter);
    } else {
        ReportStructuredException(info);
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
                report += FromAnsi(exception.what());
            } catch (...) {
            }
        }
        report += L"\r\n";
        if (installedReporting.console == nullptr)
            StackTrace(report, nullptr, kMaxStackFrames);
        PresentError(nullptr, MessageOfReport(report), report, installedReporting);
    } catch (...) {
    }
    ::TerminateProcess(::GetCurrentProcess(), kDefaultExceptionCode);
}

// OS quirk (64-bit Windows 7 and later, 32-bit processes): an exception raised in a window procedure
// that the kernel called back is swallowed at the user/kernel boundary unless the process opts out; the
// program would go on in a broken state instead of reaching the filter. Wine has no such policy
// functions, so nothing happens there.
void StopSwallowingCallbackExceptions() {
    BOOL(WINAPI * getPolicy)(DWORD*) = nullptr;
    BOOL(WINAPI * setPolicy)(DWORD) = nullptr;
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    FindFunction(kernel, "GetProcessUserModeExceptionPolicy", getPolicy);
    FindFunction(kernel, "SetProcessUserModeExceptionPolicy", setPolicy);
    DWORD flags = 0;
    constexpr DWORD kCallbackFilterEnabled = 0x1;
    if (getPolicy != nullptr && setPolicy != nullptr && getPolicy(&flags))
        setPolicy(flags & ~kCallbackFilterEnabled);
}

} // namespace

SehException TranslateStructuredException(const EXCEPTION_POINTERS* info) {
    return TranslateStructuredException(info, DebugHelp::ForProcess());
}

SehException TranslateStructuredException(const EXCEPTION_POINTERS* info, const DebugHelp& debugHelp) {
    if (info == nullptr || info->ExceptionRecord == nullptr)
        return SehException(L"Unidentified SEH Exception !", kHandlingSource, kUnidentifiedLine,
                            kDefaultExceptionCode, kSehGeneric);
    const EXCEPTION_RECORD& record = *info->ExceptionRecord;
    const uint32_t code = record.ExceptionCode;
    std::wstring message =
        FormatStructuredException(code, reinterpret_cast<uintptr_t>(record.ExceptionAddress));
    StackTrace(message, info->ContextRecord, kMaxStackFrames, debugHelp);

    int kind = kSehGeneric;
    if (code == kAccessViolationCode && record.NumberParameters >= 2)
        kind = ClassifyAccessViolation(record.ExceptionInformation[0], record.ExceptionInformation[1]);
    message = PrefixWithKind(kind, message);
    SourceLocation location = FirstFrameSource(message);
    return SehException(std::move(message), std::move(location.file), location.line, code, kind);
}

void InstallCrashHandlers(const CrashReporting& reporting) {
    if (::InterlockedExchange(&handlersInstalled, 1) != 0)
        return;
    installedReporting = reporting;
    ::SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate(OnTerminate);
    StopSwallowingCallbackExceptions();
}

DWORD PresentCaughtException(HWND owner, const CrashReporting& reporting) noexcept {
    try {
        try {
            throw;
        } catch (const Exception& exception) {
            std::unique_ptr<Exception> copy = exception.Clone(true);
            PresentError(owner, MessageOfReport(copy->Message()), copy->Message(), reporting);
            return copy->Code();
        } catch (const std::exception& exception) {
            std::wstring report = L"[";
            report += ExceptionTypeName(kExceptionStd);
            report += L"] ";
            report += FromAnsi(exception.what());
            report += L"\r\n";
            StackTrace(report, nullptr, kMaxStackFrames);
            PresentError(owner, MessageOfReport(report), report, reporting);
            return kDefaultExceptionCode;
        } catch (...) {
            std::wstring report = FormatUnhandledHeader(false, 0, 0) + L"\r\n";
            StackTrace(report, nullptr, kMaxStackFrames);
            PresentError(owner, MessageOfReport(report), report, reporting);
            return kDefaultExceptionCode;
        }
    } catch (...) {
        // Nothing left to report with; the caller's code still says what happened.
        return kDefaultExceptionCode;
    }
}

} // namespace velmora::platform::core
