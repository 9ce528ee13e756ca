#include "sql/SqlDialect.h"

#include "compat/Error.h"

#include <QRegularExpression>

namespace tpv {

namespace {

class SqliteDialect : public SqlDialect {
public:
    QString statement(const QString &sql) const override { return rewriteForSqlite(sql); }
};

class SqlServerDialect : public SqlDialect {
public:
    // The program writes a date and time as its text form, day first
    // (07/12/2026 13:00:00: the snapshot's TicHora). SQL Server reads such a
    // text by the session's date order, which follows the login's language:
    // us_english, FreeTDS's default, would store 7 December as 12 July and
    // refuse the 13th with error 242. The session reads day first, whatever
    // the server's or the login's language.
    QStringList sessionSettings() const override { return {QStringLiteral("SET DATEFORMAT dmy")}; }
    // Article names are char(40) on the restaurants' servers: padded, they
    // would end every ticket line in blanks and wrap on a narrow printer.
    bool padsFixedLengthText() const override { return true; }
    QString epochMsNow() const override {
        return QStringLiteral("DATEDIFF_BIG(millisecond, '19700101', SYSUTCDATETIME())");
    }
    QString longTextType() const override { return QStringLiteral("varchar(max)"); }

    long errorNumber(const DriverFailure &f) const override {
        if (connectionLost(f)) return err::CannotOpen;
        // By SQL Server's own numbers: the texts come in the server's
        // language (a Spanish server says "El nombre de objeto ... no es válido").
        if (f.nativeCode == QLatin1String("208")) return err::NoSuchTable;
        if (f.nativeCode == QLatin1String("207")) return err::NoSuchColumn;
        return SqlDialect::errorNumber(f);
    }
};

class OdbcDialect : public SqlDialect {
public:
    long errorNumber(const DriverFailure &f) const override {
        if (connectionLost(f)) return err::CannotOpen;
        return SqlDialect::errorNumber(f);
    }
};

}  // namespace

long SqlDialect::errorNumber(const DriverFailure &failure) const { return errorNumberForText(failure.text); }

QString SqlDialect::description(const DriverFailure &failure, long number) const {
    // A connection that died says so, whatever the driver's words for it
    // ("Unknown error" on a socket the server closed).
    if (number == err::CannotOpen && connectionLost(failure)) {
        return QStringLiteral("Se ha perdido la conexión con el servidor de datos (%1); se volverá a abrir")
            .arg(failure.text);
    }
    return failure.text;
}

const SqlDialect &sqliteDialect() {
    static const SqliteDialect d;
    return d;
}

const SqlDialect &sqlServerDialect() {
    static const SqlServerDialect d;
    return d;
}

const SqlDialect &odbcDialect() {
    static const OdbcDialect d;
    return d;
}

bool connectionLost(const DriverFailure &f) {
    if (f.connectionDead) return true;
    for (const QString &state : f.sqlStates) {
        if (state.startsWith(QLatin1String("08")) || state == QLatin1String("HYT00") || state == QLatin1String("HYT01"))
            return true;
    }
    return false;
}

QString rewriteForSqlite(const QString &sql) {
    static const QRegularExpression deleteStar(QStringLiteral(R"(^\s*delete\s+\*\s+from\s+)"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression deleteWhere(QStringLiteral(R"(^\s*delete\s+(?!from\b)(\w+)\s+where\s)"),
                                                QRegularExpression::CaseInsensitiveOption);
    QString out = sql;
    auto m = deleteStar.match(out);
    if (m.hasMatch()) return QStringLiteral("DELETE FROM ") + out.mid(m.capturedLength());
    m = deleteWhere.match(out);
    if (m.hasMatch()) {
        return QStringLiteral("DELETE FROM ") + m.captured(1) + QStringLiteral(" WHERE ") + out.mid(m.capturedLength());
    }
    return out;
}

long errorNumberForText(const QString &text) {
    const QString t = text.toLower();
    if (t.contains(QLatin1String("no such table")) || t.contains(QLatin1String("invalid object name")))
        return err::NoSuchTable;
    if (t.contains(QLatin1String("no such column")) || t.contains(QLatin1String("invalid column name")) ||
        t.contains(QLatin1String("has no column named")))
        return err::NoSuchColumn;
    if (t.contains(QLatin1String("file is not a database")) || t.contains(QLatin1String("unable to open")) ||
        t.contains(QLatin1String("database is locked")) || t.contains(QLatin1String("disk i/o error")) ||
        t.contains(QLatin1String("unable to connect")) || t.contains(QLatin1String("login timeout")) ||
        t.contains(QLatin1String("communication link")) ||
        t.contains(QLatin1String("database disk image is malformed")) || t.contains(QLatin1String("[08")) ||
        t.contains(QLatin1String("data source name not found")) || t.contains(QLatin1String("readonly database")))
        return err::CannotOpen;
    return err::SqlSyntax;
}

}  // namespace tpv
