// The status page as a browser shows it: headless Chromium loads it from the
// server's HTTP thread, a screenshot is kept, and what it reads is checked.
#include "monitor/MonitorSupport.h"
#include "support/LoopbackSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using namespace tpv;
using namespace tpv::test;

namespace {

// Debian's chromium, kept off the network: no sandbox (tests run as root),
// no background requests, a profile of its own that starts empty.
QString chromium(const QStringList &args, int *exitCode) {
    QTemporaryDir profile;
    QProcess p;
    p.start(QStringLiteral("chromium"),
            QStringList{QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                        QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
                        QStringLiteral("--disable-background-networking"), QStringLiteral("--disable-component-update"),
                        QStringLiteral("--disable-sync"), QStringLiteral("--user-data-dir=") + profile.path()} +
                args);
    if (!p.waitForStarted(10000)) {
        *exitCode = -1;
        return QStringLiteral("chromium no arranca (paquete chromium; scripts/setup.sh)");
    }
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        *exitCode = -2;
        return QStringLiteral("chromium no terminó");
    }
    *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput());
}

class StatusPage : public Watched {
protected:
    void TearDown() override {
        Watched::TearDown();
        tool.terminate();
        tool.waitForFinished(10000);
    }
    QProcess tool;
};

}  // namespace

TEST_F(StatusPage, ABrowserShowsAPrinterOutOfPaperAndHowLongItsJobHasWaited) {
    const QString thermalDir = tmp.filePath(QStringLiteral("termica"));
    ASSERT_TRUE(QDir().mkpath(thermalDir));
    QString said;
    const int port = startThermalPrinter(tool, thermalDir, &said);
    ASSERT_NE(port, 0) << said.toStdString();
    QFile state(QDir(thermalDir).filePath(QStringLiteral("estado")));
    ASSERT_TRUE(state.open(QIODevice::WriteOnly));
    state.write("sinpapel");
    state.close();
    declare(QStringLiteral("[Cocina]\nconexion=tcp://127.0.0.1:%1\nestado=si\n").arg(port));
    routeAllTo(1);
    orderOfOneCana(45);
    startWatched();
    quietTick();
    clock.advance(125 * 1000);
    quietTick();
    QString error;
    ASSERT_TRUE(monitoring->serve({QHostAddress(QHostAddress::LocalHost), 0, {}}, &error)) << error.toStdString();
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(monitoring->httpPort());

    int code = 0;
    const QString dom = chromium({QStringLiteral("--dump-dom"), url}, &code);
    ASSERT_EQ(code, 0) << dom.toStdString();
    EXPECT_TRUE(dom.contains(QStringLiteral("<td>Cocina</td><td class=\"corto\">Sin papel</td>"))) << dom.toStdString();
    EXPECT_TRUE(dom.contains(QStringLiteral("La impresora Cocina no tiene papel"))) << dom.toStdString();
    EXPECT_TRUE(
        dom.contains(QStringLiteral("Comanda 45 del día 07/12/2026 Tpv: 1</td><td>Pendiente desde hace 2 min 5 s")))
        << dom.toStdString();
    EXPECT_TRUE(dom.contains(QStringLiteral("Mal: la cocina puede no recibir comandas"))) << dom.toStdString();

    const QString shot = QStringLiteral(TPV_SCREENSHOT_DIR) + QStringLiteral("/pagina-de-estado.png");
    QDir().mkpath(QStringLiteral(TPV_SCREENSHOT_DIR));
    QFile::remove(shot);
    const QString out = chromium({QStringLiteral("--screenshot=") + shot, QStringLiteral("--window-size=1100,800"),
                                  QStringLiteral("--hide-scrollbars"), url},
                                 &code);
    EXPECT_EQ(code, 0) << out.toStdString();
    EXPECT_GT(QFileInfo(shot).size(), 10000) << shot.toStdString();
}
