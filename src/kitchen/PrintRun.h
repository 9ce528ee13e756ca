#pragma once
// The order print run: one job of the queue printed as one ticket per routed
// printer, then marked done.
#include "kitchen/Global.h"
#include "kitchen/OrderRows.h"
#include "kitchen/DeliveryPlan.h"
#include "kitchen/Fence.h"
#include "ticket/Ticket.h"

#include <QSet>
#include <functional>
#include <QString>
#include <QStringList>
#include <vector>

namespace tpv {
class Clock;
class DataControl;
class DeliveryJournal;
class Dialogs;
class StatusReport;
class TextField;
class TicketOutput;

// What the print run touches beyond its own state.
struct PrintContext {
    Global &g;
    DataControl &C;      // the local work file
    TextField &lineasp;  // blank lines, read afresh for every ticket
    bool &ReimprimirTodo;
    TicketOutput &output;
    DeliveryJournal &journal;  // what each printer has received of each order
    Fence fence;               // the turn the run's writes are fenced by
    // Whether this PC may send a ticket now (it holds the turn, renewed
    // within its margin).
    std::function<bool()> mayPrint;
    Clock &clock;
    StatusReport &status;
    Dialogs &dialogs;
};

// The rows of one order table this run read as unprinted, each as the SQL
// condition that names it by its number and quantity as read: completion
// marks exactly these, so a row a terminal adds or changes while the run
// prints stays unprinted for the next job of the order.
struct ReadRows {
    QString numberColumn, quantityColumn;
    QStringList conditions;
    QSet<QString> keys;  // number and quantity as SQL literals
    // Each row read, its number as an SQL literal and its quantity.
    std::vector<std::pair<QString, double>> rows;

    void add(const Variant &number, const Variant &quantity);
    bool contains(const Variant &number, const Variant &quantity) const;
    // A row the selection found that the run did not read (a null number
    // or quantity is left to the checks of the stage).
    bool writtenSince(const Variant &number, const Variant &quantity) const {
        return !number.isNull() && !quantity.isNull() && !contains(number, quantity);
    }
    // " AND (...)" naming every row read (" AND 1 = 0" when none).
    QString restriction() const;
};

// A value as an SQL literal, written as the database returned it.
QString sqlLiteral(const Variant &v);

// What one printer number collects in a run: each dish routed to it, as
// read and as it looks on the ticket (its quantity is set per ticket, from
// what the printer still lacks).
struct RoutedDishes {
    std::vector<ReadDish> read;
    std::vector<ticket::Dish> look;
    std::vector<bool> inMenu;  // a menu dish, else an à-la-carte line
    void add(const ReadDish &dish, const ticket::Dish &dishLook) { push(dish, dishLook, false); }
    void addMenu(const ReadDish &dish, const ticket::Dish &dishLook) { push(dish, dishLook, true); }
    bool isEmpty() const { return read.empty(); }

private:
    void push(const ReadDish &dish, const ticket::Dish &dishLook, bool menu) {
        read.push_back(dish);
        look.push_back(dishLook);
        inMenu.push_back(menu);
    }
};

// The state of one run; nothing of it outlives the call.
struct PrintRun {
    JobValues job;
    std::optional<ticket::Header> Cabecera;    // none when the order has no header row
    std::vector<RoutedDishes> TextoImpresora;  // indices 0 to NumImpresoras
    ReadRows tilRead{QStringLiteral("TilOrd"), QStringLiteral("TilCant"), {}, {}, {}};
    ReadRows tilmRead{QStringLiteral("Orden"), QStringLiteral("Cantidad"), {}, {}, {}};
    ReadRows cargosRead{QStringLiteral("CaOrd"), QStringLiteral("CaCant"), {}, {}, {}};
    // The snapshot statements of the sending, in order, run with the
    // completion.
    QStringList snapshot;

    // The entry of a printer number read from a routing column (error 94 for
    // a null, error 9 outside 0 to NumImpresoras).
    RoutedDishes &texto(const Variant &destino);
    int index(const Variant &destino) const;
    // The printer numbers of a routing row, each once: a printer named in
    // two routing columns gets the dish once.
    std::vector<int> destinations(const std::vector<Variant> &destinos) const;
    // The order as the journal names it.
    OrderKey order() const { return {job.arg1(), job.fecha(), job.PParg3.toText()}; }
};

// A ticket of the dishes given (by their position among the printer's
// dishes) with the quantities given, under the marks given: its time of
// sending is now, its blank lines the last read.
Document ticketOf(const PrintContext &p, const std::optional<ticket::Header> &header, const RoutedDishes &dishes,
                  const std::vector<std::pair<size_t, double>> &quantities, const QStringList &marks);

// The stages of the run, in order. readOrder counts a null printed count as
// 0 and reads the rows the run will mark printed.
void readOrder(const PrintContext &p, PrintRun &run);
void printHeader(const PrintContext &p, PrintRun &run);
void printALaCarteLines(const PrintContext &p, PrintRun &run);
void printMenuLines(const PrintContext &p, PrintRun &run);
void sendTicketsAndComplete(const PrintContext &p, PrintRun &run);

}  // namespace tpv
