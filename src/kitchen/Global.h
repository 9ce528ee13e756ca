#pragma once
// The Global module: the settings read from the configuration row, the four
// server connections with their recordsets, the printer-connection list and
// where the local files live. Everything that reads or writes the databases
// takes it.
#include "sql/Database.h"
#include "sql/SqlConnection.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

namespace tpv {

struct Global {
    QString Ip, CatalogoIni, Id, PasW;
    // The SQL Server login of this site (acceso-sql.ini); empty: the fixed one.
    QString UsuarioSql, ClaveSql;
    int16_t Tiempo = 0;
    bool Raport = false;
    int16_t tpv = 0;
    int16_t lineaspie = 0;

    std::unique_ptr<Connection> Cn, Cn2, Cn3, Cn4;
    Recordset Rs, Rs2, Rs3, Rs4;

    QStringList Impresoras;  // entry 0 is "Ninguna"
    int16_t NumImpresoras = 0;

    // Where C:\tesmarin\tpv\ is on this machine, and the time limits.
    ConnectionOptions db;

    // Why the settings row gave no server to connect to (no row with Cod
    // 'Prul4', no table Confi); empty when it was read. A failed connection
    // says it first: the empty address is not the cause.
    QString configurationMissing;
};

// The business date of this terminal and its name, refreshed at every full
// read of the queue.
struct BusinessDate {
    QString FechaTpv, NombreTpv;
    // The business date last reported as no date, so it is reported once.
    std::optional<QString> reportedInvalid;
};

// A server connection in use. One that start-up could not open is error 91
// for whoever needs it (a reprint button pressed after a failed start-up, a
// poll after a partial one), never a crash.
Connection &conn(const std::unique_ptr<Connection> &cn);

// The configuration file and the work file, as the settings name them.
QString confConnectionString();
QString workConnectionString();
QString serverConnectionString(const Global &g);
// Where the order database is, for the log: the SQLite file, or the SQL
// Server host, database and user. Never the password.
QString serverDescription(const Global &g);

}  // namespace tpv
