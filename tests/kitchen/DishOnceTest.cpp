// Each dish reaches each printer it is routed to exactly once, through
// printers failing for several polls while the waiters add to the order.
// The demo routes drinks to Barra, hot dishes and starters to Cocina, and
// desserts to Postres and Cocina.
#include "kitchen/KitchenLedger.h"
#include "kitchen/PrintingSupport.h"
#include "ui/ReprintControls.h"

#include <QDir>

using namespace tpv;
using namespace tpv::test;

namespace {

class DishOnce : public Printing {
protected:
    // A printer is down while its folder is moved aside (down, back): the
    // tickets it printed stay, to be counted.
    KitchenLedger ledger(const char *printer) { return KitchenLedger::of(tickets(QString::fromLatin1(printer))); }
    void add(int order, const QList<demo::ALaCarteLine> &aLaCarte, const QList<demo::MenuDish> &menu = {}) {
        demo::addOrder(*server, 1, fecha, order, 4, aLaCarte, menu);
    }
    // Everything ordered is marked printed and no job is left pending.
    void expectAllDone() {
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp <> TilCant")), 0);
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Tilm WHERE Imp <> Cantidad")), 0);
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
    }
    static demo::ALaCarteLine entrecot(double q = 1) {
        return line(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), q);
    }
    static demo::ALaCarteLine flan(double q = 1) { return line(QStringLiteral("FLAN"), QStringLiteral("Flan casero"), q); }
    static demo::ALaCarteLine cana(double q = 1) { return line(QStringLiteral("CAN"), QStringLiteral("Caña"), q); }
    static demo::ALaCarteLine ensalada(double q = 1) {
        return line(QStringLiteral("ENSA"), QStringLiteral("Ensalada mixta"), q);
    }
};

using Counts = QMap<QString, double>;

}  // namespace

// The bar out of paper for a few polls while the waiters add to the order:
// the kitchen used to print the order again at every addition.
TEST_F(DishOnce, ABarDownWhileWaitersAddToTheOrderGivesEveryPrinterEachDishOnce) {
    start();
    down("Barra");
    add(1, {entrecot(), flan(), cana(), ensalada()});
    quietTick();
    add(1, {entrecot()});
    quietTick();
    add(1, {line(QStringLiteral("CROQ"), QStringLiteral("Croquetas"), 2), cana()});
    quietTick();
    add(1, {entrecot()});
    add(2, {line(QStringLiteral("PAEL"), QStringLiteral("Paella"), 2), cana()});
    quietTick();
    back("Barra");
    quietTick();
    quietTick();
    EXPECT_EQ(ledger("Cocina").made, (Counts{{QStringLiteral("1 Entrecot"), 3},
                                             {QStringLiteral("1 Flan casero"), 1},
                                             {QStringLiteral("1 Ensalada mixta"), 1},
                                             {QStringLiteral("1 Croquetas"), 2},
                                             {QStringLiteral("2 Paella"), 2}}))
        << KitchenLedger::show(ledger("Cocina").made).toStdString();
    EXPECT_EQ(ledger("Barra").made, (Counts{{QStringLiteral("1 Caña"), 2}, {QStringLiteral("2 Caña"), 1}}));
    EXPECT_EQ(ledger("Postres").made, (Counts{{QStringLiteral("1 Flan casero"), 1}}));
    for (const char *p : {"Cocina", "Barra", "Postres"}) EXPECT_TRUE(ledger(p).reprinted.isEmpty()) << p;
    expectAllDone();
}

TEST_F(DishOnce, AQuantityRaisedWhileAPrinterIsDownSendsOnlyTheDishesAdded) {
    start();
    down("Barra");
    add(3, {ensalada(), cana()});
    quietTick();
    exec(QStringLiteral("UPDATE Til SET TilCant = 3 WHERE TilArtC = 'ENSA'"));
    demo::addJob(*server, 1, fecha, 3);
    quietTick();
    back("Barra");
    quietTick();
    quietTick();
    const QStringList cocina = tickets(QStringLiteral("Cocina"));
    ASSERT_EQ(cocina.size(), 2);
    EXPECT_TRUE(cocina[0].contains(QStringLiteral("\r\n1 Ensalada mixta\r\n")));
    EXPECT_TRUE(cocina[1].contains(QStringLiteral("\r\n2 Ensalada mixta\r\n")));
    EXPECT_EQ(ledger("Barra").made, (Counts{{QStringLiteral("3 Caña"), 1}}));
    expectAllDone();
}

TEST_F(DishOnce, TwoPrintersDownAndBackOneAfterTheOtherWithAnAdditionBetween) {
    start();
    down("Barra");
    down("Postres");
    add(4, {entrecot(), cana(), flan()});
    quietTick();
    back("Postres");
    add(4, {flan(), cana(2)});
    quietTick();
    back("Barra");
    quietTick();
    quietTick();
    EXPECT_EQ(ledger("Cocina").made, (Counts{{QStringLiteral("4 Entrecot"), 1}, {QStringLiteral("4 Flan casero"), 2}}));
    EXPECT_EQ(ledger("Postres").made, (Counts{{QStringLiteral("4 Flan casero"), 2}}));
    EXPECT_EQ(ledger("Barra").made, (Counts{{QStringLiteral("4 Caña"), 3}}));
    expectAllDone();
}

