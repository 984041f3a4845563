// A small driver for real windows under test: find a window, read its controls, press its buttons, read
// the clipboard. Works on windows of this process and of other processes (messages go through
// SendMessageTimeoutW, so a hung target fails the test instead of hanging it). Waits poll a condition
// while pumping this thread's messages, so windows of the calling thread stay alive meanwhile.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

// True as soon as condition() is; false when timeoutMs passed first.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 60000);

// Visible top-level windows of a process (any process when 0) or of one thread, with the given title
// (any title when empty).
std::vector<HWND> TopLevelWindows(DWORD processId, std::wstring_view title = {});
std::vector<HWND> ThreadWindows(DWORD threadId, std::wstring_view title = {});

// Waits for the first visible top-level window of the process with that title; null after the time-out.
HWND WaitForWindow(DWORD processId, std::wstring_view title, DWORD timeoutMs = 60000);
HWND WaitForThreadWindow(DWORD threadId, std::wstring_view title, DWORD timeoutMs = 15000);

std::wstring TextOf(HWND window);
std::wstring ControlText(HWND dialog, int id);
bool ControlVisible(HWND dialog, int id);
// The control's rectangle in the dialog's client coordinates.
RECT ControlRect(HWND dialog, int id);
// BM_CLICK on the button, as a mouse click would; false when the button is missing or did not answer.
bool Press(HWND dialog, int id);

// The clipboard's Unicode text; empty when it holds none.
std::wstring ClipboardText();
void EmptyClipboardText();

} // namespace velmora::test
