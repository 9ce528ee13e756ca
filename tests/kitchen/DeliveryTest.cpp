// Every dish reaches every kitchen printer exactly once: what completion
// marks, printers failing part way, the journal of deliveries.
#include "sql/SqlConnection.h"
#include "kitchen/DeliveryJournal.h"
#include "support/HookedOutput.h"
#include "kitchen/PrintingSupport.h"
#include "ui/ReprintControls.h"

#include <QDir>
#include <QFile>

using namespace tpv;
using namespace tpv::test;

namespace {

class Delivery : public Printing {
protected:
    void quietTick() {
        testing::internal::CaptureStderr();
        tick();
        testing::internal::GetCapturedStderr();
    }
    int countIn(const QString &printer, const QString &needle) {
        int n = 0;
        for (const QString &t : tickets(printer)) n += t.count(needle);
        return n;
    }
};

}  // namespace

// --- What completion marks ---

TEST_F(Delivery, ALineAddedWhileTheRunPrintsIsNotMarkedPrintedAndPrintsOnceWithTheNextJob) {
    routeAllTo(1, 2);
    demo::addOrder(*server, 1, fecha, 30, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    bool added = false;
    HookedOutput hook(f->output(), [&](const QString &, const Document &) {
        if (added) return;
        added = true;
        demo::addOrder(*server, 1, fecha, 30, 1, {line(QStringLiteral("AGUA"), QStringLiteral("Agua"), 1)}, {});
    });
    f->setOutput(hook);
    tick();
    tick();
    tick();
    for (const char *printer : {"Cocina", "Barra"}) {
        EXPECT_EQ(countIn(QString::fromLatin1(printer), QStringLiteral("Caña")), 1) << printer;
        EXPECT_EQ(countIn(QString::fromLatin1(printer), QStringLiteral("Agua")), 1) << printer;
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp <> TilCant")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
}

TEST_F(Delivery, AQuantityRaisedWhileTheRunPrintsStaysUnprintedForTheNextJob) {
    routeAllTo(1);
    demo::addOrder(*server, 1, fecha, 31, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    bool changed = false;
    HookedOutput hook(f->output(), [&](const QString &, const Document &) {
        if (changed) return;
        changed = true;
        exec(QStringLiteral("UPDATE Til SET TilCant = 3"));
    });
    f->setOutput(hook);
    tick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT TilImp FROM Til")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
}

TEST_F(Delivery, ANullPrintedCountIsPrintedOnceInsteadOfMarkedPrintedUnseen) {
    routeAllTo(1);
    demo::addOrder(*server, 1, fecha, 32, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)},
                   {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
    exec(QStringLiteral("UPDATE Til SET TilImp = NULL"));
    exec(QStringLiteral("UPDATE Tilm SET Imp = NULL"));
    start();
    tick();
    tick();
    EXPECT_EQ(countIn(QStringLiteral("Cocina"), QStringLiteral("Caña")), 1);
    EXPECT_EQ(countIn(QStringLiteral("Cocina"), QStringLiteral("Ensalada")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT TilImp = TilCant FROM Til")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Imp = Cantidad FROM Tilm")), 1);
}

// --- A printer failing part way, the completion failing ---

TEST_F(Delivery, ALaterPrinterFailingForSeveralPollsGivesEveryPrinterExactlyOneTicket) {
    routeAllTo(1, 3, 2);
    demo::addOrder(*server, 1, fecha, 33, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    QDir(QDir(printersDir).filePath(QStringLiteral("Postres"))).removeRecursively();
    for (int poll = 0; poll < 3; ++poll) tick();
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    // The printer after the failing one got its ticket in the first run.
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    QDir(printersDir).mkdir(QStringLiteral("Postres"));
    tick();
    tick();
    for (const char *printer : {"Cocina", "Postres", "Barra"})
        EXPECT_EQ(tickets(QString::fromLatin1(printer)).size(), 1) << printer;
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TicImp")), 1);
}

TEST_F(Delivery, AFailingCompletionSendsNoSecondTicketWhenTheJobRunsAgain) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 34, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    exec(QStringLiteral("ALTER TABLE cargosr RENAME TO cargosr_old"));
    exec(QStringLiteral("CREATE TABLE cargosr AS SELECT CaCont, CaOrd, CaFec, CaTPV, CaCant FROM cargosr_old"));
    start();
    tick();
    tick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    exec(QStringLiteral("DROP TABLE cargosr"));
    exec(QStringLiteral("ALTER TABLE cargosr_old RENAME TO cargosr"));
    tick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT TilImp = TilCant FROM Til")), 1);
}

// The journal refuses a write: the order database is to blame, not a
// printer, and the job waits with every dish until the journal works again.
TEST_F(Delivery, AJournalWriteThatFailsIsSaidAsTheJournalsNotAsAPrintersAndLosesNoDish) {
    routeAllTo(1, 2);
    demo::addOrder(*server, 1, fecha, 35, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    exec(
        QStringLiteral("CREATE TRIGGER lleno BEFORE INSERT ON LectorEnvio BEGIN SELECT RAISE(ABORT, 'disco lleno'); "
                       "END"));
    quietTick();
    EXPECT_TRUE(dialogs.shown().empty()) << messages().join(QLatin1Char('\n')).toStdString();
    const QString said = f->statusLine.caption();
    EXPECT_TRUE(said.startsWith(
        QStringLiteral("No se pudo anunciar el ticket en el registro de entregas de la base de datos de comandas (")))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("disco lleno")) && said.contains(QStringLiteral("espera la comanda 35")))
        << said.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    exec(QStringLiteral("DROP TRIGGER lleno"));
    quietTick();
    quietTick();
    for (const char *printer : {"Cocina", "Barra"})
        EXPECT_EQ(tickets(QString::fromLatin1(printer)).size(), 1) << printer;
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
}

// --- A process that died between two tickets ---

namespace {
struct Killed {};
}  // namespace

TEST_F(Delivery, AfterTheProcessDiedBetweenTwoTicketsAFreshStartPrintsOnlyTheMissingOnes) {
    routeAllTo(1, 2, 3);
    demo::addOrder(*server, 1, fecha, 36, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    int sent = 0;
    HookedOutput dies(f->output(), {}, [&](const QString &, const Document &) {
        if (sent++ > 0) throw Killed{};
    });
    f->setOutput(dies);
    EXPECT_THROW(tick(), Killed);
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 1);
    // A new process on the same folders.
    restart();
    tick();
    tick();
    for (const char *printer : {"Cocina", "Barra", "Postres"})
        EXPECT_EQ(tickets(QString::fromLatin1(printer)).size(), 1) << printer;
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
}

// --- A ticket the printer could not take ---

TEST_F(Delivery, AFolderPrinterThatCannotStoreTheTicketLeavesTheJobPendingAndPrintsOnceWhenMended) {
    routeAllTo(1);
    demo::addOrder(*server, 1, fecha, 37, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    // Where the ticket must go stands a folder: the write fails as on a full disk.
    const QString cocina = QDir(printersDir).filePath(QStringLiteral("Cocina"));
    ASSERT_TRUE(QDir(cocina).mkdir(QStringLiteral("000001.txt")));
    tick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 0);
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Imposible Iniciar Impresión : Seleccione Otra Impresora"));
    EXPECT_TRUE(f->statusLine.caption().contains(QStringLiteral("No se puede escribir")))
        << f->statusLine.caption().toStdString();
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 0);
    QDir(QDir(cocina).filePath(QStringLiteral("000001.txt"))).removeRecursively();
    tick();
    tick();
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
}

