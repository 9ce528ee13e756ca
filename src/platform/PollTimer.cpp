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
