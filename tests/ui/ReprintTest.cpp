#include "kitchen/PrintingSupport.h"

#include "ui/ReprintControls.h"

using namespace tpv;
using namespace tpv::test;

namespace {
class Reprint : public Printing {
protected:
    // Order 40 sent twice (jobs 1 and 2), order 41 once (job 3), all printed.
    void printThreeJobs() {
        routeAllTo(2);
        demo::addOrder(*server, 1, fecha, 40, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
        start();
        tick();
        demo::addOrder(*server, 1, fecha, 40, 1, {line(QStringLiteral("VINO"), QStringLiteral("Vino"), 1)},
                       {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
        demo::addOrder(*server, 1, fecha, 41, 1, {line(QStringLiteral("AGUA"), QStringLiteral("Agua"), 1)}, {});
        tick();
        tick();  // the lists now show the three done jobs
    }
    int entryOf(int ppord) {
        for (int i = 1; i < f->lstReal.listCount(); ++i)
            if (f->lstReal.itemData(i) == ppord) return i;
        return -1;
    }
};
}  // namespace

TEST_F(Reprint, WholeOrderReprintPrintsEveryLineOnThatSendingWithoutTouchingSnapshots) {
    printThreeJobs();
    const int snapshotRows = scalar(QStringLiteral("SELECT count(*) FROM TilImp"));
    f->lstReal.click(entryOf(1));
    EXPECT_TRUE(f->FraPre.visible());
    EXPECT_FALSE(f->FraListas.enabled());
    EXPECT_TRUE(f->T.isActive()) << "polling goes on while the operator chooses";
    EXPECT_EQ(f->choice.orderChosen.caption(),
              QStringLiteral("Comanda 40 del día 07/12/2026 Tpv: 1\nMesa 1, trabajo 1, enviada a las 13:05:07"));
    f->g.Tiempo = 1000;
    testing::internal::CaptureStderr();
    cmdTodo_Click(f->reprint());
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(log.contains(QStringLiteral("Reimpresión pedida en este PC: toda la comanda 40 (trabajo 1)")))
        << log.toStdString();
    const QStringList t = tickets(QStringLiteral("Barra"));
    ASSERT_EQ(t.size(), 4);
    EXPECT_TRUE(t[3].contains(QStringLiteral("1 Caña")) && t[3].contains(QStringLiteral("1 Vino")) &&
                t[3].contains(QStringLiteral("1 Ensalada")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TilImp")), snapshotRows);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
    EXPECT_FALSE(f->ReimprimirTodo);
    EXPECT_FALSE(f->FraPre.visible());
    EXPECT_EQ(f->T.interval(), 1000);
}

// The choice is opened on one day and confirmed on the next, which has an
// order of the same number and a job of the same number: what is reset is
// the chosen job's, on its own day, and all of it or none of it.
TEST_F(Reprint, WholeOrderReprintResetsTheChosenJobsDayNotTheNewBusinessDateAndNothingWhenAStepFails) {
    printThreeJobs();
    const QString next = QStringLiteral("20261208");
    exec(
        QStringLiteral("CREATE TRIGGER noPend BEFORE UPDATE ON PendGar WHEN NEW.PPPend = 0 BEGIN SELECT "
                       "RAISE(ABORT, 'no'); END"));
    f->lstReal.click(entryOf(1));
    EXPECT_NE(errorOf([&] { cmdTodo_Click(f->reprint()); }), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp = 0")), 0);
    exec(QStringLiteral("DROP TRIGGER noPend"));

    f->lstReal.click(entryOf(1));
    demo::setBusinessDate(*server, 1, next);
    demo::addOrder(*server, 1, next, 40, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    tick();
    ASSERT_EQ(f->FechaTpv, next);
    const int printed = tickets(QStringLiteral("Barra")).size();
    testing::internal::CaptureStderr();
    cmdTodo_Click(f->reprint());
    testing::internal::GetCapturedStderr();
    const QString d = QStringLiteral("'%1'").arg(fecha), n = QStringLiteral("'%1'").arg(next);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilFec = %1 AND TilComa = 40 AND TilImp = 0").arg(d)), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM tilm WHERE Fecha = %1 AND Imp = 0").arg(d)), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar WHERE PPFecha = %1 AND PPOrd = 1").arg(d)), 0);
    // The new day's order 40 is left printed, and is not printed again.
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilFec = %1 AND TilImp = 0").arg(n)), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT min(PPPend) FROM PendGar WHERE PPFecha = %1").arg(n)), 1);
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), printed);
}

