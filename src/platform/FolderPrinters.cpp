#include "platform/Error.h"
#include "platform/Printers.h"
#include "platform/TicketPainter.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>

namespace tpv {

namespace {

// What a folder printer reports for a property its printer.json leaves out:
// an A4 page in twips, portrait, one copy, Arial 9.
PrinterState defaultFolderPrinter(const QString &name, const QString &path) {
    PrinterState s;
    auto &v = s.values;
    v.insert(PrinterProperty::DeviceName, name);
    v.insert(PrinterProperty::DriverName, QStringLiteral("Impresora de carpeta"));
    v.insert(PrinterProperty::Port, QDir::toNativeSeparators(path));
    v.insert(PrinterProperty::Width, 11906);
    v.insert(PrinterProperty::Height, 16838);
    v.insert(PrinterProperty::PaperSize, 9);
    v.insert(PrinterProperty::Orientation, 1);
    v.insert(PrinterProperty::ColorMode, 1);
    v.insert(PrinterProperty::Copies, 1);
    v.insert(PrinterProperty::Duplex, 1);
    v.insert(PrinterProperty::PaperBin, 7);
    v.insert(PrinterProperty::PrintQuality, -4);
    v.insert(PrinterProperty::ScaleLeft, 0.0);
    v.insert(PrinterProperty::ScaleTop, 0.0);
    v.insert(PrinterProperty::ScaleWidth, 11906.0);
    v.insert(PrinterProperty::ScaleHeight, 16838.0);
    v.insert(PrinterProperty::Zoom, 0);
    v.insert(PrinterProperty::TrackDefault, false);
    v.insert(PrinterProperty::FontName, QStringLiteral("Arial"));
    v.insert(PrinterProperty::FontSize, 9.0);
    v.insert(PrinterProperty::FontBold, false);
    return s;
}

Variant fromJson(const QJsonValue &j) {
    if (j.isBool()) return Variant(j.toBool());
    if (j.isDouble()) {
        const double d = j.toDouble();
        if (d == static_cast<double>(static_cast<int64_t>(d))) return Variant(static_cast<int64_t>(d));
        return Variant(d);
    }
    if (j.isString()) return Variant(j.toString());
    return {};
}

QJsonValue toJson(const Variant &v) {
    switch (v.kind()) {
    case Variant::Kind::Null: return QJsonValue();
    case Variant::Kind::Boolean: return v.toBool();
    case Variant::Kind::Integer: return static_cast<qint64>(v.toDouble());
    case Variant::Kind::Double: return v.toDouble();
    default: return v.toText();
    }
}

void applyPresets(PrinterState &s, const QString &jsonPath) {
    QFile f(jsonPath);
    if (!f.open(QIODevice::ReadOnly)) return;
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        PrinterProperty p;
        if (it.key() == QLatin1String("Refused")) {
            for (const auto &r : it.value().toArray()) s.refused << r.toString();
        } else if (it.key() == QLatin1String("Unreadable")) {
            for (const auto &r : it.value().toArray()) s.unreadable << r.toString();
        } else if (propertyFromName(it.key(), &p) && p != PrinterProperty::DeviceName) {
            s.values.insert(p, fromJson(it.value()));
        }
    }
}

int lastDocumentNumber(const QDir &dir) {
    static const QRegularExpression re(QStringLiteral(R"(^(\d{6})\.txt$)"));
    int last = 0;
    for (const QString &f : dir.entryList(QDir::Files)) {
        const auto m = re.match(f);
        if (m.hasMatch()) last = std::max(last, m.captured(1).toInt());
    }
    return last;
}

void writeWhole(const QString &path, const QByteArray &bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        throw TpvError(err::PrinterError, QStringLiteral("No se puede escribir en la impresora: ") + path);
    }
}

// What the ticket would look like on paper, for a person to look at. Needs
// the GUI side of Qt (fonts); a program without it gets no PDF.
void writePdf(const QString &path, const PrinterState &printer, const QString &text) {
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return;
    QPdfWriter pdf(path);
    pdf.setCreator(QStringLiteral("Lector TPV"));
    pdf.setResolution(300);
    applyPage(pdf, printer);
    QPainter painter;
    if (!painter.begin(&pdf)) return;
    paintTicket(painter, pdf, printer, text);
    painter.end();
}

}  // namespace

FolderPrinters::FolderPrinters(const QString &dir) : dir_(QDir(dir).absolutePath()) {
    int defaultIndex = 0;
    auto printers = scan(&defaultIndex);
    setInstalled(std::move(printers), defaultIndex);
}

std::vector<PrinterState> FolderPrinters::scan(int *defaultIndex) const {
    QDir d(dir_);
    QStringList names = d.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
    QString defaultName;
    QFile def(d.filePath(QStringLiteral("default")));
    if (def.open(QIODevice::ReadOnly)) defaultName = QString::fromUtf8(def.readLine()).trimmed();
    std::vector<PrinterState> printers;
    *defaultIndex = 0;
    for (const QString &name : names) {
        const QString path = d.filePath(name);
        PrinterState s = defaultFolderPrinter(name, path);
        applyPresets(s, QDir(path).filePath(QStringLiteral("printer.json")));
        if (name == defaultName) *defaultIndex = static_cast<int>(printers.size());
        printers.push_back(std::move(s));
    }
    return printers;
}

QStringList FolderPrinters::rescan() {
    int ignored = 0;
    return appendNew(scan(&ignored));
}

QStringList FolderPrinters::documents(const QString &printerDir) {
    QDir d(printerDir);
    QStringList out;
    for (const QString &f : d.entryList({QStringLiteral("??????.txt")}, QDir::Files, QDir::Name)) out << d.filePath(f);
    return out;
}

void FolderPrinters::emitDocument(const PrinterState &printer, const QString &text) {
    const QString name = printer.values.value(PrinterProperty::DeviceName).toText();
    QDir d(QDir(dir_).filePath(name));
    if (!d.exists()) {
        throw TpvError(err::PrinterError, QStringLiteral("La impresora %1 ya no existe (%2)").arg(name, d.path()));
    }
    const QString base = QStringLiteral("%1").arg(lastDocumentNumber(d) + 1, 6, 10, QLatin1Char('0'));
    QJsonObject props;
    for (auto p : allPrinterProperties()) {
        if (p == PrinterProperty::DriverName || p == PrinterProperty::Port) continue;
        if (printer.values.contains(p)) props.insert(propertyName(p), toJson(printer.values.value(p)));
    }
    writePdf(d.filePath(base + QStringLiteral(".pdf")), printer, text);
    // The text before the .json: a reader that sees the .json finds the .txt whole.
    writeWhole(d.filePath(base + QStringLiteral(".txt")), text.toUtf8());
    writeWhole(d.filePath(base + QStringLiteral(".json")), QJsonDocument(props).toJson());
}

}  // namespace tpv
