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
class Label;
class ListBox;
class PrinterHealth;
class PrinterLayer;
struct Global;

// What the monitor reads of the server, all on the poll's thread.
struct MonitorContext {
    const Global &g;  // Tiempo, tpv, and Rs standing on the job being printed
    const ListBox &lstPend;
    const Label &lbEstado;
    PrinterLayer &printers;
    const PrinterHealth &health;
    const bool &polled;           // the last tick polled the queue
    const bool &reconnectServer;  // the last tick lost the order database
    Clock &clock;
    QSet<QString> printersWithBackup;
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
    // The job being printed and its order, "12 (trabajo 7)", from the
    // queue's recordset standing on it; none outside a job (a reprint of
    // the last sending).
    struct JobRef {
        int job = 0;
        QString order;
    };
    std::optional<JobRef> currentJob() const;
    void failure(const QString &printer, const QString &text);
    void updatePending(qint64 now);

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
    std::optional<JobRef> sendingJob_;
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
