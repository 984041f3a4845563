// The callback through which the processing phases and the transfer engine report progress and ask for
// decisions. The slot order is fixed: the processing window and the transfers are built against it.
#pragma once

#include <cstdint>
#include <string_view>

#include "execution/pure/RebootRules.h"

namespace velmora::transfer {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // A phase with `count` steps starts.
    virtual void Begin(std::uint64_t count, std::uint32_t reserved) = 0;
    virtual void Reserved1() {}
    virtual void TransferStarted(std::uint32_t kind, std::uint64_t totalBytes,
                                 std::wstring_view targetPath) = 0;
    virtual void Reserved2() {}
    // kind 1 after one transfer, 0 when the whole sequence has ended.
    virtual void Completed(std::uint32_t kind, std::uint32_t reserved) = 0;
    virtual void BytesDone(std::uint64_t count) = 0;
    virtual bool IsCancelled() = 0;
    virtual bool IsPaused() = 0;
    // Shows a failure. Where a decision is asked: 0 retry, 1237 (ERROR_RETRY) credentials were entered,
    // anything else gives up. The context is handle-sized: it carries the request handle or the object the
    // question concerns.
    virtual std::uint32_t ReportError(std::wstring_view text, std::uint32_t code, std::uintptr_t context) = 0;
    // kind 9: the next step begins.
    virtual void SetStatus(std::wstring_view text, std::uint32_t kind, std::uint32_t reserved) = 0;

    // Questions for the person at the machine, after the slots above. The caller waits while the thread
    // that owns the windows shows them (the processing window's own thread); a sink that cannot show them
    // answers that the reboot question could not be shown, and shows no notice.
    virtual execution::RebootAnswer AskToRestart() { return execution::RebootAnswer::NotShown; }
    // The notice after a site was opened, with the step's text as its title; returns once it was read.
    virtual void ShowNotice(std::wstring_view notice, std::wstring_view title) {}
};

} // namespace velmora::transfer
