#pragma once
// What went wrong last, for the operator: the window's status line and the
// log. A failure is logged when it starts or changes, then every few minutes
// with a count while it repeats at every poll, and once when it ends, never
// once per tick. Each failure follows that rule on its own: two printers
// failing at once are two failures, not one whose text keeps changing.
#include "compat/Controls.h"
#include "platform/Log.h"

#include <QString>

namespace tpv {

class StatusReport {
public:
    // How long a failure has lasted is read from CLOCK, which must outlive
    // the report.
    explicit StatusReport(Label &line, const Clock &clock = systemClock()) : line_(line), log_(clock) {}

    // A failure. By default each text is a failure of its own. KEY names
    // the one thing that fails whatever its text (the queue's poll, a
    // printer): a new text under it is written at once and ends nothing.
    // CAUSE, when the text also names what changes from one time to the
    // next (the order that waits), is what a new line is written for.
    void report(const QString &text, const QString &key = {}, const QString &cause = {});
    // Something the operator must know once (not a failure that goes on):
    // shown and logged now, with no "recovered" line later.
    void notice(const QString &text);
    // A condition already told (with notice) that goes on: it stays on the
    // status line and is not logged again.
    void stillShown(const QString &text);
    // Back to normal: the status line is emptied, and the log says so of
    // every failure that had been reported.
    void clear();

    // A poll tick starts and ends. At its end every failure the tick did not
    // report again has ended and is logged so; a tick that reported nothing
    // empties the status line.
    void startTick();
    void endTick();

    // How many reports were made so far.
    int count() const { return count_; }
    const QString &current() const { return line_.caption(); }
    // Called with every text reported (the service manager's status).
    std::function<void(const QString &)> onReport;

private:
    Label &line_;
    RepeatingFailureLog log_;
    int count_ = 0;
    int countAtTickStart_ = 0;
};

}  // namespace tpv
