#include "support/TestSupport.h"

#include "kitchen/Queue.h"

#include <QDir>
#include <QFile>

using namespace tpv;
using namespace tpv::test;

namespace {

class Poll : public ServerTest {
protected:
    void job(int ord, const QString &code, int pend = 0, const QString &arg1 = QStringLiteral("1"),
             const QString &date = QStringLiteral("20261207"), const QString &arg3 = QStringLiteral("12")) {
        exec(QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg7, PParg3) VALUES ('%1', "
                            "%2, '%3', %4, '%5', '1', '%6')")
                 .arg(date)
                 .arg(ord)
                 .arg(code)
                 .arg(pend)
                 .arg(arg1, arg3));
    }
    // The order each job's lines were printed in, by reading which job the
    // completion marked done first (lines of different orders per job).
    QStringList printedOrders() {
        QStringList out;
        for (const QString &t : tickets(QStringLiteral("Barra"))) {
            const int at = t.indexOf(QStringLiteral("Comanda N.  "));
            out << t.mid(at + 12, t.indexOf(QLatin1Char('\r'), at) - at - 12);
        }
        return out;
    }
};

}  // namespace

TEST_F(Poll, PendingJobsOfThisTerminalAndDatePrintInJobNumberOrderAndNothingElse) {
    // Order 70 gets job 7, order 50 job 5: 5 must print before 7.
    demo::addOrder(*server, 1, fecha, 70, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    demo::addOrder(*server, 1, fecha, 50, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    exec(QStringLiteral("UPDATE PendGar SET PPOrd = 7 WHERE PParg3 = '70'"));
    exec(QStringLiteral("UPDATE PendGar SET PPOrd = 5 WHERE PParg3 = '50'"));
    job(8, QStringLiteral("Com"), 0, QStringLiteral("2"));                              // another terminal
    job(9, QStringLiteral("Com"), 0, QStringLiteral("1"), QStringLiteral("20261206"));  // another day
    job(10, QStringLiteral("Fac"));
    job(11, QStringLiteral("com"));
    start();
    tick();
    EXPECT_EQ(printedOrders(), QStringList({QStringLiteral("50"), QStringLiteral("70")}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 1")), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 4);
    tick();
    // The invoice stays pending, and listed, tick after tick.
    EXPECT_EQ(f->lstPend.texts(),
              QStringList({QStringLiteral("-PENDIENTES-"), QStringLiteral("Factura 12 del día 07/12/2026")}));
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 2);
}

TEST_F(Poll, ANewBusinessDateOnTheServerTakesEffectAtTheNextTick) {
    start();
    job(1, QStringLiteral("Com"), 0, QStringLiteral("1"), QStringLiteral("20261208"));
    tick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar WHERE PPOrd = 1")), 0);
    demo::setBusinessDate(*server, 1, QStringLiteral("20261208"));
    tick();
    EXPECT_EQ(f->FechaTpv, QStringLiteral("20261208"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar WHERE PPOrd = 1")), 1);
}

TEST_F(Poll, DoneListIsNewestFirstAndItsCompanionsStayInStep) {
    job(4, QStringLiteral("Com"), 1, QStringLiteral("1"), fecha, QStringLiteral("0012"));
    job(9, QStringLiteral("Fac"), 1, QStringLiteral("1"), fecha, QStringLiteral("30"));
    job(6, QStringLiteral("Com"), 1, QStringLiteral("1"), fecha, QStringLiteral("40"));
    job(7, QStringLiteral("XXX"), 1);
    job(3, QStringLiteral("Com"), 1, QStringLiteral("2"));
    start();
    tick();
    EXPECT_EQ(f->lstReal.texts(),
              QStringList({QStringLiteral("-REALIZADOS-"), QStringLiteral("Factura 30 del día 07/12/2026"),
                           QStringLiteral("Comanda 40 del día 07/12/2026 Tpv: 1"),
                           QStringLiteral("Comanda 12 del día 07/12/2026 Tpv: 1")}));
    EXPECT_EQ(f->lstComa.texts(), QStringList({QStringLiteral("-REALIZADOS-"), QStringLiteral("30"),
                                               QStringLiteral("40"), QStringLiteral("0012")}));
    EXPECT_EQ(f->lstFech.list(3), fecha);
    EXPECT_EQ(f->lstNumeTPV.list(2), QStringLiteral("1"));
    EXPECT_EQ(f->lstReal.itemData(1), 9);
    EXPECT_EQ(f->lstReal.itemData(2), 6);
    EXPECT_EQ(f->lstReal.itemData(3), 4);
    EXPECT_EQ(f->lstPend.texts(), QStringList{QStringLiteral("-PENDIENTES-")});
}

TEST_F(Poll, AMissingQueueTableIsReportedOnceAndPollingResumesWhenItIsBack) {
    start();
    testing::internal::CaptureStderr();
    // The queue table disappears between two ticks (a restore, a dropped
    // database), then comes back.
    exec(QStringLiteral("ALTER TABLE PendGar RENAME TO PendGarGuardada"));
    tick();
    tick();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(f->statusLine.caption().isEmpty());
    size_t count = 0;
    for (size_t at = err.find("Error al consultar"); at != std::string::npos;
         at = err.find("Error al consultar", at + 1))
        ++count;
    EXPECT_EQ(count, 1u) << err;
    exec(QStringLiteral("ALTER TABLE PendGarGuardada RENAME TO PendGar"));
    demo::addOrder(*server, 1, fecha, 3, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 2, {}}}, {});
    tick();
    EXPECT_TRUE(f->statusLine.caption().isEmpty());
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_TRUE(f->T.isActive());
}

TEST_F(Poll, AServerFileOverwrittenWithJunkIsReportedAndTheConnectionsAreOpenedAgain) {
    start();
    server->query(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    server.reset();
    QFile db(serverDb);
    ASSERT_TRUE(db.open(QIODevice::ReadWrite));
    const QByteArray saved = db.readAll();
    // Overwritten in place: the open connections see the damage.
    db.seek(0);
    db.write(QByteArray(saved.size(), 'z'));
    db.close();
    testing::internal::CaptureStderr();
    tick();
    tick();
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(f->statusLine.caption().isEmpty());
    ASSERT_TRUE(db.open(QIODevice::ReadWrite));
    db.write(saved);
    db.close();
    server = openSqliteFile(serverDb);
    demo::addOrder(*server, 1, fecha, 3, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 2, {}}}, {});
    testing::internal::CaptureStderr();
    tick();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(f->statusLine.caption().isEmpty()) << f->statusLine.caption().toStdString();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
}

TEST_F(Poll, TiempoZeroPollsOnceAndStopsAndANegativeOneIsReportedAndPollsEverySecond) {
    start();
    f->g.Tiempo = 0;
    tick();
    EXPECT_FALSE(f->T.isActive());
    f->g.Tiempo = -5;
    testing::internal::CaptureStderr();
    tick();
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(f->T.isActive());
    EXPECT_EQ(f->T.interval(), 1000);
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("Tiempo = -5")));
}
