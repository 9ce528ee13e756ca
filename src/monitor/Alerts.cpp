#include "monitor/Alerts.h"

namespace tpv {

namespace {

QString printerFailingText(const PrinterView &p, qint64 nowMs) {
    QString text = QStringLiteral("La impresora %1 falla desde hace %2 (%3)")
                       .arg(p.name, durationText(nowMs - *p.failingSinceMs), p.cause);
    if (!p.standIn.isEmpty()) text += QStringLiteral("; sus tickets van a ") + p.standIn;
    if (!p.waiting.isEmpty()) text += QStringLiteral("; ") + waitingText(p.waiting);
    return text;
}

std::vector<const PendingJobView *> jobsOlderThan(const Snapshot &s, qint64 nowMs, qint64 limitMs) {
    std::vector<const PendingJobView *> out;
    for (const PendingJobView &job : s.pending)
        if (nowMs - job.sinceMs > limitMs) out.push_back(&job);
    return out;
}

}  // namespace

QString Health::word() const {
    switch (level) {
        case Level::Good:
            return QStringLiteral("bien");
        case Level::Warning:
            return QStringLiteral("aviso");
        case Level::Bad:
            break;
    }
    return QStringLiteral("mal");
}

QString jobDescription(const PendingJobView &job) {
    return QStringLiteral("trabajo %1 (%2)").arg(job.job).arg(job.text.section(QStringLiteral(" Tpv:"), 0, 0));
}

QString waitingText(const QStringList &orders) {
    return (orders.size() == 1 ? QStringLiteral("espera la comanda ") : QStringLiteral("esperan las comandas ")) +
           orders.join(QStringLiteral(", "));
}

Health evaluateHealth(const Snapshot &s, qint64 nowMs) {
    QStringList bad, warnings;
    if (!s.polledOnce) {
        warnings << QStringLiteral("Todavía no se ha consultado la cola de impresión");
    } else if (!s.lastPollOk) {
        bad << (s.databaseLost ? QStringLiteral("No se puede consultar la base de datos de comandas: ")
                               : QStringLiteral("La consulta de la cola de impresión falla: ")) +
                   s.pollError;
    }
    // No PC of the terminal holds a fresh turn: nothing prints, on any PC.
    if (s.turn.known && s.polledOnce) {
        const std::optional<qint64> age = s.turnAgeMs(nowMs);
        if (!age)
            bad << QStringLiteral("Ningún PC tiene el turno de impresión del terminal");
        else if (*age > kTurnAlertMs)
            bad << QStringLiteral("Ningún PC ha renovado el turno de impresión del terminal desde hace %1 (%2)")
                       .arg(durationText(*age), s.turn.holder);
    }
    for (const PendingJobView *job : jobsOlderThan(s, nowMs, kJobAlertMs))
        bad << QStringLiteral("El %1 lleva %2 pendiente").arg(jobDescription(*job), durationText(nowMs - job->sinceMs));
    for (const PrinterView &p : s.printers) {
        if (p.failingSinceMs) {
            const bool tooLong = nowMs - *p.failingSinceMs > kPrinterAlertMs;
            (tooLong && p.standIn.isEmpty() ? bad : warnings) << printerFailingText(p, nowMs);
        } else if (p.status.isFailure() || p.status.isWarning()) {
            warnings << QStringLiteral("La impresora %1: %2").arg(p.name, statusLabel(p.status));
        }
    }
    if (s.lastGoodPollMs) {
        const qint64 staleAfter = std::max<qint64>(60 * 1000, 3 * static_cast<qint64>(s.intervalMs));
        if (nowMs - *s.lastGoodPollMs > staleAfter)
            warnings << QStringLiteral("La última consulta correcta de la cola fue hace ") +
                            durationText(nowMs - *s.lastGoodPollMs);
    }
    if (bad.isEmpty() && warnings.isEmpty() && !s.statusLine.isEmpty()) warnings << s.statusLine;
    Health h;
    h.level = !bad.isEmpty() ? Health::Level::Bad : !warnings.isEmpty() ? Health::Level::Warning : Health::Level::Good;
    h.reasons = bad + warnings;
    return h;
}

void AlertLog::update(const Snapshot &s, qint64 nowMs) {
    QSet<QString> failingLong;
    for (const PrinterView &p : s.printers) {
        if (!p.failingSinceMs || nowMs - *p.failingSinceMs <= kPrinterAlertMs) continue;
        failingLong.insert(p.name);
        if (printersAlerted_.contains(p.name)) continue;
        printersAlerted_.insert(p.name, *p.failingSinceMs);
        write_(LogPriority::Error, QStringLiteral("ALERTA: ") + printerFailingText(p, nowMs));
    }
    QStringList ended;
    for (auto it = printersAlerted_.cbegin(); it != printersAlerted_.cend(); ++it)
        if (!failingLong.contains(it.key())) ended << it.key();
    ended.sort();
    for (const QString &name : ended) {
        write_(LogPriority::Error, QStringLiteral("FIN DE ALERTA: la impresora %1 ya no falla (fallaba desde hacía %2)")
                                       .arg(name, durationText(nowMs - printersAlerted_.value(name))));
        printersAlerted_.remove(name);
    }

    const auto old = jobsOlderThan(s, nowMs, kJobAlertMs);
    if (!old.empty() && !jobsAlerted_) {
        QStringList jobs;
        for (const PendingJobView *job : old)
            jobs << QStringLiteral("%1 desde hace %2").arg(jobDescription(*job), durationText(nowMs - job->sinceMs));
        write_(LogPriority::Error, QStringLiteral("ALERTA: trabajos pendientes desde hace más de %1: %2")
                                       .arg(durationText(kJobAlertMs), jobs.join(QStringLiteral("; "))));
        jobsAlerted_ = true;
    } else if (old.empty() && jobsAlerted_) {
        write_(
            LogPriority::Error,
            QStringLiteral("FIN DE ALERTA: ningún trabajo lleva más de %1 pendiente").arg(durationText(kJobAlertMs)));
        jobsAlerted_ = false;
    }
}

}  // namespace tpv