// Menu dishes, extras and a dish taken off the order (a negative quantity)
// while the dessert printer is down: each printer gets each once.
TEST_F(DishOnce, MenuDishesExtrasAndACancellationReachEachPrinterOnce) {
    start();
    down("Postres");
    demo::Extra poco;
    poco.modifc = 3;
    poco.modifn = QStringLiteral("Poco hecho");
    add(5, {{QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 2, poco}},
        {dish(QStringLiteral("TART"), QStringLiteral("Tarta de queso"), 1),
         dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada mixta"), 1)});
    quietTick();
    add(5, {entrecot(-1)});
    quietTick();
    back("Postres");
    quietTick();
    quietTick();
    const KitchenLedger cocina = ledger("Cocina");
    EXPECT_EQ(cocina.made, (Counts{{QStringLiteral("5 Entrecot"), 1},
                                   {QStringLiteral("5 Tarta de queso"), 1},
                                   {QStringLiteral("5 Ensalada mixta"), 1}}))
        << KitchenLedger::show(cocina.made).toStdString();
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).join(QString()).count(QStringLiteral("     /Poco hecho")), 1);
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).join(QString()).count(QStringLiteral("\r\n-1 Entrecot\r\n")), 1);
    EXPECT_EQ(ledger("Postres").made, (Counts{{QStringLiteral("5 Tarta de queso"), 1}}));
    expectAllDone();
}

// The journal must not depend on when a ticket was sent: the footer's time
// changes between a failed run and its retry.
TEST_F(DishOnce, TheTimeOfSendingMovingBetweenAFailedRunAndItsRetrySendsNothingTwice) {
    start();
    down("Barra");
    add(6, {entrecot(), cana()});
    clock.set(QTime(13, 5, 7));
    quietTick();
    clock.set(QTime(13, 9, 41));
    back("Barra");
    quietTick();
    ASSERT_EQ(tickets(QStringLiteral("Cocina")).size(), 1);
    EXPECT_EQ(tickets(QStringLiteral("Barra")).size(), 1);
    EXPECT_TRUE(tickets(QStringLiteral("Barra"))[0].contains(QStringLiteral("Hora de Envio: 13:09:41")));
    expectAllDone();
}

// A whole-order reprint after part of the order could not reach the bar:
// what each printer had goes under the reprint mark, what it never had
// goes on a ticket of its own, unmarked.
TEST_F(DishOnce, AReprintAfterAPartialDeliveryMarksOnlyWhatEachPrinterHad) {
    start();
    add(7, {entrecot(), cana()});
    quietTick();
    down("Barra");
    add(7, {line(QStringLiteral("CROQ"), QStringLiteral("Croquetas"), 1),
            line(QStringLiteral("AGUA"), QStringLiteral("Agua mineral"), 1)});
    quietTick();
    // The operator reprints the first job of the order.
    ASSERT_GE(f->lstReal.listCount(), 2);
    f->lstReal.setListIndex(f->lstReal.listCount() - 1);  // newest first: the order's first job is last
    testing::internal::CaptureStderr();
    cmdTodo_Click(f->reprint());
    testing::internal::GetCapturedStderr();
    back("Barra");
    quietTick();
    quietTick();
    const KitchenLedger cocina = ledger("Cocina"), barra = ledger("Barra");
    EXPECT_EQ(cocina.made, (Counts{{QStringLiteral("7 Entrecot"), 1}, {QStringLiteral("7 Croquetas"), 1}}));
    EXPECT_EQ(cocina.reprinted, (Counts{{QStringLiteral("7 Entrecot"), 1}, {QStringLiteral("7 Croquetas"), 1}}));
    EXPECT_EQ(barra.made, (Counts{{QStringLiteral("7 Caña"), 1}, {QStringLiteral("7 Agua mineral"), 1}}))
        << KitchenLedger::show(barra.made).toStdString();
    EXPECT_EQ(barra.reprinted, (Counts{{QStringLiteral("7 Caña"), 1}}));
    expectAllDone();
}

// Another PC's "Volver a Imprimir Todos" resets the whole day on the server:
// every printer gets what it had once more, under the reprint mark, and no
// unmarked ticket.
TEST_F(DishOnce, ADayResetByAnotherPcPrintsOnceMoreUnderTheReprintMark) {
    start();
    add(8, {entrecot(), cana()});
    add(9, {flan()});
    quietTick();
    exec(QStringLiteral("Update til set TilImp = 0"));
    exec(QStringLiteral("UPDATE PendGar Set PPPend = 0"));
    quietTick();
    quietTick();
    for (const char *p : {"Cocina", "Barra", "Postres"}) {
        const KitchenLedger l = ledger(p);
        EXPECT_EQ(l.made, l.reprinted) << p;
        EXPECT_FALSE(l.made.isEmpty()) << p;
    }
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 4);
    expectAllDone();
}
