#include "kitchen/DeliveryJournal.h"

#include "sql/JournalStatements.h"
#include "compat/Error.h"
#include "sql/SqlConnection.h"
#include "platform/Log.h"

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

// A new sending's id, unique without asking the database: two PCs announce
// tickets into the same table.
qint64 newSendingId() { return static_cast<qint64>(QRandomGenerator::system()->generate64() >> 2) + 1; }

}  // namespace

QString DeliveryJournal::digest(const QString &ticketText) {
    return QString::fromLatin1(QCryptographicHash::hash(ticketText.toUtf8(), QCryptographicHash::Sha256).toHex());
}

void DeliveryJournal::fenced(const std::function<void(Connection &)> &work) {
    Connection &d = db_();
    fencedTransaction(d, fence_, [&] { work(d); });
}

void DeliveryJournal::forgetDaysBefore(const OrderKey &order) {
    if (forgottenBefore_ == order.fecha) return;
    fenced([&](Connection &d) {
        for (const QString &sqlText : sql::journal::forgetDaysBefore(order.tpv, order.fecha)) d.execute(sqlText);
    });
    forgottenBefore_ = order.fecha;
}

OrderDeliveries DeliveryJournal::read(const OrderKey &order, const ArrivalCheck &arrived) {
    OrderDeliveries out;
    const ResultSet sendings = db_().query(sql::journal::sendingsOfOrder(order.tpv, order.fecha, order.comanda));
    for (const auto &row : sendings.rows) {
        AnnouncedTicket t{row[0].toText().toLongLong(), row[2].toText(), order, row[1].toText(), partsOf(row[5])};
        if (row[4].toText() == QLatin1String(kUnconfirmed)) {
            // Only the PC that sent it can look at its folder printers and
            // print queues; another PC's ticket may or may not have printed.
            const std::optional<bool> there =
                row[6].toText() == station_ ? arrived(t.printer, t.title, row[3].toText()) : std::nullopt;
            if (there && *there) {
                delivered(t, {});
                continue;
            }
            if (there) {
                notDelivered(t);
                continue;
            }
            fenced([&](Connection &d) { d.execute(sql::journal::setSendingState(t.id, QString::fromLatin1(kDoubtful))); });
        }
        for (const DishPart &p : t.parts) out.doubtful[t.printer].push_back({t.id, p});
    }
    const ResultSet r = db_().query(sql::journal::receivedOfOrder(order.tpv, order.fecha, order.comanda));
    for (const auto &row : r.rows)
        out.received[row[0].toText()].insert(dishOf(row[1], row[2]), {row[3].toDouble(), row[4].toDouble()});
    return out;
}

AnnouncedTicket DeliveryJournal::announce(const OrderKey &order, const QString &printer, const QString &job,
                                          const std::vector<DishPart> &parts, const QString &digest) {
    const qint64 id = newSendingId();
    // The title a print queue shows, unique to this ticket.
    AnnouncedTicket t{id,
                      QStringLiteral("Comanda %1 trabajo %2 %3 %4").arg(order.comanda, job, printer,
                                                                        QString::number(id, 36)),
                      order, printer, parts};
    // One transaction, so one durable write, before the ticket goes out.
    fenced([&](Connection &d) {
        d.execute(sql::journal::announceSending({.id = id,
                                                 .tpv = order.tpv,
                                                 .fecha = order.fecha,
                                                 .comanda = order.comanda,
                                                 .printer = printer,
                                                 .job = job,
                                                 .title = t.title,
                                                 .digest = digest,
                                                 .state = QString::fromLatin1(kUnconfirmed),
                                                 .parts = partsText(parts),
                                                 .station = station_}));
    });
    return t;
}

void DeliveryJournal::apply(Connection &d, const OrderKey &order, const QString &printer,
                            const std::vector<DishPart> &parts) {
    if (parts.empty()) return;
    std::vector<sql::journal::ReceivedDish> dishes;
    for (const DishPart &p : parts) dishes.push_back({kindText(p.dish.kind), p.dish.number, p.base, p.to});
    for (const QString &sqlText : sql::journal::saveReceived(order.tpv, order.fecha, order.comanda, printer, dishes))
        d.execute(sqlText);
}

void DeliveryJournal::delivered(const AnnouncedTicket &ticket, const std::vector<qint64> &settledDoubtful) {
    fenced([&](Connection &d) {
        apply(d, ticket.order, ticket.printer, ticket.parts);
        std::vector<qint64> gone = settledDoubtful;
        gone.push_back(ticket.id);
        d.execute(sql::journal::forgetSendings(gone));
    });
}

