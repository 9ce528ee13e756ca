#include "app/PrinterTrialCommand.h"
#include "devices/folder/FolderPrinters.h"

#include "app/PrintServer.h"
#include "app/PrinterTrial.h"
#include "platform/Console.h"
#include "devices/cups/CupsPrinters.h"

#include "ui/qt/WindowSystem.h"

#include <QCoreApplication>
#include <QTime>

#include <cstdio>

namespace tpv {

std::unique_ptr<PrinterLayer> programPrinters(const CommandLine &cl, std::shared_ptr<ScreenHub> *screens) {
    QStringList errors;
    auto printers = installedPrinters(
        cl.printersDir, cl.dataDir, &errors, [] { return std::make_unique<CupsPrinters>(); }, screens);
    for (const QString &e : errors) writeErrorLine(e, LogPriority::Warning);
    setFolderPreview(&writePdfPreview);
    return printers;
}

int runPrinterTrial(int argc, char **argv, const CommandLine &cl) {
    // CUPS's queues are drawn with QPainter, which needs the GUI side of Qt.
    const std::unique_ptr<QCoreApplication> app = windowApplication(argc, argv, false);
    const std::unique_ptr<PrinterLayer> printers = programPrinters(cl);
    const PrinterTrialResult r = runPrinterTest(*printers, cl.testPrinter, cl.dataDir, QTime::currentTime());
    for (const QString &line : r.said) {
        if (r.delivered)
            std::fprintf(stdout, "%s\n", line.toUtf8().constData());
        else
            writeErrorLine(line, LogPriority::Error);
    }
    std::fflush(stdout);
    return r.delivered ? 0 : 1;
}

}  // namespace tpv
