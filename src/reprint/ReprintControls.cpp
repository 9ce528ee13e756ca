#include "reprint/ReprintControls.h"

#include "app/FrmPpal.h"
#include "db/Schema.h"
#include "db/SqlText.h"
#include "platform/Error.h"
#include "queue/Queue.h"

namespace tpv {

namespace {

void askAgain(FrmPpal &f) {
    f.dialogs.message(QStringLiteral("Vuelva a Re-Imprimir"), QStringLiteral("Tesmarin"), MsgIcon::Exclamation);
    cmdCancelar_Click(f);
}

}  // namespace

void connectReprintControls(FrmPpal &f) {
    f.lstReal.clicked.connect([&f] { lstReal_Click(f); });
    f.lstPend.clicked.connect([&f] { lstPend_Click(f); });
}

void lstReal_Click(FrmPpal &f) {
    if (f.lstReal.listIndex() == 0) return;
    f.FraListas.setEnabled(false);
    f.FraPre.move(0, 0);
    f.T.setInterval(0);
    f.FraPre.setVisible(true);
}

void cmdCancelar_Click(FrmPpal &f) {
    f.FraListas.setEnabled(true);
    f.FraPre.setVisible(false);
    restartPolling(f);
}

void cmdTodo_Click(FrmPpal &f) {
    const int i = f.lstReal.listIndex();
    if (i == -1) {
        askAgain(f);
        return;
    }
    Global &g = f.g;
    // Whatever happens below, the flag is cleared and the choice closed:
    // a reprint that failed must not leave the poll stopped.
    struct Close {
        FrmPpal &f;
        ~Close() {
            f.ReimprimirTodo = false;
            cmdCancelar_Click(f);
        }
    } close{f};
    f.ReimprimirTodo = true;
    const QString ppord = QString::number(f.lstReal.itemData(i));
    const QString date = f.lstFech.list(i);
    const QString order = sql::int16(Variant(f.lstComa.list(i)));
    const QString fecha = sql::escaped(f.FechaTpv);
    const QString tpv = QString::number(g.tpv);
    conn(g.Cn).execute(QStringLiteral("UPDATE til SET TilImp = 0 WHERE TilComa = ") + order + QStringLiteral(" AND TilFec = '") +
                  fecha + QStringLiteral("' AND TilTpv = ") + tpv);
    conn(g.Cn).execute(QStringLiteral("UPDATE tilm SET Imp = 0 WHERE Fecha = '") + fecha + QStringLiteral("' AND Comanda = ") +
                  order + QStringLiteral(" AND tpv = ") + tpv);
    conn(g.Cn).execute(QStringLiteral("UPDATE PendGar SET PPPend = 0 WHERE PPOrd = ") + ppord + QStringLiteral(" AND PPFecha = '") +
                  sql::escaped(date) + QStringLiteral("' AND PPArg1 = '") + tpv + QStringLiteral("'"));
    f.T.runTick();
}

void cmdUltimo_Click(FrmPpal &f) {
    if (f.lstReal.listIndex() == -1) {
        askAgain(f);
        return;
    }
    LoUltimo(f);
}

void LoUltimo(FrmPpal &f) {
    for (const QString &sqlText : schema::localSnapshotEmptying()) f.C.execute(sqlText);
}

void cmdVolver_Click(FrmPpal &f) {
    Global &g = f.g;
    const QString fecha = sql::escaped(f.FechaTpv);
    conn(g.Cn).execute(QStringLiteral("Update til set TilImp = 0 Where TilFec = '") + fecha + QStringLiteral("'"));
    conn(g.Cn).execute(QStringLiteral("Update tilm set Imp = 0 Where Fecha = '") + fecha + QStringLiteral("'"));
    conn(g.Cn).execute(QStringLiteral("UPDATE PendGar Set PPPend = 0 Where PPFecha = '") + fecha + QStringLiteral("'"));
    Actualizar(f);
}

}  // namespace tpv
