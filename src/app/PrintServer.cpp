#include "app/PrintServer.h"
#include "devices/folder/FolderPrinters.h"

#include "ui/Lifecycle.h"
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
    if (onEnd) onEnd(exitCode);
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
