// The real printer path: a ticket printed through CUPS and read back from
// what the queue received. Needs the private scheduler that
// scripts/cups-test-env.sh starts (the test command does).
#include "devices/cups/CupsPrinters.h"
#include "support/StatusText.h"
#include "devices/cups/CupsWaitingJobs.h"
#include "support/LoopbackSupport.h"
#include "compat/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSet>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QProcess>
#include <QThread>
#include <cups/cups.h>
#include <gtest/gtest.h>

using namespace tpv;

namespace {

QString env(const char *name) { return qEnvironmentVariable(name); }

int indexOf(const PrinterLayer &p, const QString &name) {
    for (int i = 0; i < p.count(); ++i)
        if (p.installed(i).get(PrinterProperty::DeviceName).toText() == name) return i;
    return -1;
}

// Waits until the queue has written a whole PDF, then returns its text.
// The text of the job whose PDF holds `token`: the queue's backend writes
// each job whole to a file of its own, and other test runs may print too.
QString receivedText(const QString &dir, const QString &token) {
    QElapsedTimer t;
    t.start();
    QSet<QString> seen;
    while (t.elapsed() < 30000) {
        for (const QString &f : QDir(dir).entryList({QStringLiteral("job-*.pdf")}, QDir::Files)) {
            if (seen.contains(f)) continue;
            seen.insert(f);
            QProcess p;
            p.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-layout"), QDir(dir).filePath(f), QStringLiteral("-")});
            p.waitForFinished(20000);
            const QString text = QString::fromUtf8(p.readAllStandardOutput());
            if (text.contains(token)) return text;
        }
        QThread::msleep(100);
    }
    return {};
}

}  // namespace

TEST(CupsPrinters, ATicketPrintedThroughCupsArrivesWithItsText) {
    const QString queue = env("TPV_CUPS_TEST_PRINTER");
    if (queue.isEmpty()) GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    CupsPrinters printers;
    const int i = indexOf(printers, queue);
    ASSERT_GE(i, 0) << "la cola de pruebas no aparece entre las impresoras instaladas";
    EXPECT_EQ(printers.get(PrinterProperty::DeviceName).toText(), queue) << "la predeterminada es la primera actual";
    printers.makeCurrent(i);
    printers.set(PrinterProperty::FontName, QStringLiteral("Liberation Mono"));
    printers.set(PrinterProperty::FontSize, 10.0);
    const QString token = QStringLiteral("Prueba%1").arg(QCoreApplication::applicationPid());
    printers.print(
        QStringLiteral(
            "Fecha 07/12/2026     Tpv 1\r\nMesa 4 Comanda N.  12\r\n\r\n2 Caña\r\n1 Entrecot\r\n     /Poco hecho\r\n") +
        token);
    printers.endDoc();
    // The PDF's text comes back with its own spacing: compare words.
    const QString text = receivedText(env("TPV_CUPS_TEST_OUTPUT"), token).simplified();
    EXPECT_TRUE(text.contains(QStringLiteral("Mesa 4 Comanda N. 12"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2 Caña"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("/Poco hecho"))) << text.toStdString();
}

TEST(CupsPrinters, AQueueRemovedAfterStartUpIsAnErrorNotAPrintOnTheDefault) {
    const QString queue = env("TPV_CUPS_TEST_PRINTER");
    if (queue.isEmpty()) GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    // Named after this process: the same test may run in parallel under another locale.
    const QString name = QStringLiteral("TPVEfimera%1").arg(QCoreApplication::applicationPid());
    ASSERT_EQ(QProcess::execute(QStringLiteral("lpadmin"),
                                {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                                 QStringLiteral("tpvfile:/dev/null"), QStringLiteral("-m"), QStringLiteral("raw")}),
              0);
    CupsPrinters printers;
    const int i = indexOf(printers, name);
    ASSERT_GE(i, 0);
    QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name});
    printers.makeCurrent(i);
    printers.print(QStringLiteral("no debe salir"));
    EXPECT_THROW(printers.endDoc(), TpvError);
}

namespace {
// A queue of its own for one test, removed at the end.
struct OwnQueue {
    QString name;
    // The device's backend writes each job into `folder` (the default
    // cannot be written: a job sent there fails in the backend).
    explicit OwnQueue(const QString &tag, const QString &folder = QStringLiteral("/dev/null"))
        : name(QStringLiteral("TPV%1%2").arg(tag).arg(QCoreApplication::applicationPid())) {
        ok = QProcess::execute(QStringLiteral("lpadmin"),
                               {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                                QStringLiteral("tpvfile:") + folder, QStringLiteral("-m"), QStringLiteral("raw")}) == 0;
    }
    ~OwnQueue() { QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name}); }
    bool ok = false;
};

