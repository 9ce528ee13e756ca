#include "kitchen/DeliveryJournal.h"

#include "sql/SqlText.h"
#include "compat/Error.h"
#include "sql/SqlConnection.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
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

QString partsText(const std::vector<DishPart> &parts) {
    QJsonArray a;
    for (const DishPart &p : parts) a.append(QJsonArray{kindText(p.dish.kind), p.dish.number, p.base, p.from, p.to});
    return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
}

std::vector<DishPart> partsOf(const Variant &text) {
    std::vector<DishPart> out;
    for (const QJsonValue &v : QJsonDocument::fromJson(text.toText().toUtf8()).array()) {
        const QJsonArray p = v.toArray();
        out.push_back({dishOf(p[0].toString(), p[1].toString()), p[2].toDouble(), p[3].toDouble(), p[4].toDouble()});
    }
    return out;
}

const char *const kUnconfirmed = "en curso";
const char *const kDoubtful = "dudoso";

// The journal's transactions take the write lock at once, so a second
// process on the same folder waits at the start rather than failing midway.
void journalTransaction(Connection &db, const std::function<void()> &work) {
    tpv::inTransaction(db, work,
                       {QStringLiteral("BEGIN IMMEDIATE"), QStringLiteral("COMMIT"), QStringLiteral("ROLLBACK")});
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
        // A ticket announced and not yet confirmed, with the parts of dishes
        // it carries (JSON: [clase, numero, base, desde, hasta] each).
        db->execute(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS envio (id INTEGER PRIMARY KEY AUTOINCREMENT, tpv TEXT NOT NULL, "
            "fecha TEXT NOT NULL, comanda TEXT NOT NULL, impresora TEXT NOT NULL, trabajo TEXT NOT NULL, "
            "titulo TEXT NOT NULL, resumen TEXT NOT NULL, estado TEXT NOT NULL, partes TEXT NOT NULL)"));
        db->execute(QStringLiteral("CREATE INDEX IF NOT EXISTS envio_comanda ON envio (tpv, fecha, comanda)"));
        // When each job of the day was marked done, for the operator.
        db->execute(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS trabajo (tpv TEXT NOT NULL, fecha TEXT NOT NULL, trabajo TEXT NOT NULL, "
            "hora TEXT NOT NULL, PRIMARY KEY (tpv, fecha, trabajo))"));
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
    journalTransaction(d, [&] {
        d.execute(QStringLiteral("DELETE FROM recibido WHERE fecha < ") + q(fecha));
        d.execute(QStringLiteral("DELETE FROM envio WHERE fecha < ") + q(fecha));
        d.execute(QStringLiteral("DELETE FROM trabajo WHERE fecha < ") + q(fecha));
    });
    forgottenBefore_ = fecha;
}

OrderDeliveries DeliveryJournal::read(const OrderKey &order, const ArrivalCheck &arrived) {
    Connection &d = db();
    OrderDeliveries out;
    const ResultSet sendings =
        d.query(QStringLiteral("SELECT id, impresora, titulo, resumen, estado, partes FROM envio") + orderWhere(order) +
                QStringLiteral(" ORDER BY id"));
    for (const auto &row : sendings.rows) {
        AnnouncedTicket t{row[0].toText().toLongLong(), row[2].toText(), order, row[1].toText(), partsOf(row[5])};
        if (row[4].toText() == QLatin1String(kUnconfirmed)) {
            const std::optional<bool> there = arrived(t.printer, t.title, row[3].toText());
            if (there && *there) {
                delivered(t, {});
                continue;
            }
            if (there) {
                notDelivered(t);
                continue;
            }
            d.execute(QStringLiteral("UPDATE envio SET estado = ") + q(QString::fromLatin1(kDoubtful)) +
                      QStringLiteral(" WHERE id = ") + QString::number(t.id));
        }
        for (const DishPart &p : t.parts) out.doubtful[t.printer].push_back({t.id, p});
    }
    const ResultSet r =
        d.query(QStringLiteral("SELECT impresora, clase, numero, base, nivel FROM recibido") + orderWhere(order));
    for (const auto &row : r.rows)
        out.received[row[0].toText()].insert(dishOf(row[1], row[2]), {row[3].toDouble(), row[4].toDouble()});
    return out;
}

AnnouncedTicket DeliveryJournal::announce(const OrderKey &order, const QString &printer, const QString &job,
                                          const std::vector<DishPart> &parts, const QString &digest) {
    Connection &d = db();
    // The title a print queue shows, unique to this ticket.
    const QString nonce = QString::number(QRandomGenerator::global()->generate64(), 36);
    AnnouncedTicket t{0, QStringLiteral("Comanda %1 trabajo %2 %3 %4").arg(order.comanda, job, printer, nonce), order,
                      printer, parts};
    // One statement, so one durable write, before the ticket goes out.
    d.execute(QStringLiteral("INSERT INTO envio (tpv, fecha, comanda, impresora, trabajo, titulo, resumen, estado, "
                             "partes) VALUES (") +
              q(order.tpv) + QLatin1Char(',') + q(order.fecha) + QLatin1Char(',') + q(order.comanda) +
              QLatin1Char(',') + q(printer) + QLatin1Char(',') + q(job) + QLatin1Char(',') + q(t.title) +
              QLatin1Char(',') + q(digest) + QLatin1Char(',') + q(QString::fromLatin1(kUnconfirmed)) +
              QLatin1Char(',') + q(partsText(parts)) + QLatin1Char(')'));
    t.id = d.query(QStringLiteral("SELECT last_insert_rowid()")).rows.front().front().toText().toLongLong();
    return t;
}

