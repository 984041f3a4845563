// The credentials dialog (225): a user name, a hidden password and "Remember my credentials"; "Ok" can be
// pressed only while the user name is not empty.
#pragma once

#include <windows.h>

#include <string>

#include "platform/SecretText.h"

namespace velmora::transfer {

// What was typed; the password has this one owner until it is handed on, and the user name is overwritten
// when the object goes.
struct EnteredCredentials {
    std::wstring user;
    platform::SecretText password;
    bool remember = false; // read, and left to the caller
    EnteredCredentials() = default;
    ~EnteredCredentials();
    EnteredCredentials(const EnteredCredentials&) = delete;
    EnteredCredentials& operator=(const EnteredCredentials&) = delete;
};

// Shows the dialog modally with the given title and explanation (text 1067). True when Ok was pressed;
// the password is read straight into `entered` and overwritten in the dialog's control, Ok or Cancel.
bool ShowCredentialsDialog(HWND owner, const std::wstring& title, const std::wstring& explanation,
                           EnteredCredentials& entered);

} // namespace velmora::transfer
