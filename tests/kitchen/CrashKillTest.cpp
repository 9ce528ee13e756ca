// The crash window with a real process: the print server (this test
// executable in its child mode, see CrashChild.h) is killed with SIGKILL at
// every moment of a run over several printers that matters, one moment per
// process, then started again until nothing is pending. Every dish must have
// reached every printer it is routed to exactly once.
#include "kitchen/KitchenLedger.h"
#include "kitchen/PrintingSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <cups/cups.h>

using namespace tpv;
using namespace tpv::test;

namespace {

class CrashKill : public Printing {
protected:
    // Runs the child until it ends; true when it was killed.
    bool runChild(const char *moment = nullptr, int n = 0, bool cups = false) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TPV_CRASH_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("TPV_CRASH_DATA"), dataDir);
        env.insert(QStringLiteral("TPV_CRASH_PRINTERS"), printersDir);
        if (cups) env.insert(QStringLiteral("TPV_CRASH_CUPS"), QStringLiteral("1"));
        if (moment) env.insert(QString::fromLatin1(moment), QString::number(n));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {});
        EXPECT_TRUE(child.waitForFinished(60000));
        return child.exitStatus() == QProcess::CrashExit;
    }
    void orders() {
        // Three orders over the three printers, desserts on two of them.
        demo::addOrder(*server, 1, fecha, 71, 2,
                       {line(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 2),
                        line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1),
                        line(QStringLiteral("FLAN"), QStringLiteral("Flan casero"), 1)},
                       {dish(QStringLiteral("TART"), QStringLiteral("Tarta de queso"), 1)});
        demo::addOrder(*server, 1, fecha, 72, 3,
                       {line(QStringLiteral("PAEL"), QStringLiteral("Paella"), 2),
                        line(QStringLiteral("VINO"), QStringLiteral("Vino tinto"), 1)},
                       {});
        demo::addOrder(*server, 1, fecha, 71, 2, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    }
    void expectEachDishOnce() {
        using Counts = QMap<QString, double>;
        const auto made = [&](const char *p) { return KitchenLedger::of(tickets(QString::fromLatin1(p))); };
        EXPECT_EQ(made("Cocina").made, (Counts{{QStringLiteral("71 Entrecot"), 2},
                                               {QStringLiteral("71 Flan casero"), 1},
                                               {QStringLiteral("71 Tarta de queso"), 1},
                                               {QStringLiteral("72 Paella"), 2}}))
            << KitchenLedger::show(made("Cocina").made).toStdString();
        EXPECT_EQ(made("Barra").made, (Counts{{QStringLiteral("71 Caña"), 2}, {QStringLiteral("72 Vino tinto"), 1}}))
            << KitchenLedger::show(made("Barra").made).toStdString();
        EXPECT_EQ(made("Postres").made,
                  (Counts{{QStringLiteral("71 Flan casero"), 1}, {QStringLiteral("71 Tarta de queso"), 1}}));
        for (const char *p : {"Cocina", "Barra", "Postres"}) {
            EXPECT_TRUE(made(p).reprinted.isEmpty()) << p;
            EXPECT_TRUE(made(p).maybeAgain.isEmpty()) << p;
        }
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp <> TilCant")), 0);
    }
};

}  // namespace

// Killed right after each ticket lands, and right before each goes out, one
// ticket further each time: every moment of the run at which the printer
// has a ticket the journal does not know of yet.
TEST_F(CrashKill, KilledAtEveryTicketOfARunOverThreePrintersNoDishPrintsTwice) {
    orders();
    int killed = 0;
    for (int n = 1; n <= 12; ++n) {
        killed += runChild("TPV_CRASH_AFTER_TICKET", 1) ? 1 : 0;
        killed += runChild("TPV_CRASH_BEFORE_TICKET", 1) ? 1 : 0;
        if (scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")) == 0) break;
    }
    EXPECT_GE(killed, 6);
    EXPECT_FALSE(runChild());
    expectEachDishOnce();
}

// Killed at a random database statement of the run (the server's writes,
// the snapshot rows, the journal's announcements and confirmations), again
// and again until the orders are done.
TEST_F(CrashKill, KilledAtRandomStatementsOfTheRunNoDishPrintsTwiceOrIsLost) {
    orders();
    QRandomGenerator random(20261207);
    int killed = 0;
    for (int trial = 0; trial < 25; ++trial) {
        if (scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")) == 0) break;
        killed += runChild("TPV_CRASH_AT_STATEMENT", static_cast<int>(random.bounded(1, 120))) ? 1 : 0;
    }
    EXPECT_GE(killed, 3);
    EXPECT_FALSE(runChild());
    expectEachDishOnce();
}

namespace {

// The jobs the scheduler has (or had) in the queue whose title starts so.
int cupsJobsTitled(const QString &queue, const QString &prefix) {
    cups_job_t *jobs = nullptr;
    const int n = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.toUtf8().constData(), 1, CUPS_WHICHJOBS_ALL);
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (jobs[i].title && QString::fromUtf8(jobs[i].title).startsWith(prefix)) ++count;
    cupsFreeJobs(n, jobs);
    return count;
}

}  // namespace

// The bar is a CUPS queue: a ticket the queue accepted is found there by its
// title after the kill, and not sent again.
TEST_F(CrashKill, KilledRightAfterACupsQueueTookTheTicketTheQueueGetsItOnce) {
    const QString queue = qEnvironmentVariable("TPV_CUPS_TEST_PRINTER");
    if (queue.isEmpty()) GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    exec(QStringLiteral("UPDATE prn SET conexprn = '%1' WHERE conexprn = 'Barra'").arg(queue));
    // Order numbers of this process alone: the other runs of the suite print
    // to the same queue.
    const int order = 1000 + static_cast<int>(QCoreApplication::applicationPid() % 30000);
    demo::addOrder(*server, 1, fecha, order, 2,
                   {line(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1),
                    line(QStringLiteral("CAN"), QStringLiteral("Caña"), 2)},
                   {});
    const QString prefix = QStringLiteral("Comanda %1 ").arg(order);
    EXPECT_TRUE(runChild("TPV_CRASH_AFTER_TICKET", 2, true));  // Cocina first, then the queue
    EXPECT_EQ(cupsJobsTitled(queue, prefix), 1);
    EXPECT_FALSE(runChild(nullptr, 0, true));
    EXPECT_EQ(cupsJobsTitled(queue, prefix), 1);
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
}
