#include "support/TestSupport.h"
#include "devices/folder/FolderPrinters.h"

#include "compat/Error.h"
#include "sql/SqlConnection.h"
#include "kitchen/Queue.h"

#include <QDir>
#include <QFile>

namespace tpv::test {

long errorOf(const std::function<void()> &call) {
    try {
        call();
    } catch (const TpvError &e) {
        return e.number();
    }
    return 0;
}

void ServerTest::SetUp() {
    ASSERT_TRUE(tmp.isValid());
    prepare(fecha);
}

void ServerTest::tick() { f->T.runTick(); }

QString ServerTest::readFile(const QString &path) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QStringList ServerTest::tickets(const QString &printer) const {
    QStringList out;
    for (const QString &p : FolderPrinters::documents(QDir(printersDir).filePath(printer))) out << readFile(p);
    return out;
}

int ServerTest::scalar(const QString &sql) const {
    const ResultSet rs = server->query(sql);
    if (rs.rows.empty() || rs.rows[0][0].isNull()) return 0;
    return rs.rows[0][0].toInt32();
}

QString ServerTest::text(const QString &sql) const {
    const ResultSet rs = server->query(sql);
    if (rs.rows.empty()) return {};
    return rs.rows[0][0].toText();
}

QStringList ServerTest::messages() const {
    QStringList out;
    for (const auto &m : dialogs.shown()) out << QStringLiteral("[%1] %2").arg(m.title, m.text);
    return out;
}

}  // namespace tpv::test
