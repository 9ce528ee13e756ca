#pragma once
// The poll timer T. Its ticks never nest: a modal message box runs a nested
// event loop in which a plain QTimer would fire again, and a nested poll
// would close the recordset the outer poll is stepping through. A tick that
// falls due while a tick (or start-up, activation, shutdown) runs is held
// and runs once that work has finished.
#include <QObject>
#include <QTimer>
#include <functional>

namespace tpv {

class PollTimer : public QObject {
public:
    PollTimer();

    // Interval in milliseconds, counted from now; 0 stops the timer.
    void setInterval(int ms);
    int interval() const { return interval_; }
    bool isActive() const { return timer_.isActive(); }

    void setTick(std::function<void()> tick) { tick_ = std::move(tick); }
    // Runs the tick now, or, inside other work, as soon as it ends.
    void runTick();
    bool insideTick() const { return depth_ > 0; }
    int ticksRun() const { return ticksRun_; }

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

    QTimer timer_;
    std::function<void()> tick_;
    int interval_ = 0;
    int depth_ = 0;
    bool pending_ = false;
    int ticksRun_ = 0;
};

}  // namespace tpv
