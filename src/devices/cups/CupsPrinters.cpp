#include "devices/cups/CupsPrinters.h"

#include "compat/Error.h"
#include "platform/Waiting.h"
#include "devices/cups/CupsWaitingJobs.h"
#include "devices/cups/TicketPainter.h"

#include <QHash>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPdfWriter>
#include <QPrinterInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QDeadlineTimer>

namespace tpv {

namespace {

// Paper-size codes of the panel's list and the Qt page sizes they stand for.
const std::pair<int, QPageSize::PageSizeId> kPaperSizes[] = {
    {1, QPageSize::Letter},
    {2, QPageSize::Letter},
    {3, QPageSize::Tabloid},
    {4, QPageSize::Ledger},
    {5, QPageSize::Legal},
    {6, QPageSize::Statement},
    {7, QPageSize::Executive},
    {8, QPageSize::A3},
    {9, QPageSize::A4},
    {10, QPageSize::A4Small},
    {11, QPageSize::A5},
    {12, QPageSize::B4},
    {13, QPageSize::B5},
    {14, QPageSize::Folio},
    {15, QPageSize::Quarto},
    {16, QPageSize::Imperial10x14},
    {17, QPageSize::Tabloid},
    {18, QPageSize::Note},
    {19, QPageSize::Envelope9},
    {20, QPageSize::Envelope10},
    {21, QPageSize::Envelope11},
    {22, QPageSize::Envelope12},
    {23, QPageSize::Envelope14},
    {24, QPageSize::ArchC},
    {25, QPageSize::ArchD},
    {26, QPageSize::ArchE},
    {27, QPageSize::EnvelopeDL},
    {28, QPageSize::EnvelopeC5},
    {29, QPageSize::EnvelopeC3},
    {30, QPageSize::EnvelopeC4},
    {31, QPageSize::EnvelopeC6},
    {32, QPageSize::EnvelopeC65},
    {33, QPageSize::EnvelopeB4},
    {34, QPageSize::EnvelopeB5},
    {35, QPageSize::EnvelopeB6},
    {36, QPageSize::EnvelopeItalian},
    {37, QPageSize::EnvelopeMonarch},
    {38, QPageSize::EnvelopePersonal},
    {39, QPageSize::FanFoldUS},
    {40, QPageSize::FanFoldGerman},
    {41, QPageSize::FanFoldGermanLegal},
};

PrinterState stateOf(const QPrinterInfo &info) {
    const QPageSize page = info.defaultPageSize().isValid() ? info.defaultPageSize() : QPageSize(QPageSize::A4);
    const QSizeF pt = page.size(QPageSize::Point);
    PrinterState s = pagePrinterState(info.printerName(),
                                      info.makeAndModel().isEmpty() ? QStringLiteral("CUPS") : info.makeAndModel(),
                                      QStringLiteral("CUPS:") + info.printerName(), static_cast<int>(pt.width() * 20),
                                      static_cast<int>(pt.height() * 20));
    auto &v = s.values;
    const int code = paperSizeCode(page.id());
    v.insert(PrinterProperty::PaperSize, code ? code : 256);
    v.insert(PrinterProperty::ColorMode, info.supportedColorModes().contains(QPrinter::Color) ? 2 : 1);
    const auto duplex = info.defaultDuplexMode();
    v.insert(PrinterProperty::Duplex, duplex == QPrinter::DuplexLongSide    ? 2
                                      : duplex == QPrinter::DuplexShortSide ? 3
                                                                            : 1);
    const auto resolutions = info.supportedResolutions();
    v.insert(PrinterProperty::PrintQuality, resolutions.isEmpty() ? -4 : resolutions.last());
    v.insert(PrinterProperty::ScaleWidth, pt.width() * 20);
    v.insert(PrinterProperty::ScaleHeight, pt.height() * 20);
    return s;
}

}  // namespace

int paperSizeCode(int id) {
    for (const auto &[code, qt] : kPaperSizes)
        if (qt == id) return code;
    return 0;
}

int qtPageSizeId(int code) {
    for (const auto &[c, qt] : kPaperSizes)
        if (c == code) return qt;
    return QPageSize::Custom;
}

namespace {

class CupsDevice : public PrinterDevice {
public:
    void deliver(const PrinterState &printer, const Document &document) override;
    void validate(const PrinterState &printer, PrinterProperty p, const Variant &v) const override;
    std::optional<PrinterStatus> status(const PrinterState &printer) const override;
    std::optional<PrinterCheck> probe(const PrinterState &printer) override;
    void newTick() override { waiting_.newTick(); }
    // A ticket is known in the queue by the title it was sent with.
    std::optional<bool> holds(const PrinterState &printer, const QString &title, const QString &) const override {
        if (title.isEmpty()) return std::nullopt;
        return waiting_.hasJobTitled(printer.name(), title);
    }

private:
    void send(const PrinterState &printer, const Document &document);

