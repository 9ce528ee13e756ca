#pragma once
// Connections for the two provider strings the configuration uses:
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source = C:\tesmarin\tpv\NAME.mdb
//     -> the SQLite file NAME.mdb in the data folder (never created here);
//   Provider=SQLOLEDB.1;Data Source =IP;Initial Catalog=CAT;User ID=..;Password=..
//     -> an SQLite file when IP names one (absolute path, *.db, *.sqlite),
//        else SQL Server through ODBC and FreeTDS.
#include "sql/Database.h"
#include "sql/SqlDialect.h"

#include <QString>
#include <memory>

namespace tpv {

struct ConnectionOptions {
    QString dataDir;  // stands for C:\tesmarin\tpv\ .
    int loginTimeoutSeconds = 5;
    // Each request to SQL Server: a server that stops answering mid-evening
    // must not freeze the window.
    int requestTimeoutSeconds = 30;
    int busyTimeoutMs = 5000;
};

std::unique_ptr<Connection> openConnection(const QString &connectionString, const ConnectionOptions &options);

// An existing SQLite file (error -2147467259 when it is missing or no database).
std::unique_ptr<Connection> openSqliteFile(const QString &path, int busyTimeoutMs = 5000);
// Creates an SQLite file; only the demo and the tests make databases.
std::unique_ptr<Connection> createSqliteFile(const QString &path);
// A DSN-less ODBC connection string, as it stands.
std::unique_ptr<Connection> openOdbc(const QString &odbcConnectionString, int loginTimeoutSeconds,
                                     int requestTimeoutSeconds = 30, const SqlDialect &dialect = odbcDialect());

// Called with the database (the file of an SQLite connection) and the text
// of every statement a connection runs, as it goes to the database; none by
// default. The benchmarks record what a run executes
// with it, to replay the same statements without the program around them.
using StatementObserver = void (*)(const QString &database, const QString &sql);
void setStatementObserver(StatementObserver observer);

}  // namespace tpv
