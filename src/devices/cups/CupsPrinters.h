#pragma once
// The printers CUPS has installed, through QtPrintSupport. The system default
// is the first current printer; each document is drawn with QPainter in the
// current printer's font, one line per CR LF.
#include "devices/Printers.h"

namespace tpv {

class CupsPrinterSource : public PrinterSource {
public:
    CupsPrinterSource();
    std::vector<InstalledPrinter> scan(QString *defaultName) override;

private:
    std::shared_ptr<PrinterDevice> device_;
};

// A layer of CUPS's printers only.
class CupsPrinters : public PrinterLayer {
public:
    CupsPrinters() { addSource(std::make_unique<CupsPrinterSource>()); }
};

// The paper-size code of a Qt page size, and back (0 / Custom when none).
int paperSizeCode(int qtPageSizeId);
int qtPageSizeId(int paperSizeCode);

// Draws the PDF preview of a folder printer's ticket (see setFolderPreview).
void writePdfPreview(const QString &pdfPath, const PrinterState &printer, const QString &text);

}  // namespace tpv
