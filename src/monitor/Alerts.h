#pragma once
// The health of the print server, judged from a snapshot, and the alerts of
// the log. "mal" (HTTP 503): the order database cannot be polled, a job has
// been pending for longer than 120 s, or a printer has been failing for
// longer than 5 minutes with no backup taking its tickets. "aviso": anything
// else the administrator should look at. An alert (a printer failing for
// longer than 5 minutes, jobs pending for longer than 120 s) is an error
// line of the log when it starts and when it ends.
#include "monitor/Snapshot.h"
#include "platform/Log.h"

#include <QSet>
#include <functional>

namespace tpv {

constexpr qint64 kJobAlertMs = 120 * 1000;
constexpr qint64 kPrinterAlertMs = 5 * 60 * 1000;
// How long a terminal may go with no PC holding a fresh turn.
constexpr qint64 kTurnAlertMs = 5 * 1000;

struct Health {
    enum class Level { Good, Warning, Bad };
    Level level = Level::Good;
    QStringList reasons;  // the serious ones first
    QString word() const;
};

// As of NOWMS on the monotonic clock: ages grow between snapshots, so a job
// left pending while polling has stopped still turns the health to "mal".
Health evaluateHealth(const Snapshot &s, qint64 nowMs);

// "trabajo 7 (Comanda 12 del día 07/12/2026)".
QString jobDescription(const PendingJobView &job);
// The orders waiting on a printer, for a line of the log or the page:
// "esperan las comandas 12 (trabajo 7), 15 (trabajo 8)".
QString waitingText(const QStringList &orders);

class AlertLog {
public:
    using Writer = std::function<void(LogPriority, const QString &)>;
    explicit AlertLog(Writer write = {}) : write_(write ? std::move(write) : Writer(logLine)) {}

    // Writes the alerts that start or end as of this snapshot.
    void update(const Snapshot &s, qint64 nowMs);

private:
    Writer write_;
    QHash<QString, qint64> printersAlerted_;  // printer -> failing since
    bool jobsAlerted_ = false;
};

}  // namespace tpv
