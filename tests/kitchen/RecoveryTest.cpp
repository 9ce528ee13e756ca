// What the poll does when the order database is lost and comes back, and
// when the program ends while a tick is due.
#include "support/TestSupport.h"

#include "ui/Lifecycle.h"
#include "compat/Error.h"
#include "sql/SqlConnection.h"
#include "support/HookedOutput.h"

#include <QDir>
#include <QFile>
#include <cstdio>

using namespace tpv;
using namespace tpv::test;

namespace {

class Recovery : public ServerTest {
protected:
    // Puts the whole server file aside, byte for byte.
    QByteArray saveServerFile() {
        server->query(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        server.reset();
        QFile db(serverDb);
        EXPECT_TRUE(db.open(QIODevice::ReadOnly));
        return db.readAll();
    }
    // Overwrites the file in place: every open connection sees the damage.
    void spoilServerFileInPlace(qint64 size) {
        QFile db(serverDb);
        ASSERT_TRUE(db.open(QIODevice::ReadWrite));
        db.write(QByteArray(size, 'z'));
    }
    // A good copy put in place by rename: a new file under the old name,
    // which connections opened before never see.
    void putBackByRename(const QByteArray &bytes) {
        const QString tmpPath = serverDb + QStringLiteral(".nuevo");
        QFile copy(tmpPath);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(bytes);
        copy.close();
        ASSERT_TRUE(::rename(tmpPath.toLocal8Bit().constData(), serverDb.toLocal8Bit().constData()) == 0);
        server = openSqliteFile(serverDb);
    }
};

}  // namespace

TEST_F(Recovery, ALostServerFileIsOpenedAnewAtTheNextTickAndThePendingJobPrintsOnce) {
    start();
    const QByteArray saved = saveServerFile();
    spoilServerFileInPlace(saved.size());
    quietTick();
    EXPECT_TRUE(f->statusLine.caption().startsWith(QStringLiteral("Error al consultar la cola")))
        << f->statusLine.caption().toStdString();
    putBackByRename(saved);
    demo::addOrder(*server, 1, fecha, 3, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 2, {}}}, {});
    quietTick();
    EXPECT_TRUE(f->statusLine.caption().isEmpty()) << f->statusLine.caption().toStdString();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    quietTick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
}

TEST_F(Recovery, AServerLostInsideAJobStopsTheTickInsteadOfFailingEachJobInTurn) {
    demo::addOrder(*server, 1, fecha, 4, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    demo::addOrder(*server, 1, fecha, 5, 1, {{QStringLiteral("AGUA"), QStringLiteral("Agua"), 1, {}}}, {});
    start();
    QByteArray saved;
    bool spoiled = false;
    HookedOutput hooked(f->output(), [&](const QString &, const Document &) {
        if (spoiled) return;
        spoiled = true;
        saved = saveServerFile();
        spoilServerFileInPlace(saved.size());
    });
    f->setOutput(hooked);
    quietTick();
    // The tick reports the lost server, not a failed order, and the second
    // order was not tried on a dead connection.
    EXPECT_TRUE(f->statusLine.caption().startsWith(QStringLiteral("Error al consultar la cola")))
        << f->statusLine.caption().toStdString();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    putBackByRename(saved);
    quietTick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 1")), 2);
}

TEST_F(Recovery, AReprintAfterAFailedStartUpIsAnErrorNotACrash) {
    openSqliteFile(QDir(dataDir).filePath(QStringLiteral("ConfGarnet.mdb")))
        ->execute(QStringLiteral("UPDATE Confi SET Ip = '/no/existe/pedidos.db'"));
    start();
    EXPECT_FALSE(f->T.isActive());
    EXPECT_EQ(errorOf([&] { cmdVolver_Click(f->reprint()); }), err::ObjectNotSet);
    quietTick();
    EXPECT_TRUE(f->statusLine.caption().contains(QString::number(err::ObjectNotSet)))
        << f->statusLine.caption().toStdString();
}

TEST_F(Recovery, NoTickRunsAfterTheShutdownWasAnsweredOk) {
    demo::addOrder(*server, 1, fecha, 6, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    start();
    // While the question is open a tick falls due; the operator answers OK.
    dialogs.whileOpen = [&](const ScriptedDialogs::Shown &) { advance(5000); };
    ASSERT_TRUE(Form_Unload(*f));
    dialogs.whileOpen = nullptr;
    advance(5000);
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 0);
    EXPECT_FALSE(f->T.isActive());
}
