#include "cli/layout/pure/Layout.h"

#include "cli/pure/JsonWriter.h"
#include "cli/pure/TextCodec.h"
#include "platform/pure/PathRules.h"
#include "platform/pure/Redact.h"

namespace velmora::cli {

namespace {

std::wstring Quote(std::wstring_view text) {
    return L"\"" + Printable(text) + L"\"";
}

// One decimal, rounded down: "1.5".
std::wstring OneDecimal(std::uint64_t value, std::uint64_t unit) {
    const std::uint64_t tenths = value / (unit / 10 == 0 ? 1 : unit / 10) % 10;
    return std::to_wstring(value / unit) + L"." + std::to_wstring(tenths);
}

std::wstring OutcomeName(LayoutOutcome outcome) {
    switch (outcome) {
    case LayoutOutcome::Downloaded:
        return L"downloaded";
    case LayoutOutcome::InPlace:
        return L"in place";
    case LayoutOutcome::Missing:
        return L"missing";
    case LayoutOutcome::Mismatch:
        return L"mismatch";
    case LayoutOutcome::Failed:
        return L"failed";
    default:
        return L"not laid out";
    }
}

std::string_view OutcomeId(LayoutOutcome outcome) {
    switch (outcome) {
    case LayoutOutcome::Downloaded:
        return "downloaded";
    case LayoutOutcome::InPlace:
        return "inPlace";
    case LayoutOutcome::Missing:
        return "missing";
    case LayoutOutcome::Mismatch:
        return "mismatch";
    case LayoutOutcome::Failed:
        return "failed";
    default:
        return "notLaidOut";
    }
}

// "ExactSize and MD5", or empty when the kit gives no check.
std::wstring ChecksText(const LayoutFile& file) {
    std::vector<std::wstring> keys;
    if (file.exactSize != 0)
        keys.emplace_back(L"ExactSize");
    if (file.md5)
        keys.emplace_back(L"MD5");
    if (file.sha256)
        keys.emplace_back(L"SHA256");
    if (file.signer)
        keys.emplace_back(L"SignerThumbprint");
    std::wstring text;
    for (std::size_t i = 0; i < keys.size(); ++i)
        text += (i == 0 ? L"" : i + 1 == keys.size() ? L" and " : L", ") + keys[i];
    return text;
}

std::wstring Plural(std::size_t count, std::wstring_view word) {
    return std::to_wstring(count) + L" " + std::wstring(word) + (count == 1 ? L"" : L"s");
}

std::string Line(std::wstring_view text) {
    // Reports end up in tickets and build logs: no URL's user information, as in the log.
    return ToUtf8(platform::RedactUrlCredentials(text)) + "\n";
}

} // namespace

bool LayoutComplete(const LayoutReport& report) {
    for (const LayoutFile& file : report.files) {
        if (file.outcome != LayoutOutcome::Downloaded && file.outcome != LayoutOutcome::InPlace &&
            file.outcome != LayoutOutcome::NotLaidOut)
            return false;
    }
    return true;
}

bool FolderIsInKit(std::wstring_view folder, std::wstring_view kitFolder) {
    // A name below the folder lies inside the kit exactly when the folder is the kit's or one below it.
    return platform::IsInsideFolder(platform::WithTrailingBackslash(folder) + L"-", kitFolder);
}

std::wstring OutsideKitText(std::wstring_view downloadFolder, std::wstring_view configured,
                            std::wstring_view kitFolder) {
    std::wstring text = L"the kit's download folder " + Quote(downloadFolder);
    text += configured.empty() ? std::wstring(L" (DownloadFolder is not set: the default is in the user's "
                                              L"temporary folder)")
                               : L" (DownloadFolder " + Quote(configured) + L")";
    text += L" is not inside the kit " + Quote(kitFolder) +
            L": on a machine without a network the chainer looks for its downloads there, and a layout "
            L"there would not travel with the kit. Set DownloadFolder in [GeneralOptions] to a folder of "
            L"the kit, for example DownloadFolder=[SETUPEXEDIR]Downloads";
    return text;
}

std::wstring ByteCount(std::uint64_t bytes) {
    constexpr std::uint64_t kKb = 1024;
    if (bytes < kKb)
        return std::to_wstring(bytes) + L" B";
    if (bytes < kKb * kKb)
        return OneDecimal(bytes, kKb) + L" KB";
    if (bytes < kKb * kKb * kKb)
        return OneDecimal(bytes, kKb * kKb) + L" MB";
    return OneDecimal(bytes, kKb * kKb * kKb) + L" GB";
}

std::wstring Duration(std::uint64_t seconds) {
    const std::uint64_t hours = seconds / 3600;
    const std::uint64_t minutes = seconds / 60 % 60;
    const std::uint64_t rest = seconds % 60;
    std::wstring text = hours != 0 ? std::to_wstring(hours) + L":" + (minutes < 10 ? L"0" : L"") : L"";
    text += std::to_wstring(minutes) + L":" + (rest < 10 ? L"0" : L"") + std::to_wstring(rest);
    return text;
}

std::wstring ProgressLine(std::uint64_t done, std::uint64_t total, std::uint64_t fetched,
                          std::uint64_t elapsedMs) {
    std::wstring line = ByteCount(done);
    if (total != 0)
        line += L" of " + ByteCount(total) + L" (" +
                std::to_wstring(done >= total ? 100 : done * 100 / total) + L"%)";
    constexpr std::uint64_t kSettleMs = 500;
    if (elapsedMs < kSettleMs)
        return line;
    const std::uint64_t perSecond = fetched * 1000 / elapsedMs;
    line += L", " + ByteCount(perSecond) + L"/s";
    if (total != 0 && done < total && perSecond != 0)
        line += L", " + Duration((total - done + perSecond - 1) / perSecond) + L" left";
    return line;
}

std::wstring OutcomeLine(const LayoutFile& file) {
    const std::wstring checks = ChecksText(file);
    const std::wstring matched = checks.empty() ? std::wstring(L"nothing to check it against (no ExactSize, "
                                                               L"MD5 or SHA256)")
                                                : checks + L" match";
    switch (file.outcome) {
    case LayoutOutcome::Downloaded: {
        std::wstring line =
            L"downloaded: " + ByteCount(file.size) + L" in " + Duration(file.milliseconds / 1000);
        if (file.milliseconds != 0)
            line += L" (" + ByteCount(file.size * 1000 / file.milliseconds) + L"/s)";
        return line + L"; " + matched;
    }
    case LayoutOutcome::InPlace:
        return L"in place: " + ByteCount(file.size) + L"; " + matched;
    case LayoutOutcome::Missing:
        return L"missing" + (file.detail.empty() ? std::wstring() : L": " + file.detail);
    case LayoutOutcome::Mismatch:
        return L"not accepted: " + file.detail;
    case LayoutOutcome::Failed:
        return L"failed: " + file.detail;
    default:
        return L"not laid out: a file URL is started where it lies";
    }
}

std::wstring NoteLine(const LayoutFile& file) {
    if ((file.outcome != LayoutOutcome::Downloaded && file.outcome != LayoutOutcome::InPlace) ||
        file.Pinned())
        return {};
    return L"note: without SHA256 or MD5 the chainer takes a file found in place only where no other account "
           L"can have changed it, so from a share or a disc it fetches it again; give SHA256";
}

std::string FileHeading(const LayoutFile& file, std::size_t position, std::size_t count) {
    std::string text = Line(L"[" + std::to_wstring(position) + L"/" + std::to_wstring(count) + L"] App" +
                            std::to_wstring(file.number) + L" " + Quote(file.name));
    text += Line(L"  from: " + Quote(file.url));
    if (file.outcome != LayoutOutcome::NotLaidOut)
        text += Line(L"  to: " + Quote(file.relativePath));
    return text;
}

std::string SummaryText(const LayoutReport& report) {
    std::size_t counts[6] = {};
    for (const LayoutFile& file : report.files)
        ++counts[static_cast<int>(file.outcome)];
    std::wstring line = L"Summary: " + Plural(report.files.size(), L"download");
    std::wstring parts;
    for (int outcome = 0; outcome < 6; ++outcome) {
        if (counts[outcome] != 0)
            parts += (parts.empty() ? L": " : L", ") + std::to_wstring(counts[outcome]) + L" " +
                     OutcomeName(static_cast<LayoutOutcome>(outcome));
    }
    line += parts;
    if (report.withoutUrl != 0)
        line += L"; " + Plural(report.withoutUrl, L"prerequisite") + L" without a Url";
    line += LayoutComplete(report) ? std::wstring(L"; the chainer finds every download in place")
                                   : std::wstring(L"; the layout is not complete");
    return Line(line);
}

std::string ReportHeading(const LayoutReport& report) {
    return Line(L"Kit: " + Quote(report.configurationPath)) +
           Line(L"Download folder: " + Quote(report.downloadFolder));
}

std::string LayoutText(const LayoutReport& report) {
    std::string text = ReportHeading(report);
    for (std::size_t i = 0; i < report.files.size(); ++i) {
        const LayoutFile& file = report.files[i];
        text += FileHeading(file, i + 1, report.files.size());
        text += Line(L"  " + OutcomeLine(file));
        if (const std::wstring note = NoteLine(file); !note.empty())
            text += Line(L"  " + note);
    }
    return text + SummaryText(report);
}

std::string LayoutJson(const LayoutReport& report) {
    JsonWriter json;
    json.BeginObject();
    json.Member("formatVersion", kLayoutJsonFormatVersion);
    json.Member("configuration", report.configurationPath);
    json.Member("kitFolder", report.kitFolder);
    json.Member("downloadFolder", report.downloadFolder);
    json.Member("check", report.check);
    json.Member("complete", LayoutComplete(report));
    json.Member("withoutUrl", report.withoutUrl);
    json.Key("files");
    json.BeginArray();
    for (const LayoutFile& file : report.files) {
        json.BeginObject();
        json.Member("number", file.number);
        json.Member("name", file.name);
        json.Member("url", file.url);
        json.Member("path", file.path);
        json.Member("relativePath", file.relativePath);
        json.Key("exactSize");
        if (file.exactSize != 0)
            json.Number(static_cast<std::int64_t>(file.exactSize));
        else
            json.Null();
        json.Member("md5", file.md5);
        json.Member("sha256", file.sha256);
        json.Member("signerThumbprint", file.signer);
        json.Member("outcome", OutcomeId(file.outcome));
        json.Member("size", file.size);
        json.Key("error");
        if (file.error != 0)
            json.Number(file.error);
        else
            json.Null();
        json.Member("detail", file.detail);
        json.Member("milliseconds", file.milliseconds);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text();
}

} // namespace velmora::cli
