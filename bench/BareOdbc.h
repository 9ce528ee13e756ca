#pragma once
// The bare SQL of SQL Server's path: statements sent as written through the
// unixODBC C API and the FreeTDS driver (what Qt's ODBC driver calls under
// the program's connections), on one statement handle, every column of every
// row fetched as text.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tpv::bench {

class BareOdbc {
public:
    // CONNECTIONSTRING as the program opened its connection with; the
    // session gets the settings the program gives every session.
    explicit BareOdbc(const QString &connectionString);
    ~BareOdbc();
    BareOdbc(const BareOdbc &) = delete;
    BareOdbc &operator=(const BareOdbc &) = delete;

    // Executes SQL and reads all it answers; a checksum of what was read.
    int64_t run(const QByteArray &sql);

private:
    void *env_ = nullptr, *dbc_ = nullptr, *stmt_ = nullptr;
};

// Whether a connection the statement observer names is an ODBC one (its
// connection string) rather than an SQLite file.
inline bool isOdbcConnection(const QString &database) {
    return database.startsWith(QLatin1String("DRIVER="), Qt::CaseInsensitive);
}

}  // namespace tpv::bench
