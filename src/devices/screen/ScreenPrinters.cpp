#include "devices/screen/ScreenPrinters.h"

#include "compat/Error.h"
#include "devices/screen/ScreenStore.h"

#include <QDir>

namespace tpv {

namespace {

class ScreenDevice : public PrinterDevice {
public:
    ScreenDevice(std::shared_ptr<ScreenHub> hub, QString name) : hub_(std::move(hub)), name_(std::move(name)) {}

    void deliver(const PrinterState &, const Document &document) override {
        // A screen that failed fails again at once until the next tick.
        if (!failure_.isEmpty()) throw TpvError(err::PrinterError, failure_);
        bool unreachable = false;
        try {
            hub_->showAndKeep(name_, document, &unreachable);
        } catch (const TpvError &e) {
            failure_ = e.description();
            failed_ = statusOf(unreachable ? PrinterCondition::NoConnection : PrinterCondition::Error);
            throw;
        }
    }
    void newTick() override { failure_.clear(); }
    std::optional<bool> holds(const PrinterState &, const QString &title, const QString &) const override {
        ScreenStore *store = hub_->store();
        if (!store || title.isEmpty()) return std::nullopt;
        return store->holds(name_, title);
    }
    std::optional<PrinterStatus> status(const PrinterState &) const override {
        if (!failure_.isEmpty()) return failed_;
        return statusOf(hub_->openPages(name_) > 0 ? PrinterCondition::Ready : PrinterCondition::NoConnection);
    }
    std::optional<PrinterCheck> probe(const PrinterState &printer) override {
        const PrinterStatus now = *status(printer);
        if (now.canPrint()) return PrinterCheck{now, {}};
        return PrinterCheck{now, QStringLiteral("La pantalla %1 no tiene ninguna página abierta").arg(name_)};
    }

private:
    std::shared_ptr<ScreenHub> hub_;
    QString name_;
    QString failure_;  // this tick's
    PrinterStatus failed_;
};

}  // namespace

ScreenPrinterSource::ScreenPrinterSource(std::shared_ptr<ScreenHub> hub) {
    // A screen's page is a roll's: what the printer panel sets on it
    // changes nothing of its cards.
    for (const ScreenConfig &c : hub->screens())
        screens_.push_back({pagePrinterState(c.name, QStringLiteral("Pantalla de cocina"), kScreenConnection,
                                             kRollWidthTwips, kA4HeightTwips),
                            std::make_shared<ScreenDevice>(hub, c.name)});
}

std::vector<InstalledPrinter> ScreenPrinterSource::scan(QString *defaultName) {
    defaultName->clear();
    return screens_;
}

std::shared_ptr<ScreenHub> addScreens(PrinterLayer &layer, const QString &dataDir, QStringList *errors) {
    ScreenConfigResult read = readScreens(QDir(dataDir).filePath(QStringLiteral("impresoras.ini")));
    if (errors) *errors << read.errors;
    if (read.screens.empty()) return nullptr;
    auto hub = std::make_shared<ScreenHub>(std::move(read.screens));
    layer.addSource(std::make_unique<ScreenPrinterSource>(hub));
    return hub;
}

}  // namespace tpv
