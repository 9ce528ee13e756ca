#pragma once
// The journal of deliveries: what each printer has received of each order,
// dish by dish, kept in tables of ours in the order database, so that every
// PC of the terminal shares it and it survives any of them being killed.
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
// printer, or a ticket another PC announced: only that PC can look at its
// folder printers and print queues), its dishes are doubtful and go again
// marked as a possible repeat.
//
// Every write is fenced (kitchen/Fence.h): it commits only while this PC
// holds the terminal's turn.
#include "compat/Error.h"
#include "kitchen/Fence.h"
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

// A failure of the journal itself (the order database refused one of its
// writes), told apart from a printer's: the operator is sent to the
// database, not to another printer. STEP says which write.
struct JournalFailure : TpvError {
    JournalFailure(const TpvError &e, QString what) : TpvError(e), step(std::move(what)) {}
    QString step;
};

class DeliveryJournal {
public:
    // The file an earlier version kept in the data folder.
    static QString fileName() { return QStringLiteral("entregas.db"); }

    // DB is the order database's connection the print run writes on; STATION
    // names this PC and its data folder (see TurnIdentity).
    DeliveryJournal(std::function<Connection &()> db, Fence fence, QString station)
        : db_(std::move(db)), fence_(std::move(fence)), station_(std::move(station)) {}

    // Forgets this terminal's orders of business days before this one (once
    // per day).
    void forgetDaysBefore(const OrderKey &order);

    // Where each dish of the order stands on each printer. Tickets of the
    // order announced and never confirmed (the process died in between)
    // are resolved first: `arrived` says, for the printer and the ticket's
    // title and digest, whether it arrived (nullopt: the printer cannot
    // tell, and its dishes become doubtful). It is asked only of tickets
    // this PC announced.
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
    // Completion marked these dishes printed at these quantities, and, when
    // a job is named, that job done at that time of day: the statements,
    // run on DB inside the completion's own transaction.
    static void completed(Connection &db, const OrderKey &order,
                          const std::vector<std::pair<DishKey, double>> &marked, const QString &job, QTime at);
    // The operator had orders reset to print again whole (an empty tpv:
    // every terminal of the day; an empty comanda: every order): what each
    // printer has of them, marked printed or not, prints again under the
    // reprint mark. Run on DB beside the reset's own statements.
    static void prepareReprint(Connection &db, const QString &tpv, const QString &fecha, const QString &comanda);
    // When the job (PPOrd) of that terminal and business day was marked
    // done; null when it is not known (done before this journal kept it).
    QTime jobDoneAt(const QString &tpv, const QString &fecha, const QString &job);

    // The digest a ticket is announced with.
    static QString digest(const QString &ticketText);

    // Brings the journal an earlier version kept in DATADIR (entregas.db)
    // into the order database, once: its rows that the database does not
    // have yet, this PC's unconfirmed tickets with them, and the file is
    // renamed entregas.db.importado. Returns the rows brought in.
    static int importFile(const QString &dataDir, Connection &db, const QString &station);

private:
    void apply(Connection &db, const OrderKey &order, const QString &printer, const std::vector<DishPart> &parts);
    void fenced(const std::function<void(Connection &)> &work);

    std::function<Connection &()> db_;
    Fence fence_;
    QString station_;
    QString forgottenBefore_;
};

}  // namespace tpv
