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

}  // namespace

QString writeAheadLog() { return QStringLiteral("PRAGMA journal_mode = WAL"); }

QString fullSync() { return QStringLiteral("PRAGMA synchronous = FULL"); }

QStringList tables() {
    return {
        QStringLiteral("DROP TABLE IF EXISTS entregas"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS recibido (tpv TEXT NOT NULL, fecha TEXT NOT NULL, comanda TEXT NOT NULL, "
            "impresora TEXT NOT NULL, clase TEXT NOT NULL, numero TEXT NOT NULL, base REAL NOT NULL, "
            "nivel REAL NOT NULL, PRIMARY KEY (tpv, fecha, comanda, impresora, clase, numero))"),
        // A ticket announced and not yet confirmed, with the parts of dishes
        // it carries (JSON: [clase, numero, base, desde, hasta] each).
        QStringLiteral("CREATE TABLE IF NOT EXISTS envio (id INTEGER PRIMARY KEY AUTOINCREMENT, tpv TEXT NOT NULL, "
                       "fecha TEXT NOT NULL, comanda TEXT NOT NULL, impresora TEXT NOT NULL, trabajo TEXT NOT NULL, "
                       "titulo TEXT NOT NULL, resumen TEXT NOT NULL, estado TEXT NOT NULL, partes TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS envio_comanda ON envio (tpv, fecha, comanda)"),
        // When each job of the day was marked done, for the operator.
        QStringLiteral("CREATE TABLE IF NOT EXISTS trabajo (tpv TEXT NOT NULL, fecha TEXT NOT NULL, "
                       "trabajo TEXT NOT NULL, hora TEXT NOT NULL, PRIMARY KEY (tpv, fecha, trabajo))"),
    };
}

TransactionWords writeTransaction() {
    return {QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("COMMIT"), QStringLiteral("ROLLBACK")};
}

QStringList forgetDaysBefore(const QString &fecha) {
    return {QStringLiteral("DELETE FROM recibido WHERE fecha < ") + q(fecha),
            QStringLiteral("DELETE FROM envio WHERE fecha < ") + q(fecha),
            QStringLiteral("DELETE FROM trabajo WHERE fecha < ") + q(fecha)};
}

QString sendingsOfOrder(const QString &tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral("SELECT id, impresora, titulo, resumen, estado, partes FROM envio") +
           orderWhere(tpv, fecha, comanda) + QStringLiteral(" ORDER BY id");
}

QString receivedOfOrder(const QString &tpv, const QString &fecha, const QString &comanda) {
    return QStringLiteral("SELECT impresora, clase, numero, base, nivel FROM recibido") +
           orderWhere(tpv, fecha, comanda);
}

QString announceSending(const Sending &s) {
    return QStringLiteral(
               "INSERT INTO envio (tpv, fecha, comanda, impresora, trabajo, titulo, resumen, estado, "
               "partes) VALUES ") +
           row({q(s.tpv), q(s.fecha), q(s.comanda), q(s.printer), q(s.job), q(s.title), q(s.digest), q(s.state),
                q(s.parts)});
}

QString lastSendingId() { return QStringLiteral("SELECT last_insert_rowid()"); }

QString setSendingState(qint64 id, const QString &state) {
    return QStringLiteral("UPDATE envio SET estado = ") + q(state) + QStringLiteral(" WHERE id = ") +
           QString::number(id);
}

QString forgetSendings(const std::vector<qint64> &ids) {
    QStringList numbers;
    for (qint64 id : ids) numbers << QString::number(id);
    return QStringLiteral("DELETE FROM envio WHERE id IN ") + row(numbers);
}

QString saveReceived(const QString &tpv, const QString &fecha, const QString &comanda, const QString &printer,
                     const std::vector<ReceivedDish> &dishes) {
    QStringList rows;
    for (const ReceivedDish &d : dishes)
        rows << row({q(tpv), q(fecha), q(comanda), q(printer), q(d.kind), q(d.number), num(d.base), num(d.level)});
    return QStringLiteral(
               "INSERT INTO recibido (tpv, fecha, comanda, impresora, clase, numero, base, nivel) "
               "VALUES ") +
           rows.join(QLatin1Char(',')) +
           QStringLiteral(
               " ON CONFLICT (tpv, fecha, comanda, impresora, clase, numero) DO UPDATE SET "
               "base = excluded.base, nivel = excluded.nivel");
}

QString resetForReprint(const QString &tpv, const QString &fecha, const QString &comanda) {
    QString where = dayWhere(tpv, fecha);
    if (!comanda.isEmpty()) where += QStringLiteral(" AND comanda = ") + q(comanda);
    return QStringLiteral("UPDATE recibido SET base = nivel") + where + QStringLiteral(" AND nivel > base");
}

QString settleMarked(const QString &tpv, const QString &fecha, const QString &comanda,
                     const std::vector<MarkedDish> &dishes) {
    QStringList rows;
    for (const MarkedDish &d : dishes) rows << row({q(d.kind), q(d.number), num(d.quantity)});
    return QStringLiteral("UPDATE recibido SET base = nivel") + orderWhere(tpv, fecha, comanda) +
           QStringLiteral(" AND (clase, numero, nivel) IN (VALUES ") + rows.join(QLatin1Char(',')) + QLatin1Char(')');
}

QString noteJobDone(const QString &tpv, const QString &fecha, const QString &job, const QString &hora) {
    return QStringLiteral("INSERT OR REPLACE INTO trabajo (tpv, fecha, trabajo, hora) VALUES ") +
           row({q(tpv), q(fecha), q(job), q(hora)});
}

QString jobDoneTime(const QString &tpv, const QString &fecha, const QString &job) {
    return QStringLiteral("SELECT hora FROM trabajo") + dayWhere(tpv, fecha) + QStringLiteral(" AND trabajo = ") +
           q(job);
}

}  // namespace tpv::sql::journal
