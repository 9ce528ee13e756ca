#include "compat/Error.h"
#include "devices/folder/FolderPrinters.h"
#include "devices/Printers.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tpv {

namespace {

// What a folder printer reports for a property its printer.json leaves out:
// an A4 page in twips, portrait, one copy, Arial 9.
PrinterState defaultFolderPrinter(const QString &name, const QString &path) {
    PrinterState s = pagePrinterState(name, QStringLiteral("Impresora de carpeta"), QDir::toNativeSeparators(path),
                                      kA4WidthTwips, kA4HeightTwips);
    s.set(PrinterProperty::PaperSize, 9);
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
        case Variant::Kind::Null:
            return QJsonValue();
        case Variant::Kind::Boolean:
            return v.toBool();
        case Variant::Kind::Integer:
            return static_cast<qint64>(v.toDouble());
        case Variant::Kind::Double:
            return v.toDouble();
        default:
            return v.toText();
    }
}

// Presets the properties a printer.json gives; true when it asks for a PDF
// preview of every ticket.
bool applyPresets(PrinterState &s, const QString &jsonPath) {
    QFile f(jsonPath);
    if (!f.open(QIODevice::ReadOnly)) return false;
    bool preview = false;
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        PrinterProperty p;
        if (it.key() == QLatin1String("Refused")) {
            for (const auto &r : it.value().toArray()) s.refused << r.toString();
        } else if (it.key() == QLatin1String("Pdf")) {
            preview = it.value().toBool();
        } else if (it.key() == QLatin1String("Unreadable")) {
            for (const auto &r : it.value().toArray()) s.unreadable << r.toString();
        } else if (propertyFromName(it.key(), &p) && p != PrinterProperty::DeviceName) {
            s.values.insert(p, fromJson(it.value()));
        }
    }
    return preview;
}

// The highest NNNNNN.txt of the folder; the listing is read unsorted, as
// only the largest number matters.
int lastDocumentNumber(const QDir &dir) {
    int last = 0;
    for (const QString &f : dir.entryList(QDir::Files, QDir::NoSort)) {
        if (f.size() != 10 || !f.endsWith(QLatin1String(".txt"))) continue;
        int n = 0;
        bool digits = true;
        for (int i = 0; i < 6 && digits; ++i) {
            const char16_t c = f.at(i).unicode();
            digits = c >= u'0' && c <= u'9';
            n = n * 10 + (c - u'0');
        }
        if (digits) last = std::max(last, n);
    }
    return last;
}

// Writes the file whole and durably: its bytes are on the disk (fsync of the
// temporary file, whatever QSaveFile itself does) before it is renamed into
// place, and the folder entry after. A full disk, a refused write or a
// missing folder fails the ticket.
void writeWhole(const QString &path, const QByteArray &bytes) {
    QSaveFile f(path);
    const auto fail = [&](const QString &why) {
        throw TpvError(err::PrinterError, QStringLiteral("No se puede escribir en la impresora: ") + path +
                                              QStringLiteral(" (") + why + QLatin1Char(')'));
    };
    if (!f.open(QIODevice::WriteOnly)) fail(f.errorString());
    if (f.write(bytes) != bytes.size() || !f.flush()) {
        const QString why = f.errorString();
        f.cancelWriting();
        fail(why);
    }
    if (::fsync(f.handle()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        f.cancelWriting();
        fail(why);
    }
    if (!f.commit()) fail(f.errorString());
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir < 0 || ::fsync(dir) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        if (dir >= 0) ::close(dir);
        fail(why);
    }
    ::close(dir);
}

FolderPreview gPreview = nullptr;

// Takes the documents of every folder printer of one folder. The number of
// the last document of each printer is found once, then counted on, so a
// printer that has printed all day costs no more per ticket than a new one.
class FolderDevice : public PrinterDevice {
public:
    explicit FolderDevice(QString dir) : dir_(std::move(dir)) {}
    void deliver(const PrinterState &printer, const Document &document) override;
    std::optional<bool> holds(const PrinterState &printer, const QString &title, const QString &digest) const override;
    std::optional<PrinterCheck> probe(const PrinterState &printer) override;
    std::optional<PrinterStatus> status(const PrinterState &printer) const override {
        const auto it = failed_.constFind(printer.name());
        if (it == failed_.cend()) return std::nullopt;
        return *it;
    }
    void setPreview(const QString &name, bool on) {
        if (on)
            preview_.insert(name);
        else
            preview_.remove(name);
    }

private:
    int nextNumber(const QDir &d, const QString &name);
    void write(const PrinterState &printer, const Document &document);

    QString dir_;
    QHash<QString, int> last_;
    QSet<QString> preview_;
    // The state each printer's last failed ticket left it in, until one
    // goes through.
    QHash<QString, PrinterStatus> failed_;
};

// Whether a folder printer can print: its folder is there and may be
// written. A look and a failed ticket both judge it by this.
PrinterCheck folderCheck(const QString &dir, const QString &name) {
    const QString path = QDir(dir).filePath(name);
    const QFileInfo folder(path);
    if (!folder.isDir())
        return PrinterCheck{statusOf(PrinterCondition::NoConnection),
                            QStringLiteral("La impresora %1 ya no existe (%2)").arg(name, path)};
    if (::access(QFile::encodeName(path).constData(), W_OK | X_OK) != 0)
        return PrinterCheck{statusOf(PrinterCondition::NoConnection),
                            QStringLiteral("No se puede escribir en la carpeta de la impresora %1 (%2): %3")
                                .arg(name, path, QString::fromLocal8Bit(std::strerror(errno)))};
    return PrinterCheck{statusOf(PrinterCondition::Ready), {}};
}

