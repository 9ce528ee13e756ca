#include "devices/escpos/EscPosConfig.h"
#include "devices/escpos/EscPosConnection.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tpv;

namespace {

class EscPosConfigFile : public ::testing::Test {
protected:
    EscPosConfigResult read(const QByteArray &text) {
        QFile f(path());
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        return readEscPosPrinters(path());
    }
    QString path() const { return dir.filePath(QStringLiteral("impresoras.ini")); }
    QTemporaryDir dir;
};

QStringList names(const EscPosConfigResult &r) {
    QStringList out;
    for (const auto &p : r.printers) out << p.name;
    return out;
}

}  // namespace

TEST_F(EscPosConfigFile, TrailingCommentsAreNotPartOfTheValues) {
    const auto r = read(
        "[Cocina]\n"
        "conexion=tcp://127.0.0.1:9100   ; o usb:/dev/usb/lp0\n"
        "paginacodigos=1252              ; 858, 850 o 1252\n"
        "corte=total                     ; parcial, total o no\n"
        "aviso=si                        ; zumbador\n"
        "estado=no                       ; preguntar el estado\n");
    ASSERT_TRUE(r.errors.isEmpty()) << r.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(r.printers.size(), 1u);
    const auto &p = r.printers[0];
    EXPECT_EQ(p.name, QStringLiteral("Cocina"));
    EXPECT_EQ(p.connection, QStringLiteral("tcp://127.0.0.1:9100"));
    EXPECT_EQ(p.codePage, 1252);
    EXPECT_EQ(p.cut, EscPosPrinterConfig::Cut::Full);
    EXPECT_EQ(p.alert, EscPosPrinterConfig::Alert::Buzzer);
    EXPECT_EQ(p.stateQueries, EscPosPrinterConfig::StateQueries::Never);
}

TEST_F(EscPosConfigFile, OnlyTheConnectionIsNeededAndNonAsciiNamesSurvive) {
    const auto r = read("[Barra Peña]\nconexion=serie:/dev/ttyUSB0?baudios=19200\n");
    ASSERT_TRUE(r.errors.isEmpty()) << r.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(r.printers.size(), 1u);
    const auto &p = r.printers[0];
    EXPECT_EQ(p.name, QStringLiteral("Barra Peña"));
    EXPECT_EQ(p.codePage, 858);
    EXPECT_EQ(p.cut, EscPosPrinterConfig::Cut::Partial);
    EXPECT_EQ(p.alert, EscPosPrinterConfig::Alert::None);
    EXPECT_EQ(p.stateQueries, EscPosPrinterConfig::StateQueries::Auto);
    EXPECT_EQ(p.style, EscPosPrinterConfig::Style::Kitchen);
    EXPECT_EQ(p.selector(), 19);
}

TEST_F(EscPosConfigFile, EachMistakeNamesPrinterAndLineAndTheOtherPrintersStillLoad) {
    const auto r = read(
        "; impresoras de cocina\n"         // 1
        "[Cocina]\n"                       // 2
        "conexion=tcp://127.0.0.1:9100\n"  // 3
        "[Barra]\n"                        // 4
        "conexion=usb:/dev/usb/lp0\n"      // 5
        "papel=si\n"                       // 6  unknown key: still loads
        "[Terraza]\n"                      // 7
        "conexion=tcp://127.0.0.1\n"       // 8  no port: left out
        "[Horno]\n"                        // 9
        "conexion=usb:/dev/usb/lp1\n"      // 10
        "paginacodigos=437\n"              // 11 unknown page: left out
        "[Postres]\n"                      // 12
        "conexion=usb:/dev/usb/lp2\n"      // 13
        "corte=medio\n"                    // 14 bad value: partial
        "aviso=quizas\n");                 // 15 bad value: no
    EXPECT_EQ(names(r), (QStringList{QStringLiteral("Cocina"), QStringLiteral("Barra"), QStringLiteral("Postres")}));
    const QString all = r.errors.join(QLatin1Char('\n'));
    ASSERT_EQ(r.errors.size(), 5) << all.toStdString();
    auto has = [&](const char *start) {
        for (const QString &e : r.errors)
            if (e.startsWith(QString::fromUtf8(start))) return true;
        return false;
    };
    EXPECT_TRUE(has("impresoras.ini, línea 6: la impresora Barra tiene una clave desconocida «papel»"))
        << all.toStdString();
    EXPECT_TRUE(has("impresoras.ini, línea 8: la impresora Terraza tiene una conexión mal escrita"))
        << all.toStdString();
    EXPECT_TRUE(has("impresoras.ini, línea 11: la impresora Horno tiene una página de códigos desconocida «437»"))
        << all.toStdString();
    EXPECT_TRUE(
        has("impresoras.ini, línea 14: la impresora Postres tiene corte=medio, que no es parcial, total ni no; "
            "se usa parcial"))
        << all.toStdString();
    EXPECT_TRUE(has("impresoras.ini, línea 15: la impresora Postres tiene aviso=quizas")) << all.toStdString();
    EXPECT_EQ(r.printers[2].cut, EscPosPrinterConfig::Cut::Partial);
    EXPECT_EQ(r.printers[2].alert, EscPosPrinterConfig::Alert::None);
}

TEST_F(EscPosConfigFile, MissingFileDeclaresNothingAndIsNoError) {
    const auto r = readEscPosPrinters(dir.filePath(QStringLiteral("no-existe.ini")));
    EXPECT_TRUE(r.printers.empty());
    EXPECT_TRUE(r.errors.isEmpty());
}