    // Asked from the list of printers, which only reads the device.
    mutable CupsWaitingJobs waiting_;
    // The state a queue's last failed ticket found it in (not there, not
    // accepting jobs, stopped), until a ticket goes through: the same state
    // a look finds.
    QHash<QString, PrinterStatus> failed_;
};

// Tickets waiting while the queue keeps jobs of this user (see
// CupsWaitingJobs); nothing when it keeps none or the scheduler does not answer.
std::optional<PrinterStatus> CupsDevice::status(const PrinterState &state) const {
    if (const auto it = failed_.constFind(state.name()); it != failed_.cend()) return *it;
    const int waiting = waiting_.waiting(state.name());
    if (waiting <= 0) return std::nullopt;
    return PrinterStatus{PrinterCondition::JobsWaiting, waiting};
}

void CupsDevice::validate(const PrinterState &, PrinterProperty p, const Variant &v) const {
    if (p == PrinterProperty::PaperSize && qtPageSizeId(v.toInt32()) == QPageSize::Custom && v.toInt32() != 256) {
        throw TpvError(err::InvalidPropertyValue, QStringLiteral("Tamaño de papel no admitido: ") + v.toText());
    }
}

// Why the scheduler would not print on the queue now (not there, not
// accepting jobs, stopped), as lpstat tells it, with the state the operator
// reads; an empty reason when it would print, or when lpstat cannot be run
// (the job is then sent and judged by its result).
struct QueueRefusal {
    PrinterCondition condition = PrinterCondition::Ready;
    QString why;
};

// Waits for the process within the limit, turning the window's event loop
// meanwhile (platform/Waiting.h); false when it did not end in time.
bool finishes(QProcess &p, int limitMs) {
    const QDeadlineTimer deadline(limitMs);
    while (!p.waitForFinished(waiting::kSliceMs)) {
        if (p.state() == QProcess::NotRunning) return true;
        if (deadline.hasExpired()) return false;
        waiting::turn();
    }
    return true;
}

QueueRefusal queueRefusal(const QString &name) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("lpstat"), {QStringLiteral("-a"), name, QStringLiteral("-p"), name});
    if (!p.waitForStarted(5000)) return {};
    if (!finishes(p, 10000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0 || out.trimmed().isEmpty())
        return {PrinterCondition::NotInstalled, QStringLiteral("la cola de impresión %1 no existe").arg(name)};
    // The reason, when the scheduler gives one, follows the line's " - ".
    const auto reasonIn = [&](const QString &marker) {
        // On the same line after " - ", or on the indented line below.
        const QStringList lines = out.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            if (!lines[i].contains(marker)) continue;
            const int dash = lines[i].indexOf(QStringLiteral(" -"));
            QString reason = dash >= 0 ? lines[i].mid(dash + 2).trimmed() : QString();
            if (reason.isEmpty() && i + 1 < lines.size() && lines[i + 1].startsWith(QLatin1Char('\t')))
                reason = lines[i + 1].trimmed();
            return reason.isEmpty() ? QStringLiteral("sin motivo indicado") : reason;
        }
        return QStringLiteral("sin motivo indicado");
    };
    if (out.contains(QStringLiteral(" not accepting requests")))
        return {PrinterCondition::Rejecting, QStringLiteral("la cola de impresión %1 no acepta trabajos (%2)")
                                                 .arg(name, reasonIn(QStringLiteral(" not accepting")))};
    if (out.contains(QStringLiteral(" disabled since")))
        return {PrinterCondition::Stopped, QStringLiteral("la cola de impresión %1 está detenida (%2)")
                                               .arg(name, reasonIn(QStringLiteral(" disabled since")))};
    return {};
}

