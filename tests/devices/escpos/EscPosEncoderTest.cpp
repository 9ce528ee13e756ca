#include "ticket/Document.h"
#include "devices/escpos/EscPosDecoder.h"
#include "devices/escpos/EscPosEncoder.h"

#include <gtest/gtest.h>

using namespace tpv;

namespace {

QByteArray hex(const char *h) { return QByteArray::fromHex(h); }

EscPosPrinterConfig page(int codePage) {
    EscPosPrinterConfig c;
    c.name = QStringLiteral("Cocina");
    c.codePage = codePage;
    return c;
}

// "¿Añadir café?" / "1 Menú 9,50 €" as the printer layer ends the document.
const QString kSpanish = QStringLiteral("¿Añadir café?\r\n1 Menú 9,50 €\r\n");

// Reset, page selector, normal size; then the text; bold off, partial cut.
QByteArray ticket(const char *selector, const char *textHex) {
    return hex("1b40") + hex("1b74") + hex(selector) + hex("1d2100") + hex(textHex) + hex("1b45001d564200");
}

}  // namespace

TEST(EscPosEncoder, SpanishTextIsWrittenInEachCodePageWithLfLineEnds) {
    // Bytes taken from the printers' code page charts, not from iconv.
    EXPECT_EQ(escPosTicket(kSpanish, page(858), {}),
              ticket("13", "a841a46164697220636166823f0a31204d656ea320392c353020d50a"));
    // 850 has no euro sign: it prints as '?', the rest of the line stays.
    EXPECT_EQ(escPosTicket(kSpanish, page(850), {}),
              ticket("02", "a841a46164697220636166823f0a31204d656ea320392c3530203f0a"));
    EXPECT_EQ(escPosTicket(kSpanish, page(1252), {}),
              ticket("10", "bf41f16164697220636166e93f0a31204d656efa20392c353020800a"));
}

TEST(EscPosEncoder, CharactersOutsideThePageBecomeOneQuestionMarkEachAndTheLineSurvives) {
    const QByteArray out = escPosTicket(QStringLiteral("Pollo 🍗 con 米 y ñ\r\n"), page(858), {});
    EXPECT_TRUE(out.contains(QByteArray("Pollo ? con ? y \xa4\n"))) << out.toHex().constData();
}

TEST(EscPosEncoder, ControlCharactersInTheTextCannotSendPrinterCommands) {
    // An ESC or GS inside an article's name would otherwise cut or reset.
    const QByteArray out = escPosTicket(QStringLiteral("A\x1b@B\x1dV\tC\r\n"), page(858), {});
    EXPECT_EQ(out, ticket("13", "413f40423f5609430a"));
}

TEST(EscPosEncoder, BoldAndSizeFollowTheTicketFontAtTheThresholds) {
    const QByteArray big = escPosTicket(QStringLiteral("X\r\n"), page(858), EscPosFont{true, 18});
    EXPECT_EQ(big, hex("1b401b74131b45011d2111580a1b45001d564200"));
    EXPECT_EQ(escPosSizeByte(13.9), 0x00);
    EXPECT_EQ(escPosSizeByte(14), 0x01);
    EXPECT_EQ(escPosSizeByte(17.9), 0x01);
    EXPECT_EQ(escPosSizeByte(18), 0x11);
    // Not bold: no ESC E 1, but bold is still switched off at the end.
    EXPECT_FALSE(escPosTicket(QStringLiteral("X\r\n"), page(858), EscPosFont{false, 14}).contains(hex("1b4501")));
}

TEST(EscPosEncoder, BuzzerComesBeforeTheCutAndEachCutHasItsBytes) {
    EscPosPrinterConfig c = page(858);
    c.alert = EscPosPrinterConfig::Alert::Buzzer;
    c.cut = EscPosPrinterConfig::Cut::Full;
    EXPECT_TRUE(escPosTicket(QStringLiteral("X\r\n"), c, {}).endsWith(hex("580a1b45001b4203021d564100")));
    c.alert = EscPosPrinterConfig::Alert::None;
    c.cut = EscPosPrinterConfig::Cut::None;
    EXPECT_TRUE(escPosTicket(QStringLiteral("X\r\n"), c, {}).endsWith(hex("580a1b4500")));
    c.cut = EscPosPrinterConfig::Cut::Partial;
    EXPECT_TRUE(escPosTicket(QStringLiteral("X\r\n"), c, {}).endsWith(hex("580a1b45001d564200")));
}

