#pragma once
// A print server on a prepared demo folder in a temporary directory, with
// folder printers, scripted message boxes, a fixed clock and a poll timer
// that moves only when told: what the tests and the benchmarks run against.
// It is put together as the program is (app/PrintServer.h).
#include "app/PrintServer.h"
#include "demo_data.h"
#include "support/FixedClock.h"
#include "support/ManualTimerEngine.h"
#include "support/ScriptedDialogs.h"

#include <QTemporaryDir>
#include <memory>

namespace tpv::demo {

class Harness {
public:
    // Prepares the folder (data files, order database, printers).
    void prepare(const QString &businessDate);
    // Builds the server on the folder and runs its load and activation.
    void start(int loginTimeoutSeconds = 5);
    // Builds the server without loading it.
    void build(int loginTimeoutSeconds = 5);
    // Ends the server as a process that died would: nothing of the ordinary
    // shutdown runs, the lock is let go.
    void stop();
    // A new process on the same folders.
    void restart() {
        stop();
        start();
    }

    // Moves the poll timer's time on, and the clock with it (see
    // ManualTimerEngine).
    void advance(int ms) { timer->advance(ms); }

    QTemporaryDir tmp;
    QString dataDir, printersDir, serverDb;
    std::unique_ptr<Connection> server;
    // The time limit of each request to SQL Server (the tests' silent server).
    int requestTimeoutSeconds = 30;
    ScriptedDialogs dialogs{false};
    // Message boxes the server is built with instead of `dialogs` (a test's
    // own: the window's, or one that records the printing failures).
    Dialogs *otherDialogs = nullptr;
    FixedClock clock{QTime(13, 5, 7)};
    std::unique_ptr<PrinterLayer> printers;  // folder printers, with those declared in dataDir/impresoras.ini
    std::shared_ptr<ScreenHub> screens;      // what the kitchen screens declared there show (null: none)
    QStringList declaredPrinterErrors;       // the mistakes of impresoras.ini
    std::unique_ptr<PrintServer> printServer;
    FrmPpal *f = nullptr;                // the server's window state
    ManualTimerEngine *timer = nullptr;  // owned by f's poll timer
};

}  // namespace tpv::demo
