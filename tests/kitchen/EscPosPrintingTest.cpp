// The print server against the virtual kitchen printer (tpv-impresora-termica)
// running as a process on 127.0.0.1 and declared in impresoras.ini.
#include "kitchen/PrintingSupport.h"

#include "support/LoopbackSupport.h"

#include "sql/SqlConnection.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tpv;
using namespace tpv::test;

namespace {

class EscPosPrinting : public Printing {
protected:
    void SetUp() override {
        Printing::SetUp();
        ASSERT_TRUE(QDir().mkpath(printerDir()));
        QString said;
        port = startThermalPrinter(tool, printerDir(), &said);
        ASSERT_NE(port, 0) << said.toStdString();
    }
    void TearDown() override {
        Printing::TearDown();
        tool.terminate();
        tool.waitForFinished(10000);
    }
    QString printerDir() const { return tmp.filePath(QStringLiteral("termica")); }
    void declareKitchen() { declare(QStringLiteral("[Cocina]\nconexion=tcp://127.0.0.1:%1\n").arg(port)); }
    void setState(const char *word) {
        QFile f(QDir(printerDir()).filePath(QStringLiteral("estado")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(word);
    }
    // The tool stores a ticket once it has read the cut, which may be just
    // after the server's delivery returned: wait for the file to appear.
    QByteArray stored(const QString &name) {
        QFile f(QDir(printerDir()).filePath(name));
        for (int i = 0; i < 500 && !f.exists(); ++i) QThread::msleep(10);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return f.readAll();
    }
    QStringList storedNames() const {
        return QDir(printerDir()).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    }

    QProcess tool;
    int port = 0;
};

}  // namespace

TEST_F(EscPosPrinting, TicketWithSpanishCharactersArrivesDecodedInThePrinterNotMangled) {
    declareKitchen();
    routeAllTo(1);
    demo::addOrder(*server, 1, fecha, 30, 1,
                   {line(QStringLiteral("PAN"), QStringLiteral("Pa'amb tomàquet"), 2),
                    line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)},
                   {});
    start();
    EXPECT_TRUE(declaredPrinterErrors.isEmpty()) << declaredPrinterErrors.join(QLatin1Char('\n')).toStdString();
    tick();
    const QString text = QString::fromUtf8(stored(QStringLiteral("000001.txt")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pa'amb tomàquet"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Caña"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1Char('\r')));
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    EXPECT_TRUE(tickets(QStringLiteral("Cocina")).isEmpty()) << "the declared printer replaces the folder printer";
    EXPECT_TRUE(f->printerStates.texts().contains(QStringLiteral("Cocina: Lista, último ticket 13:05:07")))
        << f->printerStates.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(EscPosPrinting, PaperEndBeforeTheTicketSendsNothingKeepsTheJobAndPrintsOnceAfterRecovery) {
    declareKitchen();
    routeAllTo(1);
    orderOfOneCana(31);
    setState("sinpapel");
    start();
    testing::internal::CaptureStderr();
    tick();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(storedNames().isEmpty()) << storedNames().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("La impresora Cocina no tiene papel")))
        << f->statusLine.caption().toStdString();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("ATENCIÓN"));
    EXPECT_TRUE(f->printerStates.texts().contains(QStringLiteral("Cocina: Sin papel")));
    EXPECT_NE(log.find("La impresora Cocina: Sin papel"), std::string::npos) << log;

    setState("lista");
    tick();
    EXPECT_FALSE(stored(QStringLiteral("000001.txt")).isEmpty());
    tick();
    EXPECT_EQ(storedNames(), QStringList{QStringLiteral("000001.txt")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    EXPECT_TRUE(f->printerStates.texts().contains(QStringLiteral("Cocina: Lista, último ticket 13:05:07")));
}

// The printer that does not listen fails each tick once: the second job of
// the same tick fails at once with the same cause, without a connection.
// The list says a thermal printer has no paper before any ticket meets it:
// the looks between tickets ask the printer, and see it mended.
TEST_F(EscPosPrinting, ALookBetweenTicketsShowsAThermalPrinterOutOfPaperAndThenMendedBeforeAnyTicket) {
    declareKitchen();
    setState("sinpapel");
    start();
    testing::internal::CaptureStderr();
    advance(0);
    EXPECT_TRUE(f->printerStates.texts().contains(QStringLiteral("Cocina: Sin papel")))
        << f->printerStates.texts().join(QLatin1Char('|')).toStdString();
    setState("lista");
    advance(5000);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(f->printerStates.texts().contains(QStringLiteral("Cocina: Lista")))
        << f->printerStates.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(storedNames().isEmpty()) << "a look prints nothing";
}

TEST_F(EscPosPrinting, DeadPrinterIsTriedOncePerTickAndItsJobsStayPending) {
    const int dead = freeLoopbackPort();
    // estado=si: the listener that comes up later takes the connection but
    // never answers, which is a failure only for a printer asked always.
    declare(QStringLiteral("[Cocina]\nconexion=tcp://127.0.0.1:%1\n[Terraza]\nconexion=tcp://127.0.0.1:%2\nestado=si\n")
                .arg(port)
                .arg(dead));
    exec(QStringLiteral("INSERT INTO prn VALUES ('Terraza')"));
    routeAllTo(1, 4);
    orderOfOneCana(32);
    orderOfOneCana(33);
    start();
    // Once the first job has failed on Terraza, something listens on its
    // port: a second attempt within the tick would connect.
    std::unique_ptr<Listener> listener;
    dialogs.whileOpen = [&](const ScriptedDialogs::Shown &) {
        if (!listener) listener = std::make_unique<Listener>(dead);
    };
    testing::internal::CaptureStderr();
    tick();
    dialogs.whileOpen = nullptr;
    ASSERT_TRUE(listener && listener->ok()) << "the dead printer's failure showed no message";
    EXPECT_TRUE(listener->takeConnection().isNull()) << "the dead printer was tried again within the tick";
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].text, dialogs.shown()[1].text);
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("No se puede conectar con la impresora Terraza")))
        << f->statusLine.caption().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 2);
    EXPECT_TRUE(f->printerStates.texts().contains(QStringLiteral("Terraza: Sin conexión")));

    // The next tick tries it again, once, and the jobs still wait.
    tick();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dialogs.shown().size(), 4u);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 2);
    // The state change is logged once, not at every failure.
    const std::string said = "La impresora Terraza: Sin conexión";
    const auto first = log.find(said);
    EXPECT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(said, first + 1), std::string::npos) << log;
}

