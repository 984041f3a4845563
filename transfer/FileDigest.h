// Whether a downloaded prerequisite is the file the configuration describes: its size (ExactSize) and its
// MD5 digest (MD5). An absent value (0, empty) is not checked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/UniqueHandle.h"

namespace velmora::acquisition {

// The 32-character lowercase digest text of a file. False when the file cannot be opened, its size cannot
// be read, it is empty, or it cannot be read to the size it had when it was opened.
bool FileDigestText(std::wstring_view path, std::string& text);

// The check after a transfer: with a non-zero expectedSize the file's size (0 when it cannot be opened)
// must equal it; with a non-empty md5 the file's digest must match it. A digest the transfer computed while
// it wrote the file (knownDigest) stands for the file's: it is not read again. Deletes nothing.
bool DownloadedFileAccepted(std::wstring_view path, std::uint64_t expectedSize, std::wstring_view md5,
                            std::string_view knownDigest = {});

// The same check on a file that is then held open, shared with readers only, until the object goes: no one
// can rewrite, rename or delete it meanwhile, so the file launched under its protection is the file that
// was checked. A file that cannot be opened so is not accepted. With plainOnly the file is opened without
// following a link and must also be plain (platform/pure/FileTrust.h): a second name would let someone
// change it after the object is gone, a link would be opened instead of the file. A knownDigest stands for
// the file's as above.
class CheckedFile {
public:
    CheckedFile(std::wstring_view path, std::uint64_t expectedSize, std::wstring_view md5,
                bool plainOnly = false, std::string_view knownDigest = {});
    bool Accepted() const { return accepted_; }
    // The error that kept the file from being opened (it is missing, in use, or may not be read); 0 when it
    // was opened.
    std::uint32_t OpenError() const { return openError_; }
    // False when plainOnly refused the file; its size and digest were not looked at then.
    bool Plain() const { return plain_; }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    platform::UniqueFile file_;
    std::uint32_t openError_ = 0;
    bool plain_ = true;
    bool accepted_ = false;
};

} // namespace velmora::acquisition
