// Geometry of the crash dialog in dialog units, and how its controls follow when the dialog is resized.
// The dialog is laid out with its details pane open; the closed form is the same dialog made shorter by
// the pane's height, so one set of anchors serves both.
#pragma once

#include <string_view>

#include "platform/pure/WindowPlacement.h"

namespace velmora::platform::core {

// Control numbers of the crash dialog.
enum CrashControl : int {
    kCrashClose = 1,
    kCrashIcon = 500,
    kCrashMessage = 501,
    kCrashDetails = 502,
    kCrashDetailsButton = 503,
    kCrashCopy = 504,
    kCrashSend = 505,
};

struct DialogBox {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

struct CrashDialogLayout {
    int width = 0;
    int expandedHeight = 0;
    // Height with the details pane closed; the dialog starts this size.
    int collapsedHeight = 0;
    bool hasDetails = false;
    bool hasSend = false;
    DialogBox icon, message, details, detailsButton, copy, send, close;
};

// Lines of the message area: the message's line feeds plus one, at least 3 and at most 30.
int MessageLineCount(std::wstring_view message);
// 8.3 dialog units per line, rounded.
int MessageHeight(int lineCount);

CrashDialogLayout LayoutCrashDialog(int lineCount, bool hasDetails, bool hasSend);

// "Details >>" while the pane is closed, "Details <<" while it is open.
std::wstring_view DetailsButtonText(bool expanded);

enum Anchor : unsigned {
    kAnchorLeft = 1,
    kAnchorTop = 2,
    kAnchorRight = 4,
    kAnchorBottom = 8,
};

// The anchors of each control: the message widens, the details pane grows both ways, the buttons on the
// right keep their distance to the bottom-right corner, "Details" to the bottom-left one.
unsigned AnchorsOf(int controlId);

// Where a control laid out at original inside a client area of originalWidth x originalHeight goes in a
// client area of width x height: an edge anchored to a side keeps its distance to that side; a control
// anchored to neither side of an axis keeps its position on it.
Rect Anchored(const Rect& original, unsigned anchors, int originalWidth, int originalHeight,
                  int width, int height);

} // namespace velmora::platform::core
