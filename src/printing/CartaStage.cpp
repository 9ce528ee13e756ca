// The à-la-carte stage: the order's unprinted lines, routed by their
// article's family, with the extras of their cargosr row.
#include "app/FrmPpal.h"
#include "db/SqlText.h"
#include "printing/PrintRun.h"
#include "reprint/Snapshots.h"

namespace tpv {

namespace {


}  // namespace

void printCartaLines(FrmPpal &f, PrintRun &run) {
    Global &g = f.g;
    const JobValues &j = run.job;
    const QString fecha = sql::escaped(j.fecha());
    g.Rs2.open(QStringLiteral("SELECT * FROM Til, Artv, PerfilEnvioImp WHERE TilTpv = ") + j.arg1() +
                   QStringLiteral(" AND TilArtC = ArtvCod AND ArtvGru = Familia ") + QStringLiteral(" AND IdPerfil = ") +
                   sql::int16(j.PParg7) + QStringLiteral(" AND IdTpv = ") + sql::int16(j.PParg1) +
                   QStringLiteral(" AND TilComa = ") + sql::int16(j.PParg3) +
                   QStringLiteral(" And TilImp <> TilCant And TilFec = '") + fecha + QStringLiteral("' Order By TilOrd"),
               conn(g.Cn2));
    if (g.Rs2.eof()) {
        g.Rs2.close();
        return;
    }
    if (!f.ReimprimirTodo) deleteLineSnapshots(f, j);
    const QString title = run.Cabecera + QStringLiteral(" ***** ARTICULOS CARTA *****") + CRLF;
    while (!g.Rs2.eof()) {
        const Recordset &line = g.Rs2;
        std::vector<Variant> destinos;
        for (const char *d : kDestinos) destinos.push_back(line.field(QString::fromLatin1(d)));
        for (const Variant &d : destinos)
            if (run.texto(d).isEmpty()) run.texto(d) = title;
        const double quantity = line.field(QStringLiteral("TilCant")).toDouble() - line.field(QStringLiteral("TilImp")).toDouble();
        const QString lineText = numberToText(quantity) + QLatin1Char(' ') + line.field(QStringLiteral("TilArtN")).toText();
        for (const Variant &d : destinos) run.texto(d) += lineText;

        const Variant tilOrd = line.field(QStringLiteral("TilOrd"));
        if (g.Rs3.isOpen()) g.Rs3.close();
        g.Rs3.open(QStringLiteral("SELECT * FROM cargosr Where CaTPV = ") + j.arg1() + QStringLiteral(" And CaCont = ") +
                       sql::int16(j.PParg3) + QStringLiteral(" And CaFec = '") + fecha + QStringLiteral("' And CaOrd = ") +
                       sql::bare(tilOrd),
                   conn(g.Cn3));
        if (g.Rs3.eof()) {
            g.Rs3.close();
            g.Rs3.open(QStringLiteral("SELECT * FROM Til WHERE TilTpv = ") + QString::number(g.tpv) +
                           QStringLiteral(" AND TilComa = ") + sql::int16(j.PParg3) + QStringLiteral(" AND TilFec = '") +
                           fecha + QStringLiteral("' AND TilOrd = ") + sql::bare(tilOrd),
                       conn(g.Cn3));
            if (!g.Rs3.eof()) {
                // The first of the three line ends goes to destino1, like
                // every other piece of the line.
                for (const Variant &d : destinos) run.texto(d) += CRLF;
                if (!f.ReimprimirTodo) {
                    const QString statement = lineSnapshotStatement(line, nullptr, j);
                    g.Rs3.close();
                    conn(g.Cn3).execute(statement);
                }
            }
        } else {
            const Recordset &extra = g.Rs3;
            for (const Variant &d : destinos) {
                for (const auto &[code, name] : kExtraKinds) {
                    const Variant c = extra.field(QString::fromLatin1(code));
                    if (c.isNull() || c.toDouble() == 0) continue;
                    run.texto(d) += CRLF + QStringLiteral("     /") + extra.field(QString::fromLatin1(name)).toText();
                }
            }
            for (const Variant &d : destinos) run.texto(d) += CRLF + CRLF;
            if (!f.ReimprimirTodo) {
                const QString statement = lineSnapshotStatement(line, &extra, j);
                g.Rs3.close();
                conn(g.Cn3).execute(statement);
            }
        }
        g.Rs2.moveNext();
    }
    g.Rs2.close();
}

}  // namespace tpv
