#include "tds/TdsBackend.h"

#include <QRegularExpression>
#include <sqlite3.h>
#include <stdexcept>

namespace tpv::tds {

namespace {

// Raised inside SQLite by the datetime conversion; carries SQL Server's number.
constexpr const char *kDateErrorPrefix = "tds-date-error:";

void convertDatetime(sqlite3_context *ctx, int, sqlite3_value **argv) {
    const auto *session = static_cast<const Session *>(sqlite3_user_data(ctx));
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])));
    const DateReading r = readDatetime(text, session->dateOrder());
    if (r.error) {
        const QByteArray msg = QByteArray(kDateErrorPrefix) + QByteArray::number(r.error);
        sqlite3_result_error(ctx, msg.constData(), -1);
        return;
    }
    sqlite3_result_double(ctx, toServerDays(r.value));
}

ColumnType typeOfDeclaration(const QString &declared, int *size) {
    static const QRegularExpression re(QStringLiteral(R"(^\s*(\w+)\s*(?:\(\s*(\d+)\s*\))?)"));
    const auto m = re.match(declared.toLower());
    const QString word = m.captured(1);
    *size = m.captured(2).isEmpty() ? 8000 : qMin(8000, m.captured(2).toInt());
    if (word == QLatin1String("int") || word == QLatin1String("integer")) return ColumnType::Int;
    if (word == QLatin1String("smallint") || word == QLatin1String("tinyint")) return ColumnType::SmallInt;
    if (word == QLatin1String("bigint")) return ColumnType::BigInt;
    if (word == QLatin1String("float") || word == QLatin1String("real") || word == QLatin1String("double"))
        return ColumnType::Float;
    if (word == QLatin1String("datetime")) return ColumnType::DateTime;
    if (word == QLatin1String("char") || word == QLatin1String("nchar")) return ColumnType::Char;
    return ColumnType::VarChar;
}

ServerError errorFromSqlite(const QString &message) {
    static const QRegularExpression noTable(QStringLiteral(R"(no such table: (?:\w+\.)?(\S+))"));
    static const QRegularExpression noColumn(QStringLiteral(R"(no such column: (\S+)|has no column named (\S+))"));
    static const QRegularExpression near(QStringLiteral(R"re(near "([^"]*)": syntax error)re"));
    if (message.startsWith(QLatin1String(kDateErrorPrefix))) {
        if (message.mid(int(strlen(kDateErrorPrefix))).toInt() == 242) {
            return {242, 16,
                    QStringLiteral("The conversion of a varchar data type to a datetime data type resulted in an "
                                   "out-of-range value.")};
        }
        return {241, 16, QStringLiteral("Conversion failed when converting date and/or time from character string.")};
    }
    if (const auto m = noTable.match(message); m.hasMatch())
        return {208, 16, QStringLiteral("Invalid object name '%1'.").arg(m.captured(1))};
    if (const auto m = noColumn.match(message); m.hasMatch()) {
        QString name = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
        name = name.mid(name.lastIndexOf(QLatin1Char('.')) + 1);
        return {207, 16, QStringLiteral("Invalid column name '%1'.").arg(name)};
    }
    if (const auto m = near.match(message); m.hasMatch())
        return {102, 15, QStringLiteral("Incorrect syntax near '%1'.").arg(m.captured(1))};
    if (message.contains(QLatin1String("unrecognized token")) || message.contains(QLatin1String("incomplete input")))
        return {105, 15, QStringLiteral("Unclosed quotation mark after the character string ''.")};
    return {50000, 16, message};
}

QVariant valueOf(sqlite3_stmt *st, int i) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return QVariant(static_cast<qint64>(sqlite3_column_int64(st, i)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(st, i));
        default:
            return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                                              sqlite3_column_bytes(st, i)));
    }
}

}  // namespace

