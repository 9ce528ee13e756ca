// The à-la-carte stage: the order's unprinted lines, routed by their
// article's family, with the extras of their cargosr row.
#include "sql/OrderStatements.h"
#include "sql/SqlText.h"
#include "kitchen/PrintRun.h"
#include "ticket/Ticket.h"
#include "kitchen/Snapshots.h"

namespace tpv {

namespace {

std::vector<Variant> destinosOf(const Recordset &row) {
    std::vector<Variant> out;
    for (const char *d : kDestinos) out.push_back(row.field(QString::fromLatin1(d)));
    return out;
}

// The names of the extras of a line's cargosr row, modifier, garnish and
// sauce in this order. A code of 0 prints none.
QStringList extrasOf(const Recordset &extraRow) {
    QStringList out;
    for (const auto &[code, name] : kExtraKinds) {
        const Variant c = extraRow.field(QString::fromLatin1(code));
        sql::requireInteger(c, sql::Width::Int16, QString::fromLatin1(code), true);
        if (c.isNull() || c.toDouble() == 0) continue;
        out << extraRow.field(QString::fromLatin1(name)).toText();
    }
    return out;
}

}  // namespace

void printALaCarteLines(const PrintContext &p, PrintRun &run) {
    Global &g = p.g;
    const JobValues &j = run.job;
    g.Rs2.open(sql::order::unprintedLinesRouted(j.PParg1, j.fecha(), j.PParg3, j.PParg7), conn(g.Cn2));
    if (g.Rs2.eof()) {
        g.Rs2.close();
        return;
    }
    if (!p.ReimprimirTodo) run.snapshot << deleteLineSnapshots(j);
    while (!g.Rs2.eof()) {
        const Recordset &line = g.Rs2;
        // Written by a terminal after the run read the order: it prints with
        // the next job of the order.
        if (run.tilRead.writtenSince(line.field(QStringLiteral("TilOrd")), line.field(QStringLiteral("TilCant")))) {
            g.Rs2.moveNext();
            continue;
        }
        const std::vector<int> destinos = run.destinations(destinosOf(line));
        ticket::Dish look;
        look.name = line.field(QStringLiteral("TilArtN")).toText();

        // A line without a number would find no extras and no line of its
        // own, and run into the next line on the ticket: it fails the job.
        const Variant tilOrd = lineNumber(line, "TilOrd", "TilArtN");
        if (g.Rs3.isOpen()) g.Rs3.close();
        g.Rs3.open(sql::order::extrasOfLine(j.PParg1, j.fecha(), j.PParg3, tilOrd), conn(g.Cn3));
        const bool withExtraRow = !g.Rs3.eof();
        if (!withExtraRow) {
            g.Rs3.close();
            g.Rs3.open(sql::order::orderLine(g.tpv, j.fecha(), j.PParg3, tilOrd), conn(g.Cn3));
            // The line is gone from Til since the selection: it is not
            // printed and gets no snapshot row.
            if (g.Rs3.eof()) {
                g.Rs2.moveNext();
                continue;
            }
        } else {
            look.extras = extrasOf(g.Rs3);
        }
        look.blankAfter = withExtraRow;
        const ReadDish dish{{DishKey::Kind::ALaCarte, sqlLiteral(tilOrd)},
                            line.field(QStringLiteral("TilCant")).toDouble(),
                            line.field(QStringLiteral("TilImp")).toDouble()};
        for (int d : destinos) run.TextoImpresora[static_cast<size_t>(d)].add(dish, look);
        if (!p.ReimprimirTodo) {
            run.snapshot << lineSnapshotStatement(line, withExtraRow ? &g.Rs3 : nullptr, j);
            g.Rs3.close();
        }
        g.Rs2.moveNext();
    }
    g.Rs2.close();
}

}  // namespace tpv