// --- Reprints ---

TEST_F(Delivery, VolverAfterACompletedJobPrintsTheOrderWholeOnceMore) {
    routeAllTo(1, 2);
    demo::addOrder(*server, 1, fecha, 38, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    tick();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    cmdVolver_Click(f->reprint());
    tick();
    tick();
    for (const char *printer : {"Cocina", "Barra"}) {
        EXPECT_EQ(tickets(QString::fromLatin1(printer)).size(), 2) << printer;
        EXPECT_EQ(countIn(QString::fromLatin1(printer), QStringLiteral("Caña")), 2) << printer;
    }
}

TEST_F(Delivery, TheJournalForgetsOrdersOfPastBusinessDays) {
    routeAllTo(1, 3);
    demo::addOrder(*server, 1, fecha, 39, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    QDir(QDir(printersDir).filePath(QStringLiteral("Postres"))).removeRecursively();
    quietTick();
    const QString count = QStringLiteral("SELECT count(*) FROM LectorRecibido");
    EXPECT_EQ(scalar(count), 1);
    // A job of the next day makes the journal drop the day before.
    f->journal.forgetDaysBefore({QStringLiteral("1"), QStringLiteral("20261208"), QStringLiteral("40")});
    EXPECT_EQ(scalar(count), 0);
}
