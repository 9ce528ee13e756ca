#include "sql/DataControl.h"

#include "compat/Error.h"

#include <QDir>
#include <QRegularExpression>

namespace tpv {

void DataControl::refresh() {
    connection_.reset();
    const QString path = QDir(options_.dataDir).filePath(databaseName_);
    try {
        auto c = openSqliteFile(path, options_.busyTimeoutMs);
        if (!recordSource_.isEmpty()) c->query(recordSource_);
        connection_ = std::move(c);
    } catch (const TpvError &e) {
        // The work file names itself: "no such table: Vacio" alone points
        // nowhere (an empty file, a file of another program).
        throw TpvError(e.number(), QStringLiteral("El archivo de trabajo %1 no sirve (%2); «lector-tpv-config poner» "
                                                  "lo prepara de nuevo")
                                       .arg(QDir::toNativeSeparators(path), e.description()));
    }
}

void DataControl::execute(const QString &sql) {
    if (!connection_)
        throw TpvError(err::ObjectNotSet, QStringLiteral("Variable de objeto o bloque With no establecido"));
    try {
        connection_->execute(sql);
    } catch (const TpvError &e) {
        static const QRegularExpression drop(QStringLiteral(R"(^\s*drop\s+table\s)"),
                                             QRegularExpression::CaseInsensitiveOption);
        if (e.number() == err::NoSuchTable && drop.match(sql).hasMatch()) {
            throw TpvError(err::DropMissingTable, QStringLiteral("La tabla no existe: ") + e.description());
        }
        throw;
    }
}

}  // namespace tpv
