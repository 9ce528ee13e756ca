#include "kitchen/DeliveryJournal.h"

#include "sql/JournalStatements.h"
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

QString kindText(DishKey::Kind k) { return k == DishKey::Kind::Menu ? QStringLiteral("M") : QStringLiteral("C"); }
DishKey dishOf(const Variant &kind, const Variant &number) {
    return {kind.toText() == QLatin1String("M") ? DishKey::Kind::Menu : DishKey::Kind::ALaCarte, number.toText()};
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

void journalTransaction(Connection &db, const std::function<void()> &work) {
    tpv::inTransaction(db, work, sql::journal::writeTransaction());
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
        db->query(sql::journal::writeAheadLog());
        db->execute(sql::journal::fullSync());
        for (const QString &sqlText : sql::journal::tables()) db->execute(sqlText);
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
        for (const QString &sqlText : sql::journal::forgetDaysBefore(fecha)) d.execute(sqlText);
    });
    forgottenBefore_ = fecha;
}

OrderDeliveries DeliveryJournal::read(const OrderKey &order, const ArrivalCheck &arrived) {
    Connection &d = db();
    OrderDeliveries out;
    const ResultSet sendings = d.query(sql::journal::sendingsOfOrder(order.tpv, order.fecha, order.comanda));
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
            d.execute(sql::journal::setSendingState(t.id, QString::fromLatin1(kDoubtful)));
        }
        for (const DishPart &p : t.parts) out.doubtful[t.printer].push_back({t.id, p});
    }
    const ResultSet r = d.query(sql::journal::receivedOfOrder(order.tpv, order.fecha, order.comanda));
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
    d.execute(sql::journal::announceSending({.tpv = order.tpv,
                                             .fecha = order.fecha,
                                             .comanda = order.comanda,
                                             .printer = printer,
                                             .job = job,
                                             .title = t.title,
                                             .digest = digest,
                                             .state = QString::fromLatin1(kUnconfirmed),
                                             .parts = partsText(parts)}));
    t.id = d.query(sql::journal::lastSendingId()).rows.front().front().toText().toLongLong();
    return t;
}

void DeliveryJournal::apply(const OrderKey &order, const QString &printer, const std::vector<DishPart> &parts) {
    if (parts.empty()) return;
    std::vector<sql::journal::ReceivedDish> dishes;
    for (const DishPart &p : parts) dishes.push_back({kindText(p.dish.kind), p.dish.number, p.base, p.to});
    db().execute(sql::journal::saveReceived(order.tpv, order.fecha, order.comanda, printer, dishes));
}

void DeliveryJournal::forget(const std::vector<qint64> &sendings) {
    if (sendings.empty()) return;
    db().execute(sql::journal::forgetSendings(sendings));
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
    // A dish a printer got while the order was not yet marked printed looks,
    // once reset, like one marked printed at what the printer has.
    db().execute(sql::journal::resetForReprint(order.tpv, order.fecha, order.comanda));
}

void DeliveryJournal::completed(const OrderKey &order, const std::vector<std::pair<DishKey, double>> &marked,
                                const QString &job, QTime at) {
    if (marked.empty() && job.isEmpty()) return;
    Connection &d = db();
    journalTransaction(d, [&] {
        if (!job.isEmpty())
            d.execute(sql::journal::noteJobDone(order.tpv, order.fecha, job, at.toString(QStringLiteral("HH:mm:ss"))));
        if (marked.empty()) return;
        // A printer brought up to the quantity now marked printed has all of
        // it: from here on, a printed count below that means a reset. One
        // statement for the whole order.
        std::vector<sql::journal::MarkedDish> dishes;
        for (const auto &[dish, quantity] : marked) dishes.push_back({kindText(dish.kind), dish.number, quantity});
        d.execute(sql::journal::settleMarked(order.tpv, order.fecha, order.comanda, dishes));
    });
}

QTime DeliveryJournal::jobDoneAt(const QString &tpv, const QString &fecha, const QString &job) {
    const ResultSet rs = db().query(sql::journal::jobDoneTime(tpv, fecha, job));
    if (rs.rows.empty() || rs.rows[0].empty()) return {};
    return QTime::fromString(rs.rows[0][0].toText(), QStringLiteral("HH:mm:ss"));
}

}  // namespace tpv
