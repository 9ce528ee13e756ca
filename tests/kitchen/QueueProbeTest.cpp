// An idle tick asks the probe instead of reading the queue in full: each
// change the lists, the alerts and the print run depend on still shows at
// the next tick, an edit the probe cannot see within 30 s, and a probe that
// fails reads in full.
#include "support/TestSupport.h"

#include "kitchen/QueueProbe.h"
#include "sql/OrderStatements.h"
#include "sql/QueueStatements.h"
#include "sql/SqlConnection.h"

using namespace tpv;
using namespace tpv::test;

namespace {

QStringList *gSent = nullptr;
void keepStatement(const QString &, const QString &sql) {
    // The turn's renewal at every tick is not the queue's.
    if (gSent && !sql.contains(QLatin1String("LectorTurno"))) *gSent << sql;
}

class Probe : public ServerTest {
protected:
    // Started, with the first ticks (full reads) behind it.
    void startIdle() {
        start();
        tick();
        tick();
    }
    void order(int comanda) {
        demo::addOrder(*server, 1, fecha, comanda, 1, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 1, {}}}, {});
    }
    // What one tick sends to the databases.
    QStringList sentByTick() {
        QStringList sent;
        gSent = &sent;
        setStatementObserver(keepStatement);
        tick();
        setStatementObserver(nullptr);
        gSent = nullptr;
        return sent;
    }
    int barra() const { return static_cast<int>(tickets(QStringLiteral("Barra")).size()); }
};

}  // namespace

TEST_F(Probe, AnIdleTickReadsNothingYetEveryChangeOfTheQueueShowsAtTheNextTick) {
    order(3);
    startIdle();
    ASSERT_EQ(barra(), 1);
    // The turn's renewal on its own connection usually wrote since: then the
    // probe asks too (a renewal in the same millisecond writes nothing), and
    // nothing more is read.
    const QStringList idle = sentByTick();
    ASSERT_TRUE(idle.size() == 1 || idle.size() == 2) << idle.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(idle[0], QStringLiteral("PRAGMA data_version"));
    if (idle.size() == 2) {
        EXPECT_TRUE(idle[1].contains(QStringLiteral("FechaMayor"))) << idle[1].toStdString();
    }

    order(4);  // a terminal adds an order
    tick();
    EXPECT_EQ(barra(), 2);
    EXPECT_EQ(f->lstPend.list(1), QStringLiteral("Comanda 4 del día 07/12/2026 Tpv: 1"));
    tick();
    EXPECT_EQ(f->lstPend.listCount(), 1);

    // Another PC puts the whole day back into the queue.
    for (const QString &sql :
         {sql::order::reprintDayLines(fecha), sql::order::reprintDayDishes(fecha), sql::queue::markDayPending(fecha)})
        exec(sql);
    tick();
    EXPECT_EQ(barra(), 4);

    demo::setBusinessDate(*server, 1, QStringLiteral("20261208"));
    tick();
    EXPECT_EQ(f->FechaTpv, QStringLiteral("20261208"));
    EXPECT_EQ(f->lstReal.listCount(), 1);
}

TEST_F(Probe, AnEditTheProbeCannotSeeShowsWithinThirtySeconds) {
    order(3);
    startIdle();
    exec(QStringLiteral("UPDATE PendGar SET PParg3 = '33'"));
    tick();
    EXPECT_EQ(f->lstComa.list(1), QStringLiteral("3"));
    clock.advance(QueueProbe::kFullReadEveryMs);
    tick();
    EXPECT_EQ(f->lstComa.list(1), QStringLiteral("33"));
}

TEST_F(Probe, AProbeThatFailsReadsTheQueueInFullAtEveryTickAndIsLoggedOnce) {
    order(2);
    startIdle();
    // Two invoices whose job numbers overflow the probe's sum: the probe
    // fails, the lists do not.
    for (const char *ord : {"-5000000000000000000", "-5000000000000000001"})
        exec(QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg3) VALUES ('%1', %2, "
                            "'Fac', 0, '1', '9')")
                 .arg(fecha, QString::fromLatin1(ord)));
    testing::internal::CaptureStderr();
    tick();
    order(3);
    tick();
    tick();
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(barra(), 2);
    EXPECT_EQ(f->lstPend.listCount(), 3);
    EXPECT_EQ(log.count(QStringLiteral("consulta breve")), 1) << log.toStdString();
    EXPECT_TRUE(f->statusLine.caption().isEmpty()) << f->statusLine.caption().toStdString();
}

TEST_F(Probe, AFullReadThatFailsIsReadAgainAtEveryTickUntilItWorks) {
    startIdle();
    order(3);
    // A done job whose number is no number fails the done list.
    exec(QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg3) VALUES ('%1', 'x', "
                        "'Com', 1, '1', '9')")
             .arg(fecha));
    quietTick();
    quietTick();
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("consultar la cola")));
    EXPECT_EQ(barra(), 0);
    exec(QStringLiteral("UPDATE PendGar SET PPOrd = 99 WHERE PPOrd = 'x'"));
    quietTick();
    EXPECT_EQ(barra(), 1);
}

TEST_F(Probe, TheIndexTheProbeNeedsIsFoundOnlyWithPPOrdAfterTheThreeItCompares) {
    EXPECT_EQ(probeIndexName(*server), QStringLiteral("PendGarFecha"));
    exec(QStringLiteral("DROP INDEX PendGarFecha"));
    exec(QStringLiteral("CREATE INDEX PorNumero ON PendGar (PPOrd, PPFecha, PParg1, PPPend)"));
    EXPECT_EQ(probeIndexName(*server), QString());
    exec(QStringLiteral("CREATE INDEX Sondeo ON PendGar (PParg1, PPPend, PPFecha, PPOrd, PPCod)"));
    EXPECT_EQ(probeIndexName(*server), QStringLiteral("Sondeo"));
}
