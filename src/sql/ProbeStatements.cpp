#include "sql/ProbeStatements.h"

#include "sql/SqlDialect.h"
#include "sql/SqlText.h"

namespace tpv::sql::probe {

QString dataVersion() { return QStringLiteral("PRAGMA data_version"); }

QString queueState(int tpv, const QString &fecha) {
    const QString jobs = QStringLiteral(" FROM PendGar WHERE PPFecha = '") + escaped(fecha) +
                         QStringLiteral("' AND PPArg1 = '") + QString::number(tpv) + QStringLiteral("' AND PPPend = ");
    const QString day = QStringLiteral(" FROM icierre WHERE cierrecod = ") + QString::number(tpv);
    // Summed as 64-bit numbers: SQL Server sums an int column as an int.
    return QStringLiteral(
               "SELECT COUNT(*) AS Pendientes, SUM(CAST(PPOrd AS BIGINT)) AS SumaPendientes, "
               "SUM(CAST(PPOrd AS BIGINT) * PPOrd) AS CuadradosPendientes, MAX(PPOrd) AS UltimoPendiente, "
               "(SELECT MAX(PPOrd)") +
           jobs + QStringLiteral("1) AS UltimoRealizado, (SELECT MIN(CierreFecha)") + day +
           QStringLiteral(") AS FechaMenor, (SELECT MAX(CierreFecha)") + day + QStringLiteral(") AS FechaMayor") +
           jobs + QLatin1Char('0');
}

QString indexKeys(const SqlDialect &dialect, const QString &table) {
    const QString name = QLatin1Char('\'') + escaped(table) + QLatin1Char('\'');
    if (&dialect == &sqliteDialect()) {
        return QStringLiteral(
                   "SELECT l.name AS indice, k.name AS columna FROM pragma_index_list(%1) l, pragma_index_info(l.name) "
                   "k ORDER BY l.name, k.seqno")
            .arg(name);
    }
    // Included columns have no key position (key_ordinal 0).
    return QStringLiteral(
               "SELECT i.name AS indice, c.name AS columna FROM sys.indexes i JOIN sys.index_columns ic ON "
               "ic.object_id = i.object_id AND ic.index_id = i.index_id JOIN sys.columns c ON c.object_id = "
               "ic.object_id AND c.column_id = ic.column_id WHERE i.object_id = OBJECT_ID(%1) AND ic.key_ordinal > 0 "
               "ORDER BY i.name, ic.key_ordinal")
        .arg(name);
}

}  // namespace tpv::sql::probe
