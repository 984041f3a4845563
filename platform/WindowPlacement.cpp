#include "platform/WindowPlacement.h"

#include "platform/pure/WindowPlacement.h"

namespace velmora::platform {

namespace {

Rect ToRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

} // namespace

void CentreWindow(HWND window) {
    HWND owner = ::GetWindow(window, GW_OWNER);
    const bool overOwner = owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner);

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromWindow(overOwner ? owner : window, MONITOR_DEFAULTTONEAREST),
                           &monitor))
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);

    RECT reference = monitor.rcWork;
    if (overOwner)
        ::GetWindowRect(owner, &reference);
    RECT own{};
    ::GetWindowRect(window, &own);

    Point at = CentredPosition(own.right - own.left, own.bottom - own.top, ToRect(reference),
                               ToRect(monitor.rcWork));
    ::SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace velmora::platform
