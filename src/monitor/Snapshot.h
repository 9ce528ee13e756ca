#pragma once
// What the monitoring shows of the print server at one moment: printers,
// pending jobs, counters, the last failures. The poll builds a new snapshot
// after each step of its work and publishes it on the board; the HTTP
// thread reads the last one published, so a page never waits for a tick,
// however long a printer keeps it.
#include "devices/PrinterStatus.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QTime>
#include <array>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tpv {

struct PrinterView {
    QString name;
    PrinterStatus status;
    QTime lastTicket;  // time of day of the last ticket delivered (null: none yet)
    std::optional<qint64> lastTicketEpochMs;
    QString standIn;                       // the printer that takes its tickets now
    bool hasBackup = false;                // respaldo= is set for it
    std::optional<qint64> failingSinceMs;  // monotonic; none while it works
    QString cause;                         // why it failed last
    QStringList waiting;                   // orders held up by it: "12 (trabajo 7)"
};

struct PendingJobView {
    int job = 0;     // PPOrd
    QString text;    // the entry of the pending list
    qint64 sinceMs;  // monotonic: when this server first saw it pending
};

struct FailureEvent {
    QTime at;
    QString printer;  // empty when it is no printer's
    QString text;
};

// Tick durations in the buckets of lector_tpv_consulta_segundos.
struct TickHistogram {
    static constexpr std::array<double, 10> kBounds{0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60};
    std::array<qint64, kBounds.size()> counts{};  // not cumulative
    qint64 count = 0;
    double sumSeconds = 0;
    void add(double seconds);
};

// The turn between the PCs of the terminal, as this PC sees it.
struct TurnView {
    bool known = false;   // this server takes part in a turn (always, once started)
    bool active = false;  // this PC holds it and prints
    qint64 generation = 0;
    QString holder;       // the PC that holds it
    qint64 relays = 0;    // changes of hands seen since this process started
    // How long before the snapshot the turn was last renewed, by this PC or
    // by the holder; none while nobody is known to hold it.
    std::optional<qint64> renewedAgoMs;
    QString caption;  // what the window shows above the printer list
};

struct Snapshot {
    QString version;
    int tpv = 0;
    qint64 takenMs = 0;        // monotonic
    QTime takenAt;             // the time of day then
    qint64 epochOffsetMs = 0;  // epoch milliseconds = monotonic + this
    qint64 startedMs = 0;
    int intervalMs = 0;  // Tiempo

    bool polledOnce = false;
    bool lastPollOk = false;
    bool databaseLost = false;  // the last poll could not reach the order database
    QString pollError;          // why the last poll failed
    std::optional<qint64> lastGoodPollMs;
    qint64 pollFailures = 0;
    QString statusLine;  // what the operator's status line says

    TurnView turn;
    std::vector<PrinterView> printers;
    std::vector<PendingJobView> pending;
    // A ticket on its way now: to which printer, since when, of which order.
    QString sendingTo, sendingOrder;
    qint64 sendingSinceMs = 0;

    QHash<QString, qint64> tickets;                          // by printer that took them
    std::map<std::pair<QString, QString>, qint64> failures;  // by printer and cause word
    QHash<QString, qint64> failuresStarted;                  // by printer
    TickHistogram ticks;
    std::deque<FailureEvent> lastFailures;  // newest last

    // How long, at NOWMS, since the turn was last renewed (none while
    // nobody is known to hold it).
    std::optional<qint64> turnAgeMs(qint64 nowMs) const {
        if (!turn.renewedAgoMs) return std::nullopt;
        return *turn.renewedAgoMs + std::max<qint64>(0, nowMs - takenMs);
    }
    qint64 epochMs(qint64 monotonicMs) const { return monotonicMs + epochOffsetMs; }
    QTime timeOfDay(qint64 monotonicMs) const { return takenAt.addMSecs(static_cast<int>(monotonicMs - takenMs)); }
};

// The last snapshot published; read from any thread.
class SnapshotBoard {
public:
    void publish(std::shared_ptr<const Snapshot> s) {
        std::lock_guard lock(mutex_);
        current_ = std::move(s);
    }
    std::shared_ptr<const Snapshot> current() const {
        std::lock_guard lock(mutex_);
        return current_;
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const Snapshot> current_;
};

// The cause word of a failed ticket (lector_tpv_fallos_total's `causa`):
// "no_instalada" for a printer the list does not hold, else the state the
// printer was left in when it is a failing one, else "error".
QString causeWord(long errorNumber, const PrinterStatus &stateAfter);

// "3 min 5 s", "1 h 2 min", "40 s".
QString durationText(qint64 ms);

}  // namespace tpv
