#include "kitchen/ReprintLast.h"

#include "kitchen/Config.h"
#include "sql/QueueStatements.h"
#include "sql/SnapshotStatements.h"
#include "sql/SqlText.h"
#include "compat/Controls.h"
#include "compat/Dialogs.h"
#include "compat/Error.h"
#include "platform/Log.h"
#include "kitchen/StatusReport.h"
#include "kitchen/TicketOutput.h"

namespace tpv {

namespace {

// The snapshot's statements name the sending by these.
struct Sending {
    QString tpv, fecha, comanda;  // the terminal and order as SQL numbers, the day as given
    QString ord;                  // the last sending's job number
};

Variant first(Connection &cn, const QString &sqlText) {
    const ResultSet r = cn.query(sqlText);
    return r.rows.empty() || r.rows.front().empty() ? Variant() : r.rows.front().front();
}

std::optional<ticket::Header> headerOf(Connection &cn, const Sending &s) {
    for (const QString &sqlText : sql::snapshot::headerOfSending(s.tpv, s.fecha, s.comanda, s.ord)) {
        const ResultSet r = cn.query(sqlText);
        if (r.rows.empty()) continue;
        const auto &row = r.rows.front();
        return ticket::Header{row[0].toText(), row[1].toText(), row[2].toText(), row[3].toText()};
    }
    return std::nullopt;
}

// The extras of a snapshot row: à-la-carte lines print a code other than 0,
// menu dishes any code that is there.
QStringList extrasOf(const Recordset &row, bool menu) {
    QStringList out;
    for (const auto &[code, name] : kExtraKinds) {
        const Variant c = row.field(QString::fromLatin1(code));
        if (c.isNull() || (!menu && c.toDouble() == 0)) continue;
        out << row.field(QString::fromLatin1(name)).toText();
    }
    return out;
}

// Routes every row of the snapshot query to its printers' lists, with the
// quantity the sending printed.
void route(Connection &cn, const QString &sqlText, bool menu, const PrintRun &run, std::vector<RoutedDishes> &byPrinter,
           std::vector<std::vector<std::pair<size_t, double>>> &quantities) {
    Recordset rs;
    rs.open(sqlText, cn);
    for (; !rs.eof(); rs.moveNext()) {
        std::vector<Variant> routing;
        for (const char *d : kDestinos) routing.push_back(rs.field(QString::fromLatin1(d)));
        ticket::Dish look;
        look.name = rs.field(menu ? QStringLiteral("mlplan") : QStringLiteral("TilArtN")).toText();
        look.extras = extrasOf(rs, menu);
        look.blankAfter = !menu && !look.extras.isEmpty();
        const double quantity =
            menu ? rs.field(QStringLiteral("cantidad")).toDouble() - rs.field(QStringLiteral("imp")).toDouble()
                 : rs.field(QStringLiteral("TilCant")).toDouble() - rs.field(QStringLiteral("TilImp")).toDouble();
        for (int k : run.destinations(routing)) {
            RoutedDishes &dishes = byPrinter[static_cast<size_t>(k)];
            quantities[static_cast<size_t>(k)].emplace_back(dishes.read.size(), quantity);
            if (menu)
                dishes.addMenu({}, look);
            else
                dishes.add({}, look);
        }
    }
}

}  // namespace

void reprintLastSending(const PrintContext &p, const QString &tpv, const QString &fecha, const QString &comanda) {
    Global &g = p.g;
    Connection &cn = conn(g.Cn2);
    Sending s{sql::int16(Variant(tpv)), fecha, sql::int16(Variant(comanda)), {}};
    const Variant last = first(cn, sql::snapshot::lastSendingOfOrder(s.tpv, s.fecha, s.comanda));
    if (last.isNull()) {
        p.dialogs.message(QStringLiteral("No hay ningún envío guardado de la comanda %1").arg(comanda),
                          QStringLiteral("Tesmarin"), MsgIcon::Exclamation);
        return;
    }
    s.ord = sql::bare(last);
    // The routing profile of the job that made the sending.
    const Variant profile = first(cn, sql::queue::routingProfileOfJob(s.ord, s.fecha));
    if (profile.isNull()) {
        p.dialogs.message(QStringLiteral("No se encuentra el trabajo %1 de la comanda %2 en la cola: no se sabe a qué "
                                         "impresoras enviarlo")
                              .arg(s.ord, comanda),
                          QStringLiteral("Tesmarin"), MsgIcon::Exclamation);
        return;
    }
    const QString perfil = sql::int16(profile);
    logLine(LogPriority::Info, QStringLiteral("Reimpresión pedida en este PC: lo último de la comanda %1 "
                                              "(trabajo %2)")
                                   .arg(comanda, s.ord));

    PrintRun run;
    run.TextoImpresora.assign(static_cast<size_t>(g.NumImpresoras) + 1, RoutedDishes());
    std::vector<std::vector<std::pair<size_t, double>>> quantities(run.TextoImpresora.size());
    route(cn, sql::snapshot::linesOfSending(s.tpv, s.fecha, s.comanda, s.ord, perfil), false, run, run.TextoImpresora,
          quantities);
    route(cn, sql::snapshot::dishesOfSending(s.tpv, s.fecha, s.comanda, s.ord, perfil), true, run, run.TextoImpresora,
          quantities);
    const std::optional<ticket::Header> header = headerOf(cn, s);

    QString failure, detail;
    for (int k = 1; k < g.NumImpresoras; ++k) {
        const RoutedDishes &dishes = run.TextoImpresora[static_cast<size_t>(k)];
        if (dishes.isEmpty()) continue;
        g.lineaspie = blankLinesOfField(p.lineasp.text());
        const QString printer = g.Impresoras.value(k);
        const Document ticket = ticketOf(p, header, dishes, quantities[static_cast<size_t>(k)], {ticket::kReprintMark});
        try {
            const QString tookIt = p.output.send(printer, ticket, {});
            logLine(LogPriority::Info,
                    ticketSentText(s.ord.toInt(), comanda.toInt(), tookIt, ticket::lineCount(ticket)));
        } catch (const TpvError &e) {
            if (failure.isEmpty()) {
                failure = QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora");
                detail = printer + QStringLiteral(": ") + e.numberAndDescription();
            }
        }
    }
    if (!failure.isEmpty()) {
        p.status.report(failure + QStringLiteral(" (") + detail + QLatin1Char(')'));
        p.dialogs.printingFailed(failure, detail);
    }
}

}  // namespace tpv
