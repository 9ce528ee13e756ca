#include "app/Monitoring.h"

#include "app/PrintServer.h"

#include <QDir>

namespace tpv {

namespace {

MonitorContext contextOf(PrintServer &server, const QString &version) {
    FrmPpal &f = server.form();
    QSet<QString> withBackup;
    const auto backups =
        readBackupSettings(QDir(server.options().dataDir).filePath(QStringLiteral("impresoras.ini")), nullptr);
    for (auto it = backups.cbegin(); it != backups.cend(); ++it) withBackup.insert(it.key());
    return {f.g,      f.lstPend,         f.lbEstado, f.printers, f.health,
            f.polled, f.reconnectServer, f.clock,    withBackup, version};
}

}  // namespace

Monitoring::Monitoring(PrintServer &server, const QString &version, AlertLog::Writer alerts)
    : clock_(server.form().clock),
      monitor_(contextOf(server, version), board_, std::move(alerts)),
      output_(*server.form().output, monitor_) {
    server.form().output = &output_;
    server.beforeTick([this] { monitor_.tickStarted(); });
    server.afterTick([this] { monitor_.tickEnded(); });
}

bool Monitoring::serve(const HttpOptions &options, QString *error) {
    http_ = std::make_unique<HttpServer>([this, token = options.token](const HttpRequest &r) {
        return monitorResponse(r, board_, clock_.steadyMs(), token);
    });
    if (http_->listen(options.address, options.port, error)) return true;
    http_.reset();
    return false;
}

}  // namespace tpv
