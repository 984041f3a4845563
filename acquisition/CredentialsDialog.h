// The credentials dialog (225): a user name, a hidden password and "Remember my credentials"; "Ok" can be
// pressed only while the user name is not empty.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::acquisition {

struct EnteredCredentials {
    std::wstring user;
    std::wstring password;
    bool remember = false; // read, and left to the caller
};

// Shows the dialog modally with the given title and explanation (text 1067). True when Ok was pressed;
// the password never stays in the dialog's controls afterwards.
bool ShowCredentialsDialog(HWND owner, const std::wstring& title, const std::wstring& explanation,
                           EnteredCredentials& entered);

} // namespace velmora::acquisition
