#include "platform/PollTimer.h"

#include <algorithm>

namespace tpv {

QtTimerEngine::QtTimerEngine() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] {
        if (fired) fired();
    });
}

void QtTimerEngine::post(std::function<void()> f) { QTimer::singleShot(0, &context_, std::move(f)); }

void ManualTimerEngine::start(int ms) {
    interval_ = ms;
    due_ = now_ + ms;
    active_ = true;
}

void ManualTimerEngine::runPosted() {
    while (!posted_.empty()) {
        auto f = std::move(posted_.front());
        posted_.pop_front();
        f();
    }
}

void ManualTimerEngine::advance(int ms) {
    const long long target = now_ + ms;
    for (;;) {
        runPosted();
        if (!active_ || due_ > target) break;
        now_ = due_;
        due_ += interval_;
        if (fired) fired();
    }
    // A nested advance (a modal box inside a tick) may have gone further.
    now_ = std::max(now_, target);
}

PollTimer::PollTimer(std::unique_ptr<TimerEngine> engine) : engine_(std::move(engine)) {
    engine_->fired = [this] { runTick(); };
}

void PollTimer::setInterval(int ms) {
    if (ended_) return;
    interval_ = ms;
    if (ms <= 0) {
        engine_->stop();
        return;
    }
    engine_->start(ms);
}

void PollTimer::stopForGood() {
    ended_ = true;
    pending_ = false;
    interval_ = 0;
    engine_->stop();
}

void PollTimer::runTick() {
    if (ended_) return;
    if (depth_ > 0) {
        pending_ = true;
        return;
    }
    ++depth_;
    ++ticksRun_;
    struct Leave {
        PollTimer *t;
        ~Leave() { t->leave(); }
    } guard{this};
    if (tick_) tick_();
}

void PollTimer::leave() {
    if (--depth_ == 0 && pending_) {
        pending_ = false;
        // Run it from the event loop, not from inside the caller's stack.
        // It is due only while the timer still runs: a stopped timer (the
        // reprint choice is open, the program is ending) polls nothing.
        engine_->post([this] {
            if (engine_->isActive()) runTick();
        });
    }
}

PollTimer::Busy::Busy(PollTimer &t) : timer_(t) { ++timer_.depth_; }
PollTimer::Busy::~Busy() { timer_.leave(); }

}  // namespace tpv
