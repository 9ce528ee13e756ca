#pragma once
// What the small TDS server executes: the statements of one session on its
// SQLite file, with SQL Server's manners where the print server can see
// them: the column types of the schema (varchar, char padded with blanks,
// smallint, int, float, datetime), SQL Server's error numbers (208, 207,
// 102, 241, 242), the session settings SET DATEFORMAT and SET LANGUAGE, and
// texts written into datetime columns read by the session's date order.
#include "tds/TdsDates.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

struct sqlite3;

namespace tpv::tds {

enum class ColumnType { Int, SmallInt, BigInt, Float, DateTime, VarChar, Char };

struct Column {
    QString name;
    ColumnType type = ColumnType::VarChar;
    int size = 0;  // characters of a varchar or char column
};

struct StatementResult {
    bool isQuery = false;
    std::vector<Column> columns;
    std::vector<std::vector<QVariant>> rows;  // null, qint64, double, QString or QDateTime
    qint64 rowCount = 0;                      // rows read or changed
    bool countValid = false;
};

struct ServerError {
    int number = 0;
    int severity = 16;
    QString message;
};

struct BatchOutcome {
    std::vector<StatementResult> results;
    std::optional<ServerError> error;  // the statement that failed ends the batch
};

class Session {
public:
    // Opens the file (which must exist) for one client session whose login
    // asked for `language` (empty: the server's default for the login).
    Session(const QString &databaseFile, const QString &language);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    BatchOutcome run(const QString &batch);
    const QString &language() const { return language_; }
    DateOrder dateOrder() const { return order_; }

    // The session's SET options, kept and put back around a procedure.
    struct Settings {
        QString language;
        DateOrder order;
    };
    Settings settings() const { return {language_, order_}; }
    void restore(const Settings &s) {
        language_ = s.language;
        order_ = s.order;
    }

private:
    bool sessionStatement(const QString &statement, BatchOutcome &out);
    void refreshDateTriggers();
    StatementResult runPrepared(void *statement);

    sqlite3 *db_ = nullptr;
    QString language_;
    DateOrder order_ = DateOrder::mdy;
    int schemaVersion_ = -1;
};

// The SQLite rendering of a T-SQL statement: "DELETE T WHERE" becomes
// "DELETE FROM T WHERE"; anything else runs as written.
QString toSqlite(const QString &statement);

}  // namespace tpv::tds
