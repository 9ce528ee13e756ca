#pragma once
// The monitoring put on a print server: the monitor fed by the poll's steps
// and by the ticket output, the alerts of the log, and, when asked, the
// HTTP server of /metrics, /salud and the status page.
#include "monitor/HttpServer.h"
#include "monitor/Monitor.h"
#include "monitor/Requests.h"
#include "monitor/ScreenRequests.h"

#include <memory>

namespace tpv {

class PrintServer;

class Monitoring {
public:
    // Watches SERVER from now on; it must outlive this object.
    explicit Monitoring(PrintServer &server, const QString &version, AlertLog::Writer alerts = {});
    Monitoring(const Monitoring &) = delete;
    Monitoring &operator=(const Monitoring &) = delete;

    // Serves HTTP on that address from its own thread. Requests must carry
    // the token ("Authorization: Bearer TOKEN") when one is given, but for
    // the kitchen screens' pages, when SCREENS are given, which want their
    // screen's key instead. False with a Spanish message when it cannot.
    bool serve(const HttpOptions &options, QString *error, std::shared_ptr<ScreenHub> screens = nullptr);
    quint16 httpPort() const { return http_ ? http_->port() : 0; }

    Monitor &monitor() { return monitor_; }
    const SnapshotBoard &board() const { return board_; }

private:
    SnapshotBoard board_;
    Clock &clock_;
    Monitor monitor_;
    std::unique_ptr<HttpServer> http_;
};

}  // namespace tpv
