// Two PCs on one terminal and one order database, in one process: the PC
// that holds the turn prints, the other stands by, and a PC that lost the
// turn while it was frozen cannot send, confirm or complete anything when it
// wakes. The kitchen is both PCs' printers together.
#include "kitchen/KitchenLedger.h"
#include "kitchen/PrintingSupport.h"
#include "sql/SqlConnection.h"
#include "support/HookedOutput.h"
#include "ui/ReprintControls.h"

#include "devices/folder/FolderPrinters.h"

#include <QDir>
#include <QFileInfo>

using namespace tpv;
using namespace tpv::test;

namespace {

// Runs a test's action at a statement the program is about to send.
std::function<void(const QString &)> gOnStatement;
void onStatement(const QString &, const QString &sql) {
    if (gOnStatement) gOnStatement(sql);
}

class Standby : public Printing {
protected:
    void SetUp() override {
        Printing::SetUp();
        other.prepare(fecha);
        // The second PC reads the first one's order database.
        openSqliteFile(QDir(other.dataDir).filePath(QStringLiteral("ConfGarnet.mdb")))
            ->execute(QStringLiteral("UPDATE Confi SET Ip = '%1'").arg(serverDb));
        routeAllTo(2);  // everything to Barra
    }
    void TearDown() override {
        setStatementObserver(nullptr);
        gOnStatement = nullptr;
        other.stop();
        Printing::TearDown();
    }
    void startBoth() {
        start();
        other.start();
    }
    void tickOther() {
        testing::internal::CaptureStderr();
        other.f->T.runTick();
        testing::internal::GetCapturedStderr();
    }
    // The first PC stops renewing, as a frozen or dead PC does; the other
    // takes the turn at its next step, and at once prints what waits.
    void otherTakesOver() {
        exec(QStringLiteral("UPDATE LectorTurno SET renovado = renovado - 10000"));
        other.f->turn->step();
        ASSERT_EQ(other.f->turn->state().role, TurnRole::Active);
    }
    // The first PC's tick as a PC that has not stepped its turn since it
    // froze: it still believes it holds it.
    long wokenTick() { return errorOf([&] { T_Timer(f->queue()); }); }
    // What Barra made of both PCs' tickets.
    KitchenLedger barra() {
        QStringList all = tickets(QStringLiteral("Barra"));
        for (const QString &p : FolderPrinters::documents(QDir(other.printersDir).filePath(QStringLiteral("Barra"))))
            all << readFile(p);
        return KitchenLedger::of(all);
    }
    void cana(int order, double qty = 1) {
        demo::addOrder(*server, 1, fecha, order, 2, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), qty)}, {});
    }
    demo::Harness other;
};

}  // namespace

TEST_F(Standby, OnlyThePcWithTheTurnPrintsAndTheOtherKeepsItsListsButDoesNotReprint) {
    startBoth();
    EXPECT_EQ(f->turn->state().role, TurnRole::Active);
    EXPECT_EQ(other.f->turn->state().role, TurnRole::Standby);
    cana(40);
    tickOther();
    quietTick();
    tickOther();
    EXPECT_EQ(barra().made.value(QStringLiteral("40 Caña")), 1);
    EXPECT_TRUE(FolderPrinters::documents(QDir(other.printersDir).filePath(QStringLiteral("Barra"))).isEmpty());
    EXPECT_EQ(other.f->lstReal.listCount(), 2) << "the done job is listed on the standby too";
    EXPECT_TRUE(other.f->turnCaption.caption().startsWith(QStringLiteral("En espera: imprime ")))
        << other.f->turnCaption.caption().toStdString();
    EXPECT_TRUE(f->turnCaption.caption().startsWith(QStringLiteral("Activo desde ")));
    cmdVolver_Click(other.f->reprint());
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0) << "the standby reset nothing";
    ASSERT_FALSE(other.dialogs.shown().empty());
    EXPECT_TRUE(other.dialogs.shown().back().text.contains(QStringLiteral("en el PC que imprime")));
}

TEST_F(Standby, APcThatWakesAfterTheOtherTookItsTurnSendsNothing) {
    startBoth();
    cana(40);
    quietTick();
    otherTakesOver();
    cana(41);
    EXPECT_EQ(wokenTick(), err::WriteConflict);
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    tickOther();
    EXPECT_EQ(barra().made.value(QStringLiteral("41 Caña")), 1);
    testing::internal::CaptureStderr();
    tick();  // its own turn's step tells it that it stands by now
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(f->turn->state().role, TurnRole::Standby);
    EXPECT_NE(log.find("deja de imprimir"), std::string::npos) << log;
    EXPECT_EQ(barra().made.value(QStringLiteral("41 Caña")), 1);
}

// Frozen after the bar printed its caña and before noting it: the other PC
// cannot ask the first PC's printer, so the caña goes again, under the mark,
// with the two more a waiter added. When the first PC wakes, its late note
// must not bring the bar's level back down while the job still waits (for
// the dessert printer), or the bar would get those two again.
TEST_F(Standby, AWokenPcCannotMoveAPrintersLevelBack) {
    routeAllTo(2, 3);  // Barra and Postres
    startBoth();
    cana(42);
    bool frozen = false;
    HookedOutput hook(f->output(), [&](const QString &printer, const Document &) {
        if (frozen || printer != QLatin1String("Barra")) return;
        frozen = true;
        exec(QStringLiteral("UPDATE Til SET TilCant = 3 WHERE TilComa = 42"));
        ASSERT_TRUE(QDir(other.printersDir).rename(QStringLiteral("Postres"), QStringLiteral("Postres.fuera")));
        otherTakesOver();
    });
    f->setOutput(hook);
    EXPECT_EQ(wokenTick(), err::WriteConflict);
    f->setOutput(f->printerOutput());
    ASSERT_TRUE(QDir(other.printersDir).rename(QStringLiteral("Postres.fuera"), QStringLiteral("Postres")));
    tickOther();
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    const KitchenLedger k = barra();
    EXPECT_EQ(k.made.value(QStringLiteral("42 Caña")), 3) << KitchenLedger::show(k.made).toStdString();
    EXPECT_EQ(k.maybeAgain.value(QStringLiteral("42 Caña")), 1);
}

