// The menu stage: the dishes chosen inside set menus, each under a menu
// section title written once per printer.
#include "sql/OrderStatements.h"
#include "kitchen/PrintRun.h"
#include "ticket/Ticket.h"
#include "kitchen/Snapshots.h"

namespace tpv {

void printMenuLines(const PrintContext &p, PrintRun &run) {
    Global &g = p.g;
    const JobValues &j = run.job;
    g.Rs2.open(sql::order::unprintedDishesRouted(j.PParg1, j.fecha(), j.PParg3, j.PParg7), conn(g.Cn2));
    if (g.Rs2.eof()) {
        g.Rs2.close();
        return;
    }
    if (!p.ReimprimirTodo) run.snapshot << deleteMenuSnapshots(j);
    while (!g.Rs2.eof()) {
        const Recordset &dish = g.Rs2;
        if (run.tilmRead.writtenSince(dish.field(QStringLiteral("Orden")), dish.field(QStringLiteral("Cantidad")))) {
            g.Rs2.moveNext();
            continue;
        }
        std::vector<Variant> routing;
        for (const char *d : kDestinos) routing.push_back(dish.field(QString::fromLatin1(d)));
        const std::vector<int> destinos = run.destinations(routing);
        ticket::Dish look;
        look.name = dish.field(QStringLiteral("mlplan")).toText();
        // A code of 0 prints its extra too; only a null code leaves it out.
        for (const auto &[code, name] : kExtraKinds) {
            if (dish.field(QString::fromLatin1(code)).isNull()) continue;
            look.extras << dish.field(QString::fromLatin1(name)).toText();
        }
        const ReadDish read{{DishKey::Kind::Menu, sqlLiteral(lineNumber(dish, "orden", "mlplan"))},
                            dish.field(QStringLiteral("cantidad")).toDouble(),
                            dish.field(QStringLiteral("imp")).toDouble()};
        for (int d : destinos) run.TextoImpresora[static_cast<size_t>(d)].addMenu(read, look);
        const QString statement = menuSnapshotStatement(dish, j);
        if (!p.ReimprimirTodo) run.snapshot << statement;
        g.Rs2.moveNext();
    }
    g.Rs2.close();
}

}  // namespace tpv
