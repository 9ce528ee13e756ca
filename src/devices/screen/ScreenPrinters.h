#pragma once
// The kitchen screens declared in impresoras.ini as installed printers: the
// print run sends a screen its tickets as it sends a printer, and a ticket
// counts as delivered once an open page of the screen has shown it (see
// ScreenHub). With no page open, or none that shows it in time, the screen
// fails as "Sin conexión", and its backup printer takes its tickets as a
// printer's.
#include "devices/Printers.h"
#include "devices/screen/ScreenHub.h"

namespace tpv {

class ScreenPrinterSource : public PrinterSource {
public:
    explicit ScreenPrinterSource(std::shared_ptr<ScreenHub> hub);
    std::vector<InstalledPrinter> scan(QString *defaultName) override;

private:
    std::vector<InstalledPrinter> screens_;
};

// Adds the screens declared in DATADIR/impresoras.ini to the layer, and
// returns what they show (null when none is declared); the file's mistakes
// about screens are appended to *errors.
std::shared_ptr<ScreenHub> addScreens(PrinterLayer &layer, const QString &dataDir, QStringList *errors);

}  // namespace tpv
