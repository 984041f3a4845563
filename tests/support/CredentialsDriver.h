// Answers the chainer's credentials dialog (225) as a person would, and tells what it showed. Works on
// dialogs of this process and of other processes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace velmora::test {

struct CredentialsDialogVisit {
    std::wstring title;
    std::wstring explanation;
    bool okAtFirst = false;          // before anything was typed
    bool okWithPasswordOnly = false; // with the password typed but no user name
    bool okWithUser = false;         // with the user name typed too
    bool entered = false;            // Ok pressed; else Cancel
    HWND owner = nullptr;
};

// A visible credentials dialog of the process (any process when 0) or of the program at that full path
// (any when empty) whose owner has the given title and belongs to the dialog's own process (any owner when
// the title is empty); null when there is none.
HWND FindCredentialsDialog(DWORD processId, std::wstring_view ownerTitle = {},
                           std::wstring_view program = {});

// Types the password, then the user name, key by key, noting whether Ok can be pressed at each stage, and
// presses Ok; with an empty user name, or when a key could not be delivered, it presses Cancel instead.
// Returns once the dialog is gone.
CredentialsDialogVisit AnswerCredentialsDialog(HWND dialog, std::wstring_view user,
                                               std::wstring_view password);

} // namespace velmora::test
