#include "printing/DeliveryJournal.h"

#include "db/SqlText.h"
#include "platform/Error.h"
#include "platform/SqlConnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace tpv {

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + sql::escaped(text) + QLatin1Char('\''); }
QString num(double v) { return QString::number(v, 'g', 17); }
QString kindText(DishKey::Kind k) { return k == DishKey::Kind::Menu ? QStringLiteral("M") : QStringLiteral("C"); }
DishKey dishOf(const Variant &kind, const Variant &number) {
    return {kind.toText() == QLatin1String("M") ? DishKey::Kind::Menu : DishKey::Kind::Carta, number.toText()};
}

QString orderWhere(const OrderKey &o) {
    return QStringLiteral(" WHERE tpv = ") + q(o.tpv) + QStringLiteral(" AND fecha = ") + q(o.fecha) +
           QStringLiteral(" AND comanda = ") + q(o.comanda);
}

const char *const kUnconfirmed = "en curso";
const char *const kDoubtful = "dudoso";

// Runs the statements as one transaction: all of them reach the disk, or none.
void inTransaction(Connection &db, const std::function<void()> &work) {
    db.execute(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        work();
        db.execute(QStringLiteral("COMMIT"));
    } catch (const TpvError &) {
        try {
            db.execute(QStringLiteral("ROLLBACK"));
        } catch (const TpvError &) {
        }
        throw;
    }
}

}  // namespace

QString DeliveryJournal::digest(const QString &ticketText) {
    return QString::fromLatin1(QCryptographicHash::hash(ticketText.toUtf8(), QCryptographicHash::Sha256).toHex());
}

Connection &DeliveryJournal::db() {
    if (db_) return *db_;
    const QString path = QDir(dataDir_).filePath(fileName());
    try {
        auto db = QFileInfo::exists(path) ? openSqliteFile(path) : createSqliteFile(path);
        // Every announcement and confirmation is on disk before the next
        // step, and survives the process being killed.
        db->query(QStringLiteral("PRAGMA journal_mode = WAL"));
        db->execute(QStringLiteral("PRAGMA synchronous = FULL"));
        // The journal of whole tickets kept by earlier versions: a ticket
        // there says nothing about which dishes a printer has.
        db->execute(QStringLiteral("DROP TABLE IF EXISTS entregas"));
        db->execute(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS recibido (tpv TEXT NOT NULL, fecha TEXT NOT NULL, comanda TEXT NOT NULL, "
            "impresora TEXT NOT NULL, clase TEXT NOT NULL, numero TEXT NOT NULL, base REAL NOT NULL, "
            "nivel REAL NOT NULL, PRIMARY KEY (tpv, fecha, comanda, impresora, clase, numero))"));
        db->execute(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS envio (id INTEGER PRIMARY KEY AUTOINCREMENT, tpv TEXT NOT NULL, "
            "fecha TEXT NOT NULL, comanda TEXT NOT NULL, impresora TEXT NOT NULL, trabajo TEXT NOT NULL, "
            "titulo TEXT NOT NULL, resumen TEXT NOT NULL, estado TEXT NOT NULL)"));
        db->execute(
            QStringLiteral("CREATE TABLE IF NOT EXISTS envio_plato (envio INTEGER NOT NULL, clase TEXT NOT NULL, "
                           "numero TEXT NOT NULL, base REAL NOT NULL, desde REAL NOT NULL, hasta REAL NOT NULL)"));
        db->execute(QStringLiteral("CREATE INDEX IF NOT EXISTS envio_plato_envio ON envio_plato (envio)"));
        db_ = std::move(db);
    } catch (const TpvError &e) {
        throw TpvError(e.number(), QStringLiteral("No se puede abrir el registro de entregas ") + path +
                                       QStringLiteral(": ") + e.description());
    }
    return *db_;
}

void DeliveryJournal::forgetDaysBefore(const QString &fecha) {
    if (forgottenBefore_ == fecha) return;
    Connection &d = db();
    inTransaction(d, [&] {
        d.execute(QStringLiteral("DELETE FROM recibido WHERE fecha < ") + q(fecha));
        d.execute(QStringLiteral("DELETE FROM envio_plato WHERE envio IN (SELECT id FROM envio WHERE fecha < ") +
                  q(fecha) + QStringLiteral(")"));
        d.execute(QStringLiteral("DELETE FROM envio WHERE fecha < ") + q(fecha));
    });
    forgottenBefore_ = fecha;
}

