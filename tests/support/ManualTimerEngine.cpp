#include "support/ManualTimerEngine.h"

#include <algorithm>

namespace tpv {

void ManualTimerEngine::start(int ms) {
    interval_ = ms;
    due_ = now_ + ms;
    active_ = true;
}

int ManualTimerEngine::runLater(int ms, std::function<void()> f) {
    later_.push_back({++lastHandle_, now_ + std::max(0, ms), std::move(f)});
    return lastHandle_;
}

void ManualTimerEngine::cancel(int handle) {
    later_.erase(std::remove_if(later_.begin(), later_.end(), [handle](const Later &l) { return l.handle == handle; }),
                 later_.end());
}

void ManualTimerEngine::runPosted() {
    while (!posted_.empty()) {
        auto f = std::move(posted_.front());
        posted_.pop_front();
        f();
    }
}

void ManualTimerEngine::moveTo(long long t) {
    if (t <= now_) return;
    const long long moved = t - now_;
    now_ = t;
    if (onTimeMoved) onTimeMoved(static_cast<int>(moved));
}

void ManualTimerEngine::advance(int ms) {
    const long long target = now_ + ms;
    for (;;) {
        runPosted();
        // The earliest call set for later (the first set, of those due together).
        auto later = std::min_element(later_.begin(), later_.end(),
                                      [](const Later &a, const Later &b) { return a.due < b.due; });
        const bool laterDue = later != later_.end() && later->due <= target;
        const bool tickDue = active_ && due_ <= target;
        if (!laterDue && !tickDue) break;
        if (tickDue && (!laterDue || due_ <= later->due)) {
            moveTo(due_);
            due_ += interval_;
            if (fired) fired();
            continue;
        }
        moveTo(later->due);
        auto f = std::move(later->f);
        later_.erase(later);
        f();
    }
    // A nested advance (a modal box inside a tick) may have gone further.
    moveTo(std::max(now_, target));
}

}  // namespace tpv
