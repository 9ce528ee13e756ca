// The order print driver: empties the local snapshot copies, composes the
// header, runs the stages.
#include "kitchen/ImpComanda.h"

#include "sql/OrderStatements.h"
#include "sql/SnapshotStatements.h"
#include "sql/DataControl.h"
#include "compat/Error.h"
#include "ticket/Ticket.h"
#include "kitchen/Snapshots.h"

#include <algorithm>

namespace tpv {

int PrintRun::index(const Variant &destino) const {
    if (destino.isNull())
        throw TpvError(err::InvalidUseOfNull, QStringLiteral("Uso no válido de Null (número de impresora)"));
    const int d = destino.toInt16();
    if (d < 0 || d >= static_cast<int>(TextoImpresora.size())) {
        throw TpvError(err::InvalidIndex,
                       QStringLiteral("El subíndice está fuera del intervalo: impresora número %1 (hay %2)")
                           .arg(d)
                           .arg(TextoImpresora.size() - 1));
    }
    return d;
}

RoutedDishes &PrintRun::texto(const Variant &destino) { return TextoImpresora[static_cast<size_t>(index(destino))]; }

std::vector<int> PrintRun::destinations(const std::vector<Variant> &destinos) const {
    std::vector<int> out;
    for (const Variant &d : destinos) {
        const int k = index(d);
        if (std::find(out.begin(), out.end(), k) == out.end()) out.push_back(k);
    }
    return out;
}

void printHeader(const PrintContext &p, PrintRun &run) {
    Global &g = p.g;
    if (g.Rs2.isOpen()) g.Rs2.close();
    const JobValues &j = run.job;
    g.Rs2.open(sql::order::orderHeader(j.PParg1, j.fecha(), j.PParg3), conn(g.Cn2));
    if (!g.Rs2.eof()) {
        const Recordset &t = g.Rs2;
        run.Cabecera =
            ticket::Header{t.field(QStringLiteral("TicFec1")).toText(), t.field(QStringLiteral("TicSal")).toText(),
                           t.field(QStringLiteral("TicMes")).toText(), t.field(QStringLiteral("TicComa")).toText()};
        if (!p.ReimprimirTodo) run.snapshot << regrabar_TicImp(g, run.job);
    }
    g.Rs2.close();
}

void ImpComanda(const PrintContext &p) {
    PrintRun run;
    run.job = JobValues::read(p.g.Rs);
    for (const QString &sqlText : sql::snapshot::emptyLocalCopies()) p.C.execute(sqlText);
    // Rs2 is closed whatever happens: the next run, and the caller, expect it.
    struct CloseRs2 {
        Recordset &rs;
        ~CloseRs2() { rs.close(); }
    } closeRs2{p.g.Rs2};
    // A run that fails writes no snapshot row: they are written with the
    // completion, so the job leaves the order tables as it found them.
    readOrder(p, run);
    printHeader(p, run);
    run.TextoImpresora.assign(static_cast<size_t>(p.g.NumImpresoras) + 1, RoutedDishes());
    printALaCarteLines(p, run);
    printMenuLines(p, run);
    sendTicketsAndComplete(p, run);
}

}  // namespace tpv
