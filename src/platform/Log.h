#pragma once
// The service log: one line per event on standard error. Under journald
// (JOURNAL_STREAM set) every line starts with its syslog priority, "<3>",
// "<4>" or "<6>", which the journal turns into the entry's priority; on a
// terminal or in a file the lines are plain.
#include "platform/Clock.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tpv {

enum class LogPriority { Error = 3, Warning = 4, Info = 6 };

// Writes TEXT as one whole line (line breaks inside it become spaces, so the
// journal never sees a second line without a priority) and flushes it.
void logLine(LogPriority priority, const QString &text);

// The line logLine writes for TEXT, line end included.
QByteArray formatLogLine(LogPriority priority, const QString &text, bool journalPrefix);

// Whether lines get the priority prefix. Decided from JOURNAL_STREAM at the
// first line; a value given here wins, and std::nullopt makes the next line
// decide again from the environment.
void forceJournalPrefix(std::optional<bool> on);
bool journalPrefixInUse();

// The texts of the usual events, so that every caller writes them alike.
QString ticketSentText(int job, int order, const QString &printer, int lines);
// The one start line: the version, the data folder, the order database (its
// place, never its password) and the printers found.
QString serviceStartText(const QString &version, const QString &dataDir, const QString &database,
                         const QStringList &printers);
QString serviceStopText();

// A failure that comes back at every tick (a server that does not answer, a
// printer without paper) is logged when it starts, then at most once every
// repeat interval with the number of times it happened meanwhile, and once
// when it ends; never once per tick.
class RepeatingFailureLog {
public:
    using Writer = std::function<void(LogPriority, const QString &)>;

    static constexpr qint64 kDefaultRepeatMs = 5 * 60 * 1000;

    explicit RepeatingFailureLog(const Clock &clock = systemClock(), qint64 repeatEveryMs = kDefaultRepeatMs,
                                 Writer write = logLine);

    // The failure KEY (a kind of failure: "servidor", "impresora:Cocina")
    // happened, with the cause TEXT. Returns whether a line was written: when
    // KEY was not failing, when its cause changed, or when the repeat
    // interval has passed since its last line ("TEXT (repetido N veces)").
    // The cause is TEXT itself unless CAUSE is given: then TEXT may name what
    // changes from one time to the next (the order that waits), and a line
    // shows the latest.
    bool failed(const QString &key, const QString &text, LogPriority priority = LogPriority::Error,
                const QString &cause = {});
    // KEY works again. Writes "Se ha recuperado: TEXT" once when it was
    // failing; returns whether it wrote.
    bool recovered(const QString &key);

    bool isFailing(const QString &key) const { return failures_.contains(key); }

    // Rounds of work (poll ticks): a failure that goes on is told again in
    // every round, so one not told in a round has ended. startRound marks
    // the start of one; endRound writes every failure not told since as
    // recovered, and returns how many it wrote.
    void startRound();
    int endRound();
    // Every failure has ended; returns how many there were.
    int recoverAll();

private:
    struct Failure {
        QString cause;
        QString text;
        qint64 lastLineMs = 0;
        int unlogged = 0;  // times it happened since its last line
        bool told = true;  // told in this round
    };
    const Clock &clock_;
    qint64 repeatEveryMs_;
    Writer write_;
    QHash<QString, Failure> failures_;
};

}  // namespace tpv
