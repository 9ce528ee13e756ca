#include "sql/JournalStatements.h"

#include "sql/SqlText.h"

namespace tpv::sql::journal {

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + escaped(text) + QLatin1Char('\''); }
QString num(double v) { return QString::number(v, 'g', 17); }
// "(a,b,c)": one row of values.
QString row(const QStringList &values) { return QLatin1Char('(') + values.join(QLatin1Char(',')) + QLatin1Char(')'); }

QString dayWhere(const QString &tpv, const QString &fecha) {
    return QStringLiteral(" WHERE tpv = ") + q(tpv) + QStringLiteral(" AND fecha = ") + q(fecha);
}

QString orderWhere(const QString &tpv, const QString &fecha, const QString &comanda) {
    return dayWhere(tpv, fecha) + QStringLiteral(" AND comanda = ") + q(comanda);
}

QString printerWhere(const QString &tpv, const QString &fecha, const QString &comanda, const QString &printer) {
    return orderWhere(tpv, fecha, comanda) + QStringLiteral(" AND impresora = ") + q(printer);
}

}  // namespace

QStringList forgetDaysBefore(const QString &tpv, const QString &fecha) {
    QStringList out;
    for (const char *table : {"LectorRecibido", "LectorEnvio", "LectorTrabajo"})
        out << QStringLiteral("DELETE FROM %1 WHERE tpv = %2 AND fecha < %3")
                   .arg(QString::fromLatin1(table), q(tpv), q(fecha));
    return out;
}

QString sendingsOfOrder(const QString &tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral("SELECT id, impresora, titulo, resumen, estado, partes, puesto FROM LectorEnvio") +
           orderWhere(tpv, fecha, comanda) + QStringLiteral(" ORDER BY id");
}

QString receivedOfOrder(const QString &tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral("SELECT impresora, clase, numero, base, nivel FROM LectorRecibido") +
           orderWhere(tpv, fecha, comanda);
}

QString announceSending(const Sending &s) {
    return QStringLiteral(
               "INSERT INTO LectorEnvio (id, tpv, fecha, comanda, impresora, trabajo, titulo, resumen, estado, "
               "puesto, partes) VALUES ") +
           row({QString::number(s.id), q(s.tpv), q(s.fecha), q(s.comanda), q(s.printer), q(s.job), q(s.title),
                q(s.digest), q(s.state), q(s.station), q(s.parts)});
}

QString setSendingState(qint64 id, const QString &state) {
    return QStringLiteral("UPDATE LectorEnvio SET estado = ") + q(state) + QStringLiteral(" WHERE id = ") +
           QString::number(id);
}

QString forgetSendings(const std::vector<qint64> &ids) {
    QStringList numbers;
    for (qint64 id : ids) numbers << QString::number(id);
    return QStringLiteral("DELETE FROM LectorEnvio WHERE id IN ") + row(numbers);
}

QStringList saveReceived(const QString &tpv, const QString &fecha, const QString &comanda, const QString &printer,
                         const std::vector<ReceivedDish> &dishes) {
    QStringList keys, rows;
    for (const ReceivedDish &d : dishes) {
        keys << QStringLiteral("(clase = ") + q(d.kind) + QStringLiteral(" AND numero = ") + q(d.number) +
                    QLatin1Char(')');
        rows << row({q(tpv), q(fecha), q(comanda), q(printer), q(d.kind), q(d.number), num(d.base), num(d.level)});
    }
    return {QStringLiteral("DELETE FROM LectorRecibido") + printerWhere(tpv, fecha, comanda, printer) +
                QStringLiteral(" AND (") + keys.join(QStringLiteral(" OR ")) + QLatin1Char(')'),
            QStringLiteral("INSERT INTO LectorRecibido (tpv, fecha, comanda, impresora, clase, numero, base, nivel) "
                           "VALUES ") +
                rows.join(QLatin1Char(','))};
}

QString resetForReprint(const QString &tpv, const QString &fecha, const QString &comanda) {
    QString where = QStringLiteral(" WHERE fecha = ") + q(fecha);
    if (!tpv.isEmpty()) where += QStringLiteral(" AND tpv = ") + q(tpv);
    if (!comanda.isEmpty()) where += QStringLiteral(" AND comanda = ") + q(comanda);
    return QStringLiteral("UPDATE LectorRecibido SET base = nivel") + where + QStringLiteral(" AND nivel > base");
}

QString settleMarked(const QString &tpv, const QString &fecha, const QString &comanda,
                     const std::vector<MarkedDish> &dishes) {
    QStringList which;
    for (const MarkedDish &d : dishes)
        which << QStringLiteral("(clase = ") + q(d.kind) + QStringLiteral(" AND numero = ") + q(d.number) +
                     QStringLiteral(" AND nivel = ") + num(d.quantity) + QLatin1Char(')');
    return QStringLiteral("UPDATE LectorRecibido SET base = nivel") + orderWhere(tpv, fecha, comanda) +
           QStringLiteral(" AND (") + which.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

QStringList noteJobDone(const QString &tpv, const QString &fecha, const QString &job, const QString &hora) {
    return {QStringLiteral("DELETE FROM LectorTrabajo") + dayWhere(tpv, fecha) + QStringLiteral(" AND trabajo = ") +
                q(job),
            QStringLiteral("INSERT INTO LectorTrabajo (tpv, fecha, trabajo, hora) VALUES ") +
                row({q(tpv), q(fecha), q(job), q(hora)})};
}

QString jobDoneTime(const QString &tpv, const QString &fecha, const QString &job) {
    return QStringLiteral("SELECT hora FROM LectorTrabajo") + dayWhere(tpv, fecha) +
           QStringLiteral(" AND trabajo = ") + q(job);
}

QString receivedExists(const QString &tpv, const QString &fecha, const QString &comanda, const QString &printer,
                       const QString &kind, const QString &number) {
    return QStringLiteral("SELECT count(*) FROM LectorRecibido") + printerWhere(tpv, fecha, comanda, printer) +
           QStringLiteral(" AND clase = ") + q(kind) + QStringLiteral(" AND numero = ") + q(number);
}

QString jobExists(const QString &tpv, const QString &fecha, const QString &job) {
    return QStringLiteral("SELECT count(*) FROM LectorTrabajo") + dayWhere(tpv, fecha) +
           QStringLiteral(" AND trabajo = ") + q(job);
}

QString oldReceived() {
    return QStringLiteral("SELECT tpv, fecha, comanda, impresora, clase, numero, base, nivel FROM recibido");
}

QString oldSendings() {
    return QStringLiteral(
        "SELECT tpv, fecha, comanda, impresora, trabajo, titulo, resumen, estado, partes FROM envio ORDER BY id");
}

QString oldJobs() { return QStringLiteral("SELECT tpv, fecha, trabajo, hora FROM trabajo"); }

}  // namespace tpv::sql::journal
