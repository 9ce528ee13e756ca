#include "kitchen/PrintingSupport.h"

#include <QDir>

using namespace tpv;
using namespace tpv::test;

TEST_F(Printing, PrinterNotInstalledKeepsTheJobPendingRemovesTheSnapshotAndPrintsWhenItAppears) {
    exec(QStringLiteral("INSERT INTO prn VALUES ('Terraza')"));
    routeAllTo(4);
    demo::addOrder(*server, 1, fecha, 20, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)},
                   {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
    start();
    tick();
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().text,
              QStringLiteral("Imposible Iniciar Impresión : La Impresora Terraza no está instalada en el PC"));
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("ATENCIÓN"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp <> TilCant")), 1);
    for (const char *t : {"TicImp", "TilImp", "TilmImp"})
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM %1").arg(QString::fromLatin1(t))), 0) << t;
    // The printer is connected: the next tick prints the order.
    QDir(printersDir).mkdir(QStringLiteral("Terraza"));
    tick();
    EXPECT_EQ(tickets(QStringLiteral("Terraza")).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TicImp")), 1);
}

TEST_F(Printing, SecondPrinterFailingDoesNotPrintTheFirstTicketAgainAtTheNextPoll) {
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 1, destino2 = 3"));
    demo::addOrder(*server, 1, fecha, 21, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    QDir(QDir(printersDir).filePath(QStringLiteral("Postres"))).removeRecursively();
    tick();
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    QDir(printersDir).mkdir(QStringLiteral("Postres"));
    tick();
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 1);
    EXPECT_EQ(tickets(QStringLiteral("Postres")).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
}

TEST_F(Printing, CompletionFailingAfterTheTicketsLeavesTheJobPendingWithTheOtherMessage) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 22, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    exec(QStringLiteral("ALTER TABLE cargosr RENAME TO cargosr_old"));
    exec(
        QStringLiteral("CREATE TABLE cargosr AS SELECT CaCont, CaOrd, CaFec, CaTPV, modifc, modifn, guarnic, guarnin, "
                       "salsac, salsan, CaCant FROM cargosr_old"));
    start();
    dialogs.setEcho(true);
    testing::internal::CaptureStderr();
    tick();
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora"));
    // No printer failed: the detail is the database's error alone.
    EXPECT_TRUE(
        log.contains(QStringLiteral("[ATENCIÓN] Imposible Iniciar Impresión : Seleccione Otra Impresora "
                                    "(-2147217904 no such column: CaImp)")))
        << log.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TicImp")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TilImp")), 0);
    // All four marks or none: the job is not left done with its lines unprinted.
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT TilImp FROM Til")), 0);
}

TEST_F(Printing, AJobThatCannotBeReadFailsAloneAndTheNextJobOfTheTickPrints) {
    routeAllTo(2);
    exec(QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg7, PParg3) VALUES ('%1', 1, "
                        "'Com', 0, '1', '1', 'doce')")
             .arg(fecha));
    demo::addOrder(*server, 1, fecha, 23, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    testing::internal::CaptureStderr();
    tick();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar WHERE PPOrd = 1")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar WHERE PPOrd = 2")), 1);
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("doce"))) << f->statusLine.caption().toStdString();
    EXPECT_TRUE(f->lstPend.texts().contains(QStringLiteral("Comanda doce del día 07/12/2026 Tpv: 1")));
}

TEST_F(Printing, RoutingToAPrinterNumberBeyondTheListFailsTheJobBeforeAnyTicket) {
    routeAllTo(9);
    demo::addOrder(*server, 1, fecha, 24, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    testing::internal::CaptureStderr();
    tick();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_FALSE(f->statusLine.caption().isEmpty());
    // Routed to NumImpresoras itself: collected but never printed.
    routeAllTo(4);
    tick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
}
