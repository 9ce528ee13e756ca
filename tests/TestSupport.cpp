#include "TestSupport.h"

#include "app/Lifecycle.h"
#include "platform/Error.h"
#include "platform/SqlConnection.h"
#include "queue/Queue.h"
#include "reprint/ReprintControls.h"

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
    dataDir = tmp.filePath(QStringLiteral("data"));
    printersDir = tmp.filePath(QStringLiteral("printers"));
    const auto paths = demo::prepareDemo(dataDir, printersDir, fecha);
    serverDb = paths.serverDb;
    server = openSqliteFile(serverDb);
}

void ServerTest::TearDown() {
    f.reset();
    lock.reset();
    server.reset();
}

void ServerTest::start() {
    printers = std::make_unique<FolderPrinters>(printersDir);
    ConnectionOptions o;
    o.dataDir = dataDir;
    f = std::make_unique<FrmPpal>(dialogs, *printers, clock, o);
    lock = std::make_unique<InstanceLock>(dataDir);
    f->T.setTick([this] { T_TimerSafe(*f); });
    connectReprintControls(*f);
    Form_Load(*f, *lock);
    Form_Activate(*f);
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
