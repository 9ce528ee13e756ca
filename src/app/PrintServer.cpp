#include "app/PrintServer.h"
#include "devices/folder/FolderPrinters.h"

#include "ui/Lifecycle.h"
#include "kitchen/DeliveryJournal.h"
#include "sql/OwnTables.h"
#include "platform/Console.h"
#include "compat/Error.h"
#include "devices/escpos/EscPosPrinters.h"
#include "devices/screen/ScreenPrinters.h"
#include "ui/ReprintControls.h"

#include <QHash>

namespace tpv {

namespace {

ConnectionOptions connectionOptions(const PrintServer::Options &o) {
    ConnectionOptions c;
    c.dataDir = o.dataDir;
    c.loginTimeoutSeconds = o.loginTimeoutSeconds;
    c.requestTimeoutSeconds = o.requestTimeoutSeconds;
    return c;
}

}  // namespace

PrintServer::PrintServer(Options options, Dialogs &dialogs, PrinterLayer &printers, Clock &clock,
                         std::unique_ptr<TimerEngine> timer)
    : options_(std::move(options)),
      f_(std::make_unique<FrmPpal>(dialogs, printers, clock, connectionOptions(options_), std::move(timer))),
      watch_(printers, f_->health, clock, f_->T),
      lock_(options_.dataDir) {
    f_->T.setTick([this] { tick(); });
    connectReprintControls(f_->reprint());
    watch_.onLooked = [this] { f_->showPrinterStates(); };
    watch_.standingBy = [this] { return turn_ && turn_->state().role != TurnRole::Active; };
}

void PrintServer::addOutputStage(const std::function<std::unique_ptr<TicketOutput>(TicketOutput &inner)> &make) {
    outputStages_.push_back(make(f_->output()));
    f_->setOutput(*outputStages_.back());
}

void PrintServer::tick() {
    for (const auto &step : beforeTick_) step();
    run([this] { f_->tick(); });
    for (const auto &step : afterTick_) step();
}

bool PrintServer::load() {
    try {
        Form_Load(*f_, lock_);
    } catch (const ProgramEnded &e) {
        end(e.exitCode);
    }
    if (!ending_ && !startTurn()) end(1);
    // Every printer in the list from the start, each as far as it is known.
    if (!ending_) f_->showPrinterStates();
    return !ending_;
}

bool PrintServer::activate() {
    try {
        Form_Activate(*f_);
    } catch (const ProgramEnded &e) {
        end(e.exitCode);
    }
    if (!ending_) watch_.start();
    return !ending_;
}

void PrintServer::run(const std::function<void()> &action) {
    try {
        action();
    } catch (const ProgramEnded &e) {
        end(e.exitCode);
    } catch (const TpvError &e) {
        f_->showUnhandled(e);
    }
}

bool PrintServer::shutdown() {
    if (ending_) return true;
    bool close = false;
    run([&] { close = Form_Unload(*f_); });
    if (close) end(0);
    return close;
}

bool PrintServer::closeRequested() {
    if (!f_->T.insideTick()) return shutdown();
    f_->T.whenIdle([this] { shutdown(); });
    return false;
}

void PrintServer::end(int exitCode) {
    if (ending_) return;
    ending_ = true;
    exitCode_ = exitCode;
    watch_.stop();
    f_->T.stopForGood();
    // The turn is handed over at once rather than after it goes stale.
    if (turnThread_) turnThread_->stop();
    if (turn_) turn_->release();
    if (onEnd) onEnd(exitCode);
}

bool PrintServer::startTurn() {
    FrmPpal &f = *f_;
    Global &g = f.g;
    if (g.Cn) {
        try {
            sql::own::ensureTables(*g.Cn);
            DeliveryJournal::importFile(options_.dataDir, *g.Cn, f.identity.station);
        } catch (const TpvError &e) {
            if (e.number() != err::CannotOpen || !e.description().contains(QLatin1String("preparar"))) {
                f.status.report(QStringLiteral("No se pudo preparar el registro de entregas: ") +
                                e.numberAndDescription());
            } else {
                f.dialogs.message(e.description(), QStringLiteral("Tesmarin-Garnet"), MsgIcon::Critical);
                return false;
            }
        }
    }
    // The turn's own connection: a tick that waits on a printer holds the
    // window's connections, never this one.
    const QString connectionString = serverConnectionString(g);
    const ConnectionOptions dbOptions = g.db;
    turn_ = std::make_unique<Turn>(
        g.tpv, f.identity,
        [connectionString, dbOptions] {
            auto cn = openConnection(connectionString, dbOptions);
            sql::own::ensureTables(*cn);
            return cn;
        },
        f.clock);
    turn_->onChange = [this](const TurnState &before, const TurnState &now) {
        if (options_.turnThread)
            f_->T.engine().post([this, before, now] { turnChanged(before, now); });
        else
            turnChanged(before, now);
    };
    f.turn = turn_.get();
    // The role is known before the first tick.
    turn_->step();
    if (options_.turnThread) {
        turn_->disconnect();
        turnThread_ = std::make_unique<TurnThread>(*turn_);
        turnThread_->start();
    } else {
        beforeTick([this] { turn_->step(); });
    }
    f.showTurn();
    return true;
}

void PrintServer::turnChanged(const TurnState &before, const TurnState &now) {
    FrmPpal &f = *f_;
    f.requestFullRead();
    const QString tpv = QString::number(f.g.tpv);
    // Holding the turn from the start is no change of hands: the start line
    // says it.
    if (before.role == TurnRole::Unknown && now.role == TurnRole::Active) {
        f.showTurn();
        return;
    }
    if (now.role == TurnRole::Active) {
        QString text = QStringLiteral("Este PC imprime el terminal %1 desde ahora").arg(tpv);
        if (before.holderStation == f.identity.station)
            text += QStringLiteral(" (el proceso anterior de este PC ya no lo renovaba)");
        else if (!before.holder.isEmpty())
            text += QStringLiteral(" (antes lo imprimía %1, que ha dejado de renovarlo)").arg(before.holder);
        f.status.notice(text);
        for (const auto &step : turnTaken_) step();
        // The jobs that waited while no PC printed go out now, not at the
        // next tick.
        if (!ending_) f.T.whenIdle([this] { f_->T.runTick(); });
    } else if (now.role == TurnRole::Standby) {
        f.status.notice(before.role == TurnRole::Active
                            ? QStringLiteral("Este PC deja de imprimir el terminal %1: ahora imprime %2")
                                  .arg(tpv, now.holder)
                            : QStringLiteral("Este PC queda en espera: el terminal %1 lo imprime %2").arg(tpv, now.holder));
    }
    f.showTurn();
}

std::unique_ptr<PrinterLayer> installedPrinters(const QString &printersDir, const QString &dataDir, QStringList *errors,
                                                const std::function<std::unique_ptr<PrinterLayer>()> &systemPrinters,
                                                std::shared_ptr<ScreenHub> *screens) {
    std::unique_ptr<PrinterLayer> printers;
    if (!printersDir.isEmpty() || !systemPrinters)
        printers = std::make_unique<FolderPrinters>(printersDir);
    else
        printers = systemPrinters();
    addDeclaredPrinters(*printers, dataDir, errors);
    std::shared_ptr<ScreenHub> hub = addScreens(*printers, dataDir, errors);
    if (screens) *screens = std::move(hub);
    return printers;
}

std::function<void()> listEchoStep(const FrmPpal &f) {
    auto shownDone = std::make_shared<QStringList>();
    return [&f, shownDone] {
        const QStringList done = f.lstReal.texts().mid(1);
        // The same done list as last time has nothing new to echo: counting
        // its entries again would only find the counts already shown.
        if (done == *shownDone) return;
        const QStringList pending = f.lstPend.texts().mid(1);
        QHash<QString, int> before;
        for (const QString &entry : *shownDone) ++before[entry];
        QHash<QString, int> seen;
        // Newest first in the list: walk it backwards to print in order.
        for (auto it = done.crbegin(); it != done.crend(); ++it)
            if (++seen[*it] > before.value(*it)) writeErrorLine(QStringLiteral("REALIZADO: ") + *it);
        if (!pending.isEmpty()) writeErrorLine(QStringLiteral("PENDIENTES: ") + pending.join(QStringLiteral("; ")));
        *shownDone = done;
    };
}

}  // namespace tpv
