#pragma once
// The order print run: one job of the queue printed as one ticket per routed
// printer, then marked done.
#include "config/Global.h"
#include "db/OrderRows.h"

#include <QString>
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
    DataControl &C;            // the local work file
    TextField &lineasp;        // blank lines, read afresh for every ticket
    bool &ReimprimirTodo;
    TicketOutput &output;
    Clock &clock;
    StatusReport &status;
    Dialogs &dialogs;
};

// The state of one run; nothing of it outlives the call.
struct PrintRun {
    JobValues job;
    QString Cabecera;
    std::vector<QString> TextoImpresora;   // indices 0 to NumImpresoras
    std::vector<bool> MenuIniciado;        // indices 0 to NumImpresoras

    // The entry of a printer number read from a routing column (error 94 for
    // a null, error 9 outside 0 to NumImpresoras).
    QString &texto(const Variant &destino);
    int index(const Variant &destino) const;
};

// The stages of the run, in order.
void printHeader(const PrintContext &p, PrintRun &run);
void printCartaLines(const PrintContext &p, PrintRun &run);
void printMenuLines(const PrintContext &p, PrintRun &run);
void sendTicketsAndComplete(const PrintContext &p, PrintRun &run);

}  // namespace tpv
