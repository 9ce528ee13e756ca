#include "monitor/Monitor.h"

#include "compat/Error.h"
#include "devices/Printers.h"
#include "platform/Clock.h"
#include "kitchen/PrinterHealth.h"

#include <QDateTime>
#include <algorithm>

namespace tpv {

namespace {
constexpr size_t kLastFailuresKept = 20;
}

Monitor::Monitor(MonitorContext context, SnapshotBoard &board, AlertLog::Writer alertWriter)
    : c_(std::move(context)), board_(board), alerts_(std::move(alertWriter)) {
    startedMs_ = c_.clock.steadyMs();
    // The wall clock is read once: every time shown is counted from here on
    // the monotonic clock, so a change of the time of day moves nothing.
    epochOffsetMs_ = QDateTime::currentMSecsSinceEpoch() - startedMs_;
    publish();
}

void Monitor::tickStarted() {
    tickStartMs_ = c_.clock.steadyMs();
    sendingTo_.clear();
}

void Monitor::ticketGoing(const QString &printer) {
    sendingTo_ = printer;
    sendingJob_ = c_.currentJob ? c_.currentJob() : std::nullopt;
    sendingSinceMs_ = c_.clock.steadyMs();
    publishDuringTick();
}

void Monitor::ticketSent(const QString &printer, const QString &tookIt) {
    ++tickets_[tookIt];
    lastTicketEpochMs_.insert(tookIt, epochOffsetMs_ + c_.clock.steadyMs());
    if (sendingJob_) waiting_[printer].remove(sendingJob_->job);
    lastTickets_.insert(tookIt, c_.clock.timeOfDay());
    sendingTo_.clear();
    publishDuringTick();
}

void Monitor::ticketFailed(const QString &printer, long errorNumber, const QString &cause) {
    // What the printer reported is in its state now.
    PrinterStatus status;
    for (const PrinterLayer::Status &s : c_.printers.states())
        if (s.name == printer) status = s.status;
    ++failures_[{printer, causeWord(errorNumber, status)}];
    for (auto &[name, known] : states_)
        if (name == printer && status.known()) known = status;
    if (sendingJob_) waiting_[printer].insert(sendingJob_->job, sendingJob_->order);
    failure(printer, cause);
    sendingTo_.clear();
    publishDuringTick();
}

void Monitor::failure(const QString &printer, const QString &text) {
    // A failure that repeats at every tick is one entry, brought up to date.
    if (!lastFailures_.empty() && lastFailures_.back().printer == printer && lastFailures_.back().text == text) {
        lastFailures_.back().at = c_.clock.timeOfDay();
        return;
    }
    lastFailures_.push_back({c_.clock.timeOfDay(), printer, text});
    while (lastFailures_.size() > kLastFailuresKept) lastFailures_.pop_front();
}

void Monitor::updatePending(const ServerFacts &facts, qint64 now) {
    pending_.clear();
    // Known by its number and its entry, which names its day: job numbers
    // start again on another business day.
    QHash<QString, qint64> since;
    QSet<int> jobs;
    for (const auto &[job, text] : facts.pending) {
        // Invoices are never printed here: they wait by design.
        if (!text.startsWith(QLatin1String("Comanda "))) continue;
        const QString key = QString::number(job) + QLatin1Char(' ') + text;
        const qint64 first = pendingSince_.value(key, now);
        since.insert(key, first);
        jobs.insert(job);
        pending_.push_back({job, text, first});
    }
    pendingSince_ = since;
    // Oldest first.
    std::sort(pending_.begin(), pending_.end(),
              [](const PendingJobView &a, const PendingJobView &b) { return a.job < b.job; });
    // A job no longer pending waits on no printer.
    for (QMap<int, QString> &waiting : waiting_) {
        for (auto it = waiting.begin(); it != waiting.end();)
            it = jobs.contains(it.key()) ? std::next(it) : waiting.erase(it);
    }
}

void Monitor::tickEnded() {
    const qint64 now = c_.clock.steadyMs();
    ticks_.add(static_cast<double>(now - tickStartMs_) / 1000.0);
    polledOnce_ = true;
    sendingTo_.clear();
    const ServerFacts facts = c_.facts();
    if (facts.polled) {
        lastGoodPollMs_ = now;
        lastPollError_.clear();
        updatePending(facts, now);
    } else {
        ++pollFailures_;
        lastPollError_ = facts.statusLine;
        failure(QString(), lastPollError_);
    }
    publish();
    alerts_.update(*board_.current(), now);
}

void Monitor::refreshPrinters() {
    states_.clear();
    lastTickets_.clear();
    for (const PrinterLayer::Status &st : c_.printers.states()) {
        states_.emplace_back(st.name, st.status);
        lastTickets_.insert(st.name, st.lastTicket);
    }
}

void Monitor::publish() {
    refreshPrinters();
    board_.publish(build());
}

void Monitor::publishDuringTick() { board_.publish(build()); }

std::shared_ptr<Snapshot> Monitor::build() const {
    auto s = std::make_shared<Snapshot>();
    const ServerFacts facts = c_.facts();
    s->version = c_.version;
    s->tpv = facts.tpv;
    s->takenMs = c_.clock.steadyMs();
    s->takenAt = c_.clock.timeOfDay();
    s->epochOffsetMs = epochOffsetMs_;
    s->startedMs = startedMs_;
    s->intervalMs = facts.intervalMs;
    s->polledOnce = polledOnce_;
    s->lastPollOk = facts.polled;
    s->databaseLost = facts.databaseLost;
    s->pollError = lastPollError_;
    s->lastGoodPollMs = lastGoodPollMs_;
    s->pollFailures = pollFailures_;
    s->statusLine = facts.statusLine;
    s->turn = facts.turn;
    for (const auto &[name, status] : states_) {
        PrinterView p;
        p.name = name;
        p.status = status;
        p.lastTicket = lastTickets_.value(name);
        if (const auto it = lastTicketEpochMs_.constFind(name); it != lastTicketEpochMs_.cend())
            p.lastTicketEpochMs = *it;
        p.standIn = c_.health.standIn(name);
        p.hasBackup = c_.printersWithBackup.contains(name);
        if (const auto failure = c_.health.failure(name)) {
            p.failingSinceMs = failure->sinceMs;
            p.cause = failure->cause;
        }
        p.waiting = waiting_.value(name).values();
        s->printers.push_back(std::move(p));
    }
    // A printer of the routing that is not installed here holds up its
    // orders as much as one out of paper.
    QStringList missing;
    for (auto it = waiting_.cbegin(); it != waiting_.cend(); ++it)
        if (!it->isEmpty() && c_.health.failure(it.key())) missing << it.key();
    missing.sort();
    for (const QString &name : missing) {
        if (std::any_of(s->printers.cbegin(), s->printers.cend(), [&](const PrinterView &p) { return p.name == name; }))
            continue;
        PrinterView p;
        p.name = name;
        p.status = statusOf(PrinterCondition::NotInstalled);
        p.failingSinceMs = c_.health.failure(name)->sinceMs;
        p.cause = c_.health.failure(name)->cause;
        p.waiting = waiting_.value(name).values();
        s->printers.push_back(std::move(p));
    }
    s->pending = pending_;
    s->sendingTo = sendingTo_;
    s->sendingOrder = sendingJob_ ? sendingJob_->order : QString();
    s->sendingSinceMs = sendingSinceMs_;
    s->tickets = tickets_;
    s->failures = failures_;
    s->failuresStarted = c_.health.failuresStarted();
    s->ticks = ticks_;
    s->lastFailures = lastFailures_;
    return s;
}

QString WatchedOutput::send(const QString &printer, const Document &ticket, const std::function<void()> &onSelected) {
    monitor_.ticketGoing(printer);
    QString tookIt;
    try {
        tookIt = inner_.send(printer, ticket, onSelected);
    } catch (const TpvError &e) {
        monitor_.ticketFailed(printer, e.number(), e.description());
        throw;
    }
    monitor_.ticketSent(printer, tookIt);
    return tookIt;
}

}  // namespace tpv
