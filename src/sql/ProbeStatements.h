#pragma once
// The statements a tick asks before it reads the queue in full, and the
// catalogue question that tells whether the queue has the index they need.
#include <QString>

namespace tpv {
class SqlDialect;
}

namespace tpv::sql::probe {

// SQLite's count of changes committed by other connections, as one
// connection sees it.
QString dataVersion();

// One row that changes whenever the lists, the alerts or a print run would:
// the jobs of the terminal pending on the business day (how many, their
// numbers summed and summed squared, the highest), the highest number done
// that day, and the terminal's business date (the least and the greatest,
// should icierre hold the terminal twice). Each part is a seek on PendGar's
// index (PPFecha, PParg1, PPPend, PPOrd), however long the day.
QString queueState(int tpv, const QString &fecha);

// The key columns of every index of a table, as rows (indice, columna),
// each index's columns in key order.
QString indexKeys(const SqlDialect &dialect, const QString &table);

}  // namespace tpv::sql::probe
