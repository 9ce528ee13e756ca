#pragma once
// The print server put together: the window state on the platform it is
// handed (printers, message boxes, clock, poll timer), the previous-instance
// lock, start-up, the ordinary end, and the steps that follow every poll
// tick. The program, the demo tools, the benchmarks and the tests build it
// the same way; what differs is the platform handed in and the steps added
// (the service manager's watchdog, the log's echo of the lists, the end
// after --ticks, the status page's snapshot).
#include "ui/FrmPpal.h"
#include "platform/DataFolder.h"
#include "kitchen/PrinterWatch.h"

#include <functional>
#include <memory>
#include <vector>

namespace tpv {

class ScreenHub;

class PrintServer {
public:
    struct Options {
        QString dataDir;
        int loginTimeoutSeconds = 5;
        int requestTimeoutSeconds = 30;  // each request to SQL Server
        // The turn between the PCs of the terminal is renewed from a thread
        // of its own (the program); without it, at the start of every tick
        // (tests that drive time by hand).
        bool turnThread = true;
    };

    PrintServer(Options options, Dialogs &dialogs, PrinterLayer &printers, Clock &clock,
                std::unique_ptr<TimerEngine> timer = std::make_unique<QtTimerEngine>());
    PrintServer(const PrintServer &) = delete;
    PrintServer &operator=(const PrintServer &) = delete;

    FrmPpal &form() { return *f_; }
    const Options &options() const { return options_; }

    // Puts a stage in front of the ticket output chain: MAKE is given the
    // chain so far and returns the stage that sends through it. The chain,
    // from the printers outward: the printer panel, the backup printers,
    // then each stage in the order added (the monitoring's watch).
    void addOutputStage(const std::function<std::unique_ptr<TicketOutput>(TicketOutput &inner)> &make);

    // Runs after every poll tick, in the order added.
    void afterTick(std::function<void()> step) { afterTick_.push_back(std::move(step)); }
    // Runs before every poll tick, in the order added.
    void beforeTick(std::function<void()> step) { beforeTick_.push_back(std::move(step)); }
    // Called when this PC takes the turn of its terminal (on the thread that
    // steps the turn), after it held none or another PC held it.
    void onTurnTaken(std::function<void()> step) { turnTaken_.push_back(std::move(step)); }

    // Start-up in its two halves, as the window is shown between them: the
    // load (lock, settings, work tables, connections, printer panel) and the
    // first activation. False when start-up ended the program (a second
    // instance, no settings file, no printer): exitCode() says how.
    bool load();
    bool activate();

    // Runs an action of the operator or of the timer: an error no procedure
    // handles is shown as the platform shows it, and an end of the program
    // ends it.
    void run(const std::function<void()> &action);
    // Runs an action of the operator once no tick runs: a click taken while
    // a tick waits on a printer is done when that tick has ended.
    void runWhenIdle(const std::function<void()> &action) {
        f_->T.whenIdle([this, action] {
            run(action);
            // Whatever it wrote, the next tick reads the queue in full.
            f_->requestFullRead();
        });
    }
    // The operator closes the window: the shutdown's question, at once or,
    // during a tick, once it has ended. True when the window may close now.
    bool closeRequested();

    // The ordinary shutdown's question; true when the program ends. After it
    // no tick runs.
    bool shutdown();
    // Ends the program with that status (once).
    void end(int exitCode);
    bool ending() const { return ending_; }
    // The turn between the PCs of the terminal (null before start-up knows
    // the terminal).
    Turn *turn() { return turn_.get(); }
    int exitCode() const { return exitCode_; }
    // Told once when the program ends, with its exit status.
    std::function<void(int exitCode)> onEnd;

private:
    void tick();
    // The print server's own tables, an earlier journal file brought in, and
    // the turn, once the settings name the terminal. False when start-up
    // must end (a login that may not make the tables).
    bool startTurn();
    // On the window's thread, after the turn changed hands.
    void turnChanged(const TurnState &before, const TurnState &now);

    Options options_;
    std::unique_ptr<FrmPpal> f_;
    // Looks at the printers between ticks, from the first activation on.
    PrinterWatch watch_;
    InstanceLock lock_;
    std::vector<std::unique_ptr<TicketOutput>> outputStages_;
    std::unique_ptr<Turn> turn_;
    std::unique_ptr<TurnThread> turnThread_;
    std::vector<std::function<void()>> beforeTick_, afterTick_, turnTaken_;
    bool ending_ = false;
    int exitCode_ = 0;
};

// The printers the server sees: the folder printers of `printersDir` when
// it is given, else the system's (`systemPrinters`, CUPS in the program),
// with the kitchen thermal printers and the kitchen screens declared in the
// data folder (what the screens show goes to *screens, null when there are
// none). Each mistake of impresoras.ini is one line in *errors.
std::unique_ptr<PrinterLayer> installedPrinters(const QString &printersDir, const QString &dataDir, QStringList *errors,
                                                const std::function<std::unique_ptr<PrinterLayer>()> &systemPrinters,
                                                std::shared_ptr<ScreenHub> *screens = nullptr);

// Headless, the operator's lists echoed to the log as they change: every job
// that reaches the done list once, with what is still pending.
std::function<void()> listEchoStep(const FrmPpal &f);

}  // namespace tpv
