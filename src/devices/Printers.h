#pragma once
// The installed printers, the current printer and its properties, printing a
// text and ending a document. Properties are read and written by name, as the
// printer panel and the ticket font use them; a property the printer cannot
// report or refuses is an error (err::PrinterError or err::InvalidPropertyValue).
//
// Printers come from sources (CUPS's queues, folder printers, the declared
// kitchen printers); each installed printer carries the device that takes
// its documents. The layer lists them all together, in byte order of their
// device names.
#include "platform/Clock.h"
#include "devices/PrinterStatus.h"
#include "ticket/Document.h"
#include "compat/Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace tpv {

enum class PrinterProperty {
    DeviceName,
    DriverName,
    Port,
    Width,
    Height,
    PaperSize,
    Orientation,
    ColorMode,
    Copies,
    Duplex,
    PaperBin,
    PrintQuality,
    ScaleLeft,
    ScaleTop,
    ScaleWidth,
    ScaleHeight,
    Zoom,
    TrackDefault,
    FontName,
    FontSize,
    FontBold
};
constexpr int PrinterPropertyCount = 21;

QString propertyName(PrinterProperty p);
const std::array<PrinterProperty, PrinterPropertyCount> &allPrinterProperties();
bool propertyFromName(const QString &name, PrinterProperty *out);

// One printer's properties, with those it refuses to take or to report.
struct PrinterState {
    QHash<PrinterProperty, Variant> values;
    QStringList refused;     // property names whose writes fail
    QStringList unreadable;  // property names whose reads fail
    Variant get(PrinterProperty p) const;
    void set(PrinterProperty p, const Variant &v);
    QString name() const { return values.value(PrinterProperty::DeviceName).toText(); }
};

// Page sizes in twips: an 80 mm roll's width, and an A4 page's width and
// height (a roll has no end, so its page is as long as an A4 one).
constexpr int kRollWidthTwips = 4535;
constexpr int kA4WidthTwips = 11906;
constexpr int kA4HeightTwips = 16838;

// A printer's properties for a page of that size in twips: portrait, one
// copy, monochrome, one-sided, scale equal to the page, Arial 9 not bold.
// Each kind of printer then sets what it knows better.
PrinterState pagePrinterState(const QString &name, const QString &driver, const QString &port, int widthTwips,
                              int heightTwips);

// What a look at a printer found between tickets: its state and, when it
// cannot print now, why, in Spanish ("La impresora Cocina no tiene papel").
struct PrinterCheck {
    PrinterStatus status;
    QString failure;
    bool ok() const { return failure.isEmpty(); }
};

// How one finished document reaches a printer of one kind. Returns once the
// device has the document durably; anything else is an error.
class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;
    virtual void deliver(const PrinterState &printer, const Document &document) = 0;
    // Checks a property write against what the device takes (throws when it
    // refuses).
    virtual void validate(const PrinterState &, PrinterProperty, const Variant &) const {}
    // A new poll tick begins: a device that remembers a failure so as not to
    // try the printer again within one tick forgets it here.
    virtual void newTick() {}
    // Whether the printer has a document of that title, or whose text (the
    // printed text without the line end printing adds) has that SHA-256
    // digest in hex; nullopt when the device cannot tell (a thermal printer
    // keeps nothing to ask).
    virtual std::optional<bool> holds(const PrinterState &printer, const QString &title, const QString &digest) const {
        (void)printer;
        (void)title;
        (void)digest;
        return std::nullopt;
    }
    // What the device last saw of the printer (a ticket that failed on it
    // included: a look and a ticket that meet the same fault say the same);
    // nullopt when it cannot tell.
    virtual std::optional<PrinterStatus> status(const PrinterState &printer) const {
        (void)printer;
        return std::nullopt;
    }
    // Looks at the printer without printing anything, within the device's
    // time limits; nullopt when the device has no way to look.
    virtual std::optional<PrinterCheck> probe(const PrinterState &printer) {
        (void)printer;
        return std::nullopt;
    }
    // Whether other PCs reach the same printer, one at a time (a network
    // thermal printer takes one connection): a PC that stands by leaves it
    // to the PC that prints.
    virtual bool sharedWithOtherPCs() const { return false; }
};

