// The ticket's look on plain strings, without a database or a printer.
#include "printing/Ticket.h"

#include <QLocale>
#include <QTime>
#include <gtest/gtest.h>

using namespace tpv;

namespace {
QString crlf(QString s) { return s.replace(QStringLiteral("⏎"), QStringLiteral("\r\n")); }
}  // namespace

TEST(TicketComposer, HeaderKeepsTheFixedWidthBlanksAndEndsWithAnEmptyLine) {
    EXPECT_EQ(
        ticket::header(QStringLiteral("07/12/2026"), QStringLiteral("1"), QStringLiteral("7"), QStringLiteral("12")),
        crlf(QStringLiteral("Fecha 07/12/2026     Tpv 1⏎Mesa 7 Comanda N.  12⏎⏎")));
}

TEST(TicketComposer, MenuTitleIsThreeLinesOnAnEmptyTicketAndOneLineAfterCartaLines) {
    const QString rule = QStringLiteral("__________________");
    EXPECT_EQ(ticket::menuTitle(crlf(QStringLiteral("H⏎")), true),
              crlf(QStringLiteral("H⏎") + rule + QStringLiteral("⏎Platos de Menu⏎") + rule + QStringLiteral("⏎")));
    EXPECT_EQ(ticket::menuTitle(QStringLiteral("H⏎"), false),
              rule + QStringLiteral("Platos de Menu") + rule + QStringLiteral("\r\n"));
}

TEST(TicketComposer, ALineWithAnExtraRowEndsWithAnEmptyLineAndNegativeQuantitiesKeepTheirSign) {
    EXPECT_EQ(ticket::cartaLine(-1, QStringLiteral("Caña")) + ticket::extra(QStringLiteral("Sin hielo")) +
                  ticket::cartaLineEnd(true),
              crlf(QStringLiteral("-1 Caña⏎     /Sin hielo⏎⏎")));
    EXPECT_EQ(ticket::menuDish(2, QStringLiteral("Flan")) + ticket::menuDishEnd(), crlf(QStringLiteral("2 Flan⏎")));
}

TEST(TicketComposer, FooterWritesTwoDigitTimeAndNoBlankLinesForZeroOrLess) {
    EXPECT_EQ(ticket::footer(QTime(9, 5, 7)), crlf(QStringLiteral("**********⏎Hora de Envio: 09:05:07⏎*")));
    EXPECT_EQ(ticket::blankLines(3), crlf(QStringLiteral("⏎⏎⏎")));
    EXPECT_TRUE(ticket::blankLines(0).isEmpty());
    EXPECT_TRUE(ticket::blankLines(-1).isEmpty());
}

TEST(TicketComposer, TwoSendingsOfOneTicketCompareEqualWithoutTheirTimeButADishNamedLikeTheFooterStays) {
    const QString body = crlf(QStringLiteral("1 Hora de Envio: 10:00:00⏎"));
    const QString a = body + ticket::footer(QTime(9, 5, 7)) + ticket::blankLines(2);
    const QString b = body + ticket::footer(QTime(21, 0, 0)) + ticket::blankLines(2);
    EXPECT_NE(a, b);
    EXPECT_EQ(ticket::withoutSendingTime(a), ticket::withoutSendingTime(b));
    EXPECT_TRUE(ticket::withoutSendingTime(a).contains(QStringLiteral("10:00:00")));
}
