#pragma once
// A print server on a prepared demo folder in a temporary directory, with
// folder printers, scripted message boxes, a fixed clock and a poll timer
// that moves only when told: what the tests and the benchmarks run against.
#include "app/FrmPpal.h"
#include "demo_data.h"
#include "platform/Environment.h"

#include <QTemporaryDir>
#include <memory>

namespace tpv::demo {

class Harness {
public:
    // Prepares the folder (data files, order database, printers).
    void prepare(const QString &businessDate);
    // Builds the window on the folder and runs its load and activation,
    // with the poll tick as the timer runs it.
    void start(int loginTimeoutSeconds = 5);
    // Builds the window without loading it.
    void build(int loginTimeoutSeconds = 5);
    void stop();

    // Moves the poll timer's time on (see ManualTimerEngine).
    void advance(int ms) { timer->advance(ms); }

    QTemporaryDir tmp;
    QString dataDir, printersDir, serverDb;
    std::unique_ptr<Connection> server;
    // The time limit of each request to SQL Server (the tests' silent server).
    int requestTimeoutSeconds = 30;
    HeadlessDialogs dialogs{false};
    FixedClock clock{QTime(13, 5, 7)};
    std::unique_ptr<FolderPrinters> printers;  // with the printers declared in dataDir/impresoras.ini
    QStringList declaredPrinterErrors;         // the mistakes of impresoras.ini
    std::unique_ptr<FrmPpal> f;
    std::unique_ptr<InstanceLock> lock;
    ManualTimerEngine *timer = nullptr;  // owned by f's poll timer
};

}  // namespace tpv::demo
