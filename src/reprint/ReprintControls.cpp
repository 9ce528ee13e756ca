#include "reprint/ReprintControls.h"

#include "db/Schema.h"
#include "db/SqlText.h"
#include "platform/Controls.h"
#include "platform/DataControl.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/PollTimer.h"
#include "queue/Queue.h"

namespace tpv {

namespace {

void askAgain(const ReprintContext &r) {
    r.dialogs.message(QStringLiteral("Vuelva a Re-Imprimir"), QStringLiteral("Tesmarin"), MsgIcon::Exclamation);
    cmdCancelar_Click(r);
}

}  // namespace

void connectReprintControls(ReprintContext r) {
    r.lists.lstReal.clicked.connect([r]() mutable { lstReal_Click(r); });
    r.lists.lstPend.clicked.connect([r]() mutable { lstPend_Click(r); });
}

void lstReal_Click(const ReprintContext &r) {
    if (r.lists.lstReal.listIndex() == 0) return;
    r.FraListas.setEnabled(false);
    r.FraPre.move(0, 0);
    r.T.setInterval(0);
    r.FraPre.setVisible(true);
}

void lstPend_Click(const ReprintContext &r) { Actualizar(r.g, r.day, r.lists); }

void cmdCancelar_Click(const ReprintContext &r) {
    r.FraListas.setEnabled(true);
    r.FraPre.setVisible(false);
    restartPolling(r.T, r.g.Tiempo, r.status);
}

void cmdTodo_Click(const ReprintContext &r) {
    const int i = r.lists.lstReal.listIndex();
    if (i == -1) {
        askAgain(r);
        return;
    }
    Global &g = r.g;
    // Whatever happens below, the flag is cleared and the choice closed:
    // a reprint that failed must not leave the poll stopped.
    struct Close {
        const ReprintContext &r;
        ~Close() {
            r.ReimprimirTodo = false;
            cmdCancelar_Click(r);
        }
    } close{r};
    r.ReimprimirTodo = true;
    const QString ppord = QString::number(r.lists.lstReal.itemData(i));
    const QString date = r.lists.lstFech.list(i);
    const QString order = sql::int16(Variant(r.lists.lstComa.list(i)));
    const QString fecha = sql::escaped(r.day.FechaTpv);
    const QString tpv = QString::number(g.tpv);
    conn(g.Cn).execute(QStringLiteral("UPDATE til SET TilImp = 0 WHERE TilComa = ") + order +
                       QStringLiteral(" AND TilFec = '") + fecha + QStringLiteral("' AND TilTpv = ") + tpv);
    conn(g.Cn).execute(QStringLiteral("UPDATE tilm SET Imp = 0 WHERE Fecha = '") + fecha +
                       QStringLiteral("' AND Comanda = ") + order + QStringLiteral(" AND tpv = ") + tpv);
    conn(g.Cn).execute(QStringLiteral("UPDATE PendGar SET PPPend = 0 WHERE PPOrd = ") + ppord +
                       QStringLiteral(" AND PPFecha = '") + sql::escaped(date) + QStringLiteral("' AND PPArg1 = '") +
                       tpv + QStringLiteral("'"));
    if (r.orderReset) r.orderReset(order);
    r.T.runTick();
}

void cmdUltimo_Click(const ReprintContext &r) {
    if (r.lists.lstReal.listIndex() == -1) {
        askAgain(r);
        return;
    }
    LoUltimo(r);
}

void LoUltimo(const ReprintContext &r) {
    for (const QString &sqlText : schema::localSnapshotEmptying()) r.C.execute(sqlText);
    const int i = r.lists.lstReal.listIndex();
    if (i <= 0 || !r.printLastSending) return;
    r.printLastSending(QString::number(r.g.tpv), r.lists.lstFech.list(i), r.lists.lstComa.list(i));
}

void cmdVolver_Click(const ReprintContext &r) {
    Global &g = r.g;
    const QString fecha = sql::escaped(r.day.FechaTpv);
    conn(g.Cn).execute(QStringLiteral("Update til set TilImp = 0 Where TilFec = '") + fecha + QStringLiteral("'"));
    conn(g.Cn).execute(QStringLiteral("Update tilm set Imp = 0 Where Fecha = '") + fecha + QStringLiteral("'"));
    conn(g.Cn).execute(QStringLiteral("UPDATE PendGar Set PPPend = 0 Where PPFecha = '") + fecha + QStringLiteral("'"));
    if (r.orderReset) r.orderReset(QString());
    Actualizar(g, r.day, r.lists);
}

}  // namespace tpv
