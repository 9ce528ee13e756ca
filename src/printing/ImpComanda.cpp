// The order print driver: empties the local snapshot copies, composes the
// header, runs the stages.
#include "app/FrmPpal.h"
#include "db/Schema.h"
#include "db/SqlText.h"
#include "platform/Error.h"
#include "printing/PrintRun.h"
#include "queue/Queue.h"
#include "reprint/Snapshots.h"

namespace tpv {

int PrintRun::index(const Variant &destino) const {
    if (destino.isNull()) throw TpvError(94, QStringLiteral("Uso no válido de Null (número de impresora)"));
    const int d = destino.toInt16();
    if (d < 0 || d >= static_cast<int>(TextoImpresora.size())) {
        throw TpvError(err::InvalidIndex,
                       QStringLiteral("El subíndice está fuera del intervalo: impresora número %1 (hay %2)")
                           .arg(d)
                           .arg(TextoImpresora.size() - 1));
    }
    return d;
}

QString &PrintRun::texto(const Variant &destino) { return TextoImpresora[static_cast<size_t>(index(destino))]; }

JobValues readJob(FrmPpal &f) {
    const Recordset &rs = f.g.Rs;
    JobValues j;
    j.PParg1 = rs.field(QStringLiteral("PParg1"));
    j.PParg3 = rs.field(QStringLiteral("PParg3"));
    j.PParg7 = rs.field(QStringLiteral("PParg7"));
    j.PPFecha = rs.field(QStringLiteral("PPFecha"));
    j.PPOrd = rs.field(QStringLiteral("PPOrd"));
    return j;
}

void printHeader(FrmPpal &f, PrintRun &run) {
    Global &g = f.g;
    if (g.Rs2.isOpen()) g.Rs2.close();
    const JobValues &j = run.job;
    g.Rs2.open(QStringLiteral("Select * from Tic Where TicTPV = ") + sql::int16(j.PParg1) +
                   QStringLiteral(" And TicComa = ") + sql::int16(j.PParg3) + QStringLiteral(" And TicFec = '") +
                   sql::escaped(j.fecha()) + QStringLiteral("'"),
               conn(g.Cn2));
    if (!g.Rs2.eof()) {
        const Recordset &t = g.Rs2;
        run.Cabecera = QStringLiteral("Fecha ") + t.field(QStringLiteral("TicFec1")).toText() + QStringLiteral("     Tpv ") +
                       t.field(QStringLiteral("TicSal")).toText() + CRLF + QStringLiteral("Mesa ") +
                       t.field(QStringLiteral("TicMes")).toText() + QStringLiteral(" Comanda N.  ") +
                       t.field(QStringLiteral("TicComa")).toText() + CRLF + CRLF;
        if (!f.ReimprimirTodo) regrabar_TicImp(f, run.job);
    }
    g.Rs2.close();
}

void ImpComanda(FrmPpal &f) {
    PrintRun run;
    run.job = readJob(f);
    for (const QString &sqlText : schema::localSnapshotEmptying()) f.C.execute(sqlText);
    // Rs2 is closed whatever happens: the next run, and the caller, expect it.
    struct CloseRs2 {
        Recordset &rs;
        ~CloseRs2() { rs.close(); }
    } closeRs2{f.g.Rs2};
    printHeader(f, run);
    run.TextoImpresora.assign(static_cast<size_t>(f.g.NumImpresoras) + 1, QString());
    printCartaLines(f, run);
    printMenuLines(f, run);
    sendTicketsAndComplete(f, run);
}

}  // namespace tpv
