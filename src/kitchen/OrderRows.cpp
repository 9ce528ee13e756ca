#include "kitchen/OrderRows.h"

#include "sql/SqlText.h"
#include "sql/Database.h"
#include "compat/Error.h"

namespace tpv {

JobValues JobValues::read(const Recordset &rs) {
    JobValues j;
    j.PParg1 = rs.field(QStringLiteral("PParg1"));
    j.PParg3 = rs.field(QStringLiteral("PParg3"));
    j.PParg7 = rs.field(QStringLiteral("PParg7"));
    j.PPFecha = rs.field(QStringLiteral("PPFecha"));
    j.PPOrd = rs.field(QStringLiteral("PPOrd"));
    sql::requireInteger(j.PParg1, sql::Width::Int16, QStringLiteral("PParg1"));
    sql::requireInteger(j.PParg3, sql::Width::Int16, QStringLiteral("PParg3"));
    sql::requireInteger(j.PParg7, sql::Width::Int16, QStringLiteral("PParg7"));
    sql::requireInteger(j.PPOrd, sql::Width::Int32, QStringLiteral("PPOrd"));
    return j;
}

Variant lineNumber(const Recordset &row, const char *column, const char *nameColumn) {
    const Variant n = row.field(QString::fromLatin1(column));
    const QString where =
        QStringLiteral(" de la línea «%1»").arg(row.field(QString::fromLatin1(nameColumn)).toText().trimmed());
    if (n.isNull()) {
        throw TpvError(
            err::InvalidUseOfNull,
            QStringLiteral("Uso no válido de Null: falta el número de línea (%1)").arg(QString::fromLatin1(column)) +
                where);
    }
    try {
        sql::requireInteger(n, sql::Width::Int16, QString::fromLatin1(column));
    } catch (const TpvError &e) {
        throw TpvError(e.number(), e.description() + where);
    }
    return n;
}

}  // namespace tpv
