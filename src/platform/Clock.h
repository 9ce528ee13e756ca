#pragma once
// The time of day, and a clock for durations that never goes back, from one
// place, so that tests can fix both and move them by hand.
#include <QTime>
#include <chrono>

namespace tpv {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QTime timeOfDay() const = 0;
    // Milliseconds of a monotonic clock (unaffected by changes of the time
    // of day): how long something has lasted.
    virtual qint64 steadyMs() const = 0;
};

class SystemClock : public Clock {
public:
    QTime timeOfDay() const override { return QTime::currentTime(); }
    qint64 steadyMs() const override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QTime t) : time_(t) {}
    void set(QTime t) { time_ = t; }
    // Moves both clocks on.
    void advance(int ms) {
        time_ = time_.addMSecs(ms);
        steady_ += ms;
    }
    QTime timeOfDay() const override { return time_; }
    qint64 steadyMs() const override { return steady_; }

private:
    QTime time_;
    qint64 steady_ = 0;
};

}  // namespace tpv
