// A kitchen screen in a real browser (headless Chromium through its
// DevTools protocol): cards come within the bound, additions are cards of
// their own, "Hecho" and "Recuperar" reach every page of the screen, the
// cards survive a reload and a restart, a closed screen's tickets go to
// paper, and a page without the key sees nothing. Screenshots are kept in
// build/screenshots for a person to look at.
#include "devices/screen/ScreenSupport.h"
#include "kitchen/KitchenLedger.h"
#include "support/Chromium.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>

using namespace tpv;
using namespace tpv::test;

namespace {

class ScreenBrowser : public KitchenScreen {
protected:
    void serve() {
        QString error;
        ASSERT_TRUE(monitoring->serve({QHostAddress(QHostAddress::LocalHost), 0, {}}, &error, screens))
            << error.toStdString();
    }
    QString url(const QString &path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(monitoring->httpPort()).arg(path);
    }
    // A page of the kitchen's screen, opened with its key, once it hears
    // from the server.
    QString openScreen(int width, int height) {
        const QString page = browser.open(
            url(QStringLiteral("/pantalla/Pantalla-Cocina?clave=") + QString::fromLatin1(kKey)), width, height);
        EXPECT_TRUE(browser.waitFor(page, QStringLiteral("document.getElementById('conexion').textContent === "
                                                         "'Conectada'")));
        return page;
    }
    bool cardsAre(const QString &page, int n, int withinMs = 5000) {
        return browser.waitFor(page, QStringLiteral("document.querySelectorAll('.tarjeta').length === %1").arg(n),
                               withinMs);
    }
    // Each card's text, its blanks made one.
    QStringList cards(const QString &page) {
        QStringList out;
        for (const QJsonValue &v : browser
                                       .eval(page, QStringLiteral("[...document.querySelectorAll('.tarjeta')]"
                                                                  ".map((t) => t.innerText.replace(/\\s+/g, ' '))"))
                                       .toArray())
            out << v.toString();
        return out;
    }
    void click(const QString &page, const QString &selector) {
        browser.eval(page, QStringLiteral("document.querySelector('%1').click()").arg(selector));
    }
    void keep(const QString &page, const QString &name) {
        QDir().mkpath(QStringLiteral(TPV_SCREENSHOT_DIR));
        EXPECT_TRUE(browser.screenshot(page, QStringLiteral(TPV_SCREENSHOT_DIR "/") + name)) << name.toStdString();
    }
    void addLines(int order, int table, const QList<demo::ALaCarteLine> &lines) {
        demo::addOrder(*server, 1, fecha, order, table, lines, {});
    }

    Chromium browser;
};

demo::ALaCarteLine withExtra(const QString &art, const QString &name, double qty, const QString &extra) {
    demo::Extra e;
    e.modifc = 1;
    e.modifn = extra;
    return {art, name, qty, e};
}

}  // namespace

TEST_F(ScreenBrowser, ACardComesWithinTwoSecondsAndAnAdditionIsACardOfItsOwnThatSurvivesAReloadAndARestart) {
    ASSERT_TRUE(browser.error.isEmpty()) << browser.error.toStdString();
    startScreens();
    serve();
    const QString tablet = openScreen(1280, 800);
    addLines(50, 3,
             {line(QStringLiteral("CAN"), QStringLiteral("Caña"), 2),
              withExtra(QStringLiteral("ENTR"), QStringLiteral("Entrecot"), 1, QStringLiteral("Poco hecho"))});
    QElapsedTimer sent;
    sent.start();
    quietTick();
    ASSERT_TRUE(cardsAre(tablet, 1, 2000));
    EXPECT_LT(sent.elapsed(), 2000);
    EXPECT_EQ(pending(), 0);

    addLines(50, 3, {line(QStringLiteral("FLAN"), QStringLiteral("Flan casero"), 1)});
    addLines(51, 7, {line(QStringLiteral("PAEL"), QStringLiteral("Paella"), 2)});
    quietTick();
    addLines(50, 3, {line(QStringLiteral("CAN"), QStringLiteral("Caña"), -1)});
    quietTick();
    ASSERT_TRUE(cardsAre(tablet, 4));
    const QStringList shown = cards(tablet);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Mesa 3 Comanda 50"))) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("2 Caña 1 Entrecot Poco hecho"))) << shown[0].toStdString();
    EXPECT_TRUE(shown[1].contains(QStringLiteral("1 Flan casero")) && !shown[1].contains(QStringLiteral("Caña")))
        << shown[1].toStdString();
    EXPECT_TRUE(shown[2].startsWith(QStringLiteral("Mesa 7 Comanda 51"))) << shown[2].toStdString();
    EXPECT_TRUE(shown[3].contains(QStringLiteral("-1 Caña ANULADO"))) << shown[3].toStdString();
    EXPECT_TRUE(browser
                    .eval(tablet, QStringLiteral("getComputedStyle(document.querySelector('.plato.anulado'))"
                                                 ".textDecorationLine === 'line-through'"))
                    .toBool());
    const QString allDay =
        browser.eval(tablet, QStringLiteral("document.getElementById('totales').innerText")).toString();
    EXPECT_EQ(allDay.simplified(), QStringLiteral("2 Paella 1 Caña 1 Entrecot 1 Flan casero"));
    keep(tablet, QStringLiteral("pantalla-tableta-1280x800.png"));

    ASSERT_TRUE(browser.load(tablet, url(QStringLiteral("/pantalla/Pantalla-Cocina"))));
    ASSERT_TRUE(cardsAre(tablet, 4));
    EXPECT_EQ(cards(tablet), shown);

    browser.close(tablet);
    restartScreens();
    serve();
    const QString again = openScreen(1280, 800);
    ASSERT_TRUE(cardsAre(again, 4));
    EXPECT_EQ(cards(again), shown);
}