QString documentBase(int number) { return QStringLiteral("%1").arg(number, 6, 10, QLatin1Char('0')); }

int FolderDevice::nextNumber(const QDir &d, const QString &name) {
    auto it = last_.find(name);
    // Someone else wrote into the folder, or it was emptied: count anew.
    if (it == last_.end() || QFileInfo::exists(d.filePath(documentBase(*it + 1) + QStringLiteral(".txt"))) ||
        (*it > 0 && !QFileInfo::exists(d.filePath(documentBase(*it) + QStringLiteral(".txt"))))) {
        it = last_.insert(name, lastDocumentNumber(d));
    }
    return *it + 1;
}

void FolderDevice::deliver(const PrinterState &printer, const Document &document) {
    const QString name = printer.name();
    try {
        write(printer, document);
    } catch (const TpvError &) {
        // A folder that is gone is the same fault a look finds; a disk that
        // is full is not one a look can see.
        const PrinterCheck check = folderCheck(dir_, name);
        failed_.insert(name, check.ok() ? statusOf(PrinterCondition::Error) : check.status);
        throw;
    }
    failed_.remove(name);
}

void FolderDevice::write(const PrinterState &printer, const Document &document) {
    const QString text = document.text();
    const QString name = printer.name();
    QDir d(QDir(dir_).filePath(name));
    if (!d.exists()) {
        throw TpvError(err::PrinterError, QStringLiteral("La impresora %1 ya no existe (%2)").arg(name, d.path()));
    }
    const int number = nextNumber(d, name);
    const QString base = documentBase(number);
    QJsonObject props;
    for (auto p : allPrinterProperties()) {
        if (p == PrinterProperty::DriverName || p == PrinterProperty::Port) continue;
        if (printer.values.contains(p)) props.insert(propertyName(p), toJson(printer.values.value(p)));
    }
    // The title names the ticket, so that it can be found here again.
    if (!document.title.isEmpty()) props.insert(QStringLiteral("Titulo"), document.title);
    if (gPreview && preview_.contains(name)) gPreview(d.filePath(base + QStringLiteral(".pdf")), printer, text);
    // The text before the .json: a reader that sees the .json finds the .txt whole.
    writeWhole(d.filePath(base + QStringLiteral(".txt")), text.toUtf8());
    writeWhole(d.filePath(base + QStringLiteral(".json")), QJsonDocument(props).toJson());
    last_.insert(name, number);
}

std::optional<PrinterCheck> FolderDevice::probe(const PrinterState &printer) {
    return folderCheck(dir_, printer.name());
}

std::optional<bool> FolderDevice::holds(const PrinterState &printer, const QString &title,
                                        const QString &digest) const {
    const QDir d(QDir(dir_).filePath(printer.name()));
    if (!d.exists()) return false;
    // A ticket announced just before the process died is among the last
    // few; one whose .json never came (died between the two files) is known
    // by its text.
    const int last = lastDocumentNumber(d);
    for (int n = last; n > 0 && n > last - 20; --n) {
        const QString base = d.filePath(documentBase(n));
        QFile json(base + QStringLiteral(".json"));
        if (json.open(QIODevice::ReadOnly)) {
            if (!title.isEmpty() &&
                QJsonDocument::fromJson(json.readAll()).object().value(QStringLiteral("Titulo")).toString() == title)
                return true;
            continue;
        }
        QFile txt(base + QStringLiteral(".txt"));
        if (!txt.open(QIODevice::ReadOnly)) continue;
        QByteArray text = txt.readAll();
        if (text.endsWith("\r\n")) text.chop(2);  // the line end printing adds
        if (QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex()) == digest)
            return true;
    }
    return false;
}

}  // namespace

void setFolderPreview(FolderPreview preview) { gPreview = preview; }

FolderPrinterSource::FolderPrinterSource(const QString &dir)
    : dir_(QDir(dir).absolutePath()), device_(std::make_shared<FolderDevice>(dir_)) {}

std::vector<InstalledPrinter> FolderPrinterSource::scan(QString *defaultName) {
    QDir d(dir_);
    QStringList names = d.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QFile def(d.filePath(QStringLiteral("default")));
    if (def.open(QIODevice::ReadOnly)) *defaultName = QString::fromUtf8(def.readLine()).trimmed();
    auto *device = static_cast<FolderDevice *>(device_.get());
    std::vector<InstalledPrinter> printers;
    for (const QString &name : names) {
        const QString path = d.filePath(name);
        PrinterState s = defaultFolderPrinter(name, path);
        device->setPreview(name, applyPresets(s, QDir(path).filePath(QStringLiteral("printer.json"))));
        printers.push_back({std::move(s), device_});
    }
    return printers;
}

FolderPrinters::FolderPrinters(const QString &dir) : dir_(QDir(dir).absolutePath()) {
    addSource(std::make_unique<FolderPrinterSource>(dir_));
}

QStringList FolderPrinters::documents(const QString &printerDir) {
    QDir d(printerDir);
    QStringList out;
    for (const QString &f : d.entryList({QStringLiteral("??????.txt")}, QDir::Files, QDir::Name)) out << d.filePath(f);
    return out;
}

}  // namespace tpv
