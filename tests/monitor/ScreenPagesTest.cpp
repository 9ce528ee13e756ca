// The screens' pages over HTTP as a client sees them: each screen's key
// opens that screen alone, and an open page's stream is neither closed as a
// request that never ends nor pushed out by clients that never finish.
#include "devices/screen/ScreenSupport.h"
#include "monitor/HttpClient.h"

#include <QTcpSocket>

using namespace tpv;
using namespace tpv::test;

namespace {

class ScreenPages : public KitchenScreen {
protected:
    quint16 serve(const QByteArray &token = {}) {
        QString error;
        EXPECT_TRUE(monitoring->serve({QHostAddress(QHostAddress::LocalHost), 0, token}, &error, screens))
            << error.toStdString();
        return monitoring->httpPort();
    }
    static HttpReply ask(quint16 port, const QByteArray &line, const QByteArray &headers = {}) {
        return httpRequest(port, line + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n");
    }
    static inline const QByteArray kCookie = "Cookie: clave=" + kKey + "\r\n";
};

}  // namespace

TEST_F(ScreenPages, AScreensKeyOpensThatScreenAloneAndTheTokenKeepsGuardingTheRest) {
    startScreens();
    const quint16 port = serve("s3cr3t");
    HttpReply opened = ask(port, "GET /pantalla/Pantalla-Cocina?clave=" + kKey);
    opened.head += "\r\n";
    EXPECT_EQ(opened.status, 303);
    EXPECT_TRUE(opened.head.contains("\r\nLocation: /pantalla/Pantalla-Cocina\r\n")) << opened.head.toStdString();
    EXPECT_TRUE(
        opened.head.contains("\r\nSet-Cookie: clave=" + kKey +
                             "; Path=/pantalla/Pantalla-Cocina; Max-Age=31536000; HttpOnly; SameSite=Strict\r\n"))
        << opened.head.toStdString();

    EXPECT_EQ(ask(port, "GET /pantalla/Pantalla-Cocina", kCookie).status, 200);
    for (const auto &[line, headers] : std::vector<std::pair<QByteArray, QByteArray>>{
             {"GET /pantalla/Pantalla-Cocina", {}},
             {"GET /pantalla/Pantalla-Cocina?clave=clave-de-la-otra", {}},
             {"GET /pantalla/Pantalla-Cocina/eventos", "Cookie: clave=clave-de-la-otra\r\n"},
             {"GET /pantalla/Pantalla-Cocina", "Authorization: Bearer s3cr3t\r\n"},
             {"POST /pantalla/Pantalla-Cocina/recuperar", {}},
             {"GET /pantalla/Otra", kCookie},
             {"GET /pantalla/Nadie?clave=" + kKey, {}}}) {
        const HttpReply r = ask(port, line, headers);
        EXPECT_EQ(r.status, 403) << line.toStdString();
        EXPECT_FALSE(r.body.contains("tarjetas")) << line.toStdString();
    }
    EXPECT_EQ(ask(port, "GET /metrics", kCookie).status, 401);
    EXPECT_EQ(ask(port, "GET /salud", "Authorization: Bearer s3cr3t\r\n").status, 200);
}

TEST_F(ScreenPages, AnOpenPageOutlivesTheRequestTimeLimitAndClientsThatNeverFinish) {
    startScreens();
    const quint16 port = serve();
    QTcpSocket stream;
    stream.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(stream.waitForConnected(5000));
    stream.write("GET /pantalla/Pantalla-Cocina/eventos HTTP/1.1\r\nHost: 127.0.0.1\r\n" + kCookie + "\r\n");
    QByteArray got;
    while (!got.contains("event: estado") && stream.waitForReadyRead(5000)) got += stream.readAll();
    ASSERT_TRUE(got.startsWith("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream")) << got.toStdString();
    EXPECT_EQ(screens->openPages(kScreen), 1);

    // Past the 2 s a request has to be whole, and with the server full of
    // clients that never finish theirs.
    EXPECT_FALSE(stream.waitForDisconnected(HttpServer::kRequestTimeoutMs + 500));
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < HttpServer::kMaxConnections + 10; ++i) {
        idle.push_back(std::make_unique<QTcpSocket>());
        idle.back()->connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(idle.back()->waitForConnected(5000));
    }
    EXPECT_EQ(httpGet(port, "/salud").status, 200);

    // A card shown on another page reaches this one too.
    const auto page = FakeScreenPage::open(*screens, kScreen);
    orderOfOneCana(45);
    quietTick();
    EXPECT_EQ(pending(), 0);
    while (!got.contains("Caña") && stream.waitForReadyRead(5000)) got += stream.readAll();
    EXPECT_TRUE(got.contains("\"nombre\":\"Caña\"")) << got.toStdString();
    EXPECT_EQ(stream.state(), QAbstractSocket::ConnectedState);
}
