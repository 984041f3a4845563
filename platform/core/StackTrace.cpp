#include "platform/core/StackTrace.h"

#include "platform/CriticalSection.h"
#include "platform/GrowBuffer.h"
#include "platform/SystemLibrary.h"
#include "platform/TextConversion.h"
#include "platform/core/pure/CrashText.h"

namespace velmora::platform::core {

namespace {

// Undecorated names, line numbers, deferred loads, no prompts for missing symbol files.
constexpr DWORD kSymbolOptions = 0x80000016;
constexpr DWORD kMaxSymbolName = 2000;

CriticalSection& TraceSection() {
    static CriticalSection section;
    return section;
}

// The walk's first frame and machine type: the registers differ between the 32-bit chainer and the 64-bit
// build of the same sources.
DWORD StartFrame(const CONTEXT& context, STACKFRAME64& frame) {
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

// Symbols are looked for beside the program: its folder, in the ANSI form SymInitialize takes.
std::string SymbolSearchPath() {
    std::wstring program;
    if (ModuleFileName(nullptr, program) != ERROR_SUCCESS)
        return {};
    const std::size_t slash = program.rfind(L'\\');
    return slash == std::wstring::npos ? std::string() : ToAnsi(std::wstring_view(program).substr(0, slash));
}

// One session of the debug-help library: the process's symbols from SymInitialize to SymCleanup.
class SymbolSession {
public:
    SymbolSession(const DebugHelp::Functions& help, HANDLE process) : help_(help), process_(process) {
        help_.setOptions(kSymbolOptions);
        const std::string searchPath = SymbolSearchPath();
        help_.initialize(process_, searchPath.empty() ? nullptr : searchPath.c_str(), TRUE);
    }
    ~SymbolSession() { help_.cleanup(process_); }
    SymbolSession(const SymbolSession&) = delete;
    SymbolSession& operator=(const SymbolSession&) = delete;

private:
    const DebugHelp::Functions& help_;
    HANDLE process_;
};

} // namespace

DebugHelp::DebugHelp(const wchar_t* library) : module_(LoadSystemLibrary(library)) {
    if (!module_)
        return;
    HMODULE module = module_.get();
    FindFunction(module, "SymSetOptions", functions_.setOptions);
    FindFunction(module, "SymInitialize", functions_.initialize);
    FindFunction(module, "SymCleanup", functions_.cleanup);
    FindFunction(module, "StackWalk64", functions_.walk);
    FindFunction(module, "SymFunctionTableAccess64", functions_.functionTable);
    FindFunction(module, "SymGetModuleBase64", functions_.moduleBase);
    FindFunction(module, "SymFromAddr", functions_.fromAddress);
    FindFunction(module, "SymGetLineFromAddr64", functions_.lineFromAddress);
    canTrace_ = functions_.setOptions && functions_.initialize && functions_.cleanup && functions_.walk &&
                functions_.functionTable && functions_.moduleBase && functions_.fromAddress;
}

DebugHelp& DebugHelp::ForProcess() {
    static DebugHelp process(L"Dbghelp.dll");
    return process;
}

void StackTrace(std::wstring& text, const CONTEXT* context, int maxFrames) {
    StackTrace(text, context, maxFrames, DebugHelp::ForProcess());
}

void StackTrace(std::wstring& text, const CONTEXT* context, int maxFrames, const DebugHelp& debugHelp) {
    if (!debugHelp.CanTrace())
        return;
    const DebugHelp::Functions& help = debugHelp.Get();
    ScopedLock lock(TraceSection());

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
    SymbolSession session(help, process);

    text += kStackTraceHeading;
    STACKFRAME64 frame{};
    const DWORD machine = StartFrame(walkContext, frame);
    alignas(SYMBOL_INFO) char symbolSpace[sizeof(SYMBOL_INFO) + kMaxSymbolName] = {};
    auto* symbol = reinterpret_cast<SYMBOL_INFO*>(symbolSpace);
    int frames = 0;
    while (frames < maxFrames && help.walk(machine, process, thread, &frame, &walkContext, nullptr,
                                           help.functionTable, help.moduleBase, nullptr)) {
        if (frame.AddrPC.Offset == 0)
            break;
        symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
        symbol->MaxNameLen = kMaxSymbolName;
        DWORD64 displacement = 0;
        std::wstring name;
        if (help.fromAddress(process, frame.AddrPC.Offset, &displacement, symbol))
            name = FromAnsi(symbol->Name);
        std::wstring file;
        long line = 0;
        IMAGEHLP_LINE64 source{};
        source.SizeOfStruct = sizeof source;
        DWORD lineDisplacement = 0;
        if (help.lineFromAddress != nullptr &&
            help.lineFromAddress(process, frame.AddrPC.Offset, &lineDisplacement, &source) &&
            source.FileName != nullptr) {
            file = FromAnsi(source.FileName);
            line = static_cast<long>(source.LineNumber);
        }
        text += FormatStackFrame(static_cast<uintptr_t>(frame.AddrPC.Offset), name, file, line);
        ++frames;
    }
    if (frames == maxFrames)
        text += kMoreFramesLine;
    text += FormatModuleBaseLine(reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr)));
}

} // namespace velmora::platform::core
