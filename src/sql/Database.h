#pragma once
// Database access as the system's procedures use it: a connection executes
// statement texts and answers queries; a Recordset is opened on a query,
// stepped through and read by column name (without regard to case) or by
// position. A Recordset reads its whole result when it opens, so no statement
// stays running while another connection writes to the same file.
#include "compat/Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace tpv {

class SqlDialect;

struct ResultSet {
    QStringList columns;
    std::vector<std::vector<Variant>> rows;
};

class Connection {
public:
    virtual ~Connection() = default;
    // Runs one statement and returns how many rows it changed (the rows its
    // WHERE matched, for an UPDATE; -1 when the driver cannot tell). Errors
    // carry the provider numbers (missing table, missing column, cannot
    // open) or err::SqlSyntax for any other refusal.
    virtual qint64 execute(const QString &sql) = 0;
    virtual ResultSet query(const QString &sql) = 0;
    // Error err::CannotOpen when what the connection was opened on is gone:
    // an SQLite file removed, or replaced by another file (renamed over,
    // deleted and put back) since the open. The connection would go on
    // reading and writing the old file. Nothing to check otherwise.
    virtual void checkSource() {}
    // The database behind it, for the statements whose form differs.
    virtual const SqlDialect &dialect() const = 0;
};

// The words that open, end and undo a transaction on a connection: SQL
// Server's by default (the order database), SQLite's own for the files the
// program keeps.
struct TransactionWords {
    QString begin = QStringLiteral("BEGIN TRANSACTION");
    QString commit = QStringLiteral("COMMIT TRANSACTION");
    QString rollback = QStringLiteral("ROLLBACK TRANSACTION");
};

// Runs the work as one transaction: all of its statements take effect, or
// none. When the work fails it is rolled back (a rollback that fails too is
// not the error the caller must see) and the failure is passed on.
void inTransaction(Connection &cn, const std::function<void()> &work, const TransactionWords &words = {});

class Recordset {
public:
    void open(const QString &sql, Connection &connection);
    void close();
    bool isOpen() const { return open_; }
    bool eof() const;
    void moveFirst();
    void moveNext();
    // The current row's field. Reading past the end, or a name the result
    // does not have, is an error like the provider's.
    Variant field(const QString &name) const;
    Variant field(int position) const;
    // The position field(name) reads (the same error for a name the result
    // does not have), for loops that read one column of many rows.
    int fieldIndex(const QString &name) const;
    int fieldCount() const { return static_cast<int>(result_.columns.size()); }
    int recordCount() const { return static_cast<int>(result_.rows.size()); }

private:
    const std::vector<Variant> &currentRow() const;
    void requireOpen() const;

    ResultSet result_;
    QHash<QString, int> byName_;       // lower-case name -> first position
    QHash<QString, int> byExactName_;  // name as returned -> first position of its lower-case name
    size_t row_ = 0;
    bool open_ = false;
};

}  // namespace tpv
