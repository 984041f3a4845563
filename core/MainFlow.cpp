#include "core/MainFlow.h"

#include "core/ChainerApp.h"

namespace velmora::core {

int RunMainFlow(ChainerApp& app) {
    (void)app;
    return 0;
}

} // namespace velmora::core
