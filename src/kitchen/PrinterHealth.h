#pragma once
// How each printer has fared: failing since when (on the monotonic clock)
// and why, as the tickets sent to it and the looks between tickets left it,
// and which printer stands in for it. The backup printers decide by it; the
// window and the log show it.
#include <QHash>
#include <QString>
#include <optional>

namespace tpv {

class PrinterHealth {
public:
    struct Failure {
        qint64 sinceMs = 0;
        QString cause;
    };
    // A ticket failed on the printer.
    void failed(const QString &printer, const QString &cause, qint64 nowMs) { note(printer, cause, nowMs); }
    // A ticket went through.
    void worked(const QString &printer) { failures_.remove(printer); }
    // A look between tickets found the printer unable to print: it counts
    // as failing from then on, so its backup takes over on time even when
    // no ticket was meant for it meanwhile.
    void lookFailed(const QString &printer, const QString &cause, qint64 nowMs) { note(printer, cause, nowMs); }
    // A look found it able to print. (A look never finds a printer well
    // while the failure of its last ticket stands: the printer layer keeps
    // that rule, see PrinterLayer::probe.)
    void lookedWell(const QString &printer) { failures_.remove(printer); }
    std::optional<Failure> failure(const QString &printer) const {
        const auto it = failures_.constFind(printer);
        if (it == failures_.cend()) return std::nullopt;
        return *it;
    }

    // The printer that takes this one's tickets now (empty when none).
    QString standIn(const QString &printer) const { return standIns_.value(printer); }
    void setStandIn(const QString &printer, const QString &backup) {
        if (backup.isEmpty())
            standIns_.remove(printer);
        else
            standIns_.insert(printer, backup);
    }
    const QHash<QString, QString> &standIns() const { return standIns_; }

    // How many times each printer has started to fail (however many tickets
    // and looks each failure lasted).
    const QHash<QString, qint64> &failuresStarted() const { return started_; }

private:
    // A failure keeps the time it started; its cause is the latest.
    void note(const QString &printer, const QString &cause, qint64 nowMs) {
        auto it = failures_.find(printer);
        if (it == failures_.end()) {
            failures_.insert(printer, {nowMs, cause});
            ++started_[printer];
            return;
        }
        it->cause = cause;
    }

    QHash<QString, Failure> failures_;
    QHash<QString, QString> standIns_;
    QHash<QString, qint64> started_;
};

}  // namespace tpv
