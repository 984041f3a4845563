#include "transfer/FileDigest.h"

#include <windows.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/UniqueHandle.h"
#include "transfer/pure/Md5.h"

namespace velmora::acquisition {

namespace {

constexpr DWORD kDigestBlock = 65536;

platform::UniqueFile OpenForReading(std::wstring_view path, DWORD share, DWORD flags = 0) {
    return platform::UniqueFile(::CreateFileW(platform::ToLongPath(path).c_str(), GENERIC_READ, share,
                                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | flags,
                                              nullptr));
}

bool DigestOfOpenFile(HANDLE file, std::string& text) {
    text.clear();
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart <= 0)
        return false;

    // Bytes that arrive after the size was taken are not digested. A file that ends early or fails to
    // read gives no digest: the digest of part of a file would only be a mismatch reported as a result.
    std::vector<unsigned char> buffer(kDigestBlock);
    Md5 md5;
    std::uint64_t remaining = static_cast<std::uint64_t>(size.QuadPart);
    while (remaining > 0) {
        DWORD want = remaining < kDigestBlock ? static_cast<DWORD>(remaining) : kDigestBlock;
        DWORD read = 0;
        if (!::ReadFile(file, buffer.data(), want, &read, nullptr) || read == 0)
            return false;
        md5.Update(buffer.data(), read);
        remaining -= read;
    }
    text = DigestText(md5.Finish());
    return true;
}

bool OpenFileAccepted(HANDLE file, std::uint64_t expectedSize, std::wstring_view md5,
                      std::string_view knownDigest) {
    if (expectedSize != 0) {
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(file, &size) || static_cast<std::uint64_t>(size.QuadPart) != expectedSize)
            return false;
    }
    if (md5.empty())
        return true;
    if (!knownDigest.empty())
        return DigestMatches(md5, knownDigest);
    std::string computed;
    return DigestOfOpenFile(file, computed) && DigestMatches(md5, computed);
}

} // namespace

bool FileDigestText(std::wstring_view path, std::string& text) {
    text.clear();
    // Shared for writing too: a file another process still holds open can be checked all the same.
    platform::UniqueFile file = OpenForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    return file && DigestOfOpenFile(file.get(), text);
}

bool DownloadedFileAccepted(std::wstring_view path, std::uint64_t expectedSize, std::wstring_view md5,
                            std::string_view knownDigest) {
    if (expectedSize != 0) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        const bool known =
            ::GetFileAttributesExW(platform::ToLongPath(path).c_str(), GetFileExInfoStandard, &data) != FALSE;
        const std::uint64_t size =
            known ? (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow : 0;
        if (size != expectedSize)
            return false;
    }
    if (!md5.empty() && !knownDigest.empty())
        return DigestMatches(md5, knownDigest);
    if (!md5.empty()) {
        std::string computed;
        if (!FileDigestText(path, computed) || !DigestMatches(md5, computed))
            return false;
    }
    return true;
}

CheckedFile::CheckedFile(std::wstring_view path, std::uint64_t expectedSize, std::wstring_view md5,
                         bool plainOnly, std::string_view knownDigest)
    : path_(path),
      file_(OpenForReading(path, FILE_SHARE_READ, plainOnly ? FILE_FLAG_OPEN_REPARSE_POINT : 0)) {
    if (!file_)
        openError_ = ::GetLastError();
    plain_ = !plainOnly || !file_ || platform::IsPlainOpenFile(file_.get());
    accepted_ = file_ && plain_ && OpenFileAccepted(file_.get(), expectedSize, md5, knownDigest);
}

} // namespace velmora::acquisition
