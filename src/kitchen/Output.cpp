// The output stage (footer, blank lines, one document per printer through the
// ticket output port) and the completion that marks the job and the order
// printed.
#include "kitchen/Config.h"
#include "sql/OrderStatements.h"
#include "sql/QueueStatements.h"
#include "platform/Clock.h"
#include "compat/Controls.h"
#include "compat/Dialogs.h"
#include "compat/Error.h"
#include "platform/Log.h"
#include "kitchen/StatusReport.h"
#include "kitchen/PrintRun.h"
#include "ticket/Ticket.h"
#include "kitchen/DeliveryJournal.h"
#include "kitchen/DeliveryPlan.h"
#include "kitchen/TicketOutput.h"
#include "kitchen/Snapshots.h"

#include <optional>

namespace tpv {

namespace {

// Each statement as before, restricted to the rows this run read.
void completionStatements(Connection &cn, const PrintRun &run) {
    const JobValues &j = run.job;
    cn.execute(sql::queue::markJobDone(j.ord(), j.fecha()));
    cn.execute(sql::order::markLinesPrinted(j.PParg1, j.fecha(), j.PParg3, run.tilRead.restriction()));
    cn.execute(sql::order::markDishesPrinted(j.PParg1, j.fecha(), j.PParg3, run.tilmRead.restriction()));
    cn.execute(sql::order::markExtrasPrinted(j.PParg1, j.fecha(), j.PParg3, run.cargosRead.restriction()));
}

// A step of the journal: its failures are the journal's, but for a lost
// turn or a lost database, which stop the tick as they do everywhere.
template <typename F>
auto journalStep(const char *what, F &&step) {
    try {
        return step();
    } catch (const JournalFailure &) {
        throw;
    } catch (const TpvError &e) {
        if (e.number() == err::WriteConflict || e.number() == err::CannotOpen) throw;
        throw JournalFailure(e, QString::fromUtf8(what));
    }
}

// What completion marked printed, as the journal names the dishes.
std::vector<std::pair<DishKey, double>> markedDishes(const PrintRun &run) {
    std::vector<std::pair<DishKey, double>> out;
    for (const auto &[number, quantity] : run.tilRead.rows)
        out.push_back({{DishKey::Kind::ALaCarte, number}, quantity});
    for (const auto &[number, quantity] : run.tilmRead.rows) out.push_back({{DishKey::Kind::Menu, number}, quantity});
    return out;
}

// The sending's snapshot rows, the four statements and what the journal
// notes of them take effect together or not at all: a job marked done whose
// lines stayed unprinted would print them again with the next job of the
// order, while the operator was told the job had failed. And only while
// this PC holds the turn: a PC that froze and woke after another took over
// completes nothing, and overwrites no snapshot of the other's.
void complete(const PrintContext &p, const PrintRun &run) {
    Connection &cn = conn(p.g.Cn2);
    fencedTransaction(cn, p.fence, [&] {
        for (const QString &statement : run.snapshot) cn.execute(statement);
        completionStatements(cn, run);
        journalStep("anotar lo que se ha marcado como impreso", [&] {
            DeliveryJournal::completed(cn, run.order(), markedDishes(run), run.job.ord(), p.clock.timeOfDay());
        });
    });
}

QString failureMessage(const TpvError &e, const QString &printer) {
    if (e.number() == err::NotInList)
        return QStringLiteral("Imposible Iniciar Impresión : La Impresora ") + printer +
               QStringLiteral(" no está instalada en el PC");
    return QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora");
}

QString markOf(TicketKind kind) {
    switch (kind) {
        case TicketKind::Reprint:
            return ticket::kReprintMark;
        case TicketKind::PossibleRepeat:
            return ticket::kPossibleRepeatMark;
        case TicketKind::New:
            break;
    }
    return {};
}

// Sends a printer what it still lacks of the order, ticket by ticket, each
// announced to the journal before it goes out and confirmed once the printer
// has it. A failure stops this printer's tickets and is passed on.
void sendToPrinter(const PrintContext &p, const PrintRun &run, const OrderDeliveries &deliveries,
                   const QString &printer, const RoutedDishes &dishes) {
    const OrderKey order = run.order();
    const PrinterPlan plan =
        planPrinter(dishes.read, deliveries.received.value(printer), deliveries.doubtful.value(printer));
    journalStep("olvidar lo que ya no hace falta repetir", [&] { p.journal.forgetDoubtful(plan.settledWithoutTicket); });
    for (const PlannedTicket &planned : plan.tickets) {
        // A PC whose turn was not renewed within its margin sends nothing
        // more: another PC may be taking over.
        if (p.mayPrint && !p.mayPrint())
            throw TpvError(err::WriteConflict,
                           QStringLiteral("El turno de impresión de este PC no se ha podido renovar: no envía más "
                                          "tickets hasta que lo renueve"));
        std::vector<std::pair<size_t, double>> quantities;
        for (const PlannedTicket::Entry &e : planned.entries) quantities.emplace_back(e.dish, e.quantity());
        QStringList marks;
        if (const QString mark = markOf(planned.kind); !mark.isEmpty()) marks << mark;
        Document ticket = ticketOf(p, run.Cabecera, dishes, quantities, marks);
        std::vector<DishPart> parts;
        for (const PlannedTicket::Entry &e : planned.entries) parts.push_back(e.part);
        const AnnouncedTicket announced = journalStep("anunciar el ticket", [&] {
            return p.journal.announce(order, printer, run.job.ord(), parts, DeliveryJournal::digest(ticket.text()));
        });
        ticket.title = announced.title;
        QString tookIt;
        try {
            tookIt = p.output.send(printer, ticket, [&p] { p.ReimprimirTodo = false; });
        } catch (const TpvError &) {
            try {
                p.journal.notDelivered(announced);
            } catch (const TpvError &) {
                // Left announced, it is looked for at the next run: the
                // printer's failure is the one to tell.
            }
            throw;
        }
        journalStep("confirmar el ticket", [&] { p.journal.delivered(announced, planned.settles); });
        logLine(
            LogPriority::Info,
            ticketSentText(run.job.PPOrd.toInt32(), run.job.PParg3.toInt32(),
                           tookIt == printer ? printer : tookIt + QStringLiteral(" (por ") + printer + QLatin1Char(')'),
                           ticket::lineCount(ticket)));
    }
}


}  // namespace

static ticket::Content contentOf(const std::optional<ticket::Header> &header, const RoutedDishes &dishes,
                                 const std::vector<std::pair<size_t, double>> &quantities, const QStringList &marks) {
    ticket::Content c;
    c.header = header;
    c.marks = marks;
    for (const auto &[dish, quantity] : quantities) {
        ticket::Dish look = dishes.look[dish];
        look.cancelled = quantity < 0;
        if (dishes.inMenu[dish]) {
            look.quantity = ticket::menuQuantity(quantity);
            c.menu.push_back(std::move(look));
        } else {
            look.quantity = ticket::aLaCarteQuantity(quantity);
            c.aLaCarte.push_back(std::move(look));
        }
    }
    return c;
}

Document ticketOf(const PrintContext &p, const std::optional<ticket::Header> &header, const RoutedDishes &dishes,
                  const std::vector<std::pair<size_t, double>> &quantities, const QStringList &marks) {
    return ticket::compose(contentOf(header, dishes, quantities, marks), p.clock.timeOfDay(), p.g.lineaspie);
}

void sendTicketsAndComplete(const PrintContext &p, PrintRun &run) {
    Global &g = p.g;
    const OrderKey order = run.order();
    bool armed = false;
    int k = 0;
    try {
        // What each printer has of the order, once tickets that a process
        // which died may have sent were looked for.
        journalStep("olvidar los días anteriores", [&] { p.journal.forgetDaysBefore(order); });
        const OrderDeliveries deliveries = journalStep("leer lo que cada impresora tiene de la comanda", [&] {
            return p.journal.read(order, [&p](const QString &printer, const QString &title, const QString &digest) {
                return p.output.arrived(printer, title, digest);
            });
        });
        // A printer that fails does not hold back the others: each gets what
        // it lacks now, and the journal keeps it from getting a dish twice
        // when the job runs again. The first failure is the one reported.
        std::optional<TpvError> failed;
        int failedPrinter = 0;
        for (k = 0; k < g.NumImpresoras; ++k) {
            const RoutedDishes &dishes = run.TextoImpresora[static_cast<size_t>(k)];
            if (dishes.isEmpty() || k == 0) continue;
            g.lineaspie = blankLinesOfField(p.lineasp.text());
            armed = true;
            try {
                sendToPrinter(p, run, deliveries, g.Impresoras.value(k), dishes);
            } catch (const JournalFailure &) {
                throw;
            } catch (const TpvError &e) {
                if (!failed) {
                    failed = e;
                    failedPrinter = k;
                }
            }
        }
        if (failed) {
            k = failedPrinter;
            throw *failed;
        }
        complete(p, run);
    } catch (const JournalFailure &e) {
        // The database refused a write of the run: no printer is to blame.
        // The job stays pending; what reached a printer is looked for again.
        p.status.report(QStringLiteral("No se pudo %1 en el registro de entregas de la base de datos de comandas (%2; "
                                       "espera la comanda %3, trabajo %4)")
                            .arg(e.step, e.numberAndDescription(), run.job.PParg3.toText().trimmed(), run.job.ord()),
                        QStringLiteral("registro de entregas"));
        return;
    } catch (const TpvError &e) {
        // Without the turn nothing of the run was written: the job is this
        // PC's no more, and no printer failed. A lost database stops the
        // tick, so that its connections are opened anew: a transaction the
        // lost connection left open on the server goes with it.
        if (!armed || e.number() == err::WriteConflict || e.number() == err::CannotOpen) throw;
        const QString printer = g.Impresoras.value(k);
        const QString message = failureMessage(e, printer);
        // The printer that failed and what it reported; a failure after the
        // last printer (the completion) is the database's, and names none.
        const QString detail =
            k < g.NumImpresoras ? printer + QStringLiteral(": ") + e.numberAndDescription() : e.numberAndDescription();
        // The window's status line keeps the cause once the box is closed,
        // with the order that waits; the log follows the failure of that
        // printer, whichever order it holds up.
        p.status.report(message + QStringLiteral(" (") + detail + QStringLiteral("; espera la comanda ") +
                            run.job.PParg3.toText().trimmed() + QStringLiteral(", trabajo ") + run.job.ord() +
                            QLatin1Char(')'),
                        QStringLiteral("impresión:") + printer, message + QLatin1Char('\n') + detail);
        p.dialogs.printingFailed(message, detail);
    }
}

}  // namespace tpv
