#pragma once
// The program's command line: the data folder (what the settings call
// C:\tesmarin\tpv\), the printers folder, headless or windowed, the end
// after N ticks, the printer test and the monitoring's address.
#include <QString>
#include <QStringList>
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

}  // namespace tpv
