#pragma once
// The monitoring put on a print server: the monitor fed by the poll's steps
// and by the ticket output, the alerts of the log, and, when asked, the
// HTTP server of /metrics, /salud and the status page.
#include "monitor/HttpServer.h"
#include "monitor/Monitor.h"

#include <optional>

namespace tpv {

class PrintServer;

class Monitoring {
public:
    // Watches SERVER from now on; it must outlive this object.
    explicit Monitoring(PrintServer &server, const QString &version, AlertLog::Writer alerts = {});
    Monitoring(const Monitoring &) = delete;
    Monitoring &operator=(const Monitoring &) = delete;

    // Serves HTTP on that address from its own thread. Requests must carry
    // TOKEN ("Authorization: Bearer TOKEN") when one is given. False with a
    // Spanish message when it cannot.
    bool serve(const QHostAddress &address, quint16 port, const QByteArray &token, QString *error);
    quint16 httpPort() const { return http_ ? http_->port() : 0; }

    Monitor &monitor() { return monitor_; }
    const SnapshotBoard &board() const { return board_; }

private:
    SnapshotBoard board_;
    Clock &clock_;
    Monitor monitor_;
    WatchedOutput output_;
    std::unique_ptr<HttpServer> http_;
};

// The answer to one request, from the last snapshot, as of NOWMS.
HttpResponse monitorResponse(const HttpRequest &request, const SnapshotBoard &board, qint64 nowMs,
                             const QByteArray &token);

// The token of --http-clave: the file's first line. Nothing, with a Spanish
// message, when the file cannot be read or holds no token; *warning says so
// when others may read it.
std::optional<QByteArray> readHttpToken(const QString &path, QString *error, QString *warning);

}  // namespace tpv
