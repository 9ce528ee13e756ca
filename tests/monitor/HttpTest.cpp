// The monitoring served over HTTP from its own thread, as a client and
// Prometheus's own checker see it.
#include "monitor/HttpClient.h"
#include "monitor/MonitorSupport.h"
#include "monitor/SlowClients.h"
#include "support/LoopbackSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

using namespace tpv;
using namespace tpv::test;

namespace {

class Http : public Watched {
protected:
    quint16 serve(const QByteArray &token = {}) {
        QString error;
        EXPECT_TRUE(monitoring->serve({QHostAddress(QHostAddress::LocalHost), 0, token}, &error))
            << error.toStdString();
        return monitoring->httpPort();
    }
};

}  // namespace

TEST_F(Http, TheMetricsOfAServerWithFailuresAndAQuotedPrinterNamePassPromtool) {
    ASSERT_TRUE(QDir(printersDir).mkdir(QStringLiteral("Terraza \"A\\1\"")));
    exec(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 1, destino2 = 3"));
    orderOfOneCana(50);
    startWatched();
    down(QStringLiteral("Postres"));
    quietTick();
    clock.advance(2000);
    quietTick();
    const QByteArray metrics = metricsText(*snapshot(), clock.steadyMs());
    const auto [status, said] = promtool({QStringLiteral("check"), QStringLiteral("metrics")}, metrics);
    EXPECT_EQ(status, 0) << said.toStdString() << metrics.toStdString();
    EXPECT_TRUE(said.trimmed().isEmpty()) << said.toStdString();
    for (const char *series :
         {"lector_tpv_tickets_total{impresora=\"Cocina\"} 1\n",
          "lector_tpv_impresora_estado{impresora=\"Postres\",estado=\"sin_conexion\"} 1\n",
          "lector_tpv_impresora_estado{impresora=\"Terraza \\\"A\\\\1\\\"\",estado=\"desconocido\"} 1\n",
          "lector_tpv_trabajos_pendientes 1\n", "lector_tpv_trabajo_pendiente_mas_antiguo_segundos 2.000\n",
          "lector_tpv_consulta_segundos_count 2\n", "lector_tpv_respaldo_activo{impresora=\"Postres\"} 0\n"})
        EXPECT_TRUE(metrics.contains(series)) << series << "\n" << metrics.toStdString();
    EXPECT_TRUE(metrics.contains("lector_tpv_fallos_total{impresora=\"Postres\",causa=\"sin_conexion\"} 2\n"))
        << metrics.toStdString();
}

TEST_F(Http, EveryPageWantsTheTokenWhenOneIsSetAndNothingCanBeChanged) {
    startWatched();
    quietTick();
    const quint16 port = serve("s3cr3t");
    EXPECT_EQ(httpGet(port, "/salud").status, 401);
    EXPECT_EQ(httpGet(port, "/metrics", "otra").status, 401);
    const HttpReply health = httpGet(port, "/salud", "s3cr3t");
    EXPECT_EQ(health.status, 200);
    EXPECT_TRUE(health.body.contains("\"estado\": \"bien\"")) << health.body.toStdString();
    const HttpReply metrics = httpGet(port, "/metrics", "s3cr3t");
    EXPECT_EQ(metrics.status, 200);
    EXPECT_TRUE(metrics.head.contains("Content-Type: text/plain; version=0.0.4")) << metrics.head.toStdString();
    const HttpReply page = httpGet(port, "/?x=1", "s3cr3t");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("<meta http-equiv=\"refresh\"")) << page.body.toStdString();
    EXPECT_EQ(httpGet(port, "/nada", "s3cr3t").status, 404);
    EXPECT_EQ(
        httpRequest(port, "POST /salud HTTP/1.1\r\nAuthorization: Bearer s3cr3t\r\nContent-Length: 0\r\n\r\n").status,
        405);
    EXPECT_EQ(httpRequest(port, "HOLA\r\n\r\n").status, 400);
    EXPECT_EQ(httpRequest(port, QByteArray(HttpServer::kMaxRequestBytes + 10, 'a')).status, 413);
    const HttpReply head = httpRequest(port, "HEAD /salud HTTP/1.1\r\nAuthorization: Bearer s3cr3t\r\n\r\n");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.isEmpty());
}

TEST_F(Http, BadHealthIsServiceUnavailable) {
    startWatched();
    const quint16 port = serve();
    server.reset();
    ASSERT_TRUE(QFile::remove(serverDb));
    quietTick();
    const HttpReply health = httpGet(port, "/salud");
    EXPECT_EQ(health.status, 503);
    EXPECT_TRUE(health.body.contains("\"estado\": \"mal\"")) << health.body.toStdString();
    EXPECT_TRUE(health.body.contains("\"base_de_datos_accesible\": false")) << health.body.toStdString();
}

