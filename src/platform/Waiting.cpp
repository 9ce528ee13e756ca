#include "platform/Waiting.h"

namespace tpv::waiting {

namespace {
std::function<void()> &hook() {
    static std::function<void()> h;
    return h;
}
bool turning = false;
}  // namespace

void setHook(std::function<void()> h) { hook() = std::move(h); }

void turn() {
    if (turning || !hook()) return;
    turning = true;
    struct Done {
        ~Done() { turning = false; }
    } done;
    hook()();
}

}  // namespace tpv::waiting
