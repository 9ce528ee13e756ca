// The order database replaced or removed under the running server: the
// connections are opened anew and the pending jobs print once.
#include "support/TestSupport.h"

#include "sql/SqlConnection.h"

#include <QFile>

using namespace tpv;
using namespace tpv::test;

namespace {

class ReplacedDatabase : public ServerTest {
protected:
    // A copy of the order database, journal folded in, beside it.
    QString copyOfServer() {
        server->query(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        const QString copy = serverDb + QStringLiteral(".nuevo");
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(serverDb, copy));
        return copy;
    }
};

}  // namespace

TEST_F(ReplacedDatabase, AFileRenamedOverTheDatabaseIsOpenedAnewAndItsJobsPrintOnce) {
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 2, destino2 = 0, destino3 = 0"));
    start();
    tick();
    const QString copy = copyOfServer();
    server.reset();
    {
        auto other = openSqliteFile(copy);
        demo::addOrder(*other, 1, fecha, 60, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    }
    ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(serverDb).constData()), 0);
    server = openSqliteFile(serverDb);
    quietTick();
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("sustituida"))) << f->statusLine.caption().toStdString();
    quietTick();
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1) << f->statusLine.caption().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    EXPECT_TRUE(f->statusLine.caption().isEmpty()) << f->statusLine.caption().toStdString();
    EXPECT_EQ(text(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    // The new file's changes are seen, not the old one's.
    demo::addOrder(*server, 1, fecha, 61, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 2);
}

TEST_F(ReplacedDatabase, ADatabaseDeletedAndPutBackIsReportedThenOpenedAnewAndItsJobsPrintOnce) {
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 2, destino2 = 0, destino3 = 0"));
    demo::addOrder(*server, 1, fecha, 61, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    start();
    tick();
    ASSERT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    demo::addOrder(*server, 1, fecha, 62, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    const QString copy = copyOfServer();
    server.reset();
    ASSERT_TRUE(QFile::remove(serverDb));
    testing::internal::CaptureStderr();
    tick();
    tick();
    tick();
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    // The queue says each fault once; the turn, read on its own connection, may name the same fault on its line.
    const QString queue = QStringLiteral("Error al consultar la cola de impresión (-2147467259): ");
    EXPECT_EQ(log.count(queue + QStringLiteral("La base de datos")), 1) << log.toStdString();
    EXPECT_EQ(log.count(queue + QStringLiteral("No se encuentra el archivo")), 1) << log.toStdString();
    EXPECT_FALSE(f->statusLine.caption().isEmpty());
    ASSERT_TRUE(QFile::rename(copy, serverDb));
    server = openSqliteFile(serverDb);
    quietTick();
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 2) << f->statusLine.caption().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 1")), 2);
    EXPECT_TRUE(f->statusLine.caption().isEmpty()) << f->statusLine.caption().toStdString();
    EXPECT_EQ(text(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}