TEST_F(Http, PagesAreAnsweredWhileATickWaitsOnAPrinterThatDoesNotAnswer) {
    // A kitchen printer that takes the connection and never says a word.
    Listener kitchen;
    declare(QStringLiteral("[Cocina]\nconexion=tcp://127.0.0.1:%1\nestado=si\n").arg(kitchen.port()));
    routeAllTo(1);
    orderOfOneCana(44);
    startWatched();
    const quint16 port = serve();
    std::atomic<bool> tickOver{false};
    bool answeredDuringTick = false;
    HttpReply health, page;
    std::thread client([&] {
        if (!kitchen.connectionWaiting(20000)) return;
        // The tick now waits for the printer's answer (1 s at most).
        health = httpGet(port, "/salud");
        page = httpGet(port, "/");
        answeredDuringTick = !tickOver;
    });
    quietTick();
    tickOver = true;
    client.join();
    EXPECT_TRUE(answeredDuringTick);
    EXPECT_EQ(health.status, 200);
    EXPECT_TRUE(page.body.contains("Enviando un ticket de la comanda 44 (trabajo 1)")) << page.body.toStdString();
}

TEST_F(Http, ARequestNotWholeWithinTwoSecondsIsClosedAndAtTheLimitTheOldestMakesRoom) {
    startWatched();
    quietTick();
    const quint16 port = serve();
    auto closed = [](QTcpSocket &s) {
        return s.state() == QAbstractSocket::UnconnectedState || s.waitForDisconnected(10000);
    };
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    std::vector<std::unique_ptr<QTcpSocket>> slow;
    for (int i = 0; i < HttpServer::kMaxConnections; ++i) {
        slow.push_back(std::make_unique<QTcpSocket>());
        slow.back()->connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(slow.back()->waitForConnected(10000));
        slow.back()->write("GET /salud HTTP/1.1\r\n");
        ASSERT_TRUE(slow.back()->waitForBytesWritten(10000));
    }
    EXPECT_EQ(httpGet(port, "/salud").status, 200);
    EXPECT_TRUE(closed(*slow.front()));
    EXPECT_TRUE(closed(*slow.back()));
    EXPECT_LT(sinceFirst.elapsed(), 2 * HttpServer::kRequestTimeoutMs);
}

TEST_F(Http, ThreeHundredSlowClientsNeitherBlindTheHealthNorStopThePrinting) {
    routeAllTo(1);
    startWatched();
    const quint16 port = serve();
    SlowClients crowd(port, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return crowd.connected() + crowd.closedByServer() >= 300; }, 20000));
    for (int order = 1; order <= 4; ++order) {
        orderOfOneCana(order);
        QElapsedTimer answered;
        answered.start();
        EXPECT_EQ(httpGet(port, "/salud").status, 200);
        EXPECT_LT(answered.elapsed(), 1000);
        quietTick();
    }
    EXPECT_EQ(tickets(QStringLiteral("Cocina")).size(), 4);
}

TEST(HttpOptionsTest, ATokenFileMustHoldATokenAndOthersReadingItIsSaid) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("clave"));
    QString error, warning;
    EXPECT_FALSE(httpOptions(QStringLiteral("0.0.0.0:9580"), path, &error, &warning));
    EXPECT_TRUE(error.startsWith(QStringLiteral("No se puede leer la clave de --http-clave"))) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\n");
    f.close();
    EXPECT_FALSE(httpOptions(QStringLiteral("0.0.0.0:9580"), path, &error, &warning));
    EXPECT_TRUE(error.contains(QStringLiteral("no tiene ninguna clave"))) << error.toStdString();
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("  s3cr3t  \nmore\n");
    f.close();
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    const auto options = httpOptions(QStringLiteral("[::]:9580"), path, &error, &warning);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->token, QByteArray("s3cr3t"));
    EXPECT_EQ(options->port, 9580);
    EXPECT_TRUE(warning.contains(QStringLiteral("chmod 600"))) << warning.toStdString();
    EXPECT_FALSE(httpOptions(QStringLiteral("[::]:9580"), {}, &error, &warning));
    EXPECT_TRUE(httpOptions(QStringLiteral("localhost:9580"), {}, &error, &warning));
    EXPECT_FALSE(httpOptions(QStringLiteral("127.0.0.1:99999"), {}, &error, &warning));
}