QString failureOf(CupsPrinters &printers, int i) {
    printers.makeCurrent(i);
    printers.print(QStringLiteral("no debe salir"));
    try {
        printers.endDoc();
    } catch (const TpvError &e) {
        return e.description();
    }
    return {};
}
}  // namespace

TEST(CupsPrinters, AQueueThatRejectsJobsIsAFailureWithItsReasonNotATicketLostInTheQueue) {
    if (env("TPV_CUPS_TEST_PRINTER").isEmpty())
        GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    OwnQueue q(QStringLiteral("Rechaza"));
    ASSERT_TRUE(q.ok);
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("cupsreject"), {QStringLiteral("-r"), QStringLiteral("sin papel"), q.name}),
        0);
    CupsPrinters printers;
    const int i = indexOf(printers, q.name);
    ASSERT_GE(i, 0);
    const QString why = failureOf(printers, i);
    EXPECT_TRUE(why.contains(QStringLiteral("no acepta trabajos")) && why.contains(QStringLiteral("sin papel")))
        << why.toStdString();
}

TEST(CupsPrinters, AStoppedQueueIsAFailureWithItsReasonNotATicketLostInTheQueue) {
    if (env("TPV_CUPS_TEST_PRINTER").isEmpty())
        GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    OwnQueue q(QStringLiteral("Parada"));
    ASSERT_TRUE(q.ok);
    ASSERT_EQ(QProcess::execute(QStringLiteral("cupsdisable"),
                                {QStringLiteral("-r"), QStringLiteral("tapa abierta"), q.name}),
              0);
    CupsPrinters printers;
    const int i = indexOf(printers, q.name);
    ASSERT_GE(i, 0);
    const QString why = failureOf(printers, i);
    EXPECT_TRUE(why.contains(QStringLiteral("detenida")) && why.contains(QStringLiteral("tapa abierta")))
        << why.toStdString();
}

// The printer list is right before the first ticket: a look at each queue
// says what the scheduler holds of it, and a queue set going again reads
// "Lista" at the next look.
TEST(CupsPrinters, ALookTellsAStoppedARejectingAndARemovedQueueBeforeAnyTicket) {
    if (env("TPV_CUPS_TEST_PRINTER").isEmpty())
        GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    OwnQueue stopped(QStringLiteral("MiradaParada")), rejecting(QStringLiteral("MiradaRechaza")),
        removed(QStringLiteral("MiradaQuitada"));
    ASSERT_TRUE(stopped.ok && rejecting.ok && removed.ok);
    ASSERT_EQ(QProcess::execute(QStringLiteral("cupsdisable"),
                                {QStringLiteral("-r"), QStringLiteral("tapa abierta"), stopped.name}),
              0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("cupsreject"),
                                {QStringLiteral("-r"), QStringLiteral("sin papel"), rejecting.name}),
              0);
    CupsPrinters printers;
    const int iStopped = indexOf(printers, stopped.name), iRejecting = indexOf(printers, rejecting.name),
              iRemoved = indexOf(printers, removed.name);
    ASSERT_TRUE(iStopped >= 0 && iRejecting >= 0 && iRemoved >= 0);
    QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), removed.name});

    const auto look = [&](int i) {
        const std::optional<PrinterCheck> check = printers.probe(i);
        return check ? *check : PrinterCheck{{}, QStringLiteral("sin mirada")};
    };
    const PrinterCheck s = look(iStopped), r = look(iRejecting), gone = look(iRemoved);
    EXPECT_EQ(statusText(s.status), QStringLiteral("Detenida"));
    EXPECT_TRUE(s.failure.contains(QStringLiteral("tapa abierta"))) << s.failure.toStdString();
    EXPECT_EQ(statusText(r.status), QStringLiteral("No acepta trabajos"));
    EXPECT_TRUE(r.failure.contains(QStringLiteral("sin papel"))) << r.failure.toStdString();
    EXPECT_EQ(statusText(gone.status), QStringLiteral("No instalada"));
    EXPECT_FALSE(gone.ok());
    EXPECT_EQ(statusText(printers.states()[static_cast<size_t>(iStopped)].status), QStringLiteral("Detenida"));

    ASSERT_EQ(QProcess::execute(QStringLiteral("cupsenable"), {stopped.name}), 0);
    const PrinterCheck mended = look(iStopped);
    EXPECT_TRUE(mended.ok()) << mended.failure.toStdString();
    EXPECT_EQ(statusText(printers.states()[static_cast<size_t>(iStopped)].status), QStringLiteral("Lista"));
}

