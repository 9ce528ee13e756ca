#pragma once
// The time of day, from one place, so that tests can fix it.
#include <QTime>

namespace tpv {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QTime timeOfDay() const = 0;
};

class SystemClock : public Clock {
public:
    QTime timeOfDay() const override { return QTime::currentTime(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QTime t) : time_(t) {}
    void set(QTime t) { time_ = t; }
    QTime timeOfDay() const override { return time_; }

private:
    QTime time_;
};

}  // namespace tpv
