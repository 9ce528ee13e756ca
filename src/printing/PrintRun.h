#pragma once
// The order print run: one job of the queue printed as one ticket per routed
// printer, then marked done.
#include "config/Global.h"
#include "db/OrderRows.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace tpv {
class Clock;
class DataControl;
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

// The state of one run; nothing of it outlives the call.
struct PrintRun {
    JobValues job;
    QString Cabecera;
    std::vector<QString> TextoImpresora;  // indices 0 to NumImpresoras
    std::vector<bool> MenuIniciado;       // indices 0 to NumImpresoras
    ReadRows tilRead{QStringLiteral("TilOrd"), QStringLiteral("TilCant"), {}, {}};
    ReadRows tilmRead{QStringLiteral("Orden"), QStringLiteral("Cantidad"), {}, {}};
    ReadRows cargosRead{QStringLiteral("CaOrd"), QStringLiteral("CaCant"), {}, {}};

    // The entry of a printer number read from a routing column (error 94 for
    // a null, error 9 outside 0 to NumImpresoras).
    QString &texto(const Variant &destino);
    int index(const Variant &destino) const;
};

// The stages of the run, in order. readOrder counts a null printed count as
// 0 and reads the rows the run will mark printed.
void readOrder(const PrintContext &p, PrintRun &run);
void printHeader(const PrintContext &p, PrintRun &run);
void printCartaLines(const PrintContext &p, PrintRun &run);
void printMenuLines(const PrintContext &p, PrintRun &run);
void sendTicketsAndComplete(const PrintContext &p, PrintRun &run);

}  // namespace tpv
