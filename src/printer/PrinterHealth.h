#pragma once
// How each printer has fared with the tickets sent to it: failing since
// when (on the monotonic clock) and why, and which printer stands in for it.
// The backup printers decide by it; the window and the log show it.
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
    void failed(const QString &printer, const QString &cause, qint64 nowMs) {
        auto it = failures_.find(printer);
        if (it == failures_.end())
            failures_.insert(printer, {nowMs, cause});
        else
            it->cause = cause;
    }
    void worked(const QString &printer) { failures_.remove(printer); }
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

private:
    QHash<QString, Failure> failures_;
    QHash<QString, QString> standIns_;
};

}  // namespace tpv
