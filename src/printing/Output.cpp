// The output stage (footer, blank lines, one document per printer through the
// ticket output port) and the completion that marks the job and the order
// printed.
#include "config/Config.h"
#include "db/SqlText.h"
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/StatusReport.h"
#include "printing/PrintRun.h"
#include "printing/Ticket.h"
#include "printing/TicketOutput.h"
#include "reprint/Snapshots.h"

#include <optional>

namespace tpv {

namespace {

// Each statement as before, restricted to the rows this run read.
void completionStatements(Connection &cn, const PrintRun &run) {
    const JobValues &j = run.job;
    const QString fecha = sql::escaped(j.fecha());
    const QString arg3 = j.PParg3.toText();
    cn.execute(QStringLiteral("UPDATE PendGar SET PPPend = 1 WHERE PPOrd = ") + j.ord() +
               QStringLiteral(" AND PPFecha = '") + fecha + QStringLiteral("'"));
    cn.execute(QStringLiteral("UPDATE til SET TilImp = TilCant WHERE Til.TilTPV = ") + j.arg1() +
               QStringLiteral(" AND  TilFec = '") + fecha + QStringLiteral("' AND TilComa = ") + arg3 +
               run.tilRead.restriction());
    cn.execute(QStringLiteral("UPDATE tilm SET Imp = Cantidad WHERE Tilm.TPV = ") + j.arg1() +
               QStringLiteral(" AND  Fecha = '") + fecha + QStringLiteral("' AND Comanda = ") + arg3 +
               run.tilmRead.restriction());
    cn.execute(QStringLiteral("UPDATE cargosr SET CaImp = CaCant WHERE CaTpv = ") + j.arg1() +
               QStringLiteral(" AND CaFec = '") + fecha + QStringLiteral("' AND CaCont = ") + arg3 +
               run.cargosRead.restriction());
}

// The four statements take effect together or not at all: a job marked done
// whose lines stayed unprinted would print them again with the next job of
// the order, while the operator was told the job had failed.
void complete(Connection &cn, const PrintRun &run) {
    cn.execute(QStringLiteral("BEGIN TRANSACTION"));
    try {
        completionStatements(cn, run);
        cn.execute(QStringLiteral("COMMIT TRANSACTION"));
    } catch (const TpvError &) {
        try {
            cn.execute(QStringLiteral("ROLLBACK TRANSACTION"));
        } catch (const TpvError &) {
        }
        throw;
    }
}

QString failureMessage(const TpvError &e, const QString &printer) {
    if (e.number() == err::NotInList)
        return QStringLiteral("Imposible Iniciar Impresión : La Impresora ") + printer +
               QStringLiteral(" no está instalada en el PC");
    return QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora");
}

}  // namespace

void sendTicketsAndComplete(const PrintContext &p, PrintRun &run) {
    Global &g = p.g;
    p.output.beginSending({run.job.arg1(), run.job.fecha(), run.job.ord()});
    bool armed = false;
    int k = 0;
    try {
        // A printer that fails does not hold back the others: each gets its
        // ticket now, and the journal keeps it from being sent twice when
        // the job runs again. The first failure is the one reported.
        std::optional<TpvError> failed;
        int failedPrinter = 0;
        for (k = 0; k < g.NumImpresoras; ++k) {
            QString &text = run.TextoImpresora[static_cast<size_t>(k)];
            if (text.isEmpty() || k == 0) continue;
            text += ticket::footer(p.clock.timeOfDay());
            g.lineaspie = lineas_pie(p.lineasp.text());
            text += ticket::blankLines(g.lineaspie);
            armed = true;
            try {
                p.output.send(g.Impresoras.value(k), text, [&p] { p.ReimprimirTodo = false; });
                logLine(LogPriority::Info,
                        ticketSentText(run.job.PPOrd.toInt32(), run.job.PParg3.toInt32(), g.Impresoras.value(k),
                                       static_cast<int>(text.count(ticket::CRLF))));
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
        const QString message = failureMessage(e, g.Impresoras.value(k));
        // The window's status line keeps the cause once the box is closed.
        p.status.report(message + QStringLiteral(" (") + e.numberAndDescription() + QLatin1Char(')'));
        p.dialogs.message(message, QStringLiteral("ATENCIÓN"), MsgIcon::Critical);
        return;
    }
    // The job is done in the database; a journal that cannot note it only
    // means a later reprint of the job may skip tickets already delivered.
    try {
        p.output.sendingCompleted();
    } catch (const TpvError &e) {
        p.status.report(QStringLiteral("No se pudo anotar la comanda como impresa en el registro de entregas (") +
                        e.numberAndDescription() + QLatin1Char(')'));
    }
}

}  // namespace tpv
