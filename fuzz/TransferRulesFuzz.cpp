// Arbitrary URLs and server texts (Content-Length, Content-Range, FTP replies and SIZE answers, realms)
// through the transfer rules: no read outside the text (ASan), a file URL's
// path never keeps a "/" or gains a zero, and an HTTP answer never places data past what it announces.
#include <cstdlib>

#include "fuzz/FuzzText.h"
#include "transfer/pure/CredentialRules.h"
#include "transfer/pure/FileUrl.h"
#include "transfer/pure/FtpRules.h"
#include "transfer/pure/HttpRules.h"
#include "transfer/pure/TransferRules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::transfer;
    std::wstring text = velmora::fuzz::Utf16Units(data, size);

    std::wstring path = FileUrlPath(text);
    if (path.find(L'/') != std::wstring::npos || path.find(L'\0') != std::wstring::npos)
        std::abort();
    if (path.size() > text.size() + 2)
        std::abort();
    NetworkServer(text);
    NetworkServer(path);
    FtpReplyCode(text);
    FtpSizeReply(text);
    ContentLengthValue(text);
    UnsatisfiedRangeSize(text);
    RealmOfChallenge(text);
    ProxyHostOf(text);

    std::optional<ContentRange> range = ParseContentRange(text);
    if (range && range->size && *range->size <= range->first)
        std::abort();

    if (size >= 12) {
        std::uint32_t status = data[0] | data[1] << 8;
        std::uint64_t length = data[2] | data[3] << 8 | static_cast<std::uint64_t>(data[4]) << 16;
        std::uint64_t offset = data[5] | data[6] << 8 | static_cast<std::uint64_t>(data[7]) << 16;
        HttpAnswer answer = ClassifyHttpAnswer(status, length, offset, text);
        if (answer.result == 0 && answer.offset != 0 && answer.offset != offset)
            std::abort();
        if (answer.result == 0 && answer.total != 0 && answer.total < answer.offset)
            std::abort();

        MirrorCursor cursor(data[8] % 5 + 1, data[9] % 8);
        int steps = 0;
        while (cursor.MoveOnAfter(data[10] % 2 ? 12029u : XFER_NOT_FOUND))
            if (++steps > 20)
                std::abort();
    }
    return 0;
}
