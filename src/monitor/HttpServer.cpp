#include "monitor/HttpServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

namespace tpv {

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 413:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

// The request head (up to the blank line), or nothing when it is malformed.
std::optional<HttpRequest> parseRequest(const QByteArray &head) {
    const QList<QByteArray> lines = head.split('\n');
    if (lines.isEmpty()) return std::nullopt;
    const QList<QByteArray> first = lines.first().trimmed().split(' ');
    if (first.size() != 3 || !first[2].startsWith("HTTP/1.")) return std::nullopt;
    HttpRequest r;
    r.method = first[0];
    r.path = first[1];
    if (const qsizetype q = r.path.indexOf('?'); q >= 0) r.path.truncate(q);
    if (!r.path.startsWith('/')) return std::nullopt;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty()) continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) return std::nullopt;
        r.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    return r;
}

QByteArray responseBytes(const HttpResponse &r, bool withBody) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reasonPhrase(r.status) + "\r\n";
    if (!r.contentType.isEmpty()) out += "Content-Type: " + r.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\nConnection: close\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto &[name, value] : r.headers) out += name + ": " + value + "\r\n";
    out += "\r\n";
    if (withBody) out += r.body;
    return out;
}

// The timer that closes a connection that takes too long.
const QString kDeadline = QStringLiteral("plazo");

HttpResponse plain(int status, const QString &text) {
    return {status, "text/plain; charset=utf-8", (text + QLatin1Char('\n')).toUtf8(), {}};
}

}  // namespace

bool parseListenAddress(const QString &text, QHostAddress *address, quint16 *port, QString *error) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = colon > 0 ? text.left(colon) : QString();
    bool ok = false;
    const uint p = colon > 0 ? text.mid(colon + 1).toUInt(&ok) : 0;
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) host = host.mid(1, host.size() - 2);
    QHostAddress a;
    if (host == QLatin1String("localhost"))
        a = QHostAddress(QHostAddress::LocalHost);
    else
        a.setAddress(host);
    if (!ok || p > 65535 || a.isNull()) {
        *error =
            QStringLiteral("--http necesita DIRECCIÓN:PUERTO, por ejemplo 127.0.0.1:9580 (se ha dado «%1»)").arg(text);
        return false;
    }
    *address = a;
    *port = static_cast<quint16>(p);
    return true;
}

// The listening socket and its connections, all on the server's thread.
struct HttpServer::Worker {
    // Open connections, oldest first (declared before the server, whose
    // sockets tell of their end as it goes).
    QList<QTcpSocket *> open;
    QTcpServer server;
    HttpHandler handler;
    bool taking = false;

    // A new connection is taken at the next turn of the thread's event
    // loop, one at a time (the server holds one pending and leaves the rest
    // to the system's queue): the requests already there are read between
    // two, so a burst of connections cannot push out one whose request has
    // arrived.
    void incoming() {
        if (taking) return;
        taking = true;
        QMetaObject::invokeMethod(
            &server, [this] { take(); }, Qt::QueuedConnection);
    }

    void take() {
        taking = false;
        QTcpSocket *socket = server.nextPendingConnection();
        if (!socket) return;
        if (server.hasPendingConnections()) incoming();
        if (open.size() >= kMaxConnections && !closeOldestUnfinished()) {
            // Every connection is writing its answer: none may be cut.
            socket->abort();
            socket->deleteLater();
            return;
        }
        open.append(socket);
        QObject::connect(socket, &QObject::destroyed, &server, [this, socket] { open.removeOne(socket); });
        auto *deadline = new QTimer(socket);
        deadline->setObjectName(kDeadline);
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, socket, [this, socket] { close(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::errorOccurred, socket, [socket] { socket->deleteLater(); });
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
        deadline->start(kRequestTimeoutMs);
    }

    void close(QTcpSocket *socket) {
        open.removeOne(socket);
        socket->abort();
        socket->deleteLater();
    }

    bool closeOldestUnfinished() {
        for (QTcpSocket *socket : std::as_const(open)) {
            if (!socket->property("answered").toBool()) {
                close(socket);
                return true;
            }
        }
        return false;
    }

    void read(QTcpSocket *socket) {
        if (socket->property("answered").toBool()) {
            socket->readAll();
            return;
        }
        QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0) {
            if (head.size() > kMaxRequestBytes) {
                answer(socket, plain(413, QStringLiteral("Petición demasiado larga")), true);
                return;
            }
            socket->setProperty("head", head);
            return;
        }
        head.truncate(end);
        const std::optional<HttpRequest> request = parseRequest(head);
        if (!request) {
            answer(socket, plain(400, QStringLiteral("Petición HTTP mal formada")), true);
            return;
        }
        answer(socket, handler(*request), request->method != "HEAD");
    }

    static void answer(QTcpSocket *socket, const HttpResponse &r, bool withBody) {
        socket->setProperty("answered", true);
        if (auto *deadline = socket->findChild<QTimer *>(kDeadline, Qt::FindDirectChildrenOnly))
            deadline->start(kAnswerTimeoutMs);
        socket->write(responseBytes(r, withBody));
        socket->disconnectFromHost();
    }
};

HttpServer::HttpServer(HttpHandler handler) : handler_(std::move(handler)) {}

void HttpServer::runOnThread(const std::function<void()> &work) {
    QObject context;
    context.moveToThread(thread_.get());
    QMetaObject::invokeMethod(
        &context,
        [&] {
            work();
            // Back to no thread, so that it may end here.
            context.moveToThread(nullptr);
        },
        Qt::BlockingQueuedConnection);
}

HttpServer::~HttpServer() {
    if (!thread_) return;
    // The worker and its sockets end on their thread.
    runOnThread([this] { delete worker_; });
    thread_->quit();
    thread_->wait();
}

bool HttpServer::listen(const QHostAddress &address, quint16 port, QString *error) {
    thread_ = std::make_unique<QThread>();
    thread_->setObjectName(QStringLiteral("http"));
    thread_->start();
    // The server is made on its thread, so its sockets live there too.
    bool ok = false;
    runOnThread([&] {
        worker_ = new Worker;
        worker_->handler = handler_;
        worker_->server.setMaxPendingConnections(1);
        // Room in the system's queue for a crowd of clients connecting at
        // once: one that does not fit waits a second before trying again.
        worker_->server.setListenBacklogSize(1024);
        QObject::connect(&worker_->server, &QTcpServer::newConnection, &worker_->server,
                         [w = worker_] { w->incoming(); });
        ok = worker_->server.listen(address, port);
        if (ok)
            port_ = worker_->server.serverPort();
        else
            *error = QStringLiteral("No se puede atender HTTP en %1:%2: %3")
                         .arg(address.toString())
                         .arg(port)
                         .arg(worker_->server.errorString());
    });
    return ok;
}

}  // namespace tpv
