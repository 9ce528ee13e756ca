#pragma once
// The service log: one line per event on standard error. Under journald
// (JOURNAL_STREAM set) every line starts with its syslog priority, "<3>",
// "<4>" or "<6>", which the journal turns into the entry's priority; on a
// terminal or in a file the lines are plain.
#include <QHash>
#include <QString>
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
QString serviceStartText(const QString &version, const QString &dataDir);
QString serviceStopText();

// Milliseconds of a monotonic clock (never goes back, unaffected by changes
// of the time of day).
qint64 monotonicMs();

// A failure that comes back at every tick (a server that does not answer, a
// printer without paper) is logged when it starts, then at most once every
// repeat interval with the number of times it happened meanwhile, and once
// when it ends; never once per tick.
class RepeatingFailureLog {
public:
    using ClockMs = std::function<qint64()>;
    using Writer = std::function<void(LogPriority, const QString &)>;

    static constexpr qint64 kDefaultRepeatMs = 5 * 60 * 1000;

    explicit RepeatingFailureLog(ClockMs clock = monotonicMs, qint64 repeatEveryMs = kDefaultRepeatMs,
                                 Writer write = logLine);

    // The failure KEY (a kind of failure: "servidor", "impresora:Cocina")
    // happened, with the cause TEXT. Returns whether a line was written: when
    // KEY was not failing, when its cause changed, or when the repeat
    // interval has passed since its last line ("TEXT (repetido N veces)").
    bool failed(const QString &key, const QString &text, LogPriority priority = LogPriority::Error);
    // KEY works again. Writes "Se ha recuperado: TEXT" once when it was
    // failing; returns whether it wrote.
    bool recovered(const QString &key);

    bool isFailing(const QString &key) const { return failures_.contains(key); }

private:
    struct Failure {
        QString text;
        qint64 lastLineMs = 0;
        int unlogged = 0;  // times it happened since its last line
    };
    ClockMs clock_;
    qint64 repeatEveryMs_;
    Writer write_;
    QHash<QString, Failure> failures_;
};

}  // namespace tpv
