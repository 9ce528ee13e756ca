#include "platform/Log.h"

#include <atomic>
#include <chrono>
#include <cstdio>

namespace tpv {

namespace {

// -1: not decided yet; 0: plain; 1: with priority prefix.
std::atomic<int> journalState{-1};

QString oneLine(const QString &text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    out.replace(QLatin1Char('\n'), QLatin1Char(' '));
    out.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return out;
}

QString repeatedText(const QString &text, int times) {
    return times == 1 ? text + QStringLiteral(" (repetido 1 vez)")
                      : text + QStringLiteral(" (repetido %1 veces)").arg(times);
}

}  // namespace

void forceJournalPrefix(std::optional<bool> on) { journalState = on ? (*on ? 1 : 0) : -1; }

bool journalPrefixInUse() {
    int state = journalState.load();
    if (state < 0) {
        state = qEnvironmentVariableIsEmpty("JOURNAL_STREAM") ? 0 : 1;
        int expected = -1;
        if (!journalState.compare_exchange_strong(expected, state)) state = expected;
    }
    return state == 1;
}

QByteArray formatLogLine(LogPriority priority, const QString &text, bool journalPrefix) {
    QByteArray line;
    if (journalPrefix) line = '<' + QByteArray::number(static_cast<int>(priority)) + '>';
    line += oneLine(text).toUtf8();
    line += '\n';
    return line;
}

void logLine(LogPriority priority, const QString &text) {
    const QByteArray line = formatLogLine(priority, text, journalPrefixInUse());
    // One write for the whole line, so that lines of two threads never mix.
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

QString ticketSentText(int job, int order, const QString &printer, int lines) {
    return QStringLiteral("Ticket enviado: trabajo %1, comanda %2, impresora %3, %4")
        .arg(job)
        .arg(order)
        .arg(printer, lines == 1 ? QStringLiteral("1 línea") : QStringLiteral("%1 líneas").arg(lines));
}

QString serviceStartText(const QString &version, const QString &dataDir, const QString &database,
                         const QStringList &printers) {
    return QStringLiteral("Lector TPV %1 en marcha; datos en %2; base de datos de comandas %3; impresoras: %4")
        .arg(version, dataDir, database,
             printers.isEmpty() ? QStringLiteral("ninguna") : printers.join(QStringLiteral(", ")));
}

QString serviceStopText() { return QStringLiteral("Lector TPV se detiene"); }

RepeatingFailureLog::RepeatingFailureLog(const Clock &clock, qint64 repeatEveryMs, Writer write)
    : clock_(clock), repeatEveryMs_(repeatEveryMs), write_(std::move(write)) {}

bool RepeatingFailureLog::failed(const QString &key, const QString &text, LogPriority priority, const QString &cause) {
    const qint64 now = clock_.steadyMs();
    const QString why = cause.isEmpty() ? text : cause;
    auto it = failures_.find(key);
    if (it == failures_.end() || it->cause != why) {
        // A new failure, or the same thing failing for another reason.
        failures_.insert(key, Failure{why, text, now, 0, true});
        write_(priority, text);
        return true;
    }
    it->text = text;
    it->told = true;
    ++it->unlogged;
    if (now - it->lastLineMs < repeatEveryMs_) return false;
    write_(priority, repeatedText(text, it->unlogged));
    it->lastLineMs = now;
    it->unlogged = 0;
    return true;
}

bool RepeatingFailureLog::recovered(const QString &key) {
    const auto it = failures_.constFind(key);
    if (it == failures_.cend()) return false;
    QString line = QStringLiteral("Se ha recuperado: ") + it->text;
    // The repeats since the last line would otherwise never be told.
    if (it->unlogged > 0) line = repeatedText(line, it->unlogged);
    failures_.erase(it);
    write_(LogPriority::Info, line);
    return true;
}

void RepeatingFailureLog::startRound() {
    for (Failure &f : failures_) f.told = false;
}

int RepeatingFailureLog::endRound() {
    QStringList ended;
    for (auto it = failures_.cbegin(); it != failures_.cend(); ++it)
        if (!it->told) ended << it.key();
    // In a stable order, so two failures that end together read the same
    // way every time.
    ended.sort();
    for (const QString &key : ended) recovered(key);
    return static_cast<int>(ended.size());
}

int RepeatingFailureLog::recoverAll() {
    QStringList keys = failures_.keys();
    keys.sort();
    for (const QString &key : keys) recovered(key);
    return static_cast<int>(keys.size());
}

}  // namespace tpv
