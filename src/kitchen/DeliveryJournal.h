#pragma once
// The journal of deliveries: what each printer has received of each order,
// dish by dish, kept in an SQLite file of the data folder (entregas.db) that
// survives the process being killed.
//
// For every printer, order and dish (an à-la-carte line or a menu dish) it
// keeps the level the printer was brought to: the dish's quantity when its
// last part reached the printer, with the printed count the order tables
// held then (the base). A run sends a printer only what takes it from its
// level to the dish's quantity now, so a printer that already got a dish
// while another printer was down is not sent it again, whatever jobs of the
// order follow. When completion marks the dish printed, the base moves up to
// the quantity; a printed count found below the base later means the order
// was reset for a reprint (on this PC or another).
//
// Each ticket is announced before it goes out and confirmed once the
// printer has it. An announcement left behind by a process that died is
// resolved at the next run of the order by asking the printer whether the
// ticket arrived: yes, it counts; no, it does not; cannot tell (a thermal
// printer), its dishes are doubtful and go again marked as a possible
// repeat.
#include "sql/Database.h"

#include <QHash>
#include <QString>
#include <QTime>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tpv {

// An order of the business day, as the queue names it.
struct OrderKey {
    QString tpv, fecha, comanda;  // PParg1, PPFecha, PParg3 as stored
};

// One dish of an order: an à-la-carte line (TilOrd) or a menu dish (Orden).
struct DishKey {
    enum class Kind { ALaCarte, Menu } kind = Kind::ALaCarte;
    QString number;  // the line's number as the database wrote it
    bool operator==(const DishKey &o) const { return kind == o.kind && number == o.number; }
};
inline size_t qHash(const DishKey &k, size_t seed = 0) { return ::qHash(k.number, seed) ^ static_cast<size_t>(k.kind); }

// What a printer has of one dish: brought up to `level` while the order
// tables said `base` was printed.
struct Received {
    double base = 0, level = 0;
};

// The part of one dish a ticket carries: from the printer's level to `to`,
// read while `base` was printed.
struct DishPart {
    DishKey dish;
    double base = 0, from = 0, to = 0;
};

// Dishes a ticket carried that may or may not have printed.
struct DoubtfulPart {
    qint64 sending = 0;
    DishPart part;
};

// One ticket announced to the journal.
struct AnnouncedTicket {
    qint64 id = 0;
    QString title;  // the name it carries in the print queue
    OrderKey order;
    QString printer;
    std::vector<DishPart> parts;
};

// What the printers have of one order, read once per run.
struct OrderDeliveries {
    QHash<QString, QHash<DishKey, Received>> received;   // by printer
    QHash<QString, std::vector<DoubtfulPart>> doubtful;  // by printer
};

class DeliveryJournal {
public:
    static QString fileName() { return QStringLiteral("entregas.db"); }

    explicit DeliveryJournal(QString dataDir) : dataDir_(std::move(dataDir)) {}

    // Forgets the orders of business days before this one (once per day).
    void forgetDaysBefore(const QString &fecha);

    // Where each dish of the order stands on each printer. Tickets of the
    // order announced and never confirmed (the process died in between)
    // are resolved first: `arrived` says, for the printer and the ticket's
    // title and digest, whether it arrived (nullopt: the printer cannot
    // tell, and its dishes become doubtful).
    using ArrivalCheck =
        std::function<std::optional<bool>(const QString &printer, const QString &title, const QString &digest)>;
    OrderDeliveries read(const OrderKey &order, const ArrivalCheck &arrived);

    // Announces a ticket before it goes to the printer; the digest is of its
    // text as handed to the printer.
    AnnouncedTicket announce(const OrderKey &order, const QString &printer, const QString &job,
                             const std::vector<DishPart> &parts, const QString &digest);
    // The printer has it: its dishes reach their new levels, and the
    // doubtful parts it settles are forgotten.
    void delivered(const AnnouncedTicket &ticket, const std::vector<qint64> &settledDoubtful);
    // The printer did not take it.
    void notDelivered(const AnnouncedTicket &ticket);
    // Doubtful parts that no ticket needs to carry any more.
    void forgetDoubtful(const std::vector<qint64> &sendings);
    // The operator had the order (or, with an empty comanda, every order of
    // the terminal and day) reset to print again whole: what each printer
    // has of it, marked printed or not, prints again under the reprint mark.
    void prepareReprint(const OrderKey &order);
    // Completion marked these dishes printed at these quantities, and, when
    // a job is named, that job done at that time of day.
    void completed(const OrderKey &order, const std::vector<std::pair<DishKey, double>> &marked,
                   const QString &job = {}, QTime at = {});
    // When this server last marked the job (PPOrd) of that terminal and
    // business day done; null when it does not know (done before this
    // journal kept it, or by another version).
    QTime jobDoneAt(const QString &tpv, const QString &fecha, const QString &job);

    // The digest a ticket is announced with.
    static QString digest(const QString &ticketText);

private:
    Connection &db();
    void apply(const OrderKey &order, const QString &printer, const std::vector<DishPart> &parts);
    void forget(const std::vector<qint64> &sendings);

    QString dataDir_;
    std::unique_ptr<Connection> db_;
    QString forgottenBefore_;
};

}  // namespace tpv
