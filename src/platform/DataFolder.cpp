#include "platform/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>

namespace tpv {

QString defaultDataDir() {
    const auto env = QProcessEnvironment::systemEnvironment();
    const QString fromEnv = env.value(QStringLiteral("TPV_DATA_DIR"));
    if (!fromEnv.isEmpty()) return fromEnv;
    return QDir::homePath() + QStringLiteral("/.local/share/tesmarin/tpv");
}

InstanceLock::InstanceLock(const QString &dataDir)
    : lock_(std::make_unique<QLockFile>(QDir(dataDir).filePath(QStringLiteral("lector-tpv.lock")))) {
    // The lock lives as long as the program; never treat it as stale by age.
    lock_->setStaleLockTime(0);
}

bool InstanceLock::tryLock() {
    // A folder that does not exist cannot hold the lock; the program then
    // fails later on its missing configuration file, which says more.
    if (!QDir(QFileInfo(lock_->fileName()).absolutePath()).exists()) return true;
    return lock_->tryLock(0);
}

}  // namespace tpv
