#include "harness.h"

#include "app/Lifecycle.h"
#include "platform/SqlConnection.h"
#include "platform/escpos/EscPosPrinters.h"

namespace tpv::demo {

void Harness::prepare(const QString &businessDate) {
    dataDir = tmp.filePath(QStringLiteral("data"));
    printersDir = tmp.filePath(QStringLiteral("printers"));
    serverDb = prepareDemo(dataDir, printersDir, businessDate).serverDb;
    server = openSqliteFile(serverDb);
}

void Harness::build(int loginTimeoutSeconds) {
    printers = std::make_unique<FolderPrinters>(printersDir);
    declaredPrinterErrors.clear();
    addDeclaredPrinters(*printers, dataDir, &declaredPrinterErrors);
    ConnectionOptions o;
    o.dataDir = dataDir;
    o.loginTimeoutSeconds = loginTimeoutSeconds;
    o.requestTimeoutSeconds = requestTimeoutSeconds;
    auto engine = std::make_unique<ManualTimerEngine>();
    timer = engine.get();
    f = std::make_unique<FrmPpal>(dialogs, *printers, clock, o, std::move(engine));
    lock = std::make_unique<InstanceLock>(dataDir);
}

void Harness::start(int loginTimeoutSeconds) {
    build(loginTimeoutSeconds);
    f->T.setTick([this] { f->tick(); });
    connectReprintControls(f->reprint());
    Form_Load(*f, *lock);
    Form_Activate(*f);
}

void Harness::stop() {
    f.reset();
    timer = nullptr;
    lock.reset();
    server.reset();
}

}  // namespace tpv::demo
