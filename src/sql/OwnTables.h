#pragma once
// The print server's own tables in the order database, beside the order
// terminals' tables: the turn between the PCs of a terminal (LectorTurno)
// and the delivery journal every PC of it shares (LectorRecibido,
// LectorEnvio, LectorTrabajo). They are made at start when missing; a login
// that may not make them is told which, and how an administrator makes them.
//
// Their statements work on SQLite and on SQL Server alike (the one type that
// differs, a text of any length, comes from the dialect).
#include "sql/Database.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tpv::sql::own {

struct Table {
    QString name;
    QStringList create;  // the table, then its indexes
};

// Every table of ours, in the order they are made.
std::vector<Table> tables(const SqlDialect &dialect);

// The tables of ours the database lacks (another failure than a missing
// table is passed on).
QStringList missingTables(Connection &db);
// Makes the tables that are missing. A login that may not is error
// -2147467259 naming them and the way out (lector-tpv-config preparar).
void ensureTables(Connection &db);
// The script an administrator runs to make them (lector-tpv-config
// preparar --sql), for SQL Server.
QString script(const SqlDialect &dialect);

// The statement that finds a table missing or not (error -2147217865).
QString probe(const QString &table);

}  // namespace tpv::sql::own
