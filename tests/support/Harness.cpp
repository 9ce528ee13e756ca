#include "support/Harness.h"

#include "sql/SqlConnection.h"

namespace tpv::demo {

void Harness::prepare(const QString &businessDate) {
    dataDir = tmp.filePath(QStringLiteral("data"));
    printersDir = tmp.filePath(QStringLiteral("printers"));
    serverDb = prepareDemo(dataDir, printersDir, businessDate).serverDb;
    server = openSqliteFile(serverDb);
}

void Harness::build(int loginTimeoutSeconds) {
    declaredPrinterErrors.clear();
    printers = installedPrinters(printersDir, dataDir, &declaredPrinterErrors, {}, &screens);
    auto engine = std::make_unique<ManualTimerEngine>();
    // The fixed clock follows the timer: a test that lets a minute pass
    // moves both the time of day and the monotonic clock.
    engine->onTimeMoved = [this](int ms) { clock.advance(ms); };
    timer = engine.get();
    printServer =
        std::make_unique<PrintServer>(PrintServer::Options{dataDir, loginTimeoutSeconds, requestTimeoutSeconds, false},
                                      otherDialogs ? *otherDialogs : dialogs, *printers, clock, std::move(engine));
    f = &printServer->form();
}

void Harness::start(int loginTimeoutSeconds) {
    build(loginTimeoutSeconds);
    printServer->load() && printServer->activate();
}

void Harness::stop() {
    f = nullptr;
    timer = nullptr;
    printServer.reset();
}

}  // namespace tpv::demo
