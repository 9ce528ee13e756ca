#include "platform/PollTimer.h"

namespace tpv {

PollTimer::PollTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { runTick(); });
}

void PollTimer::setInterval(int ms) {
    interval_ = ms;
    if (ms <= 0) {
        timer_.stop();
        return;
    }
    timer_.start(ms);
}

void PollTimer::runTick() {
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
        // reprint choice is open) polls nothing.
        QTimer::singleShot(0, this, [this] {
            if (timer_.isActive()) runTick();
        });
    }
}

PollTimer::Busy::Busy(PollTimer &t) : timer_(t) { ++timer_.depth_; }
PollTimer::Busy::~Busy() { timer_.leave(); }

}  // namespace tpv
