#pragma once
// The printers CUPS has installed, through QtPrintSupport. The system default
// is the first current printer; each document is drawn with QPainter in the
// current printer's font, one line per CR LF.
#include "platform/Printers.h"

namespace tpv {

class CupsPrinters : public PrinterLayer {
public:
    CupsPrinters();
    QStringList rescan() override;

protected:
    void emitDocument(const PrinterState &printer, const QString &text) override;
    void validate(const PrinterState &printer, PrinterProperty p, const Variant &v) const override;
};

// The paper-size code of a Qt page size, and back (0 / Custom when none).
int paperSizeCode(int qtPageSizeId);
int qtPageSizeId(int paperSizeCode);

}  // namespace tpv