TEST(EscPosDecoder, TicketReadsBackInThePageItsEscTSelected) {
    for (int p : {858, 850, 1252}) {
        const QByteArray bytes =
            escPosTicket(QStringLiteral("Mesa 4\r\n2 Cañas ¿frías?\r\n"), page(p), EscPosFont{true, 18});
        EXPECT_EQ(escPosDecodeTicket(bytes), QStringLiteral("Mesa 4\n2 Cañas ¿frías?\n")) << p;
    }
}

TEST(EscPosDecoder, CommandParametersAreNotTakenForText) {
    // GS ! 0x41 and ESC t 16 carry bytes that would read as 'A' and DLE.
    EXPECT_EQ(escPosDecodeTicket(hex("1b401b74101d2141") + "ok\n" + hex("1d564200")), QStringLiteral("ok\n"));
    EXPECT_EQ(escPosItemLength(hex("1d5642"), 0), 0);  // cut not complete yet
    EXPECT_EQ(escPosItemLength(hex("1d5600"), 0), 3);
}

namespace {

// A ticket as the composer types it, one line of each kind.
Document kitchenTicket() {
    Document d;
    d.addLine(LineRole::Header, QStringLiteral("12/03 Sala"));
    d.addLine(LineRole::TableOrder, QStringLiteral("Mesa 4 Com 7"));
    d.addLine(LineRole::SectionTitle, QStringLiteral("CARTA"));
    d.addLine(LineRole::Dish, QStringLiteral("2 Caña"));
    d.addLine(LineRole::Extra, QStringLiteral(" Con hielo"));
    d.addLine(LineRole::CancelledDish, QStringLiteral("-1 Pan"));
    d.addLine(LineRole::CancelledExtra, QStringLiteral(" Sin sal"));
    d.addLine(LineRole::Mark, QStringLiteral("*** REIMPRESIÓN ***"));
    d.addLine(LineRole::Footer, QStringLiteral("*"));
    d.addLine(LineRole::Blank, QString());  // the line end printing adds
    return d;
}

EscPosPrinterConfig styled(EscPosPrinterConfig::Style style) {
    EscPosPrinterConfig c = page(858);
    c.style = style;
    return c;
}

}  // namespace

TEST(EscPosEncoder, SimpleStyleIgnoresTheRolesAndWritesTheBytesOfThePlainText) {
    const QByteArray plain = escPosTicket(kitchenTicket(), styled(EscPosPrinterConfig::Style::Plain), {});
    EXPECT_EQ(plain, hex("1b401b74131d2100") +
                         QByteArray("12/03 Sala\nMesa 4 Com 7\nCARTA\n2 Ca\xa4"
                                    "a\n Con hielo\n-1 Pan\n Sin sal\n*** REIMPRESI\xe0N ***\n*\n") +
                         hex("1b45001d564200"));
    // The same text without roles prints the same bytes in the kitchen
    // style: a ticket nobody typed looks as it always did.
    EXPECT_EQ(escPosTicket(kitchenTicket().text(), styled(EscPosPrinterConfig::Style::Kitchen), {}), plain);
}

