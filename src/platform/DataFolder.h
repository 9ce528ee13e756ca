#pragma once
// The data folder on this machine (what the settings call C:\tesmarin\tpv\)
// and the lock that keeps a second instance off it.
#include <QLockFile>
#include <QString>
#include <memory>

namespace tpv {

// TPV_DATA_DIR, else $HOME/.local/share/tesmarin/tpv.
QString defaultDataDir();

// One instance per data folder. Holds the lock until destroyed; a lock left
// by a process that died is taken over.
class InstanceLock {
public:
    explicit InstanceLock(const QString &dataDir);
    bool tryLock();

private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace tpv