TEST_F(Reprint, ALowerPendingJobPrintsFirstAndClearsTheFlagSoTheResetJobWritesItsSnapshot) {
    printThreeJobs();
    // Job 1 is pending again (a terminal sent it again) when the operator
    // reprints job 3.
    exec(QStringLiteral("UPDATE PendGar SET PPPend = 0 WHERE PPOrd = 1"));
    exec(QStringLiteral("UPDATE Til SET TilImp = 0 WHERE TilComa = 40 AND TilOrd = 1"));
    exec(QStringLiteral("DELETE FROM TilImp"));
    f->lstReal.click(entryOf(3));
    cmdTodo_Click(f->reprint());
    // Job 1 printed first, without snapshot; its ticket cleared the flag, so
    // job 3 wrote its snapshot.
    EXPECT_EQ(text(QStringLiteral("SELECT group_concat(TilPendOrd) FROM TilImp")), QStringLiteral("3"));
}

TEST_F(Reprint, ClickingTheHeadingNeitherStopsTheTimerNorOpensTheChoice) {
    printThreeJobs();
    f->lstReal.click(0);
    EXPECT_FALSE(f->FraPre.visible());
    EXPECT_TRUE(f->T.isActive());
}

// The choice stays open after "Re-Imprimir lo ultimo" for another reprint,
// for a minute more, while the orders that arrive meanwhile print.
TEST_F(Reprint, TheChoiceStaysOpenAfterReprintLastAMinuteWithoutAChoiceWhileOrdersGoOnPrinting) {
    printThreeJobs();
    f->lstReal.click(entryOf(2));
    advance(30000);
    testing::internal::CaptureStderr();
    cmdUltimo_Click(f->reprint());
    testing::internal::GetCapturedStderr();
    demo::addOrder(*server, 1, fecha, 42, 1, {line(QStringLiteral("AGUA"), QStringLiteral("Agua"), 1)}, {});
    advance(59000);
    EXPECT_TRUE(f->FraPre.visible()) << "the minute started again with the reprint";
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).last().contains(QStringLiteral("Comanda N.  42")));
    advance(1000);
    EXPECT_FALSE(f->FraPre.visible());
    EXPECT_TRUE(f->FraListas.enabled());
    EXPECT_FALSE(f->choice.job);
}

// Polling rebuilds the lists while the choice is open: a new job comes
// first in the done list and the entry clicked moves down.
TEST_F(Reprint, TheChoiceKeepsTheJobItWasOpenedForWhenATickRebuildsTheLists) {
    printThreeJobs();
    f->lstReal.click(entryOf(3));
    const int clicked = f->lstReal.listIndex();
    demo::addOrder(*server, 1, fecha, 42, 1, {line(QStringLiteral("VINO"), QStringLiteral("Vino"), 1)}, {});
    tick();
    tick();
    ASSERT_NE(entryOf(3), clicked);
    const int printed = tickets(QStringLiteral("Barra")).size();
    testing::internal::CaptureStderr();
    cmdTodo_Click(f->reprint());
    testing::internal::GetCapturedStderr();
    const QStringList t = tickets(QStringLiteral("Barra"));
    ASSERT_EQ(t.size(), printed + 1);
    EXPECT_TRUE(t.last().contains(QStringLiteral("Comanda N.  41")) && t.last().contains(QStringLiteral("1 Agua")))
        << t.last().toStdString();
}

TEST_F(Reprint, NoSelectionAsksAgainAndClosesTheChoice) {
    printThreeJobs();
    cmdTodo_Click(f->reprint());
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("Vuelva a Re-Imprimir"));
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("Tesmarin"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
}

