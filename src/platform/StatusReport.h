#pragma once
// What went wrong last, for the operator: the window's status line and the
// log. Each distinct text is logged once until a different one comes, so a
// failure that repeats at every poll does not flood the log.
#include "platform/Controls.h"

#include <QString>

namespace tpv {

class StatusReport {
public:
    explicit StatusReport(Label &line) : line_(line) {}

    void report(const QString &text);
    // Back to normal: the status line is emptied, and the log says so when
    // something had been reported.
    void clear();
    // How many reports were made so far: a tick clears the status line only
    // when it made none.
    int count() const { return count_; }
    const QString &current() const { return line_.caption(); }

private:
    Label &line_;
    QString lastLogged_;
    int count_ = 0;
};

}  // namespace tpv
