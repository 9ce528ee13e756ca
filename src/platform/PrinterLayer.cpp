#include "platform/Printers.h"

#include "platform/Error.h"

namespace tpv {

namespace {
constexpr std::array<PrinterProperty, PrinterPropertyCount> kAll = {
    PrinterProperty::DeviceName, PrinterProperty::DriverName, PrinterProperty::Port,
    PrinterProperty::Width, PrinterProperty::Height, PrinterProperty::PaperSize,
    PrinterProperty::Orientation, PrinterProperty::ColorMode, PrinterProperty::Copies,
    PrinterProperty::Duplex, PrinterProperty::PaperBin, PrinterProperty::PrintQuality,
    PrinterProperty::ScaleLeft, PrinterProperty::ScaleTop, PrinterProperty::ScaleWidth,
    PrinterProperty::ScaleHeight, PrinterProperty::Zoom, PrinterProperty::TrackDefault,
    PrinterProperty::FontName, PrinterProperty::FontSize, PrinterProperty::FontBold};
const char *const kNames[] = {"DeviceName", "DriverName", "Port", "Width", "Height", "PaperSize",
                              "Orientation", "ColorMode", "Copies", "Duplex", "PaperBin",
                              "PrintQuality", "ScaleLeft", "ScaleTop", "ScaleWidth", "ScaleHeight",
                              "Zoom", "TrackDefault", "FontName", "FontSize", "FontBold"};

[[noreturn]] void refuse(PrinterProperty p, const Variant &v) {
    throw TpvError(err::InvalidPropertyValue,
                   QStringLiteral("Valor de propiedad no válido: %1 = %2").arg(propertyName(p), v.toText()));
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
        throw TpvError(err::PrinterError, QStringLiteral("Error de impresora: no se puede leer %1").arg(propertyName(p)));
    }
    return values.value(p);
}

void PrinterState::set(PrinterProperty p, const Variant &v) { values.insert(p, v); }

const PrinterState &PrinterLayer::installed(int i) const {
    if (i < 0 || i >= count()) throw TpvError(err::InvalidIndex, QStringLiteral("El subíndice está fuera del intervalo"));
    if (i == currentIndex_) return current_;
    return installed_[static_cast<size_t>(i)];
}

void PrinterLayer::setInstalled(std::vector<PrinterState> printers, int defaultIndex) {
    installed_ = std::move(printers);
    if (!installed_.empty()) {
        current_ = installed_[static_cast<size_t>(defaultIndex)];
        currentIndex_ = defaultIndex;
    }
}

QStringList PrinterLayer::appendNew(std::vector<PrinterState> found) {
    QStringList added;
    for (auto &p : found) {
        const QString name = p.values.value(PrinterProperty::DeviceName).toText();
        bool known = false;
        for (const auto &i : installed_) known = known || i.values.value(PrinterProperty::DeviceName).toText() == name;
        if (known) continue;
        added << name;
        installed_.push_back(std::move(p));
    }
    return added;
}

void PrinterLayer::validate(const PrinterState &printer, PrinterProperty p, const Variant &v) const {
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

void PrinterLayer::set(PrinterProperty p, const Variant &v) {
    validate(current_, p, v);
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

void PrinterLayer::print(const QString &text) {
    document_ += text + QStringLiteral("\r\n");
    documentOpen_ = true;
}

void PrinterLayer::endDoc() {
    if (!documentOpen_) return;
    const QString text = document_;
    document_.clear();
    documentOpen_ = false;
    emitDocument(current_, text);
}

}  // namespace tpv
