// The output stage (footer, blank lines, one document per printer through the
// printer panel) and the completion that marks the job and the order printed.
#include "app/FrmPpal.h"
#include "db/SqlText.h"
#include "platform/Error.h"
#include "printer/PrinterPanel.h"
#include "printing/PrintRun.h"
#include "reprint/Snapshots.h"

#include <QTime>

namespace tpv {

QString ticketFooter(const QTime &t) {
    return QStringLiteral("**********") + CRLF + QStringLiteral("Hora de Envio: ") + t.toString(QStringLiteral("HH:mm:ss")) +
           CRLF + QStringLiteral("*");
}

namespace {

// Selects the destination in the printer list. A printer installed since
// start-up is added to the list first, so a kitchen printer switched on
// late prints without restarting the server.
void selectDestination(FrmPpal &f, const QString &name) {
    try {
        f.panel.cboPrinters.setText(name);
    } catch (const TpvError &e) {
        if (e.number() != err::NotInList || !refreshInstalledPrinters(f)) throw;
        f.panel.cboPrinters.setText(name);
    }
}

void completionStatements(Connection &cn, const JobValues &j) {
    const QString fecha = sql::escaped(j.fecha());
    const QString arg3 = j.PParg3.toText();
    cn.execute(QStringLiteral("UPDATE PendGar SET PPPend = 1 WHERE PPOrd = ") + j.ord() + QStringLiteral(" AND PPFecha = '") +
               fecha + QStringLiteral("'"));
    cn.execute(QStringLiteral("UPDATE til SET TilImp = TilCant WHERE Til.TilTPV = ") + j.arg1() +
               QStringLiteral(" AND  TilFec = '") + fecha + QStringLiteral("' AND TilComa = ") + arg3);
    cn.execute(QStringLiteral("UPDATE tilm SET Imp = Cantidad WHERE Tilm.TPV = ") + j.arg1() +
               QStringLiteral(" AND  Fecha = '") + fecha + QStringLiteral("' AND Comanda = ") + arg3);
    cn.execute(QStringLiteral("UPDATE cargosr SET CaImp = CaCant WHERE CaTpv = ") + j.arg1() +
               QStringLiteral(" AND CaFec = '") + fecha + QStringLiteral("' AND CaCont = ") + arg3);
}

// The four statements take effect together or not at all: a job marked done
// whose lines stayed unprinted would print them again with the next job of
// the order, while the operator was told the job had failed.
void complete(FrmPpal &f, const JobValues &j) {
    Connection &cn = conn(f.g.Cn2);
    cn.execute(QStringLiteral("BEGIN TRANSACTION"));
    try {
        completionStatements(cn, j);
        cn.execute(QStringLiteral("COMMIT TRANSACTION"));
    } catch (const TpvError &) {
        try {
            cn.execute(QStringLiteral("ROLLBACK TRANSACTION"));
        } catch (const TpvError &) {
        }
        throw;
    }
}

}  // namespace

void sendTicketsAndComplete(FrmPpal &f, PrintRun &run) {
    bool armed = false;
    int k = 0;
    try {
        for (k = 0; k < f.g.NumImpresoras; ++k) {
            QString &text = run.TextoImpresora[static_cast<size_t>(k)];
            if (text.isEmpty() || k == 0) continue;
            text += ticketFooter(f.clock.timeOfDay());
            f.g.lineaspie = Variant(f.lineasp.text()).toInt16();
            for (int n = 0; n < f.g.lineaspie; ++n) text += CRLF;
            armed = true;
            selectDestination(f, f.g.Impresoras.value(k));
            f.ReimprimirTodo = false;
            cmdMakeCurrent_Click(f);
            f.panel.cboOrientation.setListIndex(0);
            cmdSet_Click(f);
            f.printers.print(text);
            f.printers.endDoc();
        }
        complete(f, run.job);
    } catch (const TpvError &e) {
        if (!armed) throw;
        removeSending(f, run.job);
        const QString message =
            e.number() == err::NotInList
                ? QStringLiteral("Imposible Iniciar Impresión : La Impresora ") + f.g.Impresoras.value(k) +
                      QStringLiteral(" no está instalada en el PC")
                : QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora");
        // The window's status line keeps the cause once the box is closed.
        f.report(message + QStringLiteral(" (") + e.numberAndDescription() + QLatin1Char(')'));
        f.dialogs.message(message, QStringLiteral("ATENCIÓN"), MsgIcon::Critical);
    }
}

}  // namespace tpv
