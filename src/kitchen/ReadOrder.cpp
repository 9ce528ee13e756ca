// What the run reads of the order before printing: the unprinted lines,
// dishes and extras rows, by number and quantity, so that completion marks
// printed those and no row written by a terminal since.
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

// The terms joined by OR two by two, so that a long order nests the
// expression only as deep as the logarithm of its rows.
QString anyOf(const QStringList &terms, qsizetype from, qsizetype to) {
    if (to - from == 1) return terms[from];
    const qsizetype mid = from + (to - from) / 2;
    return QLatin1Char('(') + anyOf(terms, from, mid) + QStringLiteral(" OR ") + anyOf(terms, mid, to) +
           QLatin1Char(')');
}

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
    conditions << QLatin1Char('(') + numberColumn + QStringLiteral(" = ") + n + QStringLiteral(" AND ") +
                      quantityColumn + QStringLiteral(" = ") + q + QLatin1Char(')');
}

bool ReadRows::contains(const Variant &number, const Variant &quantity) const {
    if (number.isNull() || quantity.isNull()) return false;
    return keys.contains(sqlLiteral(number) + QLatin1Char('|') + sqlLiteral(quantity));
}

QString ReadRows::restriction() const {
    if (conditions.isEmpty()) return QStringLiteral(" AND 1 = 0");
    return QStringLiteral(" AND ") + anyOf(conditions, 0, conditions.size());
}

void readOrder(const PrintContext &p, PrintRun &run) {
    Connection &cn = conn(p.g.Cn2);
    const JobValues &j = run.job;
    const QString fecha = sql::escaped(j.fecha());
    const QString arg3 = j.PParg3.toText();
    const QString til = QStringLiteral(" WHERE TilTPV = ") + j.arg1() + QStringLiteral(" AND TilFec = '") + fecha +
                        QStringLiteral("' AND TilComa = ") + arg3;
    const QString tilm = QStringLiteral(" WHERE TPV = ") + j.arg1() + QStringLiteral(" AND Fecha = '") + fecha +
                         QStringLiteral("' AND Comanda = ") + arg3;
    // A null printed count would keep the line out of the selection and
    // then see it marked printed: it counts as nothing printed yet.
    cn.execute(QStringLiteral("UPDATE Til SET TilImp = 0") + til + QStringLiteral(" AND TilImp IS NULL"));
    cn.execute(QStringLiteral("UPDATE Tilm SET Imp = 0") + tilm + QStringLiteral(" AND Imp IS NULL"));
    readRows(cn, QStringLiteral("SELECT TilOrd, TilCant FROM Til") + til + QStringLiteral(" AND TilImp <> TilCant"),
             run.tilRead);
    readRows(cn, QStringLiteral("SELECT Orden, Cantidad FROM Tilm") + tilm + QStringLiteral(" AND Imp <> Cantidad"),
             run.tilmRead);
    // Every extras row of the order as read: marking one already printed
    // changes nothing, and one written since stays out.
    readRows(cn,
             QStringLiteral("SELECT CaOrd, CaCant FROM cargosr WHERE CaTpv = ") + j.arg1() +
                 QStringLiteral(" AND CaFec = '") + fecha + QStringLiteral("' AND CaCont = ") + arg3,
             run.cargosRead);
}

}  // namespace tpv
