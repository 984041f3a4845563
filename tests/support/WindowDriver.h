// A small driver for real windows under test: find a window, read its controls, press its buttons, read
// the clipboard. Works on windows of this process and of other processes. Windows are found by titles read
// without a message; messages go through SendMessageTimeoutW and wait for the target to answer, however
// busy it is, within a bound that only a hung target reaches: such a target fails the test instead of
// hanging it. (Not SMTO_ABORTIFHUNG: the system calls a thread hung when it has not asked for messages for
// five seconds and is not waiting for one now, as a thread that has just made a window and is about to
// enter its message loop is, on a busy machine; the message was then dropped at once.) Waits poll a
// condition while pumping this thread's messages, so windows of the calling thread stay alive meanwhile.
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
// The same for windows of the program at that full path only (any program when empty): a test that watches
// a program it started sees no window of another test's program, whatever its title.
HWND WaitForProgramWindow(std::wstring_view program, std::wstring_view title, DWORD timeoutMs = 60000);
HWND WaitForThreadWindow(DWORD threadId, std::wstring_view title, DWORD timeoutMs = 15000);

// Whether the window belongs to the program at that full path (case as the file system sees it); true for
// an empty path.
bool OfProgram(HWND window, std::wstring_view program);

std::wstring TextOf(HWND window);
std::wstring ControlText(HWND dialog, int id);
bool ControlVisible(HWND dialog, int id);
// The control's rectangle in the dialog's client coordinates.
RECT ControlRect(HWND dialog, int id);
// BM_CLICK on the button, as a mouse click would; false when the button is missing or did not answer.
bool Press(HWND dialog, int id);
// Sends the message and waits for its answer (see above); false when the target did not answer.
bool SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr);
// WM_CHAR for each character, as the keyboard would deliver them; false when one was not taken.
bool TypeText(HWND control, std::wstring_view text);

// The clipboard's Unicode text; empty when it holds none.
std::wstring ClipboardText();
void EmptyClipboardText();

} // namespace velmora::test