TEST_F(Reprint, VolverAsksHowManyOrdersWillPrintAgainAndCancelChangesNothing) {
    printThreeJobs();
    dialogs.setNextAnswer(MsgAnswer::Cancel);
    testing::internal::CaptureStderr();
    cmdVolver_Click(f->reprint());
    EXPECT_EQ(QString::fromStdString(testing::internal::GetCapturedStderr()), QString());
    ASSERT_FALSE(dialogs.shown().empty());
    EXPECT_EQ(dialogs.shown().back().text,
              QStringLiteral("Se volverán a imprimir las 2 comandas del día en todas las impresoras. ¿Continuar?"));
    EXPECT_EQ(dialogs.shown().back().buttons, MsgButtons::OkCancel);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
    EXPECT_EQ(volverQuestion(1),
              QStringLiteral("Se volverá a imprimir 1 comanda del día en todas las impresoras. ¿Continuar?"));
}

TEST_F(Reprint, VolverMakesTheWholeDayPendingAndTheNextTicksPrintItAgainInQueueOrder) {
    printThreeJobs();
    testing::internal::CaptureStderr();
    cmdVolver_Click(f->reprint());
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(log.contains(QStringLiteral(
        "Reimpresión pedida en este PC: todas las comandas del día 07/12/2026 (2), en todas las impresoras")))
        << log.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 3);
    EXPECT_EQ(f->lstPend.listCount(), 4);
    tick();
    const QStringList t = tickets(QStringLiteral("Barra"));
    ASSERT_EQ(t.size(), 5);
    // Job 1 now finds every line of order 40 unprinted; job 2 finds nothing left.
    EXPECT_TRUE(t[3].contains(QStringLiteral("1 Caña")) && t[3].contains(QStringLiteral("1 Vino")));
    EXPECT_TRUE(t[4].contains(QStringLiteral("Comanda N.  41")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
}

// "Re-Imprimir lo ultimo" printed nothing: it only emptied local tables.
// It prints the order's last sending as the server's snapshot keeps it,
// under the reprint mark, and changes no count and no job.
TEST_F(Reprint, ReprintLastPrintsTheOrdersLastSendingAgainMarkedAndChangesNothing) {
    routeAllTo(1, 2);
    demo::addOrder(*server, 1, fecha, 50, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    tick();
    demo::addOrder(*server, 1, fecha, 50, 1, {line(QStringLiteral("VINO"), QStringLiteral("Vino"), 2)},
                   {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
    tick();
    tick();
    const int printedBefore = scalar(QStringLiteral("SELECT sum(TilImp) FROM Til"));
    f->lstReal.click(entryOf(1));
    cmdUltimo_Click(f->reprint());
    for (const char *printer : {"Cocina", "Barra"}) {
        const QStringList t = tickets(QString::fromLatin1(printer));
        ASSERT_EQ(t.size(), 3) << printer << messages().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(t[2].contains(QStringLiteral("Mesa 1 Comanda N.  50\r\n*** REIMPRESIÓN ***\r\n")))
            << t[2].toStdString();
        EXPECT_TRUE(t[2].contains(QStringLiteral("\r\n2 Vino\r\n")) &&
                    t[2].contains(QStringLiteral("\r\n1 Ensalada\r\n")));
        EXPECT_FALSE(t[2].contains(QStringLiteral("Caña")));
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT sum(TilImp) FROM Til")), printedBefore);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
    // The choice stays open, as before, and the next polls print nothing.
    EXPECT_TRUE(f->FraPre.visible());
    cmdCancelar_Click(f->reprint());
    tick();
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 3);
}

TEST_F(Reprint, VolverFromThisPcPrintsEveryOrderOnceMoreUnderTheReprintMark) {
    printThreeJobs();
    cmdVolver_Click(f->reprint());
    tick();
    tick();
    const QStringList t = tickets(QStringLiteral("Barra"));
    ASSERT_EQ(t.size(), 5);
    for (int i = 3; i < 5; ++i) EXPECT_TRUE(t[i].contains(QStringLiteral("*** REIMPRESIÓN ***"))) << i;
}
