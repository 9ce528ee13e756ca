// The program's log as a service manager's journal keeps it, and its HTTP
// monitoring, with lector-tpv started as a process on a prepared folder.
#include "monitor/HttpClient.h"
#include "kitchen/PrintingSupport.h"
#include "support/LoopbackSocket.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

using namespace tpv;
using namespace tpv::test;

namespace {

class ServiceLog : public Printing {
protected:
    void SetUp() override {
        Printing::SetUp();
        // As under systemd: no runtime folder, which Qt complains about.
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.remove(QStringLiteral("JOURNAL_STREAM"));
    }
    QStringList args(const QStringList &extra) const {
        return QStringList{QStringLiteral("--data-dir"), dataDir, QStringLiteral("--printers"), printersDir,
                           QStringLiteral("--headless")} +
               extra;
    }
    // Runs the program to its end: its exit status and its log's lines.
    std::pair<int, QStringList> run(const QStringList &extra) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TPV_PROGRAM), args(extra));
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return {-999, {QStringLiteral("no terminó")}};
        }
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)};
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
};

}  // namespace

TEST_F(ServiceLog, StartsWithOneLineAndHasNoListsNoQtNoiseAndNoClosingQuestion) {
    orderOfOneCana(3);
    const auto [code, lines] = run({QStringLiteral("--ticks"), QStringLiteral("2")});
    ASSERT_EQ(code, 0) << lines.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(lines.size(), 3) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Lector TPV "))) << lines[0].toStdString();
    for (const QString &part : {QStringLiteral("en marcha"), QStringLiteral("datos en ") + dataDir,
                                QStringLiteral("base de datos de comandas archivo ") + serverDb,
                                QStringLiteral("impresoras: Barra, Cocina, Postres")})
        EXPECT_TRUE(lines[0].contains(part)) << lines[0].toStdString() << "\n" << part.toStdString();
    EXPECT_FALSE(lines[0].contains(QStringLiteral("KOVU7")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Ticket enviado: trabajo 1, comanda 3"))) << lines[1].toStdString();
    EXPECT_EQ(lines[2], QStringLiteral("Lector TPV se detiene"));

    const auto [code2, echoed] = run({QStringLiteral("--ticks"), QStringLiteral("1"), QStringLiteral("--eco-listas")});
    EXPECT_EQ(code2, 0);
    EXPECT_EQ(echoed.filter(QStringLiteral("REALIZADO: Comanda 3 del día")).size(), 1)
        << echoed.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ServiceLog, APrinterFailingAtEveryPollIsOneAttentionLineNamingTheOrderThatWaits) {
    routeAllTo(3);
    orderOfOneCana(4);
    QDir(QDir(printersDir).filePath(QStringLiteral("Postres"))).removeRecursively();
    const auto [code, lines] = run({QStringLiteral("--ticks"), QStringLiteral("4")});
    EXPECT_EQ(code, 0);
    const QString log = lines.join(QLatin1Char('\n'));
    EXPECT_EQ(lines.filter(QStringLiteral("[ATENCIÓN] Imposible Iniciar Impresión")).size(), 1) << log.toStdString();
    const QStringList failure = lines.filter(QRegularExpression(QStringLiteral("^Imposible Iniciar Impresión")));
    ASSERT_EQ(failure.size(), 1) << log.toStdString();
    EXPECT_TRUE(failure[0].contains(QStringLiteral("espera la comanda 4, trabajo 1"))) << failure[0].toStdString();
}

TEST_F(ServiceLog, AnAddressOtherThanLoopbackIsNeverServedWithoutAToken) {
    const auto [code, lines] = run({QStringLiteral("--http"), QStringLiteral("0.0.0.0:%1").arg(freeLoopbackPort())});
    EXPECT_EQ(code, 2);
    EXPECT_EQ(lines.filter(QStringLiteral("no es una dirección local: dé también --http-clave")).size(), 1)
        << lines.join(QLatin1Char('\n')).toStdString();
    const auto [code2, lines2] = run({QStringLiteral("--http"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(code2, 2);
    EXPECT_EQ(lines2.filter(QStringLiteral("--http necesita DIRECCIÓN:PUERTO")).size(), 1)
        << lines2.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ServiceLog, TheRunningProgramAnswersItsHealthOverHttp) {
    const int port = freeLoopbackPort();
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TPV_PROGRAM), args({QStringLiteral("--http"), QStringLiteral("127.0.0.1:%1").arg(port)}));
    ASSERT_TRUE(p.waitForStarted());
    QByteArray err;
    QElapsedTimer t;
    t.start();
    while (!err.contains("HTTP en") && t.elapsed() < 30000) {
        p.waitForReadyRead(200);
        err += p.readAllStandardError();
    }
    ASSERT_TRUE(err.contains("; HTTP en 127.0.0.1:")) << err.toStdString();
    const HttpReply health = httpGet(static_cast<quint16>(port), "/salud");
    p.terminate();
    p.waitForFinished(10000);
    EXPECT_TRUE(health.status == 200) << health.status << health.body.toStdString();
    EXPECT_TRUE(health.body.contains("\"version\"")) << health.body.toStdString();
    EXPECT_EQ(p.exitCode(), 0);
}