QString toSqlite(const QString &statement) {
    static const QRegularExpression deleteWithoutFrom(
        QStringLiteral(R"(^\s*delete\s+(?!from\b)(\w+)(\s+where\s|\s*$))"), QRegularExpression::CaseInsensitiveOption);
    // The server's clock in milliseconds since 1970, and a text of any
    // length: the forms the print server's own tables use.
    static const QRegularExpression epochMs(
        QStringLiteral(R"(DATEDIFF_BIG\s*\(\s*millisecond\s*,\s*'19700101'\s*,\s*SYSUTCDATETIME\s*\(\s*\)\s*\))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression varcharMax(QStringLiteral(R"(\bvarchar\s*\(\s*max\s*\))"),
                                               QRegularExpression::CaseInsensitiveOption);
    // The catalogue's index keys of one table (what lector-tpv-config probar
    // asks), from SQLite's own lists.
    static const QRegularExpression indexKeys(
        QStringLiteral(R"(\bFROM\s+sys\.indexes\b.*\bOBJECT_ID\s*\(\s*'(\w+)'\s*\))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    if (const auto m = indexKeys.match(statement); m.hasMatch()) {
        return QStringLiteral(
                   "SELECT il.name, ii.name FROM pragma_index_list('%1') il "
                   "JOIN pragma_index_info(il.name) ii ORDER BY il.name, ii.seqno")
            .arg(m.captured(1));
    }
    QString s = statement;
    s.replace(epochMs, QStringLiteral("CAST((julianday('now') - 2440587.5) * 86400000 AS INTEGER)"));
    s.replace(varcharMax, QStringLiteral("TEXT"));
    const auto m = deleteWithoutFrom.match(s);
    if (!m.hasMatch()) return s;
    return QStringLiteral("DELETE FROM ") + m.captured(1) + m.captured(2) + s.mid(m.capturedEnd());
}

Session::Session(const QString &databaseFile, const QString &language) : language_(language) {
    if (sqlite3_open_v2(databaseFile.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error(message);
    }
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_create_function(db_, "tds_datetime", 1, SQLITE_UTF8, this, convertDatetime, nullptr, nullptr);
    if (language_.isEmpty()) language_ = QStringLiteral("us_english");
    order_ = dateOrderOfLanguage(language_).value_or(DateOrder::mdy);
}

Session::~Session() {
    if (db_) sqlite3_close(db_);
}

void Session::refreshDateTriggers() {
    // Every datetime column gets two temporary triggers of this session that
    // rewrite what a statement wrote into it as the server reads it. The
    // stored form is then the same whatever the session's language.
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db_, "PRAGMA schema_version", -1, &st, nullptr);
    int version = 0;
    if (sqlite3_step(st) == SQLITE_ROW) version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    if (version == schemaVersion_) return;
    QStringList columns;  // "table\ncolumn"
    sqlite3_prepare_v2(db_,
                       "SELECT m.name, p.name FROM sqlite_master m, pragma_table_info(m.name) p "
                       "WHERE m.type = 'table' AND lower(p.type) = 'datetime'",
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        columns << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))) + QLatin1Char('\n') +
                       QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
    }
    sqlite3_finalize(st);
    int n = 0;
    for (const QString &tc : std::as_const(columns)) {
        const QString table = tc.section(QLatin1Char('\n'), 0, 0), column = tc.section(QLatin1Char('\n'), 1, 1);
        for (const char *when : {"INSERT", "UPDATE OF"}) {
            const bool insert = qstrcmp(when, "INSERT") == 0;
            const QString sql =
                QStringLiteral(
                    "DROP TRIGGER IF EXISTS temp.tds_fecha_%1; CREATE TEMP TRIGGER tds_fecha_%1 AFTER %2 "
                    "%5 ON main.\"%3\" WHEN typeof(NEW.\"%4\") = 'text' BEGIN UPDATE \"%3\" "
                    "SET \"%4\" = tds_datetime(NEW.\"%4\") WHERE rowid = NEW.rowid; END;")
                    .arg(n++)
                    .arg(QString::fromLatin1(insert ? "INSERT" : "UPDATE OF"), table, column,
                         insert ? QString() : QStringLiteral("\"%1\"").arg(column));
            sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        }
    }
    schemaVersion_ = version;
}

