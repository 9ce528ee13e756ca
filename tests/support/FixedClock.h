#pragma once
// A clock that moves only when the test says so.
#include "platform/Clock.h"

namespace tpv {

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
