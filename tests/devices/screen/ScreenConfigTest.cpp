// The screens of impresoras.ini and the keys the installer sets there.
#include "devices/escpos/EscPosConfig.h"
#include "devices/screen/ScreenConfig.h"
#include "devices/screen/ScreenKeys.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tpv;

namespace {

class ScreenIni : public ::testing::Test {
protected:
    void write(const QByteArray &text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray read() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir tmp;
    QString path = tmp.filePath(QStringLiteral("impresoras.ini"));
};

}  // namespace

TEST_F(ScreenIni, AScreenIsNoThermalPrinterMistakeAndAShortKeyOpensNothing) {
    write(
        "[Pase]\nconexion=pantalla\nclave=corta\naviso_min=20\nalarma_min=10\n\n"
        "[Barra]\nconexion=tcp://127.0.0.1:9100\n");
    const EscPosConfigResult thermal = readEscPosPrinters(path);
    EXPECT_TRUE(thermal.errors.isEmpty()) << thermal.errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(thermal.printers.size(), 1u);
    const ScreenConfigResult screens = readScreens(path);
    ASSERT_EQ(screens.screens.size(), 1u);
    EXPECT_TRUE(screens.screens[0].key.isEmpty());
    EXPECT_EQ(screens.screens[0].warnMinutes, 8);
    EXPECT_EQ(screens.screens[0].alarmMinutes, 15);
    EXPECT_EQ(screens.errors.size(), 2) << screens.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(
        screens.errors.value(0).startsWith(QStringLiteral("impresoras.ini, línea 3: la clave de la pantalla Pase")));
}

TEST_F(ScreenIni, AKeyIsSetInItsScreensGroupAloneAndAPrinterIsNotMadeAScreen) {
    write(
        "; cocina\n[Barra]\nconexion=tcp://127.0.0.1:9100\n[Pase]\nconexion=pantalla ; la de la pared\nclave=vieja\n"
        "aviso_min=5\n[Postres]\nrespaldo=Barra\n");
    QString error;
    ASSERT_TRUE(setScreenKey(path, QStringLiteral("Pase"), "nueva-clave-de-pase", &error)) << error.toStdString();
    ASSERT_TRUE(setScreenKey(path, QStringLiteral("Terraza"), "clave-de-la-terraza", &error)) << error.toStdString();
    EXPECT_EQ(read(),
              "; cocina\n[Barra]\nconexion=tcp://127.0.0.1:9100\n[Pase]\nconexion=pantalla ; la de la pared\n"
              "clave=nueva-clave-de-pase\naviso_min=5\n[Postres]\nrespaldo=Barra\n\n[Terraza]\nconexion=pantalla\n"
              "clave=clave-de-la-terraza\n");
    EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    EXPECT_FALSE(setScreenKey(path, QStringLiteral("Barra"), newScreenKey(), &error));
    EXPECT_FALSE(setScreenKey(path, QStringLiteral("Postres"), newScreenKey(), &error));
    EXPECT_FALSE(setScreenKey(path, QStringLiteral("Pa]se"), newScreenKey(), &error));
    EXPECT_EQ(readScreens(path).screens.size(), 2u);
}
