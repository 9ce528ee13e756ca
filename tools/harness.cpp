#include "harness.h"

#include "app/Lifecycle.h"
#include "platform/SqlConnection.h"
#include "queue/Queue.h"
#include "reprint/ReprintControls.h"

namespace tpv::demo {

void Harness::prepare(const QString &businessDate) {
    dataDir = tmp.filePath(QStringLiteral("data"));
    printersDir = tmp.filePath(QStringLiteral("printers"));
    serverDb = prepareDemo(dataDir, printersDir, businessDate).serverDb;
    server = openSqliteFile(serverDb);
}

void Harness::build(int loginTimeoutSeconds) {
    printers = std::make_unique<FolderPrinters>(printersDir);
    ConnectionOptions o;
    o.dataDir = dataDir;
    o.loginTimeoutSeconds = loginTimeoutSeconds;
    f = std::make_unique<FrmPpal>(dialogs, *printers, clock, o);
    lock = std::make_unique<InstanceLock>(dataDir);
}

void Harness::start(int loginTimeoutSeconds) {
    build(loginTimeoutSeconds);
    f->T.setTick([this] { T_TimerSafe(*f); });
    connectReprintControls(*f);
    Form_Load(*f, *lock);
    Form_Activate(*f);
}

void Harness::stop() {
    f.reset();
    lock.reset();
    server.reset();
}

}  // namespace tpv::demo
