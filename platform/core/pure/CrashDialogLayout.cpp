#include "platform/core/pure/CrashDialogLayout.h"

namespace velmora::platform::core {

namespace {

constexpr int kWidth = 350;
constexpr int kMargin = 7;
constexpr int kGap = 4;
constexpr int kButtonWidth = 50;
constexpr int kSendWidth = 75;
constexpr int kButtonHeight = 14;
constexpr int kIconSize = 20;
constexpr int kMessageLeft = kMargin + kIconSize + 9;
constexpr int kDetailsHeight = 140;

} // namespace

int MessageLineCount(std::wstring_view message) {
    int lines = 1;
    for (wchar_t c : message) {
        if (c == L'\n' && ++lines >= 30)
            break;
    }
    return lines < 3 ? 3 : lines;
}

int MessageHeight(int lineCount) {
    return (lineCount * 83 + 5) / 10;
}

CrashDialogLayout LayoutCrashDialog(int lineCount, bool hasDetails, bool hasSend) {
    CrashDialogLayout layout;
    layout.width = kWidth;
    layout.hasDetails = hasDetails;
    layout.hasSend = hasDetails && hasSend;

    layout.icon = {kMargin, kMargin, kIconSize, kIconSize};
    layout.message = {kMessageLeft, kMargin, kWidth - kMessageLeft - kMargin, MessageHeight(lineCount)};
    int contentBottom = layout.message.y + layout.message.cy;
    if (contentBottom < layout.icon.y + layout.icon.cy)
        contentBottom = layout.icon.y + layout.icon.cy;
    const int paneTop = contentBottom + kMargin;

    const int detailsExtra = hasDetails ? kDetailsHeight + kMargin : 0;
    const int buttonsTop = paneTop + detailsExtra;
    layout.expandedHeight = buttonsTop + kButtonHeight + kMargin;
    layout.collapsedHeight = layout.expandedHeight - detailsExtra;

    int right = kWidth - kMargin;
    layout.close = {right - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight};
    right = layout.close.x - kGap;
    if (layout.hasSend) {
        layout.send = {right - kSendWidth, buttonsTop, kSendWidth, kButtonHeight};
        right = layout.send.x - kGap;
    }
    if (hasDetails) {
        layout.copy = {right - kButtonWidth, buttonsTop, kButtonWidth, kButtonHeight};
        layout.detailsButton = {kMargin, buttonsTop, kButtonWidth, kButtonHeight};
        layout.details = {kMargin, paneTop, kWidth - 2 * kMargin, kDetailsHeight};
    }
    return layout;
}

std::wstring_view DetailsButtonText(bool expanded) {
    return expanded ? L"Details <<" : L"Details >>";
}

unsigned AnchorsOf(int controlId) {
    switch (controlId) {
    case kCrashMessage:
        return kAnchorLeft | kAnchorTop | kAnchorRight;
    case kCrashDetails:
        return kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom;
    case kCrashClose:
    case kCrashSend:
    case kCrashCopy:
        return kAnchorRight | kAnchorBottom;
    case kCrashDetailsButton:
        return kAnchorLeft | kAnchorBottom;
    default:
        return kAnchorLeft | kAnchorTop;
    }
}

namespace {

void AnchorAxis(int& start, int& end, bool toStart, bool toEnd, int grown) {
    if (toEnd && toStart) {
        end += grown;
    } else if (toEnd) {
        start += grown;
        end += grown;
    }
}

} // namespace

Rect Anchored(const Rect& original, unsigned anchors, int originalWidth, int originalHeight,
                  int width, int height) {
    Rect rect = original;
    AnchorAxis(rect.left, rect.right, anchors & kAnchorLeft, anchors & kAnchorRight, width - originalWidth);
    AnchorAxis(rect.top, rect.bottom, anchors & kAnchorTop, anchors & kAnchorBottom, height - originalHeight);
    return rect;
}

} // namespace velmora::platform::core
