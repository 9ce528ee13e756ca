// The status page and the health's JSON.
#include "monitor/Pages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tpv {

namespace {

QString html(const QString &text) { return text.toHtmlEscaped(); }

QString timeOf(const Snapshot &s, qint64 monotonicMs) {
    return s.timeOfDay(monotonicMs).toString(QStringLiteral("HH:mm:ss"));
}

// The page's look: readable on a phone as on a screen, colour only where
// something is wrong.
const char *const kStyle = R"(
body { font-family: "Liberation Sans", Arial, sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.4em; margin-bottom: 0.2em; }
h2 { font-size: 1.1em; margin-top: 1.5em; }
table { border-collapse: collapse; min-width: 40em; }
th, td { text-align: left; padding: 0.3em 0.8em; border-bottom: 1px solid #ddd; vertical-align: top; }
td.corto { white-space: nowrap; }
.estado { display: inline-block; padding: 0.3em 0.8em; border-radius: 0.3em; font-weight: bold; }
.bien { background: #d8f0d8; } .aviso { background: #fff0c0; } .mal { background: #f8d0d0; }
.nota { color: #555; font-size: 0.9em; }
)";

QString printerRows(const Snapshot &s, qint64 nowMs) {
    QString rows;
    for (const PrinterView &p : s.printers) {
        const QString css = p.failingSinceMs || p.status.isFailure() ? QStringLiteral("mal")
                            : p.status.isWarning()                   ? QStringLiteral("aviso")
                                                                     : QString();
        QStringList notes;
        if (p.failingSinceMs)
            notes << QStringLiteral("Falla desde hace %1: %2").arg(durationText(nowMs - *p.failingSinceMs), p.cause);
        if (!p.standIn.isEmpty()) notes << QStringLiteral("Desviada a ") + p.standIn;
        if (!p.waiting.isEmpty()) notes << waitingText(p.waiting);
        if (s.sendingTo == p.name)
            notes << QStringLiteral("Enviando un ticket%1 desde hace %2")
                         .arg(s.sendingOrder.isEmpty() ? QString() : QStringLiteral(" de la comanda ") + s.sendingOrder,
                              durationText(nowMs - s.sendingSinceMs));
        rows +=
            QStringLiteral(
                "<tr class=\"%1\"><td>%2</td><td class=\"corto\">%3</td><td class=\"corto\">%4</td><td>%5</td></tr>\n")
                .arg(css, html(p.name), html(statusLabel(p.status)),
                     p.lastTicket.isValid() ? p.lastTicket.toString(QStringLiteral("HH:mm:ss"))
                                            : QStringLiteral("Ninguno todavía"),
                     html(notes.join(QStringLiteral("; "))));
    }
    return rows;
}

QString pendingRows(const Snapshot &s, qint64 nowMs) {
    QString rows;
    for (const PendingJobView &job : s.pending) {
        const qint64 age = nowMs - job.sinceMs;
        rows += QStringLiteral("<tr class=\"%1\"><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                    .arg(age > kJobAlertMs ? QStringLiteral("mal") : QString())
                    .arg(job.job)
                    .arg(html(job.text), QStringLiteral("Pendiente desde hace ") + durationText(age));
    }
    return rows;
}

QString failureRows(const Snapshot &s) {
    QString rows;
    for (auto it = s.lastFailures.crbegin(); it != s.lastFailures.crend(); ++it)
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>\n")
                    .arg(it->at.toString(QStringLiteral("HH:mm:ss")),
                         html(it->printer.isEmpty() ? QStringLiteral("—") : it->printer), html(it->text));
    return rows;
}

}  // namespace

QByteArray healthJson(const Health &h, const Snapshot &s, qint64 nowMs) {
    QJsonObject o;
    o.insert(QStringLiteral("estado"), h.word());
    o.insert(QStringLiteral("motivos"), QJsonArray::fromStringList(h.reasons));
    o.insert(QStringLiteral("version"), s.version);
    o.insert(QStringLiteral("tpv"), s.tpv);
    o.insert(QStringLiteral("base_de_datos_accesible"), !(s.polledOnce && s.databaseLost));
    if (s.lastGoodPollMs)
        o.insert(QStringLiteral("ultima_consulta_correcta_hace_segundos"), (nowMs - *s.lastGoodPollMs) / 1000);
    o.insert(QStringLiteral("trabajos_pendientes"), static_cast<int>(s.pending.size()));
    qint64 oldest = 0;
    for (const PendingJobView &job : s.pending) oldest = std::max(oldest, nowMs - job.sinceMs);
    o.insert(QStringLiteral("trabajo_pendiente_mas_antiguo_segundos"), oldest / 1000);
    QJsonArray printers;
    for (const PrinterView &p : s.printers) {
        QJsonObject jp;
        jp.insert(QStringLiteral("nombre"), p.name);
        jp.insert(QStringLiteral("estado"), statusWord(p.status.condition));
        if (p.failingSinceMs) jp.insert(QStringLiteral("fallando_segundos"), (nowMs - *p.failingSinceMs) / 1000);
        if (!p.standIn.isEmpty()) jp.insert(QStringLiteral("respaldo"), p.standIn);
        printers.append(jp);
    }
    o.insert(QStringLiteral("impresoras"), printers);
    if (s.turn.known) {
        QJsonObject t;
        t.insert(QStringLiteral("activo"), s.turn.active);
        t.insert(QStringLiteral("generacion"), s.turn.generation);
        t.insert(QStringLiteral("imprime"), s.turn.holder);
        if (const auto age = s.turnAgeMs(nowMs)) t.insert(QStringLiteral("renovado_hace_ms"), *age);
        o.insert(QStringLiteral("turno"), t);
    }
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray statusPage(const Snapshot &s, qint64 nowMs) {
    const Health h = evaluateHealth(s, nowMs);
    const QString levelText = h.level == Health::Level::Good ? QStringLiteral("Todo bien")
                              : h.level == Health::Level::Warning
                                  ? QStringLiteral("Aviso")
                                  : QStringLiteral("Mal: la cocina puede no recibir comandas");
    QString reasons;
    for (const QString &r : h.reasons) reasons += QStringLiteral("<li>") + html(r) + QStringLiteral("</li>\n");
    QString page = QStringLiteral(
                       "<!DOCTYPE html>\n<html lang=\"es\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta http-equiv=\"refresh\" content=\"5\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>Lector TPV %1: estado</title>\n<style>%2</style>\n</head>\n<body>\n"
                       "<h1>Lector TPV %1 — terminal %3</h1>\n"
                       "<p><span id=\"salud\" class=\"estado %4\">%5</span></p>\n<ul id=\"motivos\">\n%6</ul>\n")
                       .arg(html(s.version), QString::fromLatin1(kStyle))
                       .arg(s.tpv)
                       .arg(h.word(), levelText, reasons);
    if (s.turn.known)
        page += QStringLiteral("<p id=\"turno\">Turno de impresión: %1 (generación %2)</p>\n")
                    .arg(html(s.turn.caption))
                    .arg(s.turn.generation);
    page += QStringLiteral(
                "<h2>Impresoras</h2>\n<table id=\"impresoras\">\n"
                "<tr><th>Impresora</th><th>Estado</th><th>Último ticket</th><th>Notas</th></tr>\n%1</table>\n")
                .arg(printerRows(s, nowMs));
    page += s.pending.empty() ? QStringLiteral("<h2>Trabajos pendientes</h2>\n<p id=\"pendientes\">Ninguno.</p>\n")
                              : QStringLiteral(
                                    "<h2>Trabajos pendientes</h2>\n<table id=\"pendientes\">\n"
                                    "<tr><th>Trabajo</th><th>Comanda</th><th>Espera</th></tr>\n%1</table>\n")
                                    .arg(pendingRows(s, nowMs));
    page += s.lastFailures.empty()
                ? QStringLiteral("<h2>Últimos fallos</h2>\n<p id=\"fallos\">Ninguno desde el arranque.</p>\n")
                : QStringLiteral(
                      "<h2>Últimos fallos</h2>\n<table id=\"fallos\">\n"
                      "<tr><th>Hora</th><th>Impresora</th><th>Qué pasó</th></tr>\n%1</table>\n")
                      .arg(failureRows(s));
    page +=
        QStringLiteral(
            "<p class=\"nota\">Última consulta correcta de la cola: %1. Página de las %2; se "
            "actualiza cada 5 s.</p>\n</body>\n</html>\n")
            .arg(s.lastGoodPollMs ? timeOf(s, *s.lastGoodPollMs) : QStringLiteral("ninguna todavía"), timeOf(s, nowMs));
    return page.toUtf8();
}

}  // namespace tpv
