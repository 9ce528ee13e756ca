#pragma once
// What differs between the databases behind the connections, in one place:
// the statement forms a database rejects and how they are rewritten, the
// settings every new session of it needs, and how its failures map to the
// error numbers the procedures test (a statement's fault, or a database that
// is gone and must be opened anew).
#include <QString>
#include <QStringList>

namespace tpv {

// A failure as the driver reported it.
struct DriverFailure {
    QString text;                 // the driver's description
    QString nativeCode;           // the database's own error number, when it gives one
    QStringList sqlStates;        // ODBC SQLSTATEs of the failure (none for SQLite)
    bool connectionDead = false;  // the driver says the connection is gone
};

class SqlDialect {
public:
    virtual ~SqlDialect() = default;
    // The statement as this database takes it.
    virtual QString statement(const QString &sql) const { return sql; }
    // Run once on every new connection, before anything else.
    virtual QStringList sessionSettings() const { return {}; }
    // True where a char(n) column reads back padded with blanks to n
    // characters: the connection drops the padding, so a name prints and
    // compares as it was written, on every database alike.
    virtual bool padsFixedLengthText() const { return false; }
    // The database's own clock, as milliseconds since 1970 (UTC): the turn
    // between PCs is timed by it, never by a PC's clock.
    virtual QString epochMsNow() const {
        return QStringLiteral("CAST((julianday('now') - 2440587.5) * 86400000 AS INTEGER)");
    }
    // The column type of a text of any length.
    virtual QString longTextType() const { return QStringLiteral("TEXT"); }
    virtual long errorNumber(const DriverFailure &failure) const;
    // The description the operator reads for a failure numbered `number`.
    virtual QString description(const DriverFailure &failure, long number) const;
};

// The local files and the embedded order database (SQLite).
const SqlDialect &sqliteDialect();
// SQL Server through unixODBC and FreeTDS.
const SqlDialect &sqlServerDialect();
// Any other ODBC data source (the SQLite3 ODBC driver the tests use).
const SqlDialect &odbcDialect();

// The statement forms the local files and SQL Server accept but SQLite does
// not, rewritten: "Delete * from T" and "Delete T Where ...".
QString rewriteForSqlite(const QString &sql);

// Maps a provider's error text to the error numbers the procedures test.
long errorNumberForText(const QString &text);

// True for a failure that means the connection is gone: SQLSTATE class 08
// (connection exception), HYT00/HYT01 (timeouts), or the driver's own word.
bool connectionLost(const DriverFailure &failure);

}  // namespace tpv
