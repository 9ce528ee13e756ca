// The ticket's look on plain values, without a database or a printer.
#include "ticket/Card.h"
#include "ticket/Ticket.h"

#include <QTime>
#include <gtest/gtest.h>

using namespace tpv;

namespace {
QString crlf(QString s) { return s.replace(QStringLiteral("⏎"), QStringLiteral("\r\n")); }

ticket::Dish dish(const QString &quantity, const QString &name, QStringList extras = {}, bool blankAfter = false) {
    return {quantity, name, std::move(extras), blankAfter, quantity.startsWith(QLatin1Char('-'))};
}

std::vector<LineRole> roles(const Document &d) {
    std::vector<LineRole> out;
    for (const DocumentLine &l : d.lines()) out.push_back(l.role);
    return out;
}
}  // namespace

// The folder printers write this text byte for byte: the fixed-width blanks
// of the header, the empty line after a line with an extras row (even when
// none of its extras prints), the one-line menu title after à-la-carte
// lines, the two-digit time and the blank lines fed.
TEST(TicketComposer, AWholeTicketIsExactlyTheTextTheKitchenAlwaysGot) {
    ticket::Content c;
    c.header =
        ticket::Header{QStringLiteral("07/12/2026"), QStringLiteral("1"), QStringLiteral("7 "), QStringLiteral("12")};
    c.aLaCarte = {dish(QStringLiteral("1"), QStringLiteral("Entrecot"), {QStringLiteral("Poco hecho")}, true),
               dish(QStringLiteral("2"), QStringLiteral("Caña"), {}, true),
               dish(QStringLiteral("0,5"), QStringLiteral("Vino"))};
    c.menu = {dish(QStringLiteral("1"), QStringLiteral("Flan"), {QStringLiteral("Nata")})};
    const Document d = ticket::compose(c, QTime(9, 5, 7), 2);
    EXPECT_EQ(d.text(), crlf(QStringLiteral("Fecha 07/12/2026     Tpv 1⏎Mesa 7  Comanda N.  12⏎⏎"
                                            " ***** ARTICULOS CARTA *****⏎1 Entrecot⏎     /Poco hecho⏎⏎2 Caña⏎⏎"
                                            "0,5 Vino⏎__________________Platos de Menu__________________⏎"
                                            "1 Flan⏎     /Nata⏎**********⏎Hora de Envio: 09:05:07⏎*⏎⏎")));
    EXPECT_EQ(roles(d)[1], LineRole::TableOrder);
    EXPECT_EQ(roles(d)[5], LineRole::Extra);
    EXPECT_EQ(ticket::lineCount(d), 17);
}

TEST(TicketComposer, MenuOnlyGetsTheThreeLineTitleAndNoHeaderStartsWithTheSection) {
    ticket::Content c;
    c.menu = {dish(QStringLiteral("2"), QStringLiteral("Flan"))};
    EXPECT_EQ(ticket::compose(c, QTime(21, 0, 0), -1).text(),
              crlf(QStringLiteral("__________________⏎Platos de Menu⏎__________________⏎2 Flan⏎"
                                  "**********⏎Hora de Envio: 21:00:00⏎*")));
}

// A mark sits under the header, above the empty line, so that the cook sees
// it with the table; a second mark goes under the first.
TEST(TicketComposer, MarksGoUnderTheHeaderInTheOrderGivenAndOnTopWithoutAHeader) {
    ticket::Content c;
    c.header =
        ticket::Header{QStringLiteral("07/12/2026"), QStringLiteral("1"), QStringLiteral("7"), QStringLiteral("12")};
    c.marks << ticket::kReprintMark;
    c.aLaCarte = {dish(QStringLiteral("-1"), QStringLiteral("Flan"), {QStringLiteral("Nata")})};
    Document d = ticket::compose(c, QTime(9, 0, 0), 0);
    ticket::addMark(d, ticket::backupMark(QStringLiteral("Barra")));
    EXPECT_TRUE(
        d.text().startsWith(crlf(QStringLiteral("Fecha 07/12/2026     Tpv 1⏎Mesa 7 Comanda N.  12⏎"
                                                "*** REIMPRESIÓN ***⏎*** RESPALDO DE Barra ***⏎⏎ *****"))))
        << d.text().toStdString();
    EXPECT_EQ(roles(d)[6], LineRole::CancelledDish);
    EXPECT_EQ(roles(d)[7], LineRole::CancelledExtra);

    ticket::Content bare;
    bare.aLaCarte = {dish(QStringLiteral("1"), QStringLiteral("Flan"))};
    Document top = ticket::compose(bare, QTime(9, 0, 0), 0);
    ticket::addMark(top, ticket::kPossibleRepeatMark);
    EXPECT_TRUE(top.text().startsWith(crlf(QStringLiteral("*** POSIBLE REPETICIÓN ***⏎ *****"))));
}

// A kitchen screen reads its card back from the roles of the lines the
// composer wrote: the padded table, each mark without its asterisks, each
// dish with its extras and section, a cancelled one, the time of sending.
TEST(TicketComposer, AScreenReadsBackTheTableTheMarksAndEachDishWithItsExtras) {
    ticket::Content c;
    c.header =
        ticket::Header{QStringLiteral("07/12/2026"), QStringLiteral("1"), QStringLiteral("7 "), QStringLiteral("12")};
    c.aLaCarte = {dish(QStringLiteral("2"), QStringLiteral("Caña de 33 cl"), {}, true),
                  dish(QStringLiteral("-1"), QStringLiteral("Entrecot"), {QStringLiteral("Poco hecho")}, true)};
    c.menu = {
        dish(QStringLiteral("1"), QStringLiteral("Flan"), {QStringLiteral("Nata"), QStringLiteral("Sin azúcar")})};
    c.marks << ticket::kReprintMark;
    Document d = ticket::compose(c, QTime(9, 5, 7), 2);
    ticket::addMark(d, ticket::backupMark(QStringLiteral("Barra")));
    const ticket::Card card = ticket::cardOf(d);
    EXPECT_EQ(card.table, QStringLiteral("7"));
    EXPECT_EQ(card.order, QStringLiteral("12"));
    EXPECT_EQ(card.sentAt, QStringLiteral("09:05:07"));
    EXPECT_EQ(card.marks, (QStringList{QStringLiteral("REIMPRESIÓN"), QStringLiteral("RESPALDO DE Barra")}));
    ASSERT_EQ(card.dishes.size(), 3u);
    EXPECT_EQ(card.dishes[0].name, QStringLiteral("Caña de 33 cl"));
    EXPECT_EQ(card.dishes[0].amount, 2);
    EXPECT_TRUE(card.dishes[1].cancelled);
    EXPECT_EQ(card.dishes[1].amount, -1);
    EXPECT_EQ(card.dishes[1].extras, QStringList{QStringLiteral("Poco hecho")});
    EXPECT_TRUE(card.dishes[2].menu);
    EXPECT_FALSE(card.dishes[1].menu);
    EXPECT_EQ(card.dishes[2].extras, (QStringList{QStringLiteral("Nata"), QStringLiteral("Sin azúcar")}));
}