// Frozen between its last ticket and the completion: the other PC completes
// the job and the operator has the order printed again. The first PC's late
// completion must not mark the order printed, or the reprint never comes.
TEST_F(Standby, AWokenPcCannotCompleteAJobTheOtherCompletedAndResetSince) {
    startBoth();
    cana(43);
    int fences = -1;  // counted from the bar's ticket on
    HookedOutput hook(f->output(), [&](const QString &, const Document &) { fences = 0; });
    f->setOutput(hook);
    gOnStatement = [&](const QString &sql) {
        if (fences < 0 || !sql.startsWith(QLatin1String("UPDATE LectorTurno SET generacion = generacion"))) return;
        // The first fence notes the ticket; the second opens the completion.
        if (++fences != 2) return;
        fences = -1;
        otherTakesOver();
        tickOther();
        exec(QStringLiteral("UPDATE Til SET TilImp = 0 WHERE TilComa = 43"));
        exec(QStringLiteral("UPDATE PendGar SET PPPend = 0 WHERE PPFecha = '%1'").arg(fecha));
        DeliveryJournal::prepareReprint(*server, QStringLiteral("1"), fecha, QStringLiteral("43"));
    };
    setStatementObserver(&onStatement);
    EXPECT_EQ(wokenTick(), err::WriteConflict);
    setStatementObserver(nullptr);
    f->setOutput(f->printerOutput());
    tickOther();
    const KitchenLedger k = barra();
    EXPECT_EQ(k.made.value(QStringLiteral("43 Caña")), 1) << KitchenLedger::show(k.made).toStdString();
    EXPECT_EQ(k.reprinted.value(QStringLiteral("43 Caña")), 1) << KitchenLedger::show(k.reprinted).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TicImp WHERE TicComa = 43")), 1);
}

// The whole day reset on another terminal's PC reaches this terminal's
// printers: a caña the bar got before its job completed prints again,
// under the reprint mark.
TEST_F(Standby, AWholeDayResetOnAnotherTerminalReachesWhatThisTerminalsPrintersGot) {
    routeAllTo(2, 1);  // Barra and Cocina
    start();
    cana(44);
    down("Cocina");
    quietTick();
    ASSERT_EQ(barra().made.value(QStringLiteral("44 Caña")), 1);
    // Terminal 2's PC, on the same order database.
    demo::setBusinessDate(*server, 2, fecha);
    openSqliteFile(QDir(other.dataDir).filePath(QStringLiteral("ConfGarnet.mdb")))
        ->execute(QStringLiteral("UPDATE Confi SET tpv = 2"));
    other.start();
    ASSERT_EQ(other.f->turn->state().role, TurnRole::Active);
    tickOther();
    cmdVolver_Click(other.f->reprint());
    back("Cocina");
    quietTick();
    const KitchenLedger k = barra();
    EXPECT_EQ(k.reprinted.value(QStringLiteral("44 Caña")), 1) << KitchenLedger::show(k.made).toStdString();
}

TEST_F(Standby, AJournalFileOfAnEarlierVersionIsBroughtInOnce) {
    {
        auto old = createSqliteFile(QDir(dataDir).filePath(QStringLiteral("entregas.db")));
        old->execute(QStringLiteral("CREATE TABLE recibido (tpv, fecha, comanda, impresora, clase, numero, base, nivel)"));
        old->execute(QStringLiteral("CREATE TABLE envio (id INTEGER PRIMARY KEY, tpv, fecha, comanda, impresora, "
                                    "trabajo, titulo, resumen, estado, partes)"));
        old->execute(QStringLiteral("CREATE TABLE trabajo (tpv, fecha, trabajo, hora)"));
        old->execute(QStringLiteral("INSERT INTO recibido VALUES ('1', '%1', '45', 'Barra', 'C', '1', 0, 1)").arg(fecha));
    }
    cana(45);
    start();
    EXPECT_FALSE(QFileInfo::exists(QDir(dataDir).filePath(QStringLiteral("entregas.db"))));
    EXPECT_TRUE(QFileInfo::exists(QDir(dataDir).filePath(QStringLiteral("entregas.db.importado"))));
    quietTick();
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty()) << "the bar had the caña by the old journal";
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
}

// The turn not renewed for longer than the margin (its thread stuck on a
// database that stopped answering): no ticket goes out, although no other
// PC has taken over yet.
TEST_F(Standby, APcWhoseTurnWentUnrenewedPastItsMarginSendsNothing) {
    start();
    cana(46);
    clock.advance(static_cast<int>(Turn::kMarginMs) + 1);
    wokenTick();
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM LectorEnvio")), 0) << "nothing announced either";
    quietTick();  // renewed at the tick's start
    EXPECT_EQ(barra().made.value(QStringLiteral("46 Caña")), 1);
}
