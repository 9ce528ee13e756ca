#pragma once
// The tables of the local work file (wdbServer.mdb): the work tables
// re-created at every start and emptied at shutdown, and the empty table
// Vacio that the work file's data control stands on. They run as written.
#include <QString>
#include <QStringList>

namespace tpv::schema {

// DROP statements of the work tables, in the order start-up runs them.
QStringList workTableDrops();
// CREATE statements of the work tables, in the order start-up runs them.
QStringList workTableCreates();
// The statements that empty the work tables at shutdown.
QStringList workTableEmptying();

// Vacio, made with a new work file, and the data control's record source.
QString createEmptyTable();
QString readEmptyTable();

}  // namespace tpv::schema