void DeliveryJournal::notDelivered(const AnnouncedTicket &ticket) { forgetDoubtful({ticket.id}); }

void DeliveryJournal::forgetDoubtful(const std::vector<qint64> &sendings) {
    if (sendings.empty()) return;
    fenced([&](Connection &d) { d.execute(sql::journal::forgetSendings(sendings)); });
}

void DeliveryJournal::prepareReprint(Connection &db, const QString &tpv, const QString &fecha,
                                     const QString &comanda) {
    // A dish a printer got while the order was not yet marked printed looks,
    // once reset, like one marked printed at what the printer has.
    db.execute(sql::journal::resetForReprint(tpv, fecha, comanda));
}

void DeliveryJournal::completed(Connection &d, const OrderKey &order,
                                const std::vector<std::pair<DishKey, double>> &marked, const QString &job, QTime at) {
    if (!job.isEmpty())
        for (const QString &sqlText :
             sql::journal::noteJobDone(order.tpv, order.fecha, job, at.toString(QStringLiteral("HH:mm:ss"))))
            d.execute(sqlText);
    if (marked.empty()) return;
    // A printer brought up to the quantity now marked printed has all of
    // it: from here on, a printed count below that means a reset. One
    // statement for the whole order.
    std::vector<sql::journal::MarkedDish> dishes;
    for (const auto &[dish, quantity] : marked) dishes.push_back({kindText(dish.kind), dish.number, quantity});
    d.execute(sql::journal::settleMarked(order.tpv, order.fecha, order.comanda, dishes));
}

QTime DeliveryJournal::jobDoneAt(const QString &tpv, const QString &fecha, const QString &job) {
    const ResultSet rs = db_().query(sql::journal::jobDoneTime(tpv, fecha, job));
    if (rs.rows.empty() || rs.rows[0].empty()) return {};
    return QTime::fromString(rs.rows[0][0].toText(), QStringLiteral("HH:mm:ss"));
}

int DeliveryJournal::importFile(const QString &dataDir, Connection &db, const QString &station) {
    const QString path = QDir(dataDir).filePath(fileName());
    if (!QFileInfo::exists(path)) return 0;
    auto file = openSqliteFile(path);
    const auto count = [&db](const QString &sql) { return db.query(sql).rows.front().front().toText().toInt(); };
    int imported = 0;
    inTransaction(db, [&] {
        for (const auto &r : file->query(sql::journal::oldReceived()).rows) {
            const QString tpv = r[0].toText(), fecha = r[1].toText(), comanda = r[2].toText(),
                          printer = r[3].toText(), kind = r[4].toText(), number = r[5].toText();
            if (count(sql::journal::receivedExists(tpv, fecha, comanda, printer, kind, number)) > 0) continue;
            for (const QString &sqlText : sql::journal::saveReceived(tpv, fecha, comanda, printer,
                                                                     {{kind, number, r[6].toDouble(), r[7].toDouble()}}))
                db.execute(sqlText);
            ++imported;
        }
        for (const auto &r : file->query(sql::journal::oldSendings()).rows) {
            db.execute(sql::journal::announceSending({.id = newSendingId(),
                                                      .tpv = r[0].toText(),
                                                      .fecha = r[1].toText(),
                                                      .comanda = r[2].toText(),
                                                      .printer = r[3].toText(),
                                                      .job = r[4].toText(),
                                                      .title = r[5].toText(),
                                                      .digest = r[6].toText(),
                                                      .state = r[7].toText(),
                                                      .parts = r[8].toText(),
                                                      .station = station}));
            ++imported;
        }
        for (const auto &r : file->query(sql::journal::oldJobs()).rows) {
            if (count(sql::journal::jobExists(r[0].toText(), r[1].toText(), r[2].toText())) > 0) continue;
            for (const QString &sqlText :
                 sql::journal::noteJobDone(r[0].toText(), r[1].toText(), r[2].toText(), r[3].toText()))
                db.execute(sqlText);
            ++imported;
        }
    });
    file.reset();
    // Once only: the file keeps its rows, under another name.
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        if (QFileInfo::exists(path + suffix)) QFile::rename(path + suffix, path + QStringLiteral(".importado") + suffix);
    logLine(LogPriority::Info, QStringLiteral("Registro de entregas %1 traído a la base de datos de comandas (%2 filas)")
                                   .arg(path)
                                   .arg(imported));
    return imported;
}

}  // namespace tpv
