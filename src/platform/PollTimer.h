#pragma once
// The poll timer T. Its ticks never nest: a modal message box runs a nested
// event loop in which a plain QTimer would fire again, and a nested poll
// would close the recordset the outer poll is stepping through. A tick that
// falls due while a tick (or start-up, activation, shutdown) runs is held
// and runs once that work has finished.
//
// An operator's action that falls in a tick (a click taken while the tick
// waits on a printer) waits for the tick as well, and runs before the tick
// held meanwhile.
//
// The clockwork is a TimerEngine: Qt's timers in the program, hand-driven
// ones in the tests (tests/support), so the held tick, the intervals and the calls set for
// later are tested without sleeping.
#include <QHash>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace tpv {

class TimerEngine {
public:
    virtual ~TimerEngine() = default;
    // Fires `ms` from now, then every `ms`, until stopped or started anew.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Runs `f` from the event loop, after the work now running.
    virtual void post(std::function<void()> f) = 0;
    // Runs `f` once, from the event loop, `ms` from now; the number returned
    // cancels it.
    virtual int runLater(int ms, std::function<void()> f) = 0;
    virtual void cancel(int handle) = 0;
    std::function<void()> fired;
};

class QtTimerEngine : public TimerEngine {
public:
    QtTimerEngine();
    void start(int ms) override { timer_.start(ms); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }
    void post(std::function<void()> f) override;
    int runLater(int ms, std::function<void()> f) override;
    void cancel(int handle) override;

private:
    QObject context_;
    QTimer timer_;
    QHash<int, QTimer *> later_;
    int lastHandle_ = 0;
};

class PollTimer {
public:
    explicit PollTimer(std::unique_ptr<TimerEngine> engine = std::make_unique<QtTimerEngine>());

    // Interval in milliseconds, counted from now; 0 stops the timer.
    void setInterval(int ms);
    int interval() const { return interval_; }
    bool isActive() const { return engine_->isActive(); }
    // Stops the timer for good: nothing held runs afterwards either. For the
    // end of the program.
    void stopForGood();

    void setTick(std::function<void()> tick) { tick_ = std::move(tick); }
    // Runs the tick now, or, inside other work, as soon as it ends.
    void runTick();
    bool insideTick() const { return depth_ > 0; }
    // A tick fell due during the work now running and waits for it.
    bool tickWaiting() const { return pending_; }
    bool ended() const { return ended_; }
    // Runs `f` now when no tick (nor start-up, nor other work marked busy)
    // runs; else once that work has ended, before a tick held meanwhile.
    // Nothing runs after stopForGood.
    void whenIdle(std::function<void()> f);
    int ticksRun() const { return ticksRun_; }
    TimerEngine &engine() { return *engine_; }

    // Marks a section during which no tick may start.
    class Busy {
    public:
        explicit Busy(PollTimer &t);
        ~Busy();
        Busy(const Busy &) = delete;
        Busy &operator=(const Busy &) = delete;

    private:
        PollTimer &timer_;
    };

private:
    void leave();

    std::unique_ptr<TimerEngine> engine_;
    std::function<void()> tick_;
    int interval_ = 0;
    int depth_ = 0;
    bool pending_ = false;
    bool ended_ = false;
    int ticksRun_ = 0;
    std::vector<std::function<void()>> idle_;  // waiting for the running work to end
};

}  // namespace tpv
