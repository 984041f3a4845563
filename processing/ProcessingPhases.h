// What the main flow drives once there is work (the processing engine's face towards it): the three
// processing phases over the selected prerequisites, the final mandatory check, the reboot outcome and the
// cleanup of downloads.
#pragma once

#include <cstdint>
#include <string_view>

#include "processing/pure/RunOutcome.h"

namespace velmora::transfer {
class ProgressSink;
}

namespace velmora::processing {

class ProcessingPhases {
public:
    virtual ~ProcessingPhases() = default;

    // Passes the comma-separated indexes of the selected prerequisites to the engine.
    virtual void HandOverSelection() = 0;
    // Each phase without a sink runs silently. 0, or 1603 when processing must stop (1602 cancelled).
    [[nodiscard]] virtual std::uint32_t DownloadAll(transfer::ProgressSink* sink) = 0;
    virtual void OpenSites(transfer::ProgressSink* sink) = 0;
    [[nodiscard]] virtual std::uint32_t InstallAll(transfer::ProgressSink* sink) = 0;
    virtual void ReevaluateAll() = 0;
    virtual bool AllMandatoryDone() = 0;

    // Basic UI: the processing window, modal over the active window, runs the phases on its worker thread
    // and ends with AllDone, MandatoryMissing (also when nothing could be done) or Cancelled (also when a
    // reboot started).
    virtual WindowResult RunProcessingWindow(std::wstring_view title) = 0;

    // A launched prerequisite started a reboot / the user refused it / Windows is ending the session.
    virtual bool RebootRequired() const = 0;
    virtual bool RebootRefused() const = 0;
    virtual bool RebootInProgress() const = 0;

    // Deletes the downloads that are not kept and the folders the downloads created, deletes the Internet
    // shortcuts once the programs given them have read them, and cancels the share connections the run made.
    virtual void Cleanup() = 0;
};

} // namespace velmora::processing
