#include "devices/Printers.h"

#include "compat/Error.h"

#include <algorithm>

namespace tpv {

namespace {
constexpr std::array<PrinterProperty, PrinterPropertyCount> kAll = {
    PrinterProperty::DeviceName,  PrinterProperty::DriverName, PrinterProperty::Port,
    PrinterProperty::Width,       PrinterProperty::Height,     PrinterProperty::PaperSize,
    PrinterProperty::Orientation, PrinterProperty::ColorMode,  PrinterProperty::Copies,
    PrinterProperty::Duplex,      PrinterProperty::PaperBin,   PrinterProperty::PrintQuality,
    PrinterProperty::ScaleLeft,   PrinterProperty::ScaleTop,   PrinterProperty::ScaleWidth,
    PrinterProperty::ScaleHeight, PrinterProperty::Zoom,       PrinterProperty::TrackDefault,
    PrinterProperty::FontName,    PrinterProperty::FontSize,   PrinterProperty::FontBold};
const char *const kNames[] = {"DeviceName",  "DriverName", "Port",       "Width",       "Height",   "PaperSize",
                              "Orientation", "ColorMode",  "Copies",     "Duplex",      "PaperBin", "PrintQuality",
                              "ScaleLeft",   "ScaleTop",   "ScaleWidth", "ScaleHeight", "Zoom",     "TrackDefault",
                              "FontName",    "FontSize",   "FontBold"};

[[noreturn]] void refuse(PrinterProperty p, const Variant &v) {
    throw TpvError(err::InvalidPropertyValue,
                   QStringLiteral("Valor de propiedad no válido: %1 = %2").arg(propertyName(p), v.toText()));
}
// What no printer takes, whatever its kind.
void validateCommon(const PrinterState &printer, PrinterProperty p, const Variant &v) {
    if (printer.refused.contains(propertyName(p), Qt::CaseInsensitive)) refuse(p, v);
    switch (p) {
        case PrinterProperty::DeviceName:
        case PrinterProperty::DriverName:
        case PrinterProperty::Port:
            throw TpvError(err::NotInList, QStringLiteral("La propiedad %1 es de sólo lectura").arg(propertyName(p)));
        case PrinterProperty::Orientation:
        case PrinterProperty::ColorMode:
            if (v.toInt32() != 1 && v.toInt32() != 2) refuse(p, v);
            break;
        case PrinterProperty::Duplex:
            if (v.toInt32() < 1 || v.toInt32() > 3) refuse(p, v);
            break;
        case PrinterProperty::Copies:
        case PrinterProperty::PaperSize:
        case PrinterProperty::PaperBin:
        case PrinterProperty::Width:
        case PrinterProperty::Height:
            if (v.toInt32() < 1) refuse(p, v);
            break;
        case PrinterProperty::PrintQuality:
            if (v.toInt32() == 0 || v.toInt32() < -4) refuse(p, v);
            break;
        case PrinterProperty::FontSize:
        case PrinterProperty::ScaleWidth:
        case PrinterProperty::ScaleHeight:
            if (v.toDouble() <= 0) refuse(p, v);
            break;
        case PrinterProperty::Zoom:
            if (v.toInt32() < 0) refuse(p, v);
            break;
        case PrinterProperty::FontName:
            if (v.toText().trimmed().isEmpty()) refuse(p, v);
            break;
        default:
            break;
    }
}

}  // namespace

QString propertyName(PrinterProperty p) { return QString::fromLatin1(kNames[static_cast<int>(p)]); }

const std::array<PrinterProperty, PrinterPropertyCount> &allPrinterProperties() { return kAll; }

bool propertyFromName(const QString &name, PrinterProperty *out) {
    for (auto p : kAll) {
        if (propertyName(p).compare(name, Qt::CaseInsensitive) == 0) {
            *out = p;
            return true;
        }
    }
    return false;
}

Variant PrinterState::get(PrinterProperty p) const {
    if (unreadable.contains(propertyName(p), Qt::CaseInsensitive) || !values.contains(p)) {
        throw TpvError(err::PrinterError,
                       QStringLiteral("Error de impresora: no se puede leer %1").arg(propertyName(p)));
    }
    return values.value(p);
}

PrinterState pagePrinterState(const QString &name, const QString &driver, const QString &port, int widthTwips,
                              int heightTwips) {
    PrinterState s;
    auto &v = s.values;
    v.insert(PrinterProperty::DeviceName, name);
    v.insert(PrinterProperty::DriverName, driver);
    v.insert(PrinterProperty::Port, port);
    v.insert(PrinterProperty::Width, widthTwips);
    v.insert(PrinterProperty::Height, heightTwips);
    v.insert(PrinterProperty::PaperSize, 256);  // user-defined size
    v.insert(PrinterProperty::Orientation, 1);
    v.insert(PrinterProperty::ColorMode, 1);
    v.insert(PrinterProperty::Copies, 1);
    v.insert(PrinterProperty::Duplex, 1);
    v.insert(PrinterProperty::PaperBin, 7);
    v.insert(PrinterProperty::PrintQuality, -4);
    v.insert(PrinterProperty::ScaleLeft, 0.0);
    v.insert(PrinterProperty::ScaleTop, 0.0);
    v.insert(PrinterProperty::ScaleWidth, static_cast<double>(widthTwips));
    v.insert(PrinterProperty::ScaleHeight, static_cast<double>(heightTwips));
    v.insert(PrinterProperty::Zoom, 0);
    v.insert(PrinterProperty::TrackDefault, false);
    v.insert(PrinterProperty::FontName, QStringLiteral("Arial"));
    v.insert(PrinterProperty::FontSize, 9.0);
    v.insert(PrinterProperty::FontBold, false);
    return s;
}

void PrinterState::set(PrinterProperty p, const Variant &v) { values.insert(p, v); }

const PrinterState &PrinterLayer::installed(int i) const {
    if (i < 0 || i >= count())
        throw TpvError(err::InvalidIndex, QStringLiteral("El subíndice está fuera del intervalo"));
    if (i == currentIndex_) return current_;
    return installed_[static_cast<size_t>(i)];
}

std::vector<InstalledPrinter> PrinterLayer::scanAll(QString *defaultName) const {
    std::vector<InstalledPrinter> all;
    defaultName->clear();
    for (const auto &source : sources_) {
        QString def;
        for (InstalledPrinter &p : source->scan(&def)) {
            const QString name = p.state.name();
            auto same =
                std::find_if(all.begin(), all.end(), [&](const InstalledPrinter &o) { return o.state.name() == name; });
            if (same != all.end())
                *same = std::move(p);
            else
                all.push_back(std::move(p));
        }
        if (defaultName->isEmpty()) *defaultName = def;
    }
    std::stable_sort(all.begin(), all.end(), [](const InstalledPrinter &a, const InstalledPrinter &b) {
        return a.state.name().toUtf8() < b.state.name().toUtf8();
    });
    return all;
}

void PrinterLayer::addSource(std::unique_ptr<PrinterSource> source) {
    sources_.push_back(std::move(source));
    QString defaultName;
    std::vector<InstalledPrinter> all = scanAll(&defaultName);
    installed_.clear();
    devices_.clear();
    int defaultIndex = 0;
    for (InstalledPrinter &p : all) {
        if (p.state.name() == defaultName) defaultIndex = static_cast<int>(installed_.size());
        installed_.push_back(std::move(p.state));
        devices_.push_back(std::move(p.device));
    }
    currentIndex_ = -1;
    if (!installed_.empty()) {
        current_ = installed_[static_cast<size_t>(defaultIndex)];
        currentIndex_ = defaultIndex;
    }
}

QStringList PrinterLayer::rescan() {
    QString ignored;
    QStringList added;
    for (InstalledPrinter &p : scanAll(&ignored)) {
        const QString name = p.state.name();
        const bool known =
            std::any_of(installed_.begin(), installed_.end(), [&](const PrinterState &s) { return s.name() == name; });
        if (known) continue;
        added << name;
        installed_.push_back(std::move(p.state));
        devices_.push_back(std::move(p.device));
    }
    return added;
}

void PrinterLayer::set(PrinterProperty p, const Variant &v) {
    validateCommon(current_, p, v);
    if (currentIndex_ >= 0 && devices_[static_cast<size_t>(currentIndex_)])
        devices_[static_cast<size_t>(currentIndex_)]->validate(current_, p, v);
    current_.set(p, v);
    writeLog_ << propertyName(p) + QLatin1Char('=') + v.toText();
}

void PrinterLayer::makeCurrent(int i) {
    installed(i);  // error 9 for a printer that does not exist
    if (i == currentIndex_) return;
    const PrinterState previous = current_;
    if (currentIndex_ >= 0) installed_[static_cast<size_t>(currentIndex_)] = current_;
    current_ = installed_[static_cast<size_t>(i)];
    currentIndex_ = i;
    for (auto p : {PrinterProperty::FontName, PrinterProperty::FontSize, PrinterProperty::FontBold}) {
        if (previous.values.contains(p)) current_.values.insert(p, previous.values.value(p));
    }
}

void PrinterLayer::print(const QString &text) { print(Document::fromText(text)); }

void PrinterLayer::print(const Document &document) {
    document_.append(document);
    if (!document.title.isEmpty()) document_.title = document.title;
    // The line end that printing adds after the text.
    document_.addLine(LineRole::Blank, QString());
    documentOpen_ = true;
}

void PrinterLayer::endDoc() {
    if (!documentOpen_) return;
    const Document document = std::move(document_);
    document_ = Document();
    documentOpen_ = false;
    if (currentIndex_ < 0 || !devices_[static_cast<size_t>(currentIndex_)])
        throw TpvError(err::PrinterError, QStringLiteral("No hay ninguna impresora actual"));
    PrinterDevice &device = *devices_[static_cast<size_t>(currentIndex_)];
    LastAttempt &a = attempts_[current_.name()];
    a.byTicket = true;
    try {
        device.deliver(current_, document);
    } catch (const TpvError &e) {
        // The device says what went wrong when it can tell (no paper, a
        // folder that is gone); else it is an error it cannot name.
        const std::optional<PrinterStatus> seen = device.status(current_);
        a.status = seen && seen->isFailure() ? *seen : statusOf(PrinterCondition::Error);
        a.failure = e.description();
        throw;
    }
    a.status = statusOf(PrinterCondition::Ready);
    a.failure.clear();
    a.lastTicket = clock_->timeOfDay();
}

std::optional<PrinterCheck> PrinterLayer::probe(int i) {
    const PrinterState &s = installed(i);
    const auto &device = devices_[static_cast<size_t>(i)];
    if (!device) return std::nullopt;
    std::optional<PrinterCheck> check = device->probe(s);
    if (!check) return std::nullopt;
    if (!check->status.known())
        check->status = statusOf(check->ok() ? PrinterCondition::Ready : PrinterCondition::Error);
    LastAttempt &a = attempts_[s.name()];
    const bool ticketFailed = a.failed() && a.byTicket;
    if (check->ok() && ticketFailed) return PrinterCheck{a.status, a.failure};
    a.byTicket = ticketFailed;
    a.status = check->status;
    a.failure = check->failure;
    return check;
}

bool PrinterLayer::sharedWithOtherPCs(int i) const {
    installed(i);
    const auto &device = devices_[static_cast<size_t>(i)];
    return device && device->sharedWithOtherPCs();
}

void PrinterLayer::newTick() {
    for (const auto &device : devices_)
        if (device) device->newTick();
}

std::optional<bool> PrinterLayer::holds(const QString &name, const QString &title, const QString &digest) const {
    for (int i = 0; i < count(); ++i) {
        const auto &device = devices_[static_cast<size_t>(i)];
        if (installed(i).name() == name) return device ? device->holds(installed(i), title, digest) : std::nullopt;
    }
    return std::nullopt;
}

std::vector<PrinterLayer::Status> PrinterLayer::states() const {
    std::vector<Status> out;
    for (int i = 0; i < count(); ++i) {
        const PrinterState &s = installed(i);
        Status st{s.name(), {}, {}};
        const LastAttempt a = attempts_.value(st.name);
        const auto &device = devices_[static_cast<size_t>(i)];
        std::optional<PrinterStatus> own;
        if (!a.failed() && device) own = device->status(s);
        st.status = own && own->known() ? *own : a.status;
        st.lastTicket = a.lastTicket;
        out.push_back(std::move(st));
    }
    return out;
}

}  // namespace tpv
