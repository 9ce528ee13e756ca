#pragma once
// What the connection strings of the settings say: the NAME=VALUE pairs of
// a provider string, the local file a Jet data source names, whether a
// server address names an SQLite file, and the ODBC string for FreeTDS.
#include <QHash>
#include <QString>

namespace tpv {

// NAME=VALUE;... (names in lower case) where a value between braces may
// hold ';' (a "}" inside is written "}}"), as connectionValue writes it.
QHash<QString, QString> parseConnectionString(const QString &s);

// C:\tesmarin\tpv\NAME (any case) is the file NAME in the data folder.
QString localFilePath(const QString &dataSource, const QString &dataDir);

// Whether a server address (Confi.Ip) names an SQLite file rather than a
// SQL Server host: an absolute path, or a name ending in .db or .sqlite.
bool namesSqliteFile(const QString &ip);

// A value as a connection string holds it: between braces when it has a
// ';', a brace, '=' or blanks at its ends (a password may).
QString connectionValue(const QString &value);

// The ODBC string for a SQL Server host written as HOST, HOST\INSTANCE or HOST,PORT.
QString freeTdsConnectionString(const QString &host, const QString &catalog, const QString &user,
                                const QString &password);

}  // namespace tpv
