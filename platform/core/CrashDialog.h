// The crash dialog: the report's message with an error icon, and the whole report behind "Details >>",
// with "Copy", "Send Error Report" (when the reporter can send) and "Close". It can be resized, never below
// its first size.
//
// It is built in memory, so it works in any module with or without resources, and runs on a dialog
// procedure of its own: it needs nothing of the program's window framework, which may be what failed.
#pragma once

#include <windows.h>

#include <string>

#include "platform/core/ExceptionPresenter.h"

namespace velmora::platform::core {

// Shows the dialog modally over owner (null: no owner) and returns when it is closed. details: the text of
// the details pane; empty for none, and then only "Close" is offered.
void ShowCrashDialog(HWND owner, std::wstring message, std::wstring details, const CrashReporting& reporting);

} // namespace velmora::platform::core
