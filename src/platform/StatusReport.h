#pragma once
// What went wrong last, for the operator: the window's status line and the
// log. A failure is logged when it starts or changes, then every few minutes
// with a count while it repeats at every poll, and once when it ends, never
// once per tick.
#include "platform/Controls.h"
#include "platform/Log.h"

#include <QString>

namespace tpv {

class StatusReport {
public:
    explicit StatusReport(Label &line, RepeatingFailureLog::ClockMs clock = monotonicMs)
        : line_(line), log_(std::move(clock)) {}

    void report(const QString &text);
    // Something the operator must know once (not a failure that goes on):
    // shown and logged now, with no "recovered" line later.
    void notice(const QString &text);
    // A condition already told (with notice) that goes on: it stays on the
    // status line and is not logged again.
    void stillShown(const QString &text);
    // Back to normal: the status line is emptied, and the log says so when
    // something had been reported.
    void clear();
    // How many reports were made so far: a tick clears the status line only
    // when it made none.
    int count() const { return count_; }
    const QString &current() const { return line_.caption(); }
    // Called with every text reported (the service manager's status).
    std::function<void(const QString &)> onReport;

private:
    Label &line_;
    RepeatingFailureLog log_;
    int count_ = 0;
};

}  // namespace tpv
