#include "kitchen/CrashChild.h"

#include "support/Harness.h"
#include "sql/SqlConnection.h"
#include "devices/cups/CupsPrinters.h"
#include "support/HookedOutput.h"

#include <QDir>

#include <csignal>
#include <unistd.h>

namespace tpv::test {

namespace {

int gStatementsLeft = 0;

void dieNow() { ::kill(::getpid(), SIGKILL); }

void countStatement(const QString &, const QString &) {
    if (gStatementsLeft > 0 && --gStatementsLeft == 0) dieNow();
}

int envInt(const char *name) { return qEnvironmentVariableIntValue(name); }

}  // namespace

int crashChildMain() {
    demo::Harness h;
    h.dataDir = qEnvironmentVariable("TPV_CRASH_DATA");
    h.printersDir = qEnvironmentVariable("TPV_CRASH_PRINTERS");
    h.build();
    if (envInt("TPV_CRASH_CUPS")) h.printers->addSource(std::make_unique<CupsPrinterSource>());
    gStatementsLeft = envInt("TPV_CRASH_AT_STATEMENT");
    if (gStatementsLeft > 0) setStatementObserver(&countStatement);
    int before = envInt("TPV_CRASH_BEFORE_TICKET"), after = envInt("TPV_CRASH_AFTER_TICKET");
    HookedOutput hooked(
        h.f->output(),
        [&](const QString &, const Document &) {
            if (--after == 0) dieNow();
        },
        [&](const QString &, const Document &) {
            if (--before == 0) dieNow();
        });
    h.f->setOutput(hooked);
    if (!h.printServer->load() || !h.printServer->activate()) return h.printServer->exitCode();
    auto server = openSqliteFile(QDir(h.dataDir).filePath(QStringLiteral("pedidos.db")));
    for (int i = 0; i < 20; ++i) {
        h.f->T.runTick();
        if (server->query(QStringLiteral("SELECT count(*) FROM PendGar WHERE PPPend = 0")).rows[0][0].toInt32() == 0)
            break;
    }
    h.stop();
    return 0;
}

}  // namespace tpv::test
