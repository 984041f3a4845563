// chainer-layout's engine: lays a kit out for machines without a network. Every prerequisite with a Url is
// fetched into the folder where the chainer looks for its download, under the name it gives it, so that a
// run of the kit finds each one in place and downloads nothing; or, with check, each is only looked at.
//
// How it works: the kit is read as a chainer sitting in its folder reads it at start ([SETUPEXEDIR] is the
// kit folder, which becomes the current folder), the place of each download comes from the chainer's own
// rule (detection/pure/LocalPath.h), each transfer is the processing engine's own (DownloaderTransfer: the
// transfer engine with its resume, its size limit and the digest computed while it writes), and a file is
// accepted by the same check the chainer makes of a download it finds in place. The download folder must
// lie inside the kit: a layout anywhere else would not travel with it.
#pragma once

#include <memory>
#include <string>

#include "cli/layout/pure/Layout.h"

namespace velmora::cli {

// What the program shows while the layout runs.
class LayoutObserver {
public:
    virtual ~LayoutObserver() = default;
    // The file at position (from 1) of count is dealt with now.
    virtual void Starting(const LayoutFile& file, std::size_t position, std::size_t count) = 0;
    // A transfer's progress (ProgressLine); called for every piece that arrives.
    virtual void Progress(const std::wstring& line) = 0;
    // The file's outcome is known.
    virtual void Done(const LayoutFile& file) = 0;
    // Asked between pieces: true stops the transfer (its partial file stays, for the next run to continue).
    virtual bool Stopped() { return false; }
};

class Kit;

enum class LayoutOpening {
    Opened,
    Unreadable, // the configuration cannot be read
    OutsideKit, // the download folder is not inside the kit
};

class KitLayout {
public:
    KitLayout();
    ~KitLayout();
    KitLayout(const KitLayout&) = delete;
    KitLayout& operator=(const KitLayout&) = delete;

    // Reads the configuration as the chainer would from the kit folder, and finds the place of every
    // download. Anything but Opened comes with the reason in error.
    LayoutOpening Open(const std::wstring& configurationPath, std::string& error);
    // Fetches what is not in place yet (with check: looks only), in the configuration's order.
    void Run(bool check, LayoutObserver& observer);
    const LayoutReport& Report() const { return report_; }

private:
    std::unique_ptr<Kit> kit_;
    LayoutReport report_;
};

} // namespace velmora::cli
