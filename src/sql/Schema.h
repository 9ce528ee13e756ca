#pragma once
// Statements that define tables: the local work tables re-created at every
// start, and the ticket font table. They run as written.
#include <QString>
#include <QStringList>

namespace tpv::schema {

// DROP statements of the work tables, in the order start-up runs them.
QStringList workTableDrops();
// CREATE statements of the work tables, in the order start-up runs them.
QStringList workTableCreates();
// The statements that empty the work tables at shutdown.
QStringList workTableEmptying();

QString fontTableCreate();
QString fontTableDefaultRow();

}  // namespace tpv::schema
