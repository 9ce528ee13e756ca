// The menu stage: the dishes chosen inside set menus, each under a menu
// section title written once per printer.
#include "app/FrmPpal.h"
#include "db/SqlText.h"
#include "printing/PrintRun.h"
#include "reprint/Snapshots.h"

namespace tpv {

namespace {
const QString kRule = QStringLiteral("__________________");
}  // namespace

void printMenuLines(FrmPpal &f, PrintRun &run) {
    Global &g = f.g;
    const JobValues &j = run.job;
    g.Rs2.open(QStringLiteral("SELECT * FROM Tilm, Artv, PerfilEnvioImp WHERE Tilm.TPV = ") + j.arg1() +
                   QStringLiteral(" AND Tilm.mlpla = Artv.ArtvCod ") + QStringLiteral(" AND PerfilEnvioImp.IdPerfil = ") +
                   sql::bare(j.PParg7) + QStringLiteral(" AND PerfilEnvioImp.Idtpv = ") + j.arg1() +
                   QStringLiteral(" And PerfilEnvioImp.Familia = Artv.ArtvGru ") + QStringLiteral(" AND TILM.Comanda = ") +
                   sql::int16(j.PParg3) + QStringLiteral(" AND TILM.Imp <> TILM.Cantidad AND TILM.Fecha = '") +
                   sql::escaped(j.fecha()) + QStringLiteral("' Order By TILM.Orden"),
               conn(g.Cn2));
    if (g.Rs2.eof()) {
        g.Rs2.close();
        return;
    }
    if (!f.ReimprimirTodo) deleteMenuSnapshots(f, j);
    run.MenuIniciado.assign(run.TextoImpresora.size(), false);
    const QString fullTitle = run.Cabecera + kRule + CRLF + QStringLiteral("Platos de Menu") + CRLF + kRule + CRLF;
    const QString lineTitle = kRule + QStringLiteral("Platos de Menu") + kRule + CRLF;
    while (!g.Rs2.eof()) {
        const Recordset &dish = g.Rs2;
        std::vector<Variant> destinos;
        for (const char *d : kDestinos) destinos.push_back(dish.field(QString::fromLatin1(d)));
        for (const Variant &d : destinos) {
            const size_t k = static_cast<size_t>(run.index(d));
            if (run.TextoImpresora[k].isEmpty()) {
                run.TextoImpresora[k] = fullTitle;
                run.MenuIniciado[k] = true;
            } else if (!run.MenuIniciado[k]) {
                run.TextoImpresora[k] += lineTitle;
                run.MenuIniciado[k] = true;
            }
        }
        const int16_t quantity = roundToInt16(dish.field(QStringLiteral("cantidad")).toDouble() -
                                              dish.field(QStringLiteral("imp")).toDouble());
        const QString dishText = QString::number(quantity) + QLatin1Char(' ') + dish.field(QStringLiteral("mlplan")).toText();
        for (const Variant &d : destinos) run.texto(d) += dishText;
        for (const auto &[code, name] : kExtraKinds) {
            if (dish.field(QString::fromLatin1(code)).isNull()) continue;
            const QString extra = CRLF + QStringLiteral("     /") + dish.field(QString::fromLatin1(name)).toText();
            for (const Variant &d : destinos) run.texto(d) += extra;
        }
        for (const Variant &d : destinos) run.texto(d) += CRLF;
        const QString statement = menuSnapshotStatement(dish, j);
        if (!f.ReimprimirTodo) conn(g.Cn3).execute(statement);
        g.Rs2.moveNext();
    }
    g.Rs2.close();
}

}  // namespace tpv
