#pragma once
// A small HTTP/1.1 server on a thread of its own (QtNetwork): one request
// per connection, answered whatever the program's main thread is doing.
// Requests are limited in size and in time, and so is the number of
// connections open at once, so a client that misbehaves cannot hold it: a
// client that has not sent its whole request within 2 s is closed, and at
// the limit the oldest connection still sending its request makes room for
// the new one. An answer may stay open and carry events as they come
// (Server-Sent Events): its request is whole, so it is never taken for an
// unfinished one; a client that stops reading it is closed.
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QString>
#include <functional>
#include <memory>

class QThread;

namespace tpv {

struct HttpRequest {
    QByteArray method;
    QByteArray path;                        // without the query
    QByteArray query;                       // after the "?", as sent
    QHash<QByteArray, QByteArray> headers;  // names in lower case
};

// An answer that stays open after its head: what is sent on it, from any
// thread, is written to the client on the server's thread, in order, until
// the client goes or the stream is closed.
class HttpStream {
public:
    virtual ~HttpStream() = default;
    // False once the stream is closed (nothing more is written).
    virtual bool send(const QByteArray &bytes) = 0;
    virtual bool isOpen() const = 0;
    virtual void close() = 0;
};
std::shared_ptr<HttpStream> makeHttpStream();

struct HttpResponse {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;  // extra ones
    // Set: the body is what is sent on the stream, as it comes.
    std::shared_ptr<HttpStream> stream;
};

// A short answer in plain text (the text and a line end).
HttpResponse plainText(int status, const QString &text);

// Runs on the server's thread.
using HttpHandler = std::function<HttpResponse(const HttpRequest &)>;

// ADDR:PORT ("127.0.0.1:9580", "[::1]:9580", "localhost:9580"); false with
// a Spanish message when it is not one.
bool parseListenAddress(const QString &text, QHostAddress *address, quint16 *port, QString *error);

class HttpServer {
public:
    explicit HttpServer(HttpHandler handler);
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Starts its thread and listens (port 0: one the system chooses). False
    // with a Spanish message when the address cannot be used.
    bool listen(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const { return port_; }

    static constexpr int kMaxRequestBytes = 8 * 1024;
    // From the connection to the request's blank line.
    static constexpr int kRequestTimeoutMs = 2 * 1000;
    // From the request to the answer written whole (a client that does not
    // read it).
    static constexpr int kAnswerTimeoutMs = 10 * 1000;
    // Far below the descriptors a service may open (1024), which printing
    // needs too.
    static constexpr int kMaxConnections = 128;
    // Streams open at once: the rest of the connections stay for requests.
    static constexpr int kMaxStreams = 64;
    // A stream carries a heartbeat event ("latido") this often, so that a
    // client gone without a word (a tablet out of the network) is found
    // within a minute, and a page can tell a silent server from a quiet one.
    static constexpr int kStreamHeartbeatMs = 15 * 1000;
    // What a stream may hold unread before its client is taken for gone.
    static constexpr int kMaxStreamBacklog = 256 * 1024;

private:
    // Runs WORK on the server's thread and waits for it.
    void runOnThread(const std::function<void()> &work);

    struct Worker;
    HttpHandler handler_;
    std::unique_ptr<QThread> thread_;
    Worker *worker_ = nullptr;  // lives on thread_
    quint16 port_ = 0;
};

}  // namespace tpv
