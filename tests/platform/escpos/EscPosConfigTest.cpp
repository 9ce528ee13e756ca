#include "platform/escpos/EscPosConfig.h"
#include "platform/escpos/EscPosLink.h"

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
    EXPECT_TRUE(p.buzzer);
    EXPECT_FALSE(p.askState);
}

TEST_F(EscPosConfigFile, OnlyTheConnectionIsNeededAndNonAsciiNamesSurvive) {
    const auto r = read("[Barra Peña]\nconexion=serie:/dev/ttyUSB0?baudios=19200\n");
    ASSERT_TRUE(r.errors.isEmpty()) << r.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(r.printers.size(), 1u);
    const auto &p = r.printers[0];
    EXPECT_EQ(p.name, QStringLiteral("Barra Peña"));
    EXPECT_EQ(p.codePage, 858);
    EXPECT_EQ(p.cut, EscPosPrinterConfig::Cut::Partial);
    EXPECT_FALSE(p.buzzer);
    EXPECT_TRUE(p.askState);
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
        "aviso=quizas\n"                   // 15 bad value: no
        "[Vacia]\n"                        // 16 no connection: left out
        "corte=no\n");                     // 17
    EXPECT_EQ(names(r), (QStringList{QStringLiteral("Cocina"), QStringLiteral("Barra"), QStringLiteral("Postres")}));
    const QString all = r.errors.join(QLatin1Char('\n'));
    ASSERT_EQ(r.errors.size(), 6) << all.toStdString();
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
    EXPECT_TRUE(has("impresoras.ini, línea 14: la impresora Postres tiene un corte desconocido «medio»"))
        << all.toStdString();
    EXPECT_TRUE(has("impresoras.ini, línea 15: la impresora Postres tiene aviso=quizas")) << all.toStdString();
    EXPECT_TRUE(has("impresoras.ini, línea 16: la impresora Vacia no tiene conexión")) << all.toStdString();
    EXPECT_EQ(r.printers[2].cut, EscPosPrinterConfig::Cut::Partial);
    EXPECT_FALSE(r.printers[2].buzzer);
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