struct InstalledPrinter {
    PrinterState state;
    std::shared_ptr<PrinterDevice> device;
};

// Where installed printers come from.
class PrinterSource {
public:
    virtual ~PrinterSource() = default;
    // The printers installed now, and the name of the source's default
    // printer (empty when it names none).
    virtual std::vector<InstalledPrinter> scan(QString *defaultName) = 0;
};

// The conexion= of impresoras.ini that declares a kitchen screen rather
// than a thermal printer.
inline const QString kScreenConnection = QStringLiteral("pantalla");

class PrinterLayer {
public:
    PrinterLayer() = default;
    virtual ~PrinterLayer() = default;
    PrinterLayer(const PrinterLayer &) = delete;
    PrinterLayer &operator=(const PrinterLayer &) = delete;

    // Adds a source and lists its printers. A printer of a later source
    // replaces one of the same name; the current printer is the first
    // default a source names, else the first printer.
    void addSource(std::unique_ptr<PrinterSource> source);

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
    // more line end follows), and ends the document. A typed document keeps
    // the roles of its lines for the printers that use them.
    void print(const QString &text);
    void print(const Document &document);
    void endDoc();

    // Looks for printers installed since start and appends them (positions
    // of the known ones stay); returns their device names.
    QStringList rescan();

    // A new poll tick begins (see PrinterDevice::newTick).
    void newTick();

    // Asks the installed printer of that name whether it has a document
    // (see PrinterDevice::holds); false for a printer not installed.
    std::optional<bool> holds(const QString &name, const QString &title, const QString &digest) const;

    // Looks at installed printer i between tickets (see PrinterDevice::probe)
    // and keeps what it found for states(); nullopt when its device cannot
    // look. A look that finds the printer well does not undo the failure of
    // its last ticket: a look asks less than a ticket does (a folder that is
    // there may still refuse the file), so the printer stays failed, and the
    // check returned is that ticket's failure, until a ticket goes through.
    // This is the one place that rule is kept.
    std::optional<PrinterCheck> probe(int i);
    // Whether installed printer i is reached by other PCs too (see
    // PrinterDevice::sharedWithOtherPCs).
    bool sharedWithOtherPCs(int i) const;

    // Each installed printer's state, in list order: the state the last
    // ticket or look left it in, never a working one while that last
    // attempt failed: the device's own state when it has one and the printer
    // works (low paper, tickets waiting in its queue), else ready once a
    // ticket or a look went well, the failure's state after one that failed,
    // unchecked before the first; and the time of day of its last ticket
    // delivered (null before the first).
    struct Status {
        QString name;
        PrinterStatus status;
        QTime lastTicket;
    };
    std::vector<Status> states() const;
    // Where the time of the last ticket comes from (the system's by default;
    // the clock must outlive the layer or be reset).
    void setClock(const Clock *clock) { clock_ = clock; }

    // Every property write since start, "Name=value", for tests and logs.
    const QStringList &writeLog() const { return writeLog_; }

private:
    std::vector<InstalledPrinter> scanAll(QString *defaultName) const;

    std::vector<std::unique_ptr<PrinterSource>> sources_;
    std::vector<PrinterState> installed_;
    std::vector<std::shared_ptr<PrinterDevice>> devices_;
    PrinterState current_;
    int currentIndex_ = -1;
    Document document_;
    bool documentOpen_ = false;
    QStringList writeLog_;
    // The last ticket or look of a printer.
    struct LastAttempt {
        PrinterStatus status;   // what it left the printer's state at
        QString failure;        // why it failed, when it did
        bool byTicket = false;  // a ticket, not a look
        QTime lastTicket;
        bool failed() const { return status.isFailure(); }
    };
    QHash<QString, LastAttempt> attempts_;  // by device name
    SystemClock systemClock_;
    const Clock *clock_ = &systemClock_;
};

}  // namespace tpv
