#pragma once
// The time of day, and a clock for durations that never goes back, from one
// place, so that tests can fix both and move them by hand (a fixed clock
// lives with the tests).
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

// The system's clock, for whoever is given no other.
const Clock &systemClock();

}  // namespace tpv