TEST(EscPosEncoder, KitchenStyleRaisesTheTableLineReversesCancelledLinesAndEnlargesMarks) {
    const QByteArray out = escPosTicket(kitchenTicket(), styled(EscPosPrinterConfig::Style::Kitchen), {});
    EXPECT_EQ(out, hex("1b401b74131d2100") + QByteArray("12/03 Sala\n") +  //
                       hex("1d2101") + QByteArray("Mesa 4 Com 7\n") +      // double height
                       hex("1d2100") +
                       QByteArray("CARTA\n2 Ca\xa4"
                                  "a\n Con hielo\n") +
                       hex("1d4201") + QByteArray("-1 Pan") + hex("1d4200") + "\n" +  // reverse
                       hex("1d4201") + QByteArray(" Sin sal") + hex("1d4200") + "\n" + hex("1d2111") +
                       QByteArray("*** REIMPRESI\xe0N ***\n") +  // double width and height
                       hex("1d2100") + QByteArray("*\n") + hex("1b45001d564200"))
        << out.toHex().toStdString();
    // What the printer shows is the same text.
    EXPECT_EQ(escPosDecodeTicket(out), kitchenTicket().text().replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

TEST(EscPosEncoder, KitchenStyleBuildsOnTheTicketFontSizeInsteadOfShrinkingIt) {
    // From 14 pt every line is already double height: the table line needs
    // no change, the mark adds the width, the next line goes back to 14 pt.
    Document d;
    d.addLine(LineRole::TableOrder, QStringLiteral("Mesa 4"));
    d.addLine(LineRole::Mark, QStringLiteral("***"));
    d.addLine(LineRole::Dish, QStringLiteral("1 Pan"));
    const QByteArray out = escPosTicket(d, styled(EscPosPrinterConfig::Style::Kitchen), EscPosFont{true, 14});
    EXPECT_EQ(out, hex("1b401b74131b45011d2101") + QByteArray("Mesa 4\n") + hex("1d2111") + QByteArray("***\n") +
                       hex("1d2101") + QByteArray("1 Pan") + hex("1b45001d564200"))
        << out.toHex().toStdString();
}

// At double width a roll holds about 21 characters: a longer mark would
// break onto a second line, so it is raised in height only.
TEST(EscPosEncoder, KitchenStyleKeepsALongMarkOnOneLineInDoubleHeight) {
    Document d;
    d.addLine(LineRole::Mark, QStringLiteral("*** POSIBLE REPETICIÓN ***"));
    d.addLine(LineRole::Mark, QStringLiteral("*** REIMPRESIÓN ***"));
    const QByteArray out = escPosTicket(d, styled(EscPosPrinterConfig::Style::Kitchen), {});
    EXPECT_EQ(out, hex("1b401b74131d2100") + hex("1d2101") + QByteArray("*** POSIBLE REPETICI\xe0N ***\n") +
                       hex("1d2111") + QByteArray("*** REIMPRESI\xe0N ***") + hex("1b45001d564200"))
        << out.toHex().toStdString();
}

TEST(EscPosEncoder, TablaChangesOnlyTheEscTNumberAndTheDrawerBuzzerHasItsPulse) {
    EscPosPrinterConfig c = page(858);
    c.table = 6;  // one maker's number for 858
    c.alert = EscPosPrinterConfig::Alert::Drawer;
    EXPECT_EQ(escPosTicket(QStringLiteral("Caña\r\n"), c, {}), hex("1b401b74061d2100") +
                                                                   QByteArray("Ca\xa4"
                                                                              "a\n") +
                                                                   hex("1b4500") + hex("1b700019fa") + hex("1d564200"));
    c.table = 0;  // 0 is a number like any other, not "unset"
    EXPECT_TRUE(escPosTicket(QStringLiteral("X"), c, {}).startsWith(hex("1b401b7400")));
}

TEST(EscPosDecoder, AnotherMakersTableNumbersDecodeOnlyWhenTheTicketUsesThem) {
    EscPosTables wincorLike;
    wincorLike.pageOf = {{0, 437}, {1, 850}, {6, 858}, {8, 1252}};
    EscPosPrinterConfig c = page(858);
    const QString text = QStringLiteral("Caña 9,50 €\r\n");
    EXPECT_NE(escPosDecodeTicket(escPosTicket(text, c, {}), wincorLike), QStringLiteral("Caña 9,50 €\n"))
        << "19 is no page on this printer: it stays in 437";
    c.table = 6;
    EXPECT_EQ(escPosDecodeTicket(escPosTicket(text, c, {}), wincorLike), QStringLiteral("Caña 9,50 €\n"));
}
