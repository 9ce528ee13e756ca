#pragma once
// The kitchen thermal printers declared in impresoras.ini as installed
// printers of the printer layer, beside CUPS's or the folder printers.
#include "devices/Printers.h"
#include "devices/escpos/EscPosConfig.h"

#include <QString>
#include <QStringList>

namespace tpv {

// One installed printer per printer declared in DATADIR/impresoras.ini. The
// file is read once, when the source is made; its mistakes are kept for the
// program to report.
class EscPosPrinterSource : public PrinterSource {
public:
    explicit EscPosPrinterSource(const QString &dataDir);
    std::vector<InstalledPrinter> scan(QString *defaultName) override;
    const QStringList &errors() const { return errors_; }
    bool empty() const { return printers_.empty(); }

private:
    std::vector<InstalledPrinter> printers_;
    QStringList errors_;
};

// What an ESC/POS printer reports before anything was set: an 80 mm roll,
// portrait, one copy, Arial 9.
PrinterState escPosPrinterState(const EscPosPrinterConfig &cfg);

// The device of one declared printer: the document is encoded with the
// state's ticket font (bold from FontBold, size from FontSize). A printer
// that failed fails again at once, with the same cause, until the next tick.
std::shared_ptr<PrinterDevice> makeEscPosPrinterDevice(const EscPosPrinterConfig &cfg);

// Adds the declared printers of dataDir to the layer; the mistakes of
// impresoras.ini (Spanish, with printer and line) are appended to *errors.
// The printers declared well are added whatever the others' mistakes.
void addDeclaredPrinters(PrinterLayer &layer, const QString &dataDir, QStringList *errors);

}  // namespace tpv
