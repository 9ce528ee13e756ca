#pragma once
// The printers the program drives, and lector-tpv --probar-impresora, which
// needs them and nothing else.
#include "app/CommandLine.h"
#include "devices/Printers.h"

#include <memory>

namespace tpv {

class ScreenHub;

// CUPS's queues, or the folder printers of --printers, with the thermal
// printers and the kitchen screens of impresoras.ini (what the screens show
// goes to *screens); the file's mistakes go to the log as warnings.
std::unique_ptr<PrinterLayer> programPrinters(const CommandLine &cl, std::shared_ptr<ScreenHub> *screens = nullptr);

// Prints the test ticket on cl.testPrinter and says in Spanish how it went:
// standard output when the printer took it (exit status 0), standard error
// otherwise (1).
int runPrinterTrial(int argc, char **argv, const CommandLine &cl);

}  // namespace tpv
