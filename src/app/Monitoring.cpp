#include "app/Monitoring.h"

#include "app/PrintServer.h"

#include "compat/Error.h"

namespace tpv {

namespace {

// The facts the monitor reads, from the window's state.
MonitorContext contextOf(PrintServer &server, const QString &version) {
    FrmPpal &f = server.form();
    MonitorContext c{{}, {}, f.printers, f.health, f.clock, {}, version};
    c.facts = [&f] {
        ServerFacts facts{f.g.tpv, f.g.Tiempo, f.polled, f.reconnectServer, f.statusLine.caption(), {}, {}};
        if (f.turn) {
            const TurnState t = f.turn->state();
            facts.turn = {true, t.role == TurnRole::Active, t.generation, t.holder, t.relays, t.renewedAgoMs,
                          f.turnCaption.caption()};
            if (t.role == TurnRole::Unknown) facts.turn.renewedAgoMs.reset();
        }
        for (int i = 1; i < f.lstPend.listCount(); ++i) facts.pending.push_back({f.lstPend.itemData(i), f.lstPend.list(i)});
        return facts;
    };
    // The queue's recordset stands on the job being printed.
    c.currentJob = [&f]() -> std::optional<JobInPrint> {
        const Recordset &rs = f.g.Rs;
        if (!rs.isOpen() || rs.eof()) return std::nullopt;
        try {
            const Variant ord = rs.field(QStringLiteral("PPOrd"));
            return JobInPrint{ord.toInt32(), rs.field(QStringLiteral("PParg3")).toText().trimmed() +
                                                 QStringLiteral(" (trabajo ") + ord.toText() + QLatin1Char(')')};
        } catch (const TpvError &) {
            return std::nullopt;
        }
    };
    for (auto it = f.backupSettings().cbegin(); it != f.backupSettings().cend(); ++it)
        c.printersWithBackup.insert(it.key());
    return c;
}

}  // namespace

Monitoring::Monitoring(PrintServer &server, const QString &version, AlertLog::Writer alerts)
    : clock_(server.form().clock),
      monitor_(contextOf(server, version), board_, std::move(alerts)) {
    server.addOutputStage([this](TicketOutput &inner) { return std::make_unique<WatchedOutput>(inner, monitor_); });
    server.beforeTick([this] { monitor_.tickStarted(); });
    server.afterTick([this] { monitor_.tickEnded(); });
}

bool Monitoring::serve(const HttpOptions &options, QString *error, std::shared_ptr<ScreenHub> screens) {
    http_ = std::make_unique<HttpServer>([this, token = options.token, screens](const HttpRequest &r) {
        if (screens && isScreenRequest(r)) return screenResponse(r, *screens);
        return monitorResponse(r, board_, clock_.steadyMs(), token);
    });
    if (http_->listen(options.address, options.port, error)) return true;
    http_.reset();
    return false;
}

}  // namespace tpv
