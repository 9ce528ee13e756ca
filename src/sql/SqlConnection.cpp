#include "sql/SqlConnection.h"

#include "compat/Error.h"
#include "sql/ConnectionStrings.h"
#include "sql/OdbcDiagnostics.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>
#include <sqlite3.h>

#include <cstring>
#include <string>

#include <sys/stat.h>

namespace tpv {

namespace {

StatementObserver gObserver = nullptr;

void observe(const QSqlDatabase &db, const QString &sql) {
    if (gObserver) gObserver(db.databaseName(), sql);
}

// A column name as the SQLite driver gives it: without quotes and without a
// table prefix.
QString sqliteColumnName(sqlite3_stmt *st, int i) {
    QString name = QString::fromUtf8(sqlite3_column_name(st, i));
    name.remove(QLatin1Char('"'));
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.mid(dot + 1);
}

// A value as the SQLite driver and Variant::fromQVariant make it, read from
// SQLite's own UTF-8 text rather than through a UTF-16 copy and a QVariant.
Variant sqliteValue(sqlite3_stmt *st, int i, int type) {
    switch (type) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return Variant(static_cast<int64_t>(sqlite3_column_int64(st, i)));
        case SQLITE_FLOAT:
            return Variant(sqlite3_column_double(st, i));
        case SQLITE_BLOB: {
            const auto *data = static_cast<const char *>(sqlite3_column_blob(st, i));
            return Variant(QString::fromUtf8(data, sqlite3_column_bytes(st, i)));
        }
        default: {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
            return Variant(QString::fromUtf8(text, sqlite3_column_bytes(st, i)));
        }
    }
}

// A char(n) or nchar(n) column as the ODBC driver types it (SQL_CHAR,
// SQL_WCHAR).
bool isFixedLengthText(const QSqlField &field) {
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    const int odbcType = field.typeID();
    QT_WARNING_POP
    return odbcType == 1 || odbcType == -8;
}

QString nextConnectionName() {
    static QAtomicInt counter;
    return QStringLiteral("tpv-%1").arg(counter.fetchAndAddRelaxed(1));
}

// One QSqlDatabase per object; removed when the object goes.
class QtSqlConnection : public Connection {
public:
    QtSqlConnection(const QString &driver, const SqlDialect &dialect, bool sqlite)
        : name_(nextConnectionName()), dialect_(dialect), sqlite_(sqlite) {
        QSqlDatabase::addDatabase(driver, name_);
    }
    ~QtSqlConnection() override {
        // A statement left prepared would keep the file from closing.
        if (kept_.statement) sqlite3_finalize(kept_.statement);
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    QSqlDatabase db() const { return QSqlDatabase::database(name_, false); }

    qint64 execute(const QString &sql) override {
        const QString text = prepare(sql);
        observe(db(), text);
        QSqlQuery q(db());
        // Sent as it stands (a plain batch for SQL Server), not through a
        // server cursor FreeTDS would open for a scrollable statement: SET
        // options changed inside the cursor's procedure end with it, and a
        // BEGIN TRANSACTION there would leave it unbalanced.
        q.setForwardOnly(true);
        if (!q.exec(text)) fail(q.lastError(), &q);
        return q.numRowsAffected();
    }

    const SqlDialect &dialect() const override { return dialect_; }

    ResultSet query(const QString &sql) override {
        const bool again = kept_.statement && sql == kept_.sql;
        const QString text = again ? kept_.text : prepare(sql);
        observe(db(), text);
        ResultSet rs;
        if (sqlite_ && querySqlite(sql, text, rs)) return rs;
        QSqlQuery q(db());
        q.setForwardOnly(true);
        if (!q.exec(text)) fail(q.lastError(), &q);
        const QSqlRecord rec = q.record();
        std::vector<char> unpad(static_cast<size_t>(rec.count()), 0);
        for (int i = 0; i < rec.count(); ++i) {
            rs.columns << rec.fieldName(i);
            unpad[static_cast<size_t>(i)] = dialect_.padsFixedLengthText() && isFixedLengthText(rec.field(i));
        }
        while (q.next()) {
            std::vector<Variant> row;
            row.reserve(static_cast<size_t>(rec.count()));
            for (int i = 0; i < rec.count(); ++i) {
                QVariant v = q.value(i);
                if (unpad[static_cast<size_t>(i)] && !v.isNull()) {
                    QString t = v.toString();
                    qsizetype end = t.size();
                    while (end > 0 && t.at(end - 1) == QLatin1Char(' ')) --end;
                    t.truncate(end);
                    v = t;
                }
                row.push_back(Variant::fromQVariant(v));
            }
            rs.rows.push_back(std::move(row));
        }
        if (q.lastError().isValid()) fail(q.lastError(), &q);
        return rs;
    }

    // Raises the error the dialect makes of a driver's failure. For ODBC the
    // diagnostics Qt leaves out (SQLSTATEs, a dead connection) are read from
    // the statement's and the connection's handles.
    [[noreturn]] void fail(const QSqlError &e, const QSqlQuery *q = nullptr) {
        DriverFailure f;
        f.text = e.databaseText().trimmed();
        if (f.text.isEmpty()) f.text = e.text().trimmed();
        f.nativeCode = e.nativeErrorCode();
        if (!sqlite_) {
            const QSqlDatabase d = db();
            readOdbcDiagnostics(q && q->result() ? q->result()->handle() : QVariant(),
                                d.driver() ? d.driver()->handle() : QVariant(), &f.sqlStates, &f.connectionDead);
        }
        DriverFailure classified = f;
        classified.text = f.text + QLatin1Char(' ') + e.driverText();
        const long number = dialect_.errorNumber(classified);
        throw TpvError(number, dialect_.description(f, number));
    }

    // The settings every new session of this database needs.
    void setUpSession() {
        for (const QString &s : dialect_.sessionSettings()) execute(s);
    }

    // The file's identity (device and inode) at the open, compared with the
    // file the path names now.
    void recordFile(const QString &path) {
        path_ = path;
        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
            device_ = st.st_dev;
            inode_ = st.st_ino;
            identityKnown_ = true;
        }
    }

