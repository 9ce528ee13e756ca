#pragma once
// A blocking HTTP client for the tests: one request on a new connection,
// read to its end. Usable from any thread.
#include <QByteArray>
#include <QHostAddress>
#include <QTcpSocket>

namespace tpv::test {

struct HttpReply {
    int status = -1;  // -1: no answer
    QByteArray head;
    QByteArray body;
};

inline HttpReply httpRequest(quint16 port, const QByteArray &request) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(10000)) return {};
    socket.write(request);
    socket.waitForBytesWritten(10000);
    QByteArray all;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(10000)) all += socket.readAll();
    all += socket.readAll();
    HttpReply r;
    const qsizetype end = all.indexOf("\r\n\r\n");
    if (!all.startsWith("HTTP/1.1 ") || end < 0) return r;
    r.status = all.mid(9, 3).toInt();
    r.head = all.left(end);
    r.body = all.mid(end + 4);
    return r;
}

inline HttpReply httpGet(quint16 port, const QByteArray &path, const QByteArray &token = {}) {
    QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!token.isEmpty()) request += "Authorization: Bearer " + token + "\r\n";
    return httpRequest(port, request + "\r\n");
}

}  // namespace tpv::test