TEST_F(EscPosPrinting, TicketFontEighteenPointBoldIsSentAsDoubleSizeAndBoldNotIgnored) {
    declareKitchen();
    routeAllTo(1);
    orderOfOneCana(34);
    {
        auto work = openSqliteFile(QDir(dataDir).filePath(QStringLiteral("wdbServer.mdb")));
        work->execute(
            QStringLiteral("CREATE TABLE FonTPV(Id CHAR (1), Fuente CHAR (50), Tamano DOUBLE, Negrita CHAR(9))"));
        work->execute(QStringLiteral("INSERT INTO FonTPV VALUES ('1', 'Arial', 18, 'Verdadero')"));
    }
    start();
    tick();
    const QByteArray raw = stored(QStringLiteral("000001.bin"));
    ASSERT_FALSE(raw.isEmpty());
    EXPECT_TRUE(raw.contains(QByteArray::fromHex("1d2111"))) << raw.toHex().toStdString();
    EXPECT_TRUE(raw.contains(QByteArray::fromHex("1b4501"))) << raw.toHex().toStdString();
    EXPECT_FALSE(raw.contains(QByteArray::fromHex("1d2100")));
}

TEST_F(EscPosPrinting, ADeadPrinterFirstInTheOrderDoesNotHoldBackTheNextPrinterWhichGetsItsTicketOnce) {
    // Cocina (number 1) is dead; Terraza (number 4) is the virtual printer.
    declare(QStringLiteral("[Cocina]\nconexion=tcp://127.0.0.1:%1\n[Terraza]\nconexion=tcp://127.0.0.1:%2\n")
                .arg(freeLoopbackPort())
                .arg(port));
    exec(QStringLiteral("INSERT INTO prn VALUES ('Terraza')"));
    routeAllTo(1, 4);
    orderOfOneCana(34);
    start();
    quietTick();
    quietTick();
    EXPECT_EQ(stored(QStringLiteral("000001.txt")).isEmpty(), false);
    EXPECT_EQ(storedNames().size(), 1) << storedNames().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("Cocina"))) << f->statusLine.caption().toStdString();
}

TEST_F(EscPosPrinting, PaperNearItsEndPrintsTheTicketAndSaysPocoPapelInTheListAndTheLog) {
    declareKitchen();
    routeAllTo(1);
    orderOfOneCana(35);
    setState("pocopapel");
    start();
    testing::internal::CaptureStderr();
    tick();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(stored(QStringLiteral("000001.txt")).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    EXPECT_TRUE(dialogs.shown().empty()) << "a warning is no failure";
    EXPECT_TRUE(f->printerStates.texts().contains(QStringLiteral("Cocina: Poco papel, último ticket 13:05:07")))
        << f->printerStates.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_NE(log.find("La impresora Cocina: Poco papel"), std::string::npos) << log;
}

TEST_F(EscPosPrinting, PrinterThatNeverAnswersPrintsEveryTicketSaysSinEstadoAndWarnsOnce) {
    declareKitchen();
    routeAllTo(1);
    orderOfOneCana(36);
    setState("mudo");
    start();
    testing::internal::CaptureStderr();
    tick();
    orderOfOneCana(37);
    tick();
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(storedNames().size(), 2) << storedNames().join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 1")), 2);
    EXPECT_TRUE(f->printerStates.texts().contains(QStringLiteral("Cocina: Sin estado, último ticket 13:05:07")))
        << f->printerStates.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(log.count(QStringLiteral("no contesta a las preguntas de estado")), 1) << log.toStdString();
}

TEST_F(EscPosPrinting, KitchenStyleRaisesTheTableLineAndPrintsACancelledDishInReverse) {
    declareKitchen();
    routeAllTo(1);
    demo::addOrder(*server, 1, fecha, 38, 1,
                   {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 2),
                    line(QStringLiteral("PAN"), QStringLiteral("Pan"), -1)},
                   {});
    start();
    quietTick();
    const QByteArray raw = stored(QStringLiteral("000001.bin"));
    ASSERT_FALSE(raw.isEmpty());
    EXPECT_TRUE(raw.contains(QByteArray::fromHex("1d2101"))) << raw.toHex().toStdString();
    const qsizetype reverse = raw.indexOf(QByteArray::fromHex("1d4201"));
    ASSERT_GE(reverse, 0) << raw.toHex().toStdString();
    const QByteArray cancelled =
        raw.mid(reverse + 3, raw.indexOf(QByteArray::fromHex("1d4200"), reverse) - reverse - 3);
    EXPECT_TRUE(cancelled.contains("-1") && cancelled.contains("Pan")) << cancelled.toStdString();
    EXPECT_FALSE(cancelled.contains("Ca")) << "only the cancelled dish is reversed";
}
