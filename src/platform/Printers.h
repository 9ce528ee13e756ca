#pragma once
// The installed printers, the current printer and its properties, printing a
// text and ending a document. Properties are read and written by name, as the
// printer panel and the ticket font use them; a property the printer cannot
// report or refuses is an error (err::PrinterError or err::InvalidPropertyValue).
#include "platform/Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

namespace tpv {

enum class PrinterProperty {
    DeviceName, DriverName, Port, Width, Height, PaperSize, Orientation, ColorMode, Copies, Duplex,
    PaperBin, PrintQuality, ScaleLeft, ScaleTop, ScaleWidth, ScaleHeight, Zoom, TrackDefault,
    FontName, FontSize, FontBold
};
constexpr int PrinterPropertyCount = 21;

QString propertyName(PrinterProperty p);
const std::array<PrinterProperty, PrinterPropertyCount> &allPrinterProperties();
bool propertyFromName(const QString &name, PrinterProperty *out);

// One printer's properties, with those it refuses to take or to report.
struct PrinterState {
    QHash<PrinterProperty, Variant> values;
    QStringList refused;      // property names whose writes fail
    QStringList unreadable;   // property names whose reads fail
    Variant get(PrinterProperty p) const;
    void set(PrinterProperty p, const Variant &v);
};

class PrinterLayer {
public:
    virtual ~PrinterLayer() = default;

    int count() const { return static_cast<int>(installed_.size()); }
    // Installed printer i (error 9 when there is no such printer). Settings
    // written while a printer was current stay with it for the rest of the
    // run, so a printer set to portrait once is still portrait next time.
    const PrinterState &installed(int i) const;
    PrinterState &current() { return current_; }
    const PrinterState &current() const { return current_; }
    Variant get(PrinterProperty p) const { return current_.get(p); }
    void set(PrinterProperty p, const Variant &v);
    // Makes installed printer i current; the font of the current printer
    // carries over, so the ticket font applies on every printer.
    void makeCurrent(int i);

    // Prints a text on the current printer (each CR LF starts a line; one
    // more line end follows), and ends the document.
    void print(const QString &text);
    void endDoc();

    // Looks for printers installed since start and appends them (positions
    // of the known ones stay); returns their device names.
    virtual QStringList rescan() { return {}; }

    // Every property write since start, "Name=value", for tests and logs.
    const QStringList &writeLog() const { return writeLog_; }

protected:
    // Sends one finished document to the printer the state describes.
    virtual void emitDocument(const PrinterState &printer, const QString &text) = 0;
    // Checks a write against what the device takes (throws when it refuses).
    virtual void validate(const PrinterState &printer, PrinterProperty p, const Variant &v) const;
    void setInstalled(std::vector<PrinterState> printers, int defaultIndex);
    // Appends the printers of `found` not installed yet; returns their names.
    QStringList appendNew(std::vector<PrinterState> found);

private:
    std::vector<PrinterState> installed_;
    PrinterState current_;
    int currentIndex_ = -1;
    QString document_;
    bool documentOpen_ = false;
    QStringList writeLog_;
};

// Folder printers: every subfolder of a folder is one installed printer. Each
// ended document becomes NNNNNN.txt (the exact text) and NNNNNN.json (font
// and page properties in force) in the printer's folder.
class FolderPrinters : public PrinterLayer {
public:
    explicit FolderPrinters(const QString &dir);
    QString dir() const { return dir_; }
    // The files written so far for a printer folder, oldest first.
    static QStringList documents(const QString &printerDir);
    QStringList rescan() override;

protected:
    void emitDocument(const PrinterState &printer, const QString &text) override;

private:
    std::vector<PrinterState> scan(int *defaultIndex) const;
    QString dir_;
};

}  // namespace tpv