TEST_F(ScreenBrowser, CardsAgeInColourAndHechoOnOnePageTakesTheCardOffTheOtherAndRecuperarBringsItBack) {
    ASSERT_TRUE(browser.error.isEmpty()) << browser.error.toStdString();
    startScreens();
    serve();
    const QString wall = openScreen(1920, 1080);
    const QString tablet = openScreen(1280, 800);
    // Three orders sent 17, 8 and 0 minutes ago.
    const qint64 start = QDateTime::currentMSecsSinceEpoch();
    const auto minutesOn = [&](int m) { screens->setEpochClock([=] { return start + m * 60000LL; }); };
    minutesOn(0);
    addLines(60, 2, {line(QStringLiteral("CROQ"), QStringLiteral("Croquetas"), 6)});
    quietTick();
    minutesOn(9);
    addLines(61, 5, {line(QStringLiteral("MERL"), QStringLiteral("Merluza a la romana"), 1)});
    quietTick();
    minutesOn(17);
    addLines(62, 8,
             {withExtra(QStringLiteral("ENSA"), QStringLiteral("Ensalada mixta"), 2, QStringLiteral("Sin cebolla"))});
    quietTick();
    ASSERT_TRUE(cardsAre(wall, 3) && cardsAre(tablet, 3));
    EXPECT_EQ(browser
                  .eval(wall, QStringLiteral("[...document.querySelectorAll('.tarjeta')].map((t) => t.className + ' ' "
                                             "+ t.querySelector('.edad').textContent).join('|')"))
                  .toString()
                  .toStdString(),
              "tarjeta alarma 17 min|tarjeta aviso 8 min|tarjeta ahora");
    keep(wall, QStringLiteral("pantalla-grande-1920x1080.png"));

    click(tablet, QStringLiteral(".tarjeta .hecho"));
    ASSERT_TRUE(cardsAre(wall, 2));
    EXPECT_TRUE(cards(wall).value(0).startsWith(QStringLiteral("Mesa 5"))) << cards(wall).value(0).toStdString();
    EXPECT_TRUE(browser.waitFor(wall, QStringLiteral("document.getElementById('recuperar').textContent === "
                                                     "'Recuperar (1)'")));
    click(wall, QStringLiteral("#recuperar"));
    ASSERT_TRUE(cardsAre(tablet, 3));
    EXPECT_TRUE(cards(tablet).value(0).startsWith(QStringLiteral("Mesa 2"))) << cards(tablet).value(0).toStdString();
}

TEST_F(ScreenBrowser, WithEveryPageClosedTheBackupPrinterPrintsAfterItsDelay) {
    ASSERT_TRUE(browser.error.isEmpty()) << browser.error.toStdString();
    startScreens();
    serve();
    const QString page = openScreen(1280, 800);
    ASSERT_EQ(screens->openPages(kScreen), 1);
    browser.close(page);
    ASSERT_TRUE(QTest::qWaitFor([this] { return screens->openPages(kScreen) == 0; }, 5000));
    orderOfOneCana(70);
    quietTick();
    EXPECT_EQ(pending(), 1);
    EXPECT_TRUE(screenInList().contains(QStringLiteral("Sin conexión"))) << screenInList().toStdString();
    clock.advance(31000);
    quietTick();
    EXPECT_EQ(pending(), 0);
    const KitchenLedger paper = KitchenLedger::of(tickets(QStringLiteral("Cocina")));
    EXPECT_EQ(paper.made.value(QStringLiteral("70 Caña")), 1);
    EXPECT_EQ(paper.backupFor, QStringList{kScreen});
    EXPECT_TRUE(screenInList().endsWith(QStringLiteral(", desviada a Cocina"))) << screenInList().toStdString();
}

TEST_F(ScreenBrowser, APageWithAWrongKeyOrNoneSeesNothing) {
    ASSERT_TRUE(browser.error.isEmpty()) << browser.error.toStdString();
    startScreens();
    serve();
    const auto shows = FakeScreenPage::open(*screens, kScreen);
    orderOfOneCana(80);
    quietTick();
    ASSERT_EQ(pending(), 0);
    for (const QString &path : {QStringLiteral("/pantalla/Pantalla-Cocina"),
                                QStringLiteral("/pantalla/Pantalla-Cocina?clave=clave-de-la-otra")}) {
        const QString page = browser.open(url(path), 1280, 800, true);
        const QString text = browser.eval(page, QStringLiteral("document.body.innerText")).toString();
        EXPECT_TRUE(text.contains(QStringLiteral("Falta la clave de esta pantalla"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Caña"))) << text.toStdString();
        if (path.contains(QLatin1Char('?'))) keep(page, QStringLiteral("pantalla-sin-clave.png"));
        browser.close(page);
    }
}