TEST(EscPosConnectionText, MalformedConnectionsAreRejectedWithTheReason) {
    EscPosConnection c;
    QString why;
    for (const char *bad : {"tcp://127.0.0.1:70000", "tcp://127.0.0.1:", "usb:lp0", "serie:/dev/ttyS0?baudios=12345",
                            "serie:/dev/ttyS0?velocidad=9600", "lpt1", ""}) {
        why.clear();
        EXPECT_FALSE(parseEscPosConnection(QString::fromLatin1(bad), &c, &why)) << bad;
        EXPECT_FALSE(why.isEmpty()) << bad;
    }
    ASSERT_TRUE(parseEscPosConnection(QStringLiteral("serie:/dev/ttyS0"), &c, &why));
    EXPECT_EQ(c.baud, 9600);
    ASSERT_TRUE(parseEscPosConnection(QStringLiteral("serie:/dev/ttyS0?baudios=115200"), &c, &why));
    EXPECT_EQ(c.kind, EscPosConnection::Kind::Serial);
    EXPECT_EQ(c.device, QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(c.baud, 115200);
    ASSERT_TRUE(parseEscPosConnection(QStringLiteral("tcp://127.0.0.1:9100"), &c, &why));
    EXPECT_EQ(c.host, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(c.port, 9100);
}

TEST_F(EscPosConfigFile, NewKeysTakeTheirWordsAndABadValueKeepsTheDefaultWithItsLine) {
    const auto r = read(
        "[Cocina]\n"                   // 1
        "conexion=usb:serie=ABC123\n"  // 2
        "tabla=6\n"                    // 3
        "aviso=cajón\n"                // 4
        "estado=si\n"                  // 5
        "estilo=sencillo\n"            // 6
        "[Barra]\n"                    // 7
        "conexion=usb:04B8:0202\n"     // 8
        "paginacodigos=1252\n"         // 9
        "tabla=300\n"                  // 10 out of range: the usual 16
        "estado=quizas\n"              // 11 unknown: auto
        "estilo=bonito\n");            // 12 unknown: cocina
    ASSERT_EQ(r.printers.size(), 2u);
    const auto &cocina = r.printers[0];
    EXPECT_EQ(cocina.selector(), 6);
    EXPECT_EQ(cocina.alert, EscPosPrinterConfig::Alert::Drawer);
    EXPECT_EQ(cocina.stateQueries, EscPosPrinterConfig::StateQueries::Always);
    EXPECT_EQ(cocina.style, EscPosPrinterConfig::Style::Plain);
    const auto &barra = r.printers[1];
    EXPECT_EQ(barra.selector(), 16);
    EXPECT_EQ(barra.stateQueries, EscPosPrinterConfig::StateQueries::Auto);
    EXPECT_EQ(barra.style, EscPosPrinterConfig::Style::Kitchen);
    EXPECT_EQ(
        r.errors,
        (QStringList{
            QStringLiteral("impresoras.ini, línea 10: la impresora Barra tiene tabla=300, que no es un número de 0 a "
                           "255; se usa 16"),
            QStringLiteral("impresoras.ini, línea 11: la impresora Barra tiene estado=quizas, que no es auto, si "
                           "ni no; se usa auto"),
            QStringLiteral("impresoras.ini, línea 12: la impresora Barra tiene estilo=bonito, que no es cocina ni "
                           "sencillo; se usa cocina")}));
}

// Groups without conexion= belong to CUPS or folder printers: the backup
// settings the print run reads, and the style keys, are no mistake there,
// nor in a thermal printer's group.
TEST_F(EscPosConfigFile, BackupSettingsAndGroupsWithoutConnectionAreNoMistakeButAMisspeltKeyIs) {
    const auto r = read(
        "[Cocina]\n"                       // 1
        "conexion=tcp://127.0.0.1:9100\n"  // 2
        "respaldo=Barra\n"                 // 3
        "respaldo_tras=30\n"               // 4
        "[Postres]\n"                      // 5
        "respaldo=Cocina\n"                // 6
        "respaldo_tras=60\n"               // 7
        "estilo=sencillo\n"                // 8
        "[Barra]\n"                        // 9
        "respaldos=Cocina\n");             // 10
    EXPECT_EQ(names(r), QStringList{QStringLiteral("Cocina")});
    ASSERT_EQ(r.errors.size(), 1) << r.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(r.errors[0].startsWith(
        QStringLiteral("impresoras.ini, línea 10: la impresora Barra tiene una clave desconocida «respaldos»")))
        << r.errors[0].toStdString();
}

TEST(EscPosConnectionText, UsbPrinterNamedBySerialOrIdsInsteadOfItsNode) {
    EscPosConnection c;
    QString why;
    ASSERT_TRUE(parseEscPosConnection(QStringLiteral("usb:serie=ABC-123"), &c, &why));
    EXPECT_EQ(c.kind, EscPosConnection::Kind::Usb);
    EXPECT_EQ(c.usbSerial, QStringLiteral("ABC-123"));
    EXPECT_TRUE(c.device.isEmpty());
    ASSERT_TRUE(parseEscPosConnection(QStringLiteral("usb:04B8:0e15"), &c, &why));
    EXPECT_EQ(c.usbVendor, QStringLiteral("04b8"));
    EXPECT_EQ(c.usbProduct, QStringLiteral("0e15"));
    EXPECT_EQ(escPosConnectionPlace(c), QStringLiteral("USB 04b8:0e15"));
    for (const char *bad : {"usb:serie=", "usb:04b8", "usb:04b8:02", "usb:serie=A B"}) {
        why.clear();
        EXPECT_FALSE(parseEscPosConnection(QString::fromLatin1(bad), &c, &why)) << bad;
        EXPECT_TRUE(why.contains(QStringLiteral("usb:serie="))) << bad << why.toStdString();
    }
}