// A queue that keeps the server's jobs (held, or a printer that is off)
// shows how many are waiting in the list of printers, and nothing once they
// are gone; a ticket that is simply printing is not "waiting".
TEST(CupsPrinters, JobsLeftInTheQueueShowAsTicketsWaitingButAPrintingTicketDoesNot) {
    if (env("TPV_CUPS_TEST_PRINTER").isEmpty())
        GTEST_SKIP() << "no hay planificador CUPS de pruebas (TPV_CUPS_TEST_PRINTER sin definir)";
    OwnQueue q(QStringLiteral("Espera"), env("TPV_CUPS_TEST_OUTPUT"));
    ASSERT_TRUE(q.ok);
    CupsPrinters printers;
    const int i = indexOf(printers, q.name);
    ASSERT_GE(i, 0);
    const auto labelAtNextTick = [&] {
        printers.newTick();
        for (const auto &s : printers.states())
            if (s.name == q.name) return statusText(s.status);
        return QStringLiteral("<no está>");
    };
    EXPECT_EQ(labelAtNextTick(), QString()) << "no ticket yet, nothing waiting";
    printers.makeCurrent(i);
    printers.print(QStringLiteral("Comanda 1"));
    printers.endDoc();
    EXPECT_EQ(labelAtNextTick(), QStringLiteral("Lista")) << "a ticket just sent is printing, not waiting";
    const auto holdOne = [&] {
        return QProcess::execute(QStringLiteral("lp"), {QStringLiteral("-d"), q.name, QStringLiteral("-H"),
                                                        QStringLiteral("hold"), QStringLiteral("/etc/hostname")});
    };
    ASSERT_EQ(holdOne(), 0);
    EXPECT_EQ(labelAtNextTick(), QStringLiteral("1 ticket en espera"));
    ASSERT_EQ(holdOne(), 0);
    EXPECT_EQ(labelAtNextTick(), QStringLiteral("2 tickets en espera"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("cancel"), {QStringLiteral("-a"), q.name}), 0);
    EXPECT_EQ(labelAtNextTick(), QStringLiteral("Lista"));
}

// A scheduler that accepts the connection and never answers is asked once
// for all the printers of a tick, then left alone for the next ticks: the
// list of printers cannot hold every tick for a wait per printer.
TEST(CupsPrinters, ASchedulerThatNeverAnswersIsAskedOnceAndThenLeftAlone) {
    test::Listener scheduler;
    ASSERT_TRUE(scheduler.ok());
    cupsSetServer(QStringLiteral("127.0.0.1:%1").arg(scheduler.port()).toUtf8().constData());
    int answers[3];
    {
        CupsWaitingJobs waiting;
        answers[0] = waiting.waiting(QStringLiteral("Cocina"));
        answers[1] = waiting.waiting(QStringLiteral("Barra"));
        waiting.newTick();
        answers[2] = waiting.waiting(QStringLiteral("Cocina"));
    }
    cupsSetServer(nullptr);
    int connections = 0;
    while (!scheduler.takeConnection().isNull()) ++connections;
    EXPECT_EQ(answers[0], -1);
    EXPECT_EQ(answers[1], -1);
    EXPECT_EQ(answers[2], -1);
    EXPECT_EQ(connections, 1) << "one request in the first tick, none in the next";
}

TEST(CupsPrinters, PanelPaperCodesMapToPageSizesBothWays) {
    EXPECT_EQ(paperSizeCode(QPageSize::A4), 9);
    EXPECT_EQ(qtPageSizeId(28), QPageSize::EnvelopeC5);
    EXPECT_EQ(qtPageSizeId(256), QPageSize::Custom);
}
