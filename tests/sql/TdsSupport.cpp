#include "sql/TdsSupport.h"

#include <QDir>
#include <sqlite3.h>

namespace tpv::test {

TdsEndpoint::TdsEndpoint(const QString &folder, const QString &loginLanguage, const QString &user,
                         const QString &password) {
    QDir().mkpath(folder);
    databaseFile = QDir(folder).filePath(QStringLiteral("servidor-sql.db"));
    sqlite3 *db = nullptr;
    sqlite3_open(databaseFile.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    tds::ServerSettings s;
    s.databaseFile = databaseFile;
    s.loginLanguage = loginLanguage;
    s.user = user;
    s.password = password;
    server_ = std::make_unique<tds::Server>(s);
    if (!server_->start()) qFatal("El servidor TDS de pruebas no arranca: %s", qPrintable(server_->error()));
}

TdsEndpoint::~TdsEndpoint() { server_->stop(); }

QString TdsEndpoint::ip() const { return QStringLiteral("127.0.0.1,%1").arg(server_->port()); }

QString TdsEndpoint::connectionString(const QString &user, const QString &password) const {
    return QStringLiteral("Provider=SQLOLEDB.1;Data Source =%1;Initial Catalog=Garnet;User ID=%2;Password=%3")
        .arg(ip(), user, password);
}

std::unique_ptr<Connection> TdsEndpoint::connect() const {
    ConnectionOptions o;
    o.loginTimeoutSeconds = 3;
    o.requestTimeoutSeconds = 2;
    return openConnection(connectionString(), o);
}

}  // namespace tpv::test
