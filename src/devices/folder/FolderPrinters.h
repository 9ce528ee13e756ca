#pragma once
#include "devices/Printers.h"

namespace tpv {

// Folder printers: every subfolder of a folder is one installed printer. Each
// ended document becomes NNNNNN.txt (the exact text) and NNNNNN.json (font
// and page properties in force) in the printer's folder, and NNNNNN.pdf when
// the printer's printer.json asks for a preview ("Pdf": true) and the
// program can draw one (see setFolderPreview).
class FolderPrinterSource : public PrinterSource {
public:
    explicit FolderPrinterSource(const QString &dir);
    std::vector<InstalledPrinter> scan(QString *defaultName) override;

private:
    QString dir_;
    std::shared_ptr<PrinterDevice> device_;
};

// A layer of folder printers only: the demo's and the tests'.
class FolderPrinters : public PrinterLayer {
public:
    explicit FolderPrinters(const QString &dir);
    QString dir() const { return dir_; }
    // The files written so far for a printer folder, oldest first.
    static QStringList documents(const QString &printerDir);

private:
    QString dir_;
};

// Draws the PDF preview of a folder printer's ticket; installed by a program
// that has the GUI side of Qt (fonts). Without one, no PDF is written.
using FolderPreview = void (*)(const QString &pdfPath, const PrinterState &printer, const QString &text);
void setFolderPreview(FolderPreview preview);

}  // namespace tpv
