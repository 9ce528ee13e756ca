#include "printer/DeliveryJournal.h"

#include "db/SqlText.h"
#include "platform/Error.h"
#include "platform/SqlConnection.h"
#include "printing/Ticket.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace tpv {

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + sql::escaped(text) + QLatin1Char('\''); }

}  // namespace

QString DeliveryJournal::digest(const QString &ticketText) {
    return QString::fromLatin1(
        QCryptographicHash::hash(ticket::withoutSendingTime(ticketText).toUtf8(), QCryptographicHash::Sha256).toHex());
}

Connection &DeliveryJournal::journal() {
    if (db_) return *db_;
    const QString path = QDir(dataDir_).filePath(fileName());
    try {
        auto db = QFileInfo::exists(path) ? openSqliteFile(path) : createSqliteFile(path);
        // Each delivery is on disk before the next ticket goes out, and
        // survives the process being killed.
        db->query(QStringLiteral("PRAGMA journal_mode = WAL"));
        db->execute(QStringLiteral("PRAGMA synchronous = FULL"));
        db->execute(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS entregas (tpv TEXT NOT NULL, fecha TEXT NOT NULL, ord TEXT NOT NULL, "
            "impresora TEXT NOT NULL, resumen TEXT NOT NULL, PRIMARY KEY (tpv, fecha, ord, impresora))"));
        db_ = std::move(db);
    } catch (const TpvError &e) {
        throw TpvError(e.number(), QStringLiteral("No se puede abrir el registro de entregas ") + path +
                                       QStringLiteral(": ") + e.description());
    }
    return *db_;
}

QString DeliveryJournal::where() const {
    return QStringLiteral(" WHERE tpv = ") + q(key_.tpv) + QStringLiteral(" AND fecha = ") + q(key_.fecha) +
           QStringLiteral(" AND ord = ") + q(key_.ord);
}

void DeliveryJournal::beginSending(const SendingKey &key) {
    inner_.beginSending(key);
    Connection &db = journal();
    key_ = key;
    inSending_ = true;
    delivered_.clear();
    if (prunedBefore_ != key.fecha) {
        db.execute(QStringLiteral("DELETE FROM entregas WHERE fecha < ") + q(key.fecha));
        prunedBefore_ = key.fecha;
    }
    const ResultSet rows = db.query(QStringLiteral("SELECT impresora, resumen FROM entregas") + where());
    for (const auto &r : rows.rows) delivered_.insert(r[0].toText(), r[1].toText());
}

void DeliveryJournal::send(const QString &printer, const QString &ticketText, const std::function<void()> &onSelected) {
    if (!inSending_) {
        inner_.send(printer, ticketText, onSelected);
        return;
    }
    const QString d = digest(ticketText);
    const auto it = delivered_.constFind(printer);
    if (it != delivered_.cend() && *it == d) {
        // Received by the printer in an earlier run of this sending.
        if (onSelected) onSelected();
        return;
    }
    inner_.send(printer, ticketText, onSelected);
    Connection &db = journal();
    db.execute(QStringLiteral("INSERT OR REPLACE INTO entregas (tpv, fecha, ord, impresora, resumen) VALUES (") +
               q(key_.tpv) + QStringLiteral(", ") + q(key_.fecha) + QStringLiteral(", ") + q(key_.ord) +
               QStringLiteral(", ") + q(printer) + QStringLiteral(", ") + q(d) + QStringLiteral(")"));
    delivered_.insert(printer, d);
}

void DeliveryJournal::sendingCompleted() {
    inner_.sendingCompleted();
    if (!inSending_) return;
    inSending_ = false;
    Connection &db = journal();
    delivered_.clear();
    // A completed sending that is pending again was reset for a reprint: it
    // prints whole, so nothing of it is kept.
    db.execute(QStringLiteral("DELETE FROM entregas") + where());
}

}  // namespace tpv
