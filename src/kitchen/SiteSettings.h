#pragma once
// Setting up a site without touching a database by hand: the data folder's
// files made when missing, the settings row checked value by value, the SQL
// Server login of the site kept in a file of its own readable by its owner
// only, and an existing installation's Access files read through mdbtools.
// lector-tpv-config is the command on top of it; the print server reads the
// login with readSqlLogin.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tpv {

// The login the connection uses. Without a login file it is the fixed one
// every existing site relies on.
struct SqlLogin {
    QString user, password;
};
SqlLogin defaultSqlLogin();
QString sqlLoginFile(const QString &dataDir);
// The site's login, or nothing when the folder has no login file. A file
// that cannot be read, or holds no user, is error -2147467259 with the
// file's name (never the password).
std::optional<SqlLogin> readSqlLogin(const QString &dataDir);
// Written whole (a temporary file renamed into place), mode 0600. An empty
// user removes the file: back to the fixed login.
void writeSqlLogin(const QString &dataDir, const SqlLogin &login);

struct Setting {
    QString key, value;
};
// The keys `poner` takes, as the settings row names them (any case).
QStringList settingKeys();
// CLAVE=VALOR arguments, checked; an error (Spanish, naming the argument
// and what is wrong) leaves the list empty.
QList<Setting> parseSettings(const QStringList &arguments, QString *error);
// Empty when VALUE suits KEY, else why not.
QString checkSetting(const QString &key, const QString &value);

// ConfGarnet.mdb with its settings row and wdbServer.mdb with its table
// Vacio, made when missing; the settings file is readable by its owner only
// (it holds the password column PasW). Returns the files made.
QStringList makeDataFiles(const QString &dataDir);
// Sets the given columns of the settings row (UsuarioSql is not a column:
// see writeSqlLogin).
void writeSettings(const QString &dataDir, const QList<Setting> &settings);

// The settings row as `mostrar` prints it, one "Clave: valor" per line, the
// passwords masked.
QStringList describeSettings(const QString &dataDir);

// Rows of the CSV that mdb-export writes: a header, then one line per row,
// text between double quotes with quotes doubled.
QList<QStringList> parseMdbExport(const QByteArray &csv);
// Reads the settings row (table Confi) of CONFGARNET and, when given, the
// ticket font (table FonTPV) of WDBSERVER into the data folder. A value
// that does not suit is left at its default and said in *warnings.
void importAccessFiles(const QString &dataDir, const QString &confMdb, const QString &wdbMdb, QStringList *warnings);

}  // namespace tpv
