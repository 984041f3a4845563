#include "platform/UiEnabled.h"

#include <atomic>

namespace velmora::platform {

namespace {
std::atomic<bool> uiEnabled{true};
} // namespace

bool UiEnabled() {
    return uiEnabled.load();
}

void SetUiEnabled(bool enabled) {
    uiEnabled.store(enabled);
}

} // namespace velmora::platform
