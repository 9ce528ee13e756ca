#include "app/FrmPpal.h"

#include "platform/Error.h"
#include "printing/ImpComanda.h"

namespace tpv {

FrmPpal::FrmPpal(Dialogs &d, PrinterLayer &p, Clock &c, ConnectionOptions o, std::unique_ptr<TimerEngine> timer)
    : dialogs(d), printers(p), clock(c), T(std::move(timer)), C(o), output(&journal_), panelOutput_(printerPanel()),
      journal_(panelOutput_, o.dataDir) {
    g.db = std::move(o);
    // Outside the visible part of the window until a done job is clicked.
    FraPre.setVisible(false);
}

JobLists FrmPpal::lists() { return {lstPend, lstReal, lstFech, lstComa, lstNumeTPV}; }

QueueContext FrmPpal::queue() {
    return {g, day, lists(), T, status, [this] {
                PrintContext p = printing();
                ImpComanda(p);
            },
            reconnectServer, unpollableReported};
}

PrintContext FrmPpal::printing() { return {g, C, lineasp, ReimprimirTodo, *output, clock, status, dialogs}; }

PanelContext FrmPpal::printerPanel() { return {panel, printers, dialogs, [this] { clearAllDataChanged(); }}; }

ReprintContext FrmPpal::reprint() { return {g, day, lists(), FraListas, FraPre, T, dialogs, C, ReimprimirTodo, status}; }

FontContext FrmPpal::font() { return {g, printers, C, dialogs, status}; }

void FrmPpal::tick() { T_TimerSafe(queue()); }

void FrmPpal::clearAllDataChanged() {
    lineasp.DataChanged = false;
    panel.clearDataChanged();
}

void FrmPpal::showUnhandled(const TpvError &e) {
    dialogs.message(QStringLiteral("Error %1: %2").arg(e.number()).arg(e.description()), appTitle(), MsgIcon::Critical);
}

}  // namespace tpv