bool Session::sessionStatement(const QString &statement, BatchOutcome &out) {
    static const QRegularExpression dateformat(QStringLiteral(R"(^\s*set\s+dateformat\s+'?(\w+)'?\s*$)"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression language(QStringLiteral(R"(^\s*set\s+language\s+N?'?([^']+?)'?\s*$)"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression otherSet(QStringLiteral(R"(^\s*set\s+\w+)"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression use(QStringLiteral(R"(^\s*use\s+)"), QRegularExpression::CaseInsensitiveOption);
    if (const auto m = dateformat.match(statement); m.hasMatch()) {
        const auto order = dateOrderFromText(m.captured(1));
        if (!order) {
            out.error =
                ServerError{2741, 16, QStringLiteral("SET DATEFORMAT date order '%1' is invalid.").arg(m.captured(1))};
            return true;
        }
        order_ = *order;
        out.results.push_back({});
        return true;
    }
    if (const auto m = language.match(statement); m.hasMatch()) {
        const auto order = dateOrderOfLanguage(m.captured(1));
        if (!order) {
            out.error = ServerError{2740, 16,
                                    QStringLiteral("SET LANGUAGE failed because '%1' is not an official "
                                                   "language name or a language alias on this SQL Server.")
                                        .arg(m.captured(1))};
            return true;
        }
        language_ = m.captured(1);
        order_ = *order;
        out.results.push_back({});
        return true;
    }
    if (otherSet.match(statement).hasMatch() || use.match(statement).hasMatch()) {
        out.results.push_back({});
        return true;
    }
    return false;
}

StatementResult Session::runPrepared(void *handle) {
    auto *st = static_cast<sqlite3_stmt *>(handle);
    StatementResult r;
    const int n = sqlite3_column_count(st);
    r.isQuery = n > 0;
    for (int i = 0; i < n; ++i) {
        Column c;
        c.name = QString::fromUtf8(sqlite3_column_name(st, i));
        const char *declared = sqlite3_column_decltype(st, i);
        c.type = declared ? typeOfDeclaration(QString::fromUtf8(declared), &c.size) : ColumnType::VarChar;
        if (!declared) c.size = -1;  // decided by the first value below
        r.columns.push_back(c);
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<QVariant> row;
        row.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) row.push_back(valueOf(st, i));
        r.rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) throw errorFromSqlite(QString::fromUtf8(sqlite3_errmsg(db_)));
    // An expression's column (count(*), max(...)) takes the type of its values.
    for (int i = 0; i < n; ++i) {
        Column &c = r.columns[static_cast<size_t>(i)];
        if (c.size != -1) continue;
        c.size = 8000;
        for (const auto &row : r.rows) {
            const QVariant &v = row[static_cast<size_t>(i)];
            if (v.isNull()) continue;
            // A number past 32 bits (a clock in milliseconds) is a bigint.
            if (v.typeId() == QMetaType::LongLong) {
                const qint64 n = v.toLongLong();
                c.type = n >= INT32_MIN && n <= INT32_MAX ? ColumnType::Int : ColumnType::BigInt;
            }
            if (v.typeId() == QMetaType::Double) c.type = ColumnType::Float;
            break;
        }
        // A sum beyond 32 bits is a bigint, as SQL Server sums a bigint.
        for (const auto &row : r.rows) {
            if (c.type != ColumnType::Int) break;
            const QVariant &v = row[static_cast<size_t>(i)];
            if (!v.isNull() && (v.toLongLong() > INT32_MAX || v.toLongLong() < INT32_MIN)) c.type = ColumnType::BigInt;
        }
    }
    if (r.isQuery) {
        r.rowCount = static_cast<qint64>(r.rows.size());
    } else {
        r.rowCount = sqlite3_changes(db_);
    }
    r.countValid = true;
    return r;
}

BatchOutcome Session::run(const QString &batch) {
    BatchOutcome out;
    refreshDateTriggers();
    QString rest = batch;
    while (true) {
        // Leading blanks and separators.
        int start = 0;
        while (start < rest.size() && (rest[start].isSpace() || rest[start] == QLatin1Char(';'))) ++start;
        rest = rest.mid(start);
        if (rest.isEmpty()) break;
        // A session statement ends at its line or at a semicolon.
        if (rest.startsWith(QLatin1String("set"), Qt::CaseInsensitive) ||
            rest.startsWith(QLatin1String("use"), Qt::CaseInsensitive)) {
            int end = rest.indexOf(QRegularExpression(QStringLiteral("[;\\n]")));
            if (end < 0) end = static_cast<int>(rest.size());
            if (sessionStatement(rest.left(end), out)) {
                if (out.error) return out;
                rest = rest.mid(end);
                continue;
            }
        }
        const QByteArray utf8 = toSqlite(rest).toUtf8();
        sqlite3_stmt *st = nullptr;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(db_, utf8.constData(), static_cast<int>(utf8.size()), &st, &tail) != SQLITE_OK) {
            out.error = errorFromSqlite(QString::fromUtf8(sqlite3_errmsg(db_)));
            sqlite3_finalize(st);
            return out;
        }
        const QString remaining = tail ? QString::fromUtf8(tail) : QString();
        if (!st) break;  // only a comment was left
        try {
            out.results.push_back(runPrepared(st));
        } catch (const ServerError &e) {
            out.error = e;
            sqlite3_finalize(st);
            refreshDateTriggers();
            return out;
        }
        sqlite3_finalize(st);
        // A CREATE TABLE may have added datetime columns.
        refreshDateTriggers();
        rest = remaining;
    }
    return out;
}

}  // namespace tpv::tds
