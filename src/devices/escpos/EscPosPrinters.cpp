#include "devices/escpos/EscPosPrinters.h"

#include "compat/Error.h"
#include "devices/escpos/EscPosDevice.h"
#include "devices/escpos/EscPosEncoder.h"

#include <QDir>

namespace tpv {

namespace {

class EscPosPrinterDevice : public PrinterDevice {
public:
    explicit EscPosPrinterDevice(const EscPosPrinterConfig &cfg) : device_(cfg) {}

    void deliver(const PrinterState &printer, const Document &document) override {
        if (!failure_.isEmpty()) throw TpvError(err::PrinterError, failure_);
        EscPosFont font;
        if (printer.values.contains(PrinterProperty::FontBold))
            font.bold = printer.values.value(PrinterProperty::FontBold).toBool();
        if (printer.values.contains(PrinterProperty::FontSize))
            font.sizePt = printer.values.value(PrinterProperty::FontSize).toDouble();
        const QByteArray bytes = escPosTicket(document, device_.config(), font);
        try {
            device_.deliver(bytes);
        } catch (const TpvError &e) {
            failure_ = e.description();
            throw;
        }
    }
    void newTick() override {
        failure_.clear();
        device_.newTick();
    }
    std::optional<PrinterStatus> status(const PrinterState &) const override {
        if (device_.state() == EscPosState::Unknown) return std::nullopt;
        return printerStatus(device_.state());
    }
    bool sharedWithOtherPCs() const override {
        return device_.config().connection.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive);
    }
    // A look does not count as this tick's failure: the next ticket asks the
    // printer itself.
    std::optional<PrinterCheck> probe(const PrinterState &) override {
        QString cause;
        const EscPosState seen = device_.probe(&cause);
        return PrinterCheck{printerStatus(seen), cause};
    }

private:
    EscPosDevice device_;
    QString failure_;  // the cause of this tick's failure, if any
};

}  // namespace

PrinterState escPosPrinterState(const EscPosPrinterConfig &cfg) {
    PrinterState s =
        pagePrinterState(cfg.name, QStringLiteral("ESC/POS"), cfg.connection, kRollWidthTwips, kA4HeightTwips);
    s.set(PrinterProperty::PaperBin, 1);
    s.set(PrinterProperty::PrintQuality, -3);
    return s;
}

std::shared_ptr<PrinterDevice> makeEscPosPrinterDevice(const EscPosPrinterConfig &cfg) {
    return std::make_shared<EscPosPrinterDevice>(cfg);
}

EscPosPrinterSource::EscPosPrinterSource(const QString &dataDir) {
    const EscPosConfigResult r = readEscPosPrinters(QDir(dataDir).filePath(QStringLiteral("impresoras.ini")));
    errors_ = r.errors;
    for (const EscPosPrinterConfig &cfg : r.printers)
        printers_.push_back({escPosPrinterState(cfg), makeEscPosPrinterDevice(cfg)});
}

// The same devices at every scan: what a device remembers (its state, this
// tick's failure) stays with it when the layer looks for new printers.
std::vector<InstalledPrinter> EscPosPrinterSource::scan(QString *defaultName) {
    defaultName->clear();
    return printers_;
}

void addDeclaredPrinters(PrinterLayer &layer, const QString &dataDir, QStringList *errors) {
    auto source = std::make_unique<EscPosPrinterSource>(dataDir);
    if (errors) *errors << source->errors();
    // No printer declared: the other sources need not be listed again.
    if (source->empty()) return;
    layer.addSource(std::move(source));
}

}  // namespace tpv
