#include "ticket/Document.h"

#include <gtest/gtest.h>

using namespace tpv;

// Folder printers write text() byte for byte: a document made of a ticket's
// text, or of its pieces printed one after the other, must give that text
// back exactly, trailing empty lines and all.
TEST(Document, TextSplitIntoLinesAndJoinedAgainIsTheSameTextWhateverItsEnds) {
    for (const QString &t :
         {QString(), QStringLiteral("a"), QStringLiteral("\r\n"), QStringLiteral("a\r\nb"), QStringLiteral("a\r\n\r\n"),
          QStringLiteral("\r\n\r\nx\r\n*\r\n\r\n"), QStringLiteral("lone\rcr and\nlf stay")}) {
        EXPECT_EQ(Document::fromText(t).text(), t) << t.toStdString();
    }
    Document pieces;
    pieces.appendText(QStringLiteral("Mesa 4"));
    pieces.appendText(QStringLiteral(" Comanda N.  12\r\n\r\n"));
    pieces.appendText(QStringLiteral("1 Flan"));
    pieces.appendText(QStringLiteral("\r\n"));
    EXPECT_EQ(pieces.text(), QStringLiteral("Mesa 4 Comanda N.  12\r\n\r\n1 Flan\r\n"));
}

TEST(Document, TextContinuingAnEmptyLineTakesItsRoleButNeverTakesAnotherLinesRole) {
    Document d;
    d.addLine(LineRole::TableOrder, QStringLiteral("Mesa 4"));
    d.appendText(QStringLiteral(" Comanda 12"), LineRole::Dish);
    d.addLine(LineRole::Blank, QString());
    d.appendText(QStringLiteral("-1 Flan"), LineRole::CancelledDish);
    ASSERT_EQ(d.lines().size(), 2u);
    EXPECT_EQ(d.lines()[0], (DocumentLine{LineRole::TableOrder, QStringLiteral("Mesa 4 Comanda 12")}));
    EXPECT_EQ(d.lines()[1], (DocumentLine{LineRole::CancelledDish, QStringLiteral("-1 Flan")}));
}
