#pragma once
// The operator's reprint controls: a done job clicked in the done list opens
// a small choice with the poll stopped; the whole order can be printed again
// at once, or every order of the business date put back into the queue.
#include "queue/JobLists.h"

#include <functional>

namespace tpv {
class DataControl;
class Dialogs;
class Frame;
class PollTimer;
class StatusReport;

// What the reprint procedures touch.
struct ReprintContext {
    Global &g;
    BusinessDate &day;
    JobLists lists;
    Frame &FraListas;
    Frame &FraPre;
    PollTimer &T;
    Dialogs &dialogs;
    DataControl &C;
    bool &ReimprimirTodo;
    StatusReport &status;
    // Told, before the poll prints it, of an order reset to print again
    // whole (its number), or of the whole day (an empty number).
    std::function<void(const QString &comanda)> orderReset;
    // Prints again the last sending of the order of a done job, as the
    // server's snapshot keeps it (terminal, business date, order number).
    std::function<void(const QString &tpv, const QString &fecha, const QString &comanda)> printLastSending;
};

// Connects the lists to the procedures below.
void connectReprintControls(ReprintContext r);

void lstReal_Click(const ReprintContext &r);
void lstPend_Click(const ReprintContext &r);
void cmdTodo_Click(const ReprintContext &r);
void cmdUltimo_Click(const ReprintContext &r);
void LoUltimo(const ReprintContext &r);
void cmdCancelar_Click(const ReprintContext &r);
void cmdVolver_Click(const ReprintContext &r);
}  // namespace tpv
