#include "kitchen/PrintingSupport.h"

#include <QLocale>

using namespace tpv;
using namespace tpv::test;

TEST_F(Printing, OrderWithExtrasAndAMenuDishPrintsExactlyThisTicket) {
    routeAllTo(1);
    demo::Extra poco;
    poco.modifc = 3;
    poco.modifn = QStringLiteral("Poco hecho");
    demo::addOrder(*server, 1, fecha, 12, 4,
                   {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 2),
                    {QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1, poco}},
                   {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
    start();
    f->lineasp.setText(QStringLiteral("2"));
    tick();
    const QStringList t = tickets(QStringLiteral("Cocina"));
    ASSERT_EQ(t.size(), 1) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(t[0],
              crlf(QStringLiteral(
                  "Fecha 07/12/2026     Tpv 1⏎Mesa 4 Comanda N.  12⏎⏎ ***** ARTICULOS CARTA *****⏎2 Caña⏎1 Entrecot⏎"
                  "     /Poco hecho⏎⏎__________________Platos de Menu__________________⏎1 Ensalada⏎**********⏎"
                  "Hora de Envio: 13:05:07⏎*⏎⏎⏎")));
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT PPPend FROM PendGar")), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp <> TilCant")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Tilm WHERE Imp <> Cantidad")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cargosr WHERE CaImp <> CaCant")), 0);
}

TEST_F(Printing, EachPrinterGetsItsOwnSectionsAndDishOnlyPrintersGetTheFullMenuTitle) {
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 1, destino2 = 2, destino3 = 0 WHERE Familia = 'BEB'"));
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 2, destino2 = 3, destino3 = 0 WHERE Familia = 'CAR'"));
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 3, destino2 = 0, destino3 = 0 WHERE Familia = 'ENT'"));
    demo::addOrder(*server, 1, fecha, 5, 2,
                   {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1),
                    line(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1)},
                   {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1),
                    dish(QStringLiteral("CROQ"), QStringLiteral("Croquetas"), 2)});
    start();
    f->lineasp.setText(QStringLiteral("0"));
    tick();
    const QString head = crlf(QStringLiteral("Fecha 07/12/2026     Tpv 1⏎Mesa 2 Comanda N.  5⏎⏎"));
    const QString foot = crlf(QStringLiteral("**********⏎Hora de Envio: 13:05:07⏎*⏎"));
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).value(0),
              head + crlf(QStringLiteral(" ***** ARTICULOS CARTA *****⏎1 Caña⏎")) + foot);
    EXPECT_EQ(tickets(QStringLiteral("Barra")).value(0),
              head + crlf(QStringLiteral(" ***** ARTICULOS CARTA *****⏎1 Caña⏎1 Entrecot⏎")) + foot);
    EXPECT_EQ(tickets(QStringLiteral("Postres")).value(0),
              head +
                  crlf(QStringLiteral(
                      " ***** ARTICULOS CARTA *****⏎1 Entrecot⏎__________________Platos de Menu__________________⏎"
                      "1 Ensalada⏎2 Croquetas⏎")) +
                  foot);
    // Dishes alone: the header, then the three-line title.
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 1, destino2 = 0 WHERE Familia = 'ENT'"));
    demo::addOrder(*server, 1, fecha, 6, 2, {}, {dish(QStringLiteral("ENSA"), QStringLiteral("Ensalada"), 1)});
    tick();
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).value(1),
              crlf(QStringLiteral("Fecha 07/12/2026     Tpv 1⏎Mesa 2 Comanda N.  6⏎⏎__________________⏎Platos de Menu⏎"
                                  "__________________⏎1 Ensalada⏎")) +
                  foot);
}

TEST_F(Printing, LaterJobOfTheSameOrderPrintsOnlyWhatWasAdded) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 8, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 2)}, {});
    start();
    tick();
    demo::addOrder(*server, 1, fecha, 8, 1, {line(QStringLiteral("AGUA"), QStringLiteral("Agua mineral"), 1)}, {});
    tick();
    const QStringList t = tickets(QStringLiteral("Barra"));
    ASSERT_EQ(t.size(), 2);
    EXPECT_TRUE(t[1].contains(QStringLiteral("1 Agua mineral")));
    EXPECT_FALSE(t[1].contains(QStringLiteral("Caña")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 1")), 2);
}

TEST_F(Printing, LinesForNoPrinterPrintNothingButAreMarkedPrintedAndTheJobDone) {
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 0 WHERE Familia = 'BEB'"));
    exec(QStringLiteral("DELETE FROM PerfilEnvioImp WHERE Familia = 'CAR'"));
    demo::addOrder(*server, 1, fecha, 9, 1,
                   {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1),
                    line(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1)},
                   {});
    demo::addJob(*server, 1, fecha, 10);  // an order with no lines at all
    start();
    tick();
    for (const char *p : {"Cocina", "Barra", "Postres"}) EXPECT_TRUE(tickets(QString::fromLatin1(p)).isEmpty()) << p;
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM Til WHERE TilImp <> TilCant")), 0);
    // The line for printer 0 was recorded in the sending's snapshot.
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM TilImp")), 1);
}

TEST_F(Printing, FractionalAndNegativeQuantitiesPrintInTheLocaleAndAreStoredWithAPoint) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 11, 1, {line(QStringLiteral("VINO"), QStringLiteral("Vino tinto"), 1.5)}, {});
    exec(QStringLiteral("UPDATE Til SET TilImp = 0"));
    start();
    tick();
    const bool comma = QLocale::system().decimalPoint() == QStringLiteral(",");
    EXPECT_TRUE(tickets(QStringLiteral("Barra"))
                    .value(0)
                    .contains(comma ? QStringLiteral("1,5 Vino tinto") : QStringLiteral("1.5 Vino tinto")));
    EXPECT_EQ(text(QStringLiteral("SELECT TilCant FROM TilImp")), Variant(1.5).toText());
    EXPECT_DOUBLE_EQ(server->query(QStringLiteral("SELECT TilCant FROM TilImp")).rows[0][0].toDouble(), 1.5);
    // More printed than ordered: a negative quantity.
    exec(QStringLiteral("UPDATE Til SET TilImp = 3, TilCant = 1"));
    exec(QStringLiteral("UPDATE PendGar SET PPPend = 0"));
    tick();
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).value(1).contains(QStringLiteral("-2 Vino tinto")));
}

TEST_F(Printing, BlankLinesComeFromTheEditBoxForEveryTicket) {
    routeAllTo(2);
    demo::addOrder(*server, 1, fecha, 12, 1, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 1)}, {});
    start();
    f->lineasp.setText(QStringLiteral("4"));
    tick();
    EXPECT_TRUE(tickets(QStringLiteral("Barra")).value(0).endsWith(QStringLiteral("*\r\n\r\n\r\n\r\n\r\n")));
    EXPECT_EQ(f->g.lineaspie, 4);
}
