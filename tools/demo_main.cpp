// tpv-demo: prepares a demo data folder for the print server.
//   tpv-demo --data-dir DIR --printers DIR [--date YYYYMMDD]
#include "demo_data.h"

#include "compat/Error.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QString dataDir, printersDir, fecha = tpv::demo::todayBusinessDate();
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--data-dir"))
            dataDir = args[i + 1];
        else if (args[i] == QLatin1String("--printers"))
            printersDir = args[i + 1];
        else if (args[i] == QLatin1String("--date"))
            fecha = args[i + 1];
    }
    if (dataDir.isEmpty() || printersDir.isEmpty()) {
        std::fputs("Uso: tpv-demo --data-dir CARPETA --printers CARPETA [--date AAAAMMDD]\n", stderr);
        return 2;
    }
    try {
        const auto p = tpv::demo::prepareDemo(dataDir, printersDir, fecha, true);
        std::fprintf(stderr, "Datos de demostración en %s\nImpresoras de carpeta en %s\nBase de pedidos: %s\n",
                     qPrintable(p.dataDir), qPrintable(p.printersDir), qPrintable(p.serverDb));
    } catch (const tpv::TpvError &e) {
        std::fprintf(stderr, "No se pudo preparar la demostración: %s\n", qPrintable(e.numberAndDescription()));
        return 1;
    }
    return 0;
}