    void checkSource() override {
        if (!identityKnown_) return;
        const QString shownPath = QDir::toNativeSeparators(path_);
        struct stat st {};
        if (::stat(QFile::encodeName(path_).constData(), &st) != 0) {
            throw TpvError(
                err::CannotOpen,
                QStringLiteral("La base de datos '%1' ya no está en su sitio; se volverá a abrir").arg(shownPath));
        }
        if (st.st_dev != device_ || st.st_ino != inode_) {
            throw TpvError(
                err::CannotOpen,
                QStringLiteral("La base de datos '%1' ha sido sustituida por otro archivo; se vuelve a abrir")
                    .arg(shownPath));
        }
    }

private:
    QString prepare(const QString &sql) const { return dialect_.statement(sql); }

    sqlite3 *sqliteHandle() {
        if (!handle_) {
            const QSqlDatabase d = db();
            const QVariant h = d.isOpen() && d.driver() ? d.driver()->handle() : QVariant();
            if (h.isValid() && qstrcmp(h.typeName(), "sqlite3*") == 0)
                handle_ = *static_cast<sqlite3 *const *>(h.constData());
        }
        return handle_;
    }

    // The statement of the last query SQL (before the dialect's rewriting
    // TEXT), kept prepared: the same query asked again at every tick (the
    // poll's probe, SQLite's data_version) is neither rewritten nor parsed
    // again.
    sqlite3_stmt *keptStatement(sqlite3 *h, const QString &sql, const QString &text) {
        if (kept_.statement && sql == kept_.sql) return kept_.statement;
        const QByteArray utf8 = text.toUtf8();
        sqlite3_stmt *st = nullptr;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(h, utf8.constData(), static_cast<int>(utf8.size()), &st, &tail) != SQLITE_OK || !st) {
            sqlite3_finalize(st);
            return nullptr;
        }
        for (const char *end = utf8.constData() + utf8.size(); tail && tail < end; ++tail) {
            if (!QChar::isSpace(static_cast<uchar>(*tail))) {
                sqlite3_finalize(st);
                return nullptr;
            }
        }
        if (kept_.statement) sqlite3_finalize(kept_.statement);
        kept_ = {sql, text, st};
        return st;
    }

    // Runs a query straight on the driver's SQLite handle, with the same
    // columns, values and errors as through QSqlQuery. False, having run
    // nothing, for a text SQLite does not take as one statement: the driver
    // then runs it and reports it as it always has.
    bool querySqlite(const QString &sql, const QString &text, ResultSet &rs) {
        sqlite3 *h = sqliteHandle();
        if (!h) return false;
        sqlite3_stmt *st = keptStatement(h, sql, text);
        if (!st) return false;
        const int n = sqlite3_column_count(st);
        for (int i = 0; i < n; ++i) rs.columns << sqliteColumnName(st, i);
        // A column often holds the same text row after row (the business
        // date, the code, the terminal): such a value shares the previous
        // row's string instead of converting and allocating it again.
        // lastText[i] holds the previous row's bytes of column i when that
        // value was SQLite text (lastWasText[i]); a blob reads as text too,
        // but is never shared.
        std::vector<std::string> lastText(static_cast<size_t>(n));
        std::vector<char> lastWasText(static_cast<size_t>(n), 0);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const std::vector<Variant> *previous = rs.rows.empty() ? nullptr : &rs.rows.back();
            std::vector<Variant> row;
            row.reserve(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                const auto col = static_cast<size_t>(i);
                const int type = sqlite3_column_type(st, i);
                if (type != SQLITE_TEXT) {
                    lastWasText[col] = 0;
                    row.push_back(sqliteValue(st, i, type));
                    continue;
                }
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
                const auto size = static_cast<size_t>(sqlite3_column_bytes(st, i));
                std::string &last = lastText[col];
                if (previous && lastWasText[col] && last.size() == size && std::memcmp(last.data(), text, size) == 0) {
                    row.push_back((*previous)[col]);
                    continue;
                }
                last.assign(text, size);
                lastWasText[col] = 1;
                row.push_back(Variant(QString::fromUtf8(text, static_cast<qsizetype>(size))));
            }
            rs.rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(h)).trimmed();
            sqlite3_reset(st);
            throw TpvError(errorNumberForText(message + QStringLiteral(" Unable to fetch row")), message);
        }
        sqlite3_reset(st);
        return true;
    }

    QString name_;
    const SqlDialect &dialect_;
    bool sqlite_;
    QString path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    bool identityKnown_ = false;
    sqlite3 *handle_ = nullptr;
    struct KeptStatement {
        QString sql, text;
        sqlite3_stmt *statement = nullptr;
    } kept_;
};

