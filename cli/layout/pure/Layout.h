// chainer-layout's facts as data: where a kit's downloads must lie so that the chainer finds them in place
// on a machine without a network, what became of each, the progress line of a transfer, and the report for
// people and for scripts. Pure: the Windows program (cli/layout/Layout.h) fills it in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::cli {

enum class LayoutOutcome {
    Downloaded, // fetched now, and its checks pass
    InPlace,    // already there, and its checks pass
    Missing,    // (--check) not there
    Mismatch,   // there, or fetched, but its size or digest is not the one the kit gives
    Failed,     // the transfer failed
    NotLaidOut, // a file URL: the chainer starts it where it lies, nothing travels with the kit
};

// One prerequisite with a Url.
struct LayoutFile {
    int number = 0; // App<n>
    std::wstring name;
    std::wstring url;          // as the chainer resolves it
    std::wstring path;         // where the chainer looks for it: the download folder, Folder, the name
    std::wstring relativePath; // the same from the kit folder
    std::uint64_t exactSize = 0;
    bool md5 = false;    // an MD5 is given
    bool sha256 = false; // a SHA256 is given
    bool signer = false; // a SignerThumbprint is given
    LayoutOutcome outcome = LayoutOutcome::Missing;
    std::uint64_t size = 0;         // bytes of the file in place
    std::uint32_t error = 0;        // the transfer's code, for Failed
    std::wstring detail;            // what failed or differs
    std::uint64_t milliseconds = 0; // how long the transfer took, for Downloaded
    bool Pinned() const { return md5 || sha256 || signer; }
};

struct LayoutReport {
    bool check = false; // --check: looked at, nothing fetched
    std::wstring configurationPath;
    std::wstring kitFolder;      // with a trailing backslash
    std::wstring downloadFolder; // full path, with a trailing backslash
    std::vector<LayoutFile> files;
    std::size_t withoutUrl = 0; // prerequisites that come from the kit or a site
};

// Every file is where the chainer looks and passes its checks (file URLs need nothing).
bool LayoutComplete(const LayoutReport& report);

// The kit folder or a folder below it: what travels with the kit. Both are full paths.
bool FolderIsInKit(std::wstring_view folder, std::wstring_view kitFolder);

// Why a kit whose download folder lies outside it cannot be laid out, and which key to set. configured is
// DownloadFolder as written (empty: not set).
std::wstring OutsideKitText(std::wstring_view downloadFolder, std::wstring_view configured,
                            std::wstring_view kitFolder);

// "413 B", "1.5 KB", "12.3 MB", "2.0 GB": binary multiples, one decimal from KB on.
std::wstring ByteCount(std::uint64_t bytes);
// "0:07", "12:34", "1:02:03".
std::wstring Duration(std::uint64_t seconds);
// The line a transfer shows while it runs: "1.5 MB of 12.3 MB (12%), 3.4 MB/s, 0:03 left". Without a total
// the share and the time left are missing; before half a second has passed the speed is not told yet.
// done and total count from the first byte of the file; fetched is what this transfer brought so far (a
// resumed transfer brings less than done) in elapsedMs.
std::wstring ProgressLine(std::uint64_t done, std::uint64_t total, std::uint64_t fetched,
                          std::uint64_t elapsedMs);

// The line of a file once it is dealt with: "downloaded: 413 B in 0:01 (1.2 MB/s); ExactSize and MD5 match".
std::wstring OutcomeLine(const LayoutFile& file);

// A note on a file in place that the chainer may not take from where the kit travels; empty when none.
std::wstring NoteLine(const LayoutFile& file);

// The first lines of the report: the kit and its download folder.
std::string ReportHeading(const LayoutReport& report);
// The whole report as text: the kit, the download folder, a block per file, a summary.
std::string LayoutText(const LayoutReport& report);
// The heading of the file at position (from 1) of count, as LayoutText writes it before the file's outcome.
std::string FileHeading(const LayoutFile& file, std::size_t position, std::size_t count);
// The summary line alone.
std::string SummaryText(const LayoutReport& report);

// Its "formatVersion"; changes when a member changes its meaning or goes away.
inline constexpr int kLayoutJsonFormatVersion = 1;
std::string LayoutJson(const LayoutReport& report);

} // namespace velmora::cli
