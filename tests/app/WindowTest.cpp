// The real window, under an X server (Xvfb in the test command).
#include "TestSupport.h"

#include "app/window/Program.h"
#include "platform/Error.h"

#include <QAbstractButton>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QSet>
#include <QTest>
#include <QWidget>

using namespace tpv;
using namespace tpv::test;

namespace {

class Window : public ServerTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "sin servidor X (plataforma " << QGuiApplication::platformName().toStdString()
                         << "): la prueba de ventana necesita Xvfb";
        ServerTest::SetUp();
    }
    std::unique_ptr<QtMainWindow> open() {
        auto run = [this](const std::function<void()> &a) {
            try {
                a();
            } catch (const TpvError &e) {
                f->showUnhandled(e);
            }
        };
        auto w = std::make_unique<QtMainWindow>(*f, windowActions(*f, run, [] { return true; }));
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }
    // Saves the window and tells how many colours it shows.
    int shoot(QWidget *w, const QString &name) {
        QTest::qWait(100);
        const QImage img = w->grab().toImage();
        const QString dir = qEnvironmentVariable("TPV_SCREENSHOT_DIR", QStringLiteral(TPV_SCREENSHOT_DIR));
        QDir().mkpath(dir);
        img.save(QDir(dir).filePath(name));
        QSet<QRgb> colours;
        for (int y = 0; y < img.height(); y += 3)
            for (int x = 0; x < img.width(); x += 3) colours.insert(img.pixel(x, y));
        return colours.size();
    }
};

}  // namespace

TEST_F(Window, MainWindowOpensWithItsListsAndCaption) {
    demo::addOrder(*server, 1, fecha, 7, 3, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 2, {}}}, {});
    start();
    tick();
    tick();
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Lector TPV_Garnet 1.06.002"));
    auto *lstReal = w->findChild<QListWidget *>(QStringLiteral("lstReal"));
    ASSERT_NE(lstReal, nullptr);
    EXPECT_EQ(lstReal->item(0)->text(), QStringLiteral("-REALIZADOS-"));
    EXPECT_EQ(lstReal->item(1)->text(), QStringLiteral("Comanda 7 del día 07/12/2026 Tpv: 1"));
    EXPECT_GT(shoot(w.get(), QStringLiteral("ventana-principal.png")), 4) << "la captura está en blanco";
}

TEST_F(Window, ClickingADoneJobShowsTheChoiceFrameOverTheLists) {
    demo::addOrder(*server, 1, fecha, 7, 3, {{QStringLiteral("CAN"), QStringLiteral("Caña"), 2, {}}}, {});
    start();
    tick();
    tick();
    auto w = open();
    auto *lstReal = w->findChild<QListWidget *>(QStringLiteral("lstReal"));
    ASSERT_NE(lstReal, nullptr);
    QTest::mouseClick(lstReal->viewport(), Qt::LeftButton, {}, lstReal->visualItemRect(lstReal->item(1)).center());
    auto *fraPre = w->findChild<QWidget *>(QStringLiteral("FraPre"));
    ASSERT_NE(fraPre, nullptr);
    EXPECT_TRUE(fraPre->isVisible());
    EXPECT_EQ(fraPre->pos(), QPoint(0, 0));
    EXPECT_FALSE(f->T.isActive());
    shoot(w.get(), QStringLiteral("eleccion-reimpresion.png"));
    auto *cancelar = w->findChild<QAbstractButton *>(QStringLiteral("cmdCancelar"));
    ASSERT_NE(cancelar, nullptr);
    QTest::mouseClick(cancelar, Qt::LeftButton);
    EXPECT_FALSE(fraPre->isVisible());
}
