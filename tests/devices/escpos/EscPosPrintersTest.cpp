// The declared kitchen printers as installed printers of the printer layer.
#include "compat/Error.h"
#include "support/StatusText.h"
#include "devices/folder/FolderPrinters.h"
#include "devices/Printers.h"
#include "devices/escpos/EscPosPrinters.h"
#include "support/FixedClock.h"
#include "support/LoopbackSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tpv;
using namespace tpv::test;

namespace {

// A port nothing listens on.
int closedPort() { return Listener().port(); }

EscPosPrinterConfig blindPrinter(int port) {
    EscPosPrinterConfig c;
    c.name = QStringLiteral("Cocina");
    c.connection = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
    c.stateQueries = EscPosPrinterConfig::StateQueries::Never;
    return c;
}

QString failureOf(PrinterDevice &d, const PrinterState &s, const QString &text = QStringLiteral("X\r\n")) {
    try {
        d.deliver(s, Document::fromText(text));
    } catch (const TpvError &e) {
        EXPECT_EQ(e.number(), err::PrinterError);
        return e.description();
    }
    return {};
}

class DeclaredPrinters : public ::testing::Test {
protected:
    void writeIni(const QByteArray &text) {
        QFile f(dir.filePath(QStringLiteral("impresoras.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QStringList names(const PrinterLayer &layer) const {
        QStringList out;
        for (int i = 0; i < layer.count(); ++i) out << layer.installed(i).name();
        return out;
    }
    QTemporaryDir dir;
};

}  // namespace

TEST(EscPosPrinterState, DeclaredPrinterReportsARollOfEightyMillimetresNotAFolderPrintersA4) {
    const PrinterState s = escPosPrinterState(blindPrinter(9100));
    EXPECT_EQ(s.name(), QStringLiteral("Cocina"));
    EXPECT_EQ(s.get(PrinterProperty::DriverName).toText(), QStringLiteral("ESC/POS"));
    EXPECT_EQ(s.get(PrinterProperty::Port).toText(), QStringLiteral("tcp://127.0.0.1:9100"));
    EXPECT_EQ(s.get(PrinterProperty::Width).toInt32(), 4535);
    EXPECT_EQ(s.get(PrinterProperty::Orientation).toInt32(), 1);
    EXPECT_EQ(s.get(PrinterProperty::Copies).toInt32(), 1);
    EXPECT_EQ(s.get(PrinterProperty::FontName).toText(), QStringLiteral("Arial"));
    EXPECT_EQ(s.get(PrinterProperty::FontSize).toDouble(), 9.0);
    EXPECT_FALSE(s.get(PrinterProperty::FontBold).toBool());
    // Every property can be read: the printer panel shows them all.
    for (auto p : allPrinterProperties()) EXPECT_TRUE(s.values.contains(p)) << propertyName(p).toStdString();
}

TEST(EscPosPrinterDevice, FailedPrinterIsNotConnectedToAgainUntilTheNextTick) {
    const int port = closedPort();
    auto device = makeEscPosPrinterDevice(blindPrinter(port));
    const PrinterState s = escPosPrinterState(blindPrinter(port));
    const QString cause = failureOf(*device, s);
    ASSERT_FALSE(cause.isEmpty());
    EXPECT_TRUE(cause.contains(QStringLiteral("Cocina"))) << cause.toStdString();
    EXPECT_EQ(statusText(device->status(s)), QStringLiteral("Sin conexión"));

    Listener now(port);  // the printer is back, but within the same tick
    ASSERT_TRUE(now.ok());
    EXPECT_EQ(failureOf(*device, s), cause);
    EXPECT_TRUE(now.takeConnection().isNull()) << "tried again within the tick";

    device->newTick();
    EXPECT_EQ(failureOf(*device, s), QString());
    EXPECT_FALSE(now.takeConnection().isEmpty());
    EXPECT_EQ(statusText(device->status(s)), QStringLiteral("Lista"));
}

TEST(EscPosPrinterDevice, TicketFontOfThePrinterStateDecidesBoldAndSizeNotTheDefault) {
    Listener printer;
    ASSERT_TRUE(printer.ok());
    auto device = makeEscPosPrinterDevice(blindPrinter(printer.port()));
    PrinterState s = escPosPrinterState(blindPrinter(printer.port()));
    EXPECT_EQ(statusText(device->status(s)), QString()) << "a state before the first ticket";
    s.set(PrinterProperty::FontSize, 14.0);
    s.set(PrinterProperty::FontBold, true);
    ASSERT_EQ(failureOf(*device, s, QStringLiteral("Caña\r\n")), QString());
    const QByteArray bold14 = printer.takeConnection();
    EXPECT_TRUE(bold14.contains(QByteArray::fromHex("1d2101"))) << bold14.toHex().toStdString();
    EXPECT_TRUE(bold14.contains(QByteArray::fromHex("1b4501"))) << bold14.toHex().toStdString();
    EXPECT_TRUE(bold14.contains(QByteArray::fromHex("4361a4610a"))) << "Caña in page 858, then its line end";

    s.set(PrinterProperty::FontSize, 9.0);
    s.set(PrinterProperty::FontBold, false);
    ASSERT_EQ(failureOf(*device, s), QString());
    const QByteArray plain = printer.takeConnection();
    EXPECT_TRUE(plain.contains(QByteArray::fromHex("1d2100"))) << plain.toHex().toStdString();
    EXPECT_FALSE(plain.contains(QByteArray::fromHex("1b4501")));
}

TEST_F(DeclaredPrinters, MistakesAreReturnedWithPrinterAndLineAndTheOtherPrintersStillInstall) {
    writeIni(
        "[Cocina]\nconexion=tcp://127.0.0.1:9100\n[Barra]\nconexion=tcp://127.0.0.1:9101\npaginacodigos=437\n"
        "[Postres]\nconexion=tcp://127.0.0.1:9102\ncorte=medio\n");
    PrinterLayer layer;
    QStringList errors;
    addDeclaredPrinters(layer, dir.path(), &errors);
    ASSERT_EQ(errors.size(), 2) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("línea 5")) && errors[0].contains(QStringLiteral("Barra")))
        << errors[0].toStdString();
    EXPECT_TRUE(errors[1].contains(QStringLiteral("línea 8")) && errors[1].contains(QStringLiteral("Postres")))
        << errors[1].toStdString();
    EXPECT_EQ(names(layer), (QStringList{QStringLiteral("Cocina"), QStringLiteral("Postres")}));
}

TEST_F(DeclaredPrinters, DeclaredPrinterReplacesTheFolderPrinterOfItsNameAndTheListStaysInByteOrder) {
    QTemporaryDir folders;
    for (const char *n : {"Barra", "Cocina"}) QDir(folders.path()).mkdir(QString::fromLatin1(n));
    writeIni(
        "[Cocina]\nconexion=tcp://127.0.0.1:9100\n[Zona "
        "b]\nconexion=usb:/dev/usb/lp0\n[Almacén]\nconexion=tcp://127.0.0.1:9102\n");
    FolderPrinters layer(folders.path());
    QStringList errors;
    addDeclaredPrinters(layer, dir.path(), &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(names(layer), (QStringList{QStringLiteral("Almacén"), QStringLiteral("Barra"), QStringLiteral("Cocina"),
                                         QStringLiteral("Zona b")}));
    EXPECT_EQ(layer.installed(2).get(PrinterProperty::DriverName).toText(), QStringLiteral("ESC/POS"));
    EXPECT_EQ(layer.installed(1).get(PrinterProperty::DriverName).toText(), QStringLiteral("Impresora de carpeta"));
}

TEST_F(DeclaredPrinters, NoFileDeclaresNothingAndIsNoMistake) {
    QTemporaryDir folders;
    QDir(folders.path()).mkdir(QStringLiteral("Barra"));
    FolderPrinters layer(folders.path());
    QStringList errors;
    addDeclaredPrinters(layer, dir.path(), &errors);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(names(layer), QStringList{QStringLiteral("Barra")});
}

TEST(PrinterLayerStates, PrinterWithoutItsOwnStateSaysListaOnlyAfterATicketAndAGoneFolderReadsAlikeToATicketAndALook) {
    QTemporaryDir folders;
    QDir(folders.path()).mkdir(QStringLiteral("Barra"));
    FolderPrinters layer(folders.path());
    FixedClock clock(QTime(21, 30, 5));
    layer.setClock(&clock);
    ASSERT_EQ(layer.states().size(), 1u);
    EXPECT_EQ(statusText(layer.states()[0].status), QString());
    EXPECT_FALSE(layer.states()[0].lastTicket.isValid());
    layer.makeCurrent(0);
    layer.print(QStringLiteral("Hola"));
    layer.endDoc();
    EXPECT_EQ(layer.states()[0].name, QStringLiteral("Barra"));
    EXPECT_EQ(statusText(layer.states()[0].status), QStringLiteral("Lista"));
    EXPECT_EQ(layer.states()[0].lastTicket, QTime(21, 30, 5));
    // The folder goes away: the next ticket fails, and the list says so in
    // the words a look uses for the same fault.
    QDir(QDir(folders.path()).filePath(QStringLiteral("Barra"))).removeRecursively();
    layer.print(QStringLiteral("Hola"));
    EXPECT_THROW(layer.endDoc(), TpvError);
    EXPECT_EQ(statusText(layer.states()[0].status), QStringLiteral("Sin conexión"));
    EXPECT_EQ(layer.states()[0].lastTicket, QTime(21, 30, 5));
    EXPECT_EQ(statusText(layer.probe(0)->status), QStringLiteral("Sin conexión"));
    EXPECT_EQ(statusText(layer.states()[0].status), QStringLiteral("Sin conexión"));
}