// The queue as the scheduler has it now: installed (INFO is its entry),
// accepting jobs, not stopped. A look reports it; a ticket is not sent
// unless it is so.
PrinterCheck queueCheck(const QString &name, const QPrinterInfo &info) {
    if (info.isNull())
        return PrinterCheck{statusOf(PrinterCondition::NotInstalled),
                            QStringLiteral("La impresora %1 no está instalada").arg(name)};
    if (const QueueRefusal refusal = queueRefusal(name); !refusal.why.isEmpty())
        return PrinterCheck{statusOf(refusal.condition),
                            QStringLiteral("No se puede imprimir en %1: %2").arg(name, refusal.why)};
    return PrinterCheck{statusOf(PrinterCondition::Ready), {}};
}

std::optional<PrinterCheck> CupsDevice::probe(const PrinterState &state) {
    return queueCheck(state.name(), QPrinterInfo::printerInfo(state.name()));
}

void CupsDevice::deliver(const PrinterState &state, const Document &document) {
    const QString name = state.name();
    // Never let Qt fall back to the default printer for a name that is gone,
    // and never leave a job in a queue that rejects or holds it: it would
    // count as printed.
    if (const PrinterCheck check = queueCheck(name, QPrinterInfo::printerInfo(name)); !check.ok()) {
        failed_.insert(name, check.status);
        throw TpvError(err::PrinterError, check.failure);
    }
    failed_.remove(name);
    send(state, document);
}

void CupsDevice::send(const PrinterState &state, const Document &document) {
    const QString text = document.text();
    const QString name = state.name();
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    QPrinter printer(info, QPrinter::HighResolution);
    // The job's title in the queue: a ticket can be found there by it.
    printer.setDocName(document.title.isEmpty() ? QStringLiteral("Comanda") : document.title);
    applyPage(printer, state);
    printer.setCopyCount(std::max(1, state.values.value(PrinterProperty::Copies).toInt32()));
    printer.setColorMode(state.values.value(PrinterProperty::ColorMode).toInt32() == 2 ? QPrinter::Color
                                                                                       : QPrinter::GrayScale);
    const int duplex = state.values.value(PrinterProperty::Duplex).toInt32();
    printer.setDuplex(duplex == 2   ? QPrinter::DuplexLongSide
                      : duplex == 3 ? QPrinter::DuplexShortSide
                                    : QPrinter::DuplexNone);
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw TpvError(err::PrinterError, QStringLiteral("No se puede iniciar la impresión en %1").arg(name));
    }
    paintTicket(painter, printer, state, text);
    if (!painter.end()) {
        throw TpvError(err::PrinterError, QStringLiteral("La impresora %1 no aceptó el documento").arg(name));
    }
}

}  // namespace

CupsPrinterSource::CupsPrinterSource() : device_(std::make_shared<CupsDevice>()) {}

std::vector<InstalledPrinter> CupsPrinterSource::scan(QString *defaultName) {
    *defaultName = QPrinterInfo::defaultPrinterName();
    std::vector<InstalledPrinter> printers;
    for (const QPrinterInfo &info : QPrinterInfo::availablePrinters()) printers.push_back({stateOf(info), device_});
    return printers;
}

void writePdfPreview(const QString &path, const PrinterState &printer, const QString &text) {
    QPdfWriter pdf(path);
    pdf.setCreator(QStringLiteral("Lector TPV"));
    pdf.setResolution(300);
    applyPage(pdf, printer);
    QPainter painter;
    if (!painter.begin(&pdf)) return;
    paintTicket(painter, pdf, printer, text);
    painter.end();
}

}  // namespace tpv