QHash<DishKey, Received> DeliveryJournal::received(const OrderKey &order, const QString &printer) {
    QHash<DishKey, Received> out;
    const ResultSet r = db().query(QStringLiteral("SELECT clase, numero, base, nivel FROM recibido") +
                                   orderWhere(order) + QStringLiteral(" AND impresora = ") + q(printer));
    for (const auto &row : r.rows) out.insert(dishOf(row[0], row[1]), {row[2].toDouble(), row[3].toDouble()});
    return out;
}

std::vector<DoubtfulPart> DeliveryJournal::doubtful(const OrderKey &order, const QString &printer) {
    std::vector<DoubtfulPart> out;
    const ResultSet r =
        db().query(QStringLiteral("SELECT e.id, p.clase, p.numero, p.base, p.desde, p.hasta FROM envio e "
                                  "JOIN envio_plato p ON p.envio = e.id WHERE e.tpv = ") +
                   q(order.tpv) + QStringLiteral(" AND e.fecha = ") + q(order.fecha) +
                   QStringLiteral(" AND e.comanda = ") + q(order.comanda) + QStringLiteral(" AND e.impresora = ") +
                   q(printer) + QStringLiteral(" AND e.estado = ") + q(QString::fromLatin1(kDoubtful)));
    for (const auto &row : r.rows)
        out.push_back({row[0].toText().toLongLong(),
                       {dishOf(row[1], row[2]), row[3].toDouble(), row[4].toDouble(), row[5].toDouble()}});
    return out;
}

void DeliveryJournal::resolveInterrupted(const OrderKey &order, const ArrivalCheck &arrived) {
    Connection &d = db();
    const ResultSet r = d.query(QStringLiteral("SELECT id, impresora, titulo, resumen FROM envio") + orderWhere(order) +
                                QStringLiteral(" AND estado = ") + q(QString::fromLatin1(kUnconfirmed)) +
                                QStringLiteral(" ORDER BY id"));
    for (const auto &row : r.rows) {
        const AnnouncedTicket ticket{row[0].toText().toLongLong(), row[2].toText()};
        const std::optional<bool> there = arrived(row[1].toText(), ticket.title, row[3].toText());
        if (!there) {
            d.execute(QStringLiteral("UPDATE envio SET estado = ") + q(QString::fromLatin1(kDoubtful)) +
                      QStringLiteral(" WHERE id = ") + QString::number(ticket.id));
        } else if (*there) {
            delivered(ticket, {});
        } else {
            notDelivered(ticket);
        }
    }
}

AnnouncedTicket DeliveryJournal::announce(const OrderKey &order, const QString &printer, const QString &job,
                                          const std::vector<DishPart> &parts, const QString &digest) {
    Connection &d = db();
    AnnouncedTicket t;
    inTransaction(d, [&] {
        const QString nonce = QString::number(QRandomGenerator::global()->generate(), 16);
        d.execute(QStringLiteral("INSERT INTO envio (tpv, fecha, comanda, impresora, trabajo, titulo, resumen, estado) "
                                 "VALUES (") +
                  q(order.tpv) + QLatin1Char(',') + q(order.fecha) + QLatin1Char(',') + q(order.comanda) +
                  QLatin1Char(',') + q(printer) + QLatin1Char(',') + q(job) + QStringLiteral(", '', ") + q(digest) +
                  QLatin1Char(',') + q(QString::fromLatin1(kUnconfirmed)) + QLatin1Char(')'));
        t.id = d.query(QStringLiteral("SELECT last_insert_rowid()")).rows.front().front().toText().toLongLong();
        // The title a print queue shows, unique to this ticket.
        t.title = QStringLiteral("Comanda %1 trabajo %2 %3 n%4-%5")
                      .arg(order.comanda, job, printer, QString::number(t.id), nonce);
        d.execute(QStringLiteral("UPDATE envio SET titulo = ") + q(t.title) + QStringLiteral(" WHERE id = ") +
                  QString::number(t.id));
        QString values;
        for (const DishPart &p : parts) {
            if (!values.isEmpty()) values += QLatin1Char(',');
            values += QLatin1Char('(') + QString::number(t.id) + QLatin1Char(',') + q(kindText(p.dish.kind)) +
                      QLatin1Char(',') + q(p.dish.number) + QLatin1Char(',') + num(p.base) + QLatin1Char(',') +
                      num(p.from) + QLatin1Char(',') + num(p.to) + QLatin1Char(')');
        }
        if (!values.isEmpty())
            d.execute(QStringLiteral("INSERT INTO envio_plato (envio, clase, numero, base, desde, hasta) VALUES ") +
                      values);
    });
    return t;
}

