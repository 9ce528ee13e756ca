#include "monitor/HttpServer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace tpv {

namespace {

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 303:
            return "See Other";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 409:
            return "Conflict";
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
    if (const qsizetype q = r.path.indexOf('?'); q >= 0) {
        r.query = r.path.mid(q + 1);
        r.path.truncate(q);
    }
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
    // A stream's body ends with the connection.
    if (!r.stream) out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\nConnection: close\r\nX-Content-Type-Options: nosniff\r\n";
    for (const auto &[name, value] : r.headers) out += name + ": " + value + "\r\n";
    out += "\r\n";
    if (withBody) out += r.body;
    return out;
}

// The timer that closes a connection that takes too long.
const QString kDeadline = QStringLiteral("plazo");

// A stream written to its socket on the server's thread. What is sent
// before the socket is known (the first event, sent as the answer is being
// made) waits for it.
class SocketStream : public HttpStream, public std::enable_shared_from_this<SocketStream> {
public:
    bool send(const QByteArray &bytes) override {
        const std::lock_guard lock(mutex_);
        if (closed_) return false;
        pending_ += bytes;
        queueFlushLocked();
        return true;
    }
    bool isOpen() const override {
        const std::lock_guard lock(mutex_);
        return !closed_;
    }
    void close() override {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        if (socket_)
            QMetaObject::invokeMethod(
                socket_, [s = socket_] { s->disconnectFromHost(); }, Qt::QueuedConnection);
    }

    // On the server's thread: the socket the stream is written to. The
    // socket keeps the stream until it goes.
    void attach(QTcpSocket *socket) {
        QObject::connect(socket, &QObject::destroyed, [self = shared_from_this()] {
            const std::lock_guard lock(self->mutex_);
            self->socket_ = nullptr;
            self->closed_ = true;
        });
        const std::lock_guard lock(mutex_);
        socket_ = socket;
        if (closed_) socket->disconnectFromHost();
        queueFlushLocked();
    }

private:
    // Posting to the socket while the lock is held: a socket being
    // destroyed waits for the lock before it forgets the stream, and Qt
    // drops the events posted to an object it destroys.
    void queueFlushLocked() {
        if (!socket_ || flushQueued_ || pending_.isEmpty()) return;
        flushQueued_ = true;
        QMetaObject::invokeMethod(
            socket_, [self = shared_from_this()] { self->flush(); }, Qt::QueuedConnection);
    }
    void flush() {
        QByteArray bytes;
        QTcpSocket *socket = nullptr;
        {
            const std::lock_guard lock(mutex_);
            bytes.swap(pending_);
            flushQueued_ = false;
            socket = socket_;
        }
        if (!socket) return;
        socket->write(bytes);
        // A client that does not read what it is sent has gone.
        if (socket->bytesToWrite() > HttpServer::kMaxStreamBacklog) socket->abort();
    }

    mutable std::mutex mutex_;
    QTcpSocket *socket_ = nullptr;
    QByteArray pending_;
    bool flushQueued_ = false;
    bool closed_ = false;
};

// What a stream carries when nothing else happens: an event the page can
// watch for.
const QByteArray kHeartbeat = "event: latido\ndata: -\n\n";

// A client that vanishes without closing (a tablet out of the network) is
// found by the system once what was written to it is not acknowledged.
void findVanishedClients(QTcpSocket *socket) {
    socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const int ms = 3 * HttpServer::kStreamHeartbeatMs;
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), IPPROTO_TCP, TCP_USER_TIMEOUT, &ms, sizeof ms);
}

}  // namespace

HttpResponse plainText(int status, const QString &text) {
    return {status, "text/plain; charset=utf-8", (text + QLatin1Char('\n')).toUtf8(), {}, {}};
}

std::shared_ptr<HttpStream> makeHttpStream() { return std::make_shared<SocketStream>(); }

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
                answer(socket, plainText(413, QStringLiteral("Petición demasiado larga")), true);
                return;
            }
            socket->setProperty("head", head);
            return;
        }
        head.truncate(end);
        const std::optional<HttpRequest> request = parseRequest(head);
        if (!request) {
            answer(socket, plainText(400, QStringLiteral("Petición HTTP mal formada")), true);
            return;
        }
        HttpResponse response = handler(*request);
        if (response.stream && (request->method == "HEAD" || streams() >= kMaxStreams)) {
            response.stream->close();
            if (request->method != "HEAD")
                response = plainText(503, QStringLiteral("Demasiadas páginas abiertas en este servidor"));
        }
        answer(socket, response, request->method != "HEAD");
    }

    int streams() const {
        return static_cast<int>(
            std::count_if(open.begin(), open.end(), [](QTcpSocket *s) { return s->property("stream").toBool(); }));
    }

    static void answer(QTcpSocket *socket, const HttpResponse &r, bool withBody) {
        socket->setProperty("answered", true);
        auto *deadline = socket->findChild<QTimer *>(kDeadline, Qt::FindDirectChildrenOnly);
        socket->write(responseBytes(r, withBody));
        if (!r.stream) {
            if (deadline) deadline->start(kAnswerTimeoutMs);
            socket->disconnectFromHost();
            return;
        }
        // Open until the client goes: no deadline, a heartbeat instead.
        if (deadline) deadline->stop();
        socket->setProperty("stream", true);
        findVanishedClients(socket);
        auto stream = std::static_pointer_cast<SocketStream>(r.stream);
        auto *heartbeat = new QTimer(socket);
        QObject::connect(heartbeat, &QTimer::timeout, socket, [stream] { stream->send(kHeartbeat); });
        heartbeat->start(kStreamHeartbeatMs);
        stream->attach(socket);
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