void DeliveryJournal::apply(const OrderKey &order, const QString &printer, const std::vector<DishPart> &parts) {
    if (parts.empty()) return;
    QString values;
    for (const DishPart &p : parts) {
        if (!values.isEmpty()) values += QLatin1Char(',');
        values += QLatin1Char('(') + q(order.tpv) + QLatin1Char(',') + q(order.fecha) + QLatin1Char(',') +
                  q(order.comanda) + QLatin1Char(',') + q(printer) + QLatin1Char(',') + q(kindText(p.dish.kind)) +
                  QLatin1Char(',') + q(p.dish.number) + QLatin1Char(',') + num(p.base) + QLatin1Char(',') + num(p.to) +
                  QLatin1Char(')');
    }
    db().execute(QStringLiteral("INSERT INTO recibido (tpv, fecha, comanda, impresora, clase, numero, base, nivel) "
                                "VALUES ") +
                 values +
                 QStringLiteral(" ON CONFLICT (tpv, fecha, comanda, impresora, clase, numero) DO UPDATE SET "
                                "base = excluded.base, nivel = excluded.nivel"));
}

void DeliveryJournal::forget(const std::vector<qint64> &sendings) {
    if (sendings.empty()) return;
    QStringList ids;
    for (qint64 id : sendings) ids << QString::number(id);
    db().execute(QStringLiteral("DELETE FROM envio WHERE id IN (") + ids.join(QLatin1Char(',')) + QLatin1Char(')'));
}

void DeliveryJournal::delivered(const AnnouncedTicket &ticket, const std::vector<qint64> &settledDoubtful) {
    Connection &d = db();
    journalTransaction(d, [&] {
        apply(ticket.order, ticket.printer, ticket.parts);
        std::vector<qint64> gone = settledDoubtful;
        gone.push_back(ticket.id);
        forget(gone);
    });
}

void DeliveryJournal::notDelivered(const AnnouncedTicket &ticket) { forget({ticket.id}); }

void DeliveryJournal::forgetDoubtful(const std::vector<qint64> &sendings) { forget(sendings); }

void DeliveryJournal::prepareReprint(const OrderKey &order) {
    QString where = QStringLiteral(" WHERE tpv = ") + q(order.tpv) + QStringLiteral(" AND fecha = ") + q(order.fecha);
    if (!order.comanda.isEmpty()) where += QStringLiteral(" AND comanda = ") + q(order.comanda);
    // A dish a printer got while the order was not yet marked printed looks,
    // once reset, like one marked printed at what the printer has.
    db().execute(QStringLiteral("UPDATE recibido SET base = nivel") + where + QStringLiteral(" AND nivel > base"));
}

void DeliveryJournal::completed(const OrderKey &order, const std::vector<std::pair<DishKey, double>> &marked,
                                const QString &job, QTime at) {
    if (marked.empty() && job.isEmpty()) return;
    Connection &d = db();
    journalTransaction(d, [&] {
        if (!job.isEmpty())
            d.execute(QStringLiteral("INSERT OR REPLACE INTO trabajo (tpv, fecha, trabajo, hora) VALUES (") +
                      q(order.tpv) + QLatin1Char(',') + q(order.fecha) + QLatin1Char(',') + q(job) + QLatin1Char(',') +
                      q(at.toString(QStringLiteral("HH:mm:ss"))) + QLatin1Char(')'));
        if (marked.empty()) return;
        // A printer brought up to the quantity now marked printed has all of
        // it: from here on, a printed count below that means a reset. One
        // statement for the whole order.
        QString values;
        for (const auto &[dish, quantity] : marked) {
            if (!values.isEmpty()) values += QLatin1Char(',');
            values += QLatin1Char('(') + q(kindText(dish.kind)) + QLatin1Char(',') + q(dish.number) + QLatin1Char(',') +
                      num(quantity) + QLatin1Char(')');
        }
        d.execute(QStringLiteral("UPDATE recibido SET base = nivel") + orderWhere(order) +
                  QStringLiteral(" AND (clase, numero, nivel) IN (VALUES ") + values + QLatin1Char(')'));
    });
}

QTime DeliveryJournal::jobDoneAt(const QString &tpv, const QString &fecha, const QString &job) {
    const ResultSet rs =
        db().query(QStringLiteral("SELECT hora FROM trabajo WHERE tpv = ") + q(tpv) + QStringLiteral(" AND fecha = ") +
                   q(fecha) + QStringLiteral(" AND trabajo = ") + q(job));
    if (rs.rows.empty() || rs.rows[0].empty()) return {};
    return QTime::fromString(rs.rows[0][0].toText(), QStringLiteral("HH:mm:ss"));
}

}  // namespace tpv
