#pragma once
// Watches the print server from its own thread of work (the poll): each
// ticket on its way, sent or failed, each tick's end, and publishes a new
// snapshot on the board after each of these steps. It writes the alerts of
// the log as they start and end (see AlertLog).
#include "monitor/Alerts.h"
#include "monitor/Snapshot.h"
#include "kitchen/TicketOutput.h"

#include <QMap>
#include <QSet>
#include <functional>

namespace tpv {

class Clock;
class PrinterHealth;
class PrinterLayer;

// A job of the pending list: its number (PPOrd) and its entry.
struct PendingEntry {
    int job = 0;
    QString text;
};

// How the server stands after its last tick, as the monitor is told it.
struct ServerFacts {
    int tpv = 0;
    int intervalMs = 0;         // Tiempo
    bool polled = false;        // the last tick polled the queue
    bool databaseLost = false;  // the last tick lost the order database
    QString statusLine;         // what the operator's status line says
    std::vector<PendingEntry> pending;
    TurnView turn;
};

// The job a ticket is being printed for: its number and its order,
// "12 (trabajo 7)".
struct JobInPrint {
    int job = 0;
    QString order;
};

// What the monitor is given to read, all on the poll's thread: the
// composition hands it these, and the monitor reaches nothing else of the
// server.
struct MonitorContext {
    std::function<ServerFacts()> facts;
    // The job being printed; none outside a job (a reprint of the last sending).
    std::function<std::optional<JobInPrint>()> currentJob;
    PrinterLayer &printers;
    const PrinterHealth &health;
    const Clock &clock;
    QSet<QString> printersWithBackup;  // those with respaldo= set
    QString version;
};

class Monitor {
public:
    Monitor(MonitorContext context, SnapshotBoard &board, AlertLog::Writer alertWriter = {});

    // The steps of the poll.
    void tickStarted();
    void tickEnded();
    void ticketGoing(const QString &printer);
    void ticketSent(const QString &printer, const QString &tookIt);
    void ticketFailed(const QString &printer, long errorNumber, const QString &cause);

    // Builds and publishes a snapshot now, with the printers' states asked
    // afresh.
    void publish();
    const SnapshotBoard &board() const { return board_; }

private:
    // During a tick the printers' states are those of the last tick's end,
    // brought up to date by what the tickets met: asking a printer layer
    // mid-tick (a CUPS scheduler) would settle its answer for the rest of
    // the tick before the tickets went.
    void publishDuringTick();
    void refreshPrinters();
    std::shared_ptr<Snapshot> build() const;
    void failure(const QString &printer, const QString &text);
    void updatePending(const ServerFacts &facts, qint64 now);

    MonitorContext c_;
    SnapshotBoard &board_;
    AlertLog alerts_;
    qint64 startedMs_;
    qint64 epochOffsetMs_;
    qint64 tickStartMs_ = 0;
    bool polledOnce_ = false;
    std::optional<qint64> lastGoodPollMs_;
    qint64 pollFailures_ = 0;
    QString lastPollError_;
    QString sendingTo_;
    std::optional<JobInPrint> sendingJob_;
    qint64 sendingSinceMs_ = 0;
    QHash<QString, qint64> tickets_;
    QHash<QString, qint64> lastTicketEpochMs_;
    std::map<std::pair<QString, QString>, qint64> failures_;
    QHash<QString, QMap<int, QString>> waiting_;  // printer -> job -> order held up by it
    QHash<QString, qint64> pendingSince_;         // job number and entry -> first seen pending
    std::vector<PendingJobView> pending_;
    std::vector<std::pair<QString, PrinterStatus>> states_;
    QHash<QString, QTime> lastTickets_;
    TickHistogram ticks_;
    std::deque<FailureEvent> lastFailures_;
};

// In front of the printers: tells the monitor of every ticket that goes
// out, and of how it went. Only tickets really handed to a printer pass
// here; those the journal keeps back never reach the output.
class WatchedOutput : public TicketOutput {
public:
    WatchedOutput(TicketOutput &inner, Monitor &monitor) : inner_(inner), monitor_(monitor) {}
    QString send(const QString &printer, const Document &ticket, const std::function<void()> &onSelected) override;
    std::optional<bool> arrived(const QString &printer, const QString &title, const QString &digest) override {
        return inner_.arrived(printer, title, digest);
    }

private:
    TicketOutput &inner_;
    Monitor &monitor_;
};

}  // namespace tpv