std::unique_ptr<QtSqlConnection> sqliteConnection(const QString &path, int busyTimeoutMs, bool create) {
    if (!create && !QFileInfo(path).isFile()) {
        throw TpvError(err::CannotOpen,
                       QStringLiteral("No se encuentra el archivo '%1'.").arg(QDir::toNativeSeparators(path)));
    }
    auto c = std::make_unique<QtSqlConnection>(QStringLiteral("QSQLITE"), sqliteDialect(), true);
    // Taken before the open: a file swapped in between is caught at the
    // first check rather than never.
    c->recordFile(path);
    QSqlDatabase db = c->db();
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db.open()) c->fail(db.lastError());
    // A file that is not a database opens; its first statement fails.
    try {
        c->query(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const TpvError &e) {
        throw TpvError(err::CannotOpen, e.description());
    }
    return c;
}

}  // namespace

void setStatementObserver(StatementObserver observer) { gObserver = observer; }

std::unique_ptr<Connection> openSqliteFile(const QString &path, int busyTimeoutMs) {
    return sqliteConnection(path, busyTimeoutMs, false);
}

std::unique_ptr<Connection> createSqliteFile(const QString &path) { return sqliteConnection(path, 5000, true); }

std::unique_ptr<Connection> openOdbc(const QString &odbcConnectionString, int loginTimeoutSeconds,
                                     int requestTimeoutSeconds, const SqlDialect &dialect) {
    auto c = std::make_unique<QtSqlConnection>(QStringLiteral("QODBC"), dialect, false);
    QSqlDatabase db = c->db();
    db.setDatabaseName(odbcConnectionString);
    // FreeTDS waits forever on a host that never answers without these: the
    // login, and then every request of a poll (a server that stops answering
    // mid-evening must not freeze the window).
    db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%2")
                             .arg(loginTimeoutSeconds)
                             .arg(requestTimeoutSeconds));
    if (!db.open()) {
        const QSqlError e = db.lastError();
        QString text = e.databaseText().trimmed();
        if (text.isEmpty()) text = e.text().trimmed();
        throw TpvError(err::CannotOpen, text);
    }
    c->setUpSession();
    return c;
}

std::unique_ptr<Connection> openConnection(const QString &connectionString, const ConnectionOptions &options) {
    const auto parts = parseConnectionString(connectionString);
    const QString provider = parts.value(QStringLiteral("provider")).toLower();
    const QString source = parts.value(QStringLiteral("data source"));
    if (provider.startsWith(QLatin1String("microsoft.jet.oledb"))) {
        return openSqliteFile(localFilePath(source, options.dataDir), options.busyTimeoutMs);
    }
    if (provider.startsWith(QLatin1String("sqloledb"))) {
        if (source.isEmpty()) {
            throw TpvError(
                err::CannotOpen,
                QStringLiteral(
                    "[DBNETLIB][ConnectionOpen (Connect()).]SQL Server no existe o se ha denegado el acceso."));
        }
        if (namesSqliteFile(source)) {
            return openSqliteFile(localFilePath(source, options.dataDir), options.busyTimeoutMs);
        }
        const QString catalog = parts.value(QStringLiteral("initial catalog"));
        const QString user = parts.value(QStringLiteral("user id"));
        try {
            // FreeTDS's own limit for each request (its "timeout"): without it
            // a server that stops answering holds the tick for ever, whatever
            // SQL_ATTR_CONNECTION_TIMEOUT says.
            const QString odbc =
                freeTdsConnectionString(source, catalog, user, parts.value(QStringLiteral("password"))) +
                QStringLiteral(";Timeout=%1").arg(options.requestTimeoutSeconds);
            return openOdbc(odbc, options.loginTimeoutSeconds, options.requestTimeoutSeconds, sqlServerDialect());
        } catch (const TpvError &e) {
            // Where it tried and as whom: the installer's first question.
            // Never the password.
            throw TpvError(
                e.number(),
                QStringLiteral("No se puede conectar con SQL Server en %1 (base de datos «%2», usuario «%3»): %4")
                    .arg(source, catalog, user, e.description()));
        }
    }
    throw TpvError(err::CannotOpen, QStringLiteral("No se encontró el proveedor especificado: ") + provider);
}

}  // namespace tpv