void DeliveryJournal::apply(qint64 sending) {
    const QString id = QString::number(sending);
    db().execute(QStringLiteral("INSERT INTO recibido (tpv, fecha, comanda, impresora, clase, numero, base, nivel) "
                                "SELECT e.tpv, e.fecha, e.comanda, e.impresora, p.clase, p.numero, p.base, p.hasta "
                                "FROM envio e JOIN envio_plato p ON p.envio = e.id WHERE e.id = ") +
                 id +
                 QStringLiteral(" ON CONFLICT (tpv, fecha, comanda, impresora, clase, numero) DO UPDATE SET "
                                "base = excluded.base, nivel = excluded.nivel"));
}

void DeliveryJournal::delivered(const AnnouncedTicket &ticket, const std::vector<qint64> &settledDoubtful) {
    Connection &d = db();
    inTransaction(d, [&] {
        apply(ticket.id);
        std::vector<qint64> gone = settledDoubtful;
        gone.push_back(ticket.id);
        QStringList ids;
        for (qint64 id : gone) ids << QString::number(id);
        d.execute(QStringLiteral("DELETE FROM envio_plato WHERE envio IN (") + ids.join(QLatin1Char(',')) +
                  QLatin1Char(')'));
        d.execute(QStringLiteral("DELETE FROM envio WHERE id IN (") + ids.join(QLatin1Char(',')) + QLatin1Char(')'));
    });
}

void DeliveryJournal::notDelivered(const AnnouncedTicket &ticket) { forgetDoubtful({ticket.id}); }

void DeliveryJournal::forgetDoubtful(const std::vector<qint64> &sendings) {
    if (sendings.empty()) return;
    QStringList ids;
    for (qint64 id : sendings) ids << QString::number(id);
    Connection &d = db();
    inTransaction(d, [&] {
        d.execute(QStringLiteral("DELETE FROM envio_plato WHERE envio IN (") + ids.join(QLatin1Char(',')) +
                  QLatin1Char(')'));
        d.execute(QStringLiteral("DELETE FROM envio WHERE id IN (") + ids.join(QLatin1Char(',')) + QLatin1Char(')'));
    });
}

void DeliveryJournal::prepareReprint(const OrderKey &order) {
    QString where = QStringLiteral(" WHERE tpv = ") + q(order.tpv) + QStringLiteral(" AND fecha = ") + q(order.fecha);
    if (!order.comanda.isEmpty()) where += QStringLiteral(" AND comanda = ") + q(order.comanda);
    // A dish a printer got while the order was not yet marked printed looks,
    // once reset, like one marked printed at what the printer has.
    db().execute(QStringLiteral("UPDATE recibido SET base = nivel") + where + QStringLiteral(" AND nivel > base"));
}

void DeliveryJournal::completed(const OrderKey &order, const std::vector<std::pair<DishKey, double>> &marked) {
    if (marked.empty()) return;
    Connection &d = db();
    inTransaction(d, [&] {
        // A printer brought up to the quantity now marked printed has all of
        // it: from here on, a printed count below that means a reset.
        for (const auto &[dish, quantity] : marked) {
            d.execute(QStringLiteral("UPDATE recibido SET base = ") + num(quantity) + orderWhere(order) +
                      QStringLiteral(" AND clase = ") + q(kindText(dish.kind)) + QStringLiteral(" AND numero = ") +
                      q(dish.number) + QStringLiteral(" AND nivel = ") + num(quantity));
        }
    });
}

}  // namespace tpv
