#pragma once
// The operator's reprint controls: a done job clicked in the done list opens
// a small choice that names the job's order; the whole order can be printed
// again at once, or its last sending, or every order of the business date
// put back into the queue once the operator has confirmed how many.
//
// Polling goes on while the choice is open: a choice left open never keeps
// the kitchen without its orders. The choice keeps the job it was opened for
// (the lists are rebuilt whenever the queue is read in full, so the
// selection would not), and closes by itself after a minute without a
// choice.
#include "compat/Controls.h"
#include "kitchen/JobLists.h"

#include <QTime>
#include <functional>
#include <optional>

namespace tpv {
class DataControl;
class Dialogs;
class Frame;
class PollTimer;
class StatusReport;

// The done job the reprint choice was opened for, as the lists showed it at
// the click.
struct ChosenJob {
    int32_t PPOrd = 0;
    QString fecha;    // PPFecha
    QString comanda;  // the order number (PParg3)
    QString entry;    // the list entry clicked
};

// The reprint choice while it is open: its job, what it says of the order
// ("Comanda 7 del día 07/12/2026 Tpv: 1" and "Mesa 3, trabajo 12, enviada a
// las 13:05:07"), and the call set to close it.
struct ReprintChoice {
    static constexpr int kClosesAfterMs = 60000;
    std::optional<ChosenJob> job;
    Label orderChosen;
    int closeHandle = -1;
};

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
    ReprintChoice &choice;
    // Why this PC does not print now (it stands by for another PC of the
    // terminal); empty while it prints. A PC that does not print does not
    // reprint either.
    std::function<QString()> standby;
    // Prints again the last sending of the order of a done job, as the
    // server's snapshot keeps it (terminal, business date, order number).
    std::function<void(const QString &tpv, const QString &fecha, const QString &comanda)> printLastSending;
    // When this server marked the job done (null when it does not know).
    std::function<QTime(const ChosenJob &job)> jobDoneAt;
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

// The question "Volver a Imprimir Todos" asks before it resets the day.
QString volverQuestion(int orders);
}  // namespace tpv
