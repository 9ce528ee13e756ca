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

int QtTimerEngine::runLater(int ms, std::function<void()> f) {
    const int handle = ++lastHandle_;
    auto *t = new QTimer(&context_);
    t->setSingleShot(true);
    QObject::connect(t, &QTimer::timeout, &context_, [this, handle, t, f = std::move(f)] {
        later_.remove(handle);
        t->deleteLater();
        f();
    });
    later_.insert(handle, t);
    t->start(std::max(0, ms));
    return handle;
}

void QtTimerEngine::cancel(int handle) {
    if (QTimer *t = later_.take(handle)) {
        t->stop();
        t->deleteLater();
    }
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
    idle_.clear();
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

void PollTimer::whenIdle(std::function<void()> f) {
    if (ended_) return;
    if (depth_ > 0) {
        idle_.push_back(std::move(f));
        return;
    }
    f();
}

void PollTimer::leave() {
    if (--depth_ != 0) return;
    // From the event loop, not from inside the caller's stack: first what
    // the operator asked for meanwhile, in order, then the held tick.
    std::vector<std::function<void()>> waiting;
    waiting.swap(idle_);
    for (auto &f : waiting) engine_->post([this, f = std::move(f)]() mutable { whenIdle(std::move(f)); });
    if (pending_) {
        pending_ = false;
        // It is due only while the timer still runs: a stopped timer (polling
        // stopped by Tiempo 0, the program is ending) polls nothing.
        engine_->post([this] {
            if (engine_->isActive()) runTick();
        });
    }
}

PollTimer::Busy::Busy(PollTimer &t) : timer_(t) { ++timer_.depth_; }
PollTimer::Busy::~Busy() { timer_.leave(); }

}  // namespace tpv
