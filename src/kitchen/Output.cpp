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

// The four statements take effect together or not at all: a job marked done
// whose lines stayed unprinted would print them again with the next job of
// the order, while the operator was told the job had failed.
void complete(Connection &cn, const PrintRun &run) {
    inTransaction(cn, [&] { completionStatements(cn, run); });
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
    p.journal.forgetDoubtful(plan.settledWithoutTicket);
    for (const PlannedTicket &planned : plan.tickets) {
        std::vector<std::pair<size_t, double>> quantities;
        for (const PlannedTicket::Entry &e : planned.entries) quantities.emplace_back(e.dish, e.quantity());
        QStringList marks;
        if (const QString mark = markOf(planned.kind); !mark.isEmpty()) marks << mark;
        Document ticket = ticketOf(p, run.Cabecera, dishes, quantities, marks);
        std::vector<DishPart> parts;
        for (const PlannedTicket::Entry &e : planned.entries) parts.push_back(e.part);
        const AnnouncedTicket announced =
            p.journal.announce(order, printer, run.job.ord(), parts, DeliveryJournal::digest(ticket.text()));
        ticket.title = announced.title;
        QString tookIt;
        try {
            tookIt = p.output.send(printer, ticket, [&p] { p.ReimprimirTodo = false; });
        } catch (const TpvError &) {
            p.journal.notDelivered(announced);
            throw;
        }
        p.journal.delivered(announced, planned.settles);
        logLine(
            LogPriority::Info,
            ticketSentText(run.job.PPOrd.toInt32(), run.job.PParg3.toInt32(),
                           tookIt == printer ? printer : tookIt + QStringLiteral(" (por ") + printer + QLatin1Char(')'),
                           ticket::lineCount(ticket)));
    }
}

// What completion marked printed, as the journal names the dishes.
std::vector<std::pair<DishKey, double>> markedDishes(const PrintRun &run) {
    std::vector<std::pair<DishKey, double>> out;
    for (const auto &[number, quantity] : run.tilRead.rows) out.push_back({{DishKey::Kind::ALaCarte, number}, quantity});
    for (const auto &[number, quantity] : run.tilmRead.rows) out.push_back({{DishKey::Kind::Menu, number}, quantity});
    return out;
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
    // What each printer has of the order, once tickets that a process which
    // died may have sent were looked for.
    p.journal.forgetDaysBefore(order.fecha);
    const OrderDeliveries deliveries =
        p.journal.read(order, [&p](const QString &printer, const QString &title, const QString &digest) {
            return p.output.arrived(printer, title, digest);
        });
    bool armed = false;
    int k = 0;
    try {
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
        complete(conn(g.Cn2), run);
    } catch (const TpvError &e) {
        if (!armed) throw;
        removeSending(g, run.job);
        const QString printer = g.Impresoras.value(k);
        const QString message = failureMessage(e, printer);
        const QString detail = printer + QStringLiteral(": ") + e.numberAndDescription();
        // The window's status line keeps the cause once the box is closed,
        // with the order that waits; the log follows the failure of that
        // printer, whichever order it holds up.
        const QString cause = (k < g.NumImpresoras ? detail : e.numberAndDescription());
        p.status.report(message + QStringLiteral(" (") + cause + QStringLiteral("; espera la comanda ") +
                            run.job.PParg3.toText().trimmed() + QStringLiteral(", trabajo ") + run.job.ord() +
                            QLatin1Char(')'),
                        QStringLiteral("impresión:") + printer, message + QLatin1Char('\n') + cause);
        p.dialogs.printingFailed(message, detail);
        return;
    }
    // The order is marked printed in the database; a journal that cannot
    // note it only means a later reprint of these dishes may go without its
    // mark.
    try {
        p.journal.completed(order, markedDishes(run), run.job.ord(), p.clock.timeOfDay());
    } catch (const TpvError &e) {
        p.status.report(QStringLiteral("No se pudo anotar la comanda como impresa en el registro de entregas (") +
                        e.numberAndDescription() + QLatin1Char(')'));
    }
}

}  // namespace tpv
