// The floor of logging: replays a log the chainer wrote, line by line, with the writes and flushes the
// chainer makes: every line by one WriteFile and one flush, a line that starts with a time stamp with a
// fresh one. Without an output file it only reads and splits the log, which is the part of the floor that
// is not logging.
// Usage: floor_log <chainer log> [<output log>]
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "FloorArgs.h"

namespace {

void WritePiece(HANDLE file, std::wstring_view piece) {
    DWORD written = 0;
    ::WriteFile(file, piece.data(), static_cast<DWORD>(piece.size() * sizeof(wchar_t)), &written, nullptr);
    ::FlushFileBuffers(file);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::vector<std::wstring> arguments = velmora::bench::Arguments();
    std::string bytes;
    if (arguments.size() < 2 || !velmora::bench::ReadWholeFile(arguments[1], bytes))
        return 2;
    std::wstring text;
    const std::vector<std::wstring_view> lines = velmora::bench::Utf16Lines(bytes, text);
    if (arguments.size() < 3)
        return lines.empty() ? 1 : 0;

    HANDLE file =
        ::CreateFileW(arguments[2].c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    WritePiece(file, L"\xFEFF");
    constexpr std::size_t kStampLength = 19; // 2026-12-08 17-05-09
    for (std::wstring_view line : lines) {
        if (line.size() > kStampLength && line[kStampLength] == L'-' && line[4] == L'-') {
            SYSTEMTIME now{};
            ::GetLocalTime(&now);
            wchar_t stamp[32];
            std::swprintf(stamp, 32, L"%04d-%02d-%02d %02d-%02d-%02d", now.wYear, now.wMonth, now.wDay,
                          now.wHour, now.wMinute, now.wSecond);
            std::wstring whole = stamp;
            whole += line.substr(kStampLength);
            whole += L"\r\n";
            WritePiece(file, whole);
        } else {
            WritePiece(file, std::wstring(line) + L"\r\n");
        }
    }
    ::CloseHandle(file);
    return 0;
}
