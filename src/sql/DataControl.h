#pragma once
// The main window's handle on the local work file wdbServer.mdb: bound by
// setting its record source and refreshing, then used to execute statements
// on that file. A DROP TABLE of a table that does not exist is error 3376, as
// the work-table rebuild expects.
#include "sql/Database.h"
#include "sql/SqlConnection.h"

#include <memory>

namespace tpv {

class DataControl {
public:
    explicit DataControl(ConnectionOptions options, QString databaseName = QStringLiteral("wdbServer.mdb"))
        : options_(std::move(options)), databaseName_(std::move(databaseName)) {}

    void setRecordSource(const QString &sql) { recordSource_ = sql; }
    // Opens the file and the record source (error -2147467259 without the
    // file, -2147217865 without the record source's table).
    void refresh();
    void execute(const QString &sql);
    bool isBound() const { return connection_ != nullptr; }

private:
    ConnectionOptions options_;
    QString databaseName_;
    QString recordSource_;
    std::unique_ptr<Connection> connection_;
};

}  // namespace tpv
