#pragma once
// SQL Server's path end to end: the project's small TDS server on 127.0.0.1
// with an SQLite file behind it, reached through the program's own
// connection (QODBC, unixODBC, FreeTDS).
#include "sql/SqlConnection.h"
#include "tds/TdsServer.h"

#include <QTemporaryDir>
#include <memory>

namespace tpv::test {

class TdsEndpoint {
public:
    // An empty order database behind a server on a port the system chooses.
    explicit TdsEndpoint(const QString &folder, const QString &loginLanguage = QStringLiteral("us_english"),
                         const QString &user = QStringLiteral("tesmarin"),
                         const QString &password = QStringLiteral("KOVU7"));
    ~TdsEndpoint();

    tds::Server &server() { return *server_; }
    // The settings row's Ip for this server: 127.0.0.1,PORT.
    QString ip() const;
    // The program's connection string to it, as the settings row builds it.
    QString connectionString(const QString &user = QStringLiteral("tesmarin"),
                             const QString &password = QStringLiteral("KOVU7")) const;
    // A connection as the print server opens it (short time limits).
    std::unique_ptr<Connection> connect() const;
    QString databaseFile;

private:
    std::unique_ptr<tds::Server> server_;
};

}  // namespace tpv::test
