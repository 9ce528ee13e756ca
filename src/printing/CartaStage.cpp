// The à-la-carte stage: the order's unprinted lines, routed by their
// article's family, with the extras of their cargosr row.
#include "db/SqlText.h"
#include "printing/PrintRun.h"
#include "printing/Ticket.h"
#include "reprint/Snapshots.h"

namespace tpv {

namespace {

std::vector<Variant> destinosOf(const Recordset &row) {
    std::vector<Variant> out;
    for (const char *d : kDestinos) out.push_back(row.field(QString::fromLatin1(d)));
    return out;
}

// The extras of a line's cargosr row, for every destination in turn: each
// gets its modifier, garnish and sauce in a block. A code of 0 prints none.
void appendExtras(PrintRun &run, const std::vector<Variant> &destinos, const Recordset &extraRow) {
    for (const Variant &d : destinos) {
        for (const auto &[code, name] : kExtraKinds) {
            const Variant c = extraRow.field(QString::fromLatin1(code));
            sql::requireInteger(c, sql::Width::Int16, QString::fromLatin1(code), true);
            if (c.isNull() || c.toDouble() == 0) continue;
            run.texto(d) += ticket::extra(extraRow.field(QString::fromLatin1(name)).toText());
        }
    }
}

}  // namespace

void printCartaLines(const PrintContext &p, PrintRun &run) {
    Global &g = p.g;
    const JobValues &j = run.job;
    const QString fecha = sql::escaped(j.fecha());
    g.Rs2.open(QStringLiteral("SELECT * FROM Til, Artv, PerfilEnvioImp WHERE TilTpv = ") + j.arg1() +
                   QStringLiteral(" AND TilArtC = ArtvCod AND ArtvGru = Familia ") +
                   QStringLiteral(" AND IdPerfil = ") + sql::int16(j.PParg7) + QStringLiteral(" AND IdTpv = ") +
                   sql::int16(j.PParg1) + QStringLiteral(" AND TilComa = ") + sql::int16(j.PParg3) +
                   QStringLiteral(" And TilImp <> TilCant And TilFec = '") + fecha +
                   QStringLiteral("' Order By TilOrd"),
               conn(g.Cn2));
    if (g.Rs2.eof()) {
        g.Rs2.close();
        return;
    }
    if (!p.ReimprimirTodo) deleteLineSnapshots(g, j);
    const QString title = ticket::cartaTitle(run.Cabecera);
    while (!g.Rs2.eof()) {
        const Recordset &line = g.Rs2;
        // Written by a terminal after the run read the order: it prints with
        // the next job of the order.
        if (run.tilRead.writtenSince(line.field(QStringLiteral("TilOrd")), line.field(QStringLiteral("TilCant")))) {
            g.Rs2.moveNext();
            continue;
        }
        const std::vector<Variant> destinos = destinosOf(line);
        for (const Variant &d : destinos)
            if (run.texto(d).isEmpty()) run.texto(d) = title;
        const double quantity =
            line.field(QStringLiteral("TilCant")).toDouble() - line.field(QStringLiteral("TilImp")).toDouble();
        const QString lineText = ticket::cartaLine(quantity, line.field(QStringLiteral("TilArtN")).toText());
        for (const Variant &d : destinos) run.texto(d) += lineText;

        // A line without a number would find no extras and no line of its
        // own, and run into the next line on the ticket: it fails the job.
        const Variant tilOrd = lineNumber(line, "TilOrd", "TilArtN");
        if (g.Rs3.isOpen()) g.Rs3.close();
        g.Rs3.open(QStringLiteral("SELECT * FROM cargosr Where CaTPV = ") + j.arg1() +
                       QStringLiteral(" And CaCont = ") + sql::int16(j.PParg3) + QStringLiteral(" And CaFec = '") +
                       fecha + QStringLiteral("' And CaOrd = ") + sql::bare(tilOrd),
                   conn(g.Cn3));
        const bool withExtraRow = !g.Rs3.eof();
        if (!withExtraRow) {
            g.Rs3.close();
            g.Rs3.open(QStringLiteral("SELECT * FROM Til WHERE TilTpv = ") + QString::number(g.tpv) +
                           QStringLiteral(" AND TilComa = ") + sql::int16(j.PParg3) +
                           QStringLiteral(" AND TilFec = '") + fecha + QStringLiteral("' AND TilOrd = ") +
                           sql::bare(tilOrd),
                       conn(g.Cn3));
            // The line is gone from Til since the selection: no line end, no
            // snapshot row.
            if (g.Rs3.eof()) {
                g.Rs2.moveNext();
                continue;
            }
        } else {
            appendExtras(run, destinos, g.Rs3);
        }
        // The first of the line ends goes to destino1, like every other piece
        // of the line.
        for (const Variant &d : destinos) run.texto(d) += ticket::cartaLineEnd(withExtraRow);
        if (!p.ReimprimirTodo) {
            const QString statement = lineSnapshotStatement(line, withExtraRow ? &g.Rs3 : nullptr, j);
            g.Rs3.close();
            conn(g.Cn3).execute(statement);
        }
        g.Rs2.moveNext();
    }
    g.Rs2.close();
}

}  // namespace tpv
