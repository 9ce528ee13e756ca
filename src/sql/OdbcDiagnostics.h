#pragma once
// What Qt's ODBC driver does not pass on about a failure: the SQLSTATEs of
// the statement's diagnostic records and whether the driver holds the
// connection for dead. Qt gives only the texts, and FreeTDS's text for a
// socket the server closed is "Unknown error".
#include <QStringList>
#include <QVariant>

namespace tpv {

// `statement` and `connection` are the handles QSqlResult::handle() and
// QSqlDriver::handle() give for QODBC (invalid when there is none).
void readOdbcDiagnostics(const QVariant &statement, const QVariant &connection, QStringList *sqlStates,
                         bool *connectionDead);

}  // namespace tpv
