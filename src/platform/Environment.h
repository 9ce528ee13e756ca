#pragma once
// The program's place on this machine: its data folder (what the settings
// call C:\tesmarin\tpv\), the printers folder, the command line and the
// previous-instance test.
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace tpv {

struct CommandLine {
    QString dataDir;        // --data-dir, else TPV_DATA_DIR, else the default
    QString printersDir;    // --printers, else TPV_PRINTERS_DIR; empty: CUPS
    bool headless = false;  // --headless
    int ticks = 0;          // --ticks N: end after the Nth poll tick (0: never)
    QString testPrinter;    // --probar-impresora NOMBRE: print a test ticket there and end
    bool help = false;

    // Watching it run.
    QString http;            // --http ADDR:PORT, else TPV_HTTP: serve the monitoring there
    QString httpTokenFile;   // --http-clave FILE, else TPV_HTTP_CLAVE: the requests' token
    bool echoLists = false;  // --eco-listas: headless, echo the job lists to the log
};

// Parses the arguments (argv[0] excluded). On a malformed line returns
// nothing and puts a Spanish message in *error.
std::optional<CommandLine> parseCommandLine(const QStringList &args, QString *error);
QString commandLineUsage();

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
