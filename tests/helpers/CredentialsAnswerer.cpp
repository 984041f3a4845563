// The person at the machine for end-to-end tests: answers every credentials dialog (225) that a running
// chainer shows, in order, and records what each one showed.
// Usage: credentials_answerer RECORD_FILE STOP_FILE PROGRAM OWNER_TITLE [USER PASSWORD]...
// Watches for visible credentials dialogs of the program at the full path PROGRAM (the chainer under test:
// other programs on the same desktop show such dialogs too) owned by its window titled OWNER_TITLE until
// STOP_FILE exists (five minutes at most). The n-th dialog gets the n-th USER and PASSWORD; "-" as USER, or
// no pair left, presses Cancel. Appends one UTF-8 line per dialog to RECORD_FILE:
// "<title>\t<explanation>\t<Ok at first><Ok with the password only><Ok with the user
// name>\t<entered|cancelled>", each Ok state as 0 or 1.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/CredentialsDriver.h"

namespace {

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3 + 1, '\0');
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                             bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return bytes;
}

void Append(const wchar_t* path, const std::string& line) {
    FILE* file = _wfopen(path, L"ab");
    if (file == nullptr)
        return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5)
        return 2;
    const wchar_t* record = argv[1];
    const wchar_t* stop = argv[2];
    const std::wstring program = argv[3];
    const std::wstring owner = argv[4];
    std::vector<std::pair<std::wstring, std::wstring>> answers;
    for (int i = 5; i + 1 < argc; i += 2)
        answers.emplace_back(std::wstring(argv[i]) == L"-" ? L"" : argv[i], argv[i + 1]);

    const DWORD started = ::GetTickCount();
    std::size_t answered = 0;
    while (::GetFileAttributesW(stop) == INVALID_FILE_ATTRIBUTES && ::GetTickCount() - started < 300000) {
        HWND dialog = velmora::test::FindCredentialsDialog(0, owner, program);
        if (dialog == nullptr) {
            ::Sleep(50);
            continue;
        }
        const auto answer =
            answered < answers.size() ? answers[answered] : std::pair<std::wstring, std::wstring>{};
        ++answered;
        const velmora::test::CredentialsDialogVisit visit =
            velmora::test::AnswerCredentialsDialog(dialog, answer.first, answer.second);
        std::wstring line = visit.title + L"\t" + visit.explanation + L"\t";
        line += visit.okAtFirst ? L'1' : L'0';
        line += visit.okWithPasswordOnly ? L'1' : L'0';
        line += visit.okWithUser ? L'1' : L'0';
        line += visit.entered ? L"\tentered\n" : L"\tcancelled\n";
        Append(record, Utf8(line));
    }
    return 0;
}
