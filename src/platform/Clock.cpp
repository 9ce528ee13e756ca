#include "platform/Clock.h"

namespace tpv {

const Clock &systemClock() {
    static const SystemClock clock;
    return clock;
}

}  // namespace tpv
