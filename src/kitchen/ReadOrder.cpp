// What the run reads of the order before printing: the unprinted lines,
// dishes and extras rows, by number and quantity, so that completion marks
// printed those and no row written by a terminal since.
#include "sql/OrderStatements.h"
#include "sql/SqlText.h"
#include "sql/Database.h"
#include "kitchen/PrintRun.h"

namespace tpv {

QString sqlLiteral(const Variant &v) {
    switch (v.kind()) {
        case Variant::Kind::Integer:
            return v.toText();
        case Variant::Kind::Double:
            return QString::number(v.toDouble(), 'g', 17);
        case Variant::Kind::Boolean:
            return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
        default:
            return sql::quoted(v);
    }
}

namespace {

void readRows(Connection &cn, const QString &sqlText, ReadRows &rows) {
    const ResultSet r = cn.query(sqlText);
    for (const auto &row : r.rows)
        if (row.size() >= 2) rows.add(row[0], row[1]);
}

}  // namespace

void ReadRows::add(const Variant &number, const Variant &quantity) {
    // A row without a number or quantity is never selected as unprinted.
    if (number.isNull() || quantity.isNull()) return;
    const QString n = sqlLiteral(number), q = sqlLiteral(quantity);
    if (keys.contains(n + QLatin1Char('|') + q)) return;
    keys.insert(n + QLatin1Char('|') + q);
    rows.emplace_back(n, quantity.toDouble());
    conditions << sql::order::rowRead(numberColumn, n, quantityColumn, q);
}

bool ReadRows::contains(const Variant &number, const Variant &quantity) const {
    if (number.isNull() || quantity.isNull()) return false;
    return keys.contains(sqlLiteral(number) + QLatin1Char('|') + sqlLiteral(quantity));
}

QString ReadRows::restriction() const { return sql::order::onlyRowsRead(conditions); }

void readOrder(const PrintContext &p, PrintRun &run) {
    Connection &cn = conn(p.g.Cn2);
    const JobValues &j = run.job;
    // A null printed count would keep the line out of the selection and
    // then see it marked printed: it counts as nothing printed yet.
    cn.execute(sql::order::clearNullPrintedLines(j.PParg1, j.fecha(), j.PParg3));
    cn.execute(sql::order::clearNullPrintedDishes(j.PParg1, j.fecha(), j.PParg3));
    readRows(cn, sql::order::unprintedLines(j.PParg1, j.fecha(), j.PParg3), run.tilRead);
    readRows(cn, sql::order::unprintedDishes(j.PParg1, j.fecha(), j.PParg3), run.tilmRead);
    // Every extras row of the order as read: marking one already printed
    // changes nothing, and one written since stays out.
    readRows(cn, sql::order::extrasRows(j.PParg1, j.fecha(), j.PParg3), run.cargosRead);
}

}  // namespace tpv
