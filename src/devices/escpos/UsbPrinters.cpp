#include "devices/escpos/UsbPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tpv {

namespace {

QString readAttribute(const QString &dir, const char *name) {
    QFile f(QDir(dir).filePath(QString::fromLatin1(name)));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).trimmed();
}

// DEVNAME=usb/lp0 in the class entry's uevent: where udev puts the node.
QString nodeName(const QString &entryDir) {
    QFile f(QDir(entryDir).filePath(QStringLiteral("uevent")));
    if (!f.open(QIODevice::ReadOnly)) return {};
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("DEVNAME=")) return QString::fromUtf8(line.mid(8)).trimmed();
    return {};
}

}  // namespace

QString usbSystemRoot() {
    const QString root = qEnvironmentVariable("TPV_USB_ROOT");
    return root.isEmpty() ? QStringLiteral("/") : root;
}

std::vector<UsbPrinter> listUsbPrinters(const QString &root) {
    std::vector<UsbPrinter> out;
    const QDir classDir(QDir(root).filePath(QStringLiteral("sys/class/usbmisc")));
    const QStringList entries =
        classDir.entryList({QStringLiteral("lp*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : entries) {
        const QString entry = classDir.filePath(name);
        // "device" leads to the USB interface; the device that carries the
        // serial number and the ids is the folder above it.
        const QString interface = QFileInfo(QDir(entry).filePath(QStringLiteral("device"))).canonicalFilePath();
        if (interface.isEmpty()) continue;
        const QString usbDevice = QFileInfo(interface).path();
        UsbPrinter p;
        const QString devName = nodeName(entry);
        p.node =
            QDir(root).filePath(QStringLiteral("dev/") + (devName.isEmpty() ? QStringLiteral("usb/") + name : devName));
        p.serial = readAttribute(usbDevice, "serial");
        p.vendorId = readAttribute(usbDevice, "idVendor").toLower();
        p.productId = readAttribute(usbDevice, "idProduct").toLower();
        out.push_back(p);
    }
    return out;
}

QString findUsbPrinterNode(const EscPosConnection &c, const QString &root, QString *why) {
    const bool bySerial = !c.usbSerial.isEmpty();
    QStringList matches;
    for (const UsbPrinter &p : listUsbPrinters(root)) {
        const bool same = bySerial ? p.serial == c.usbSerial : p.vendorId == c.usbVendor && p.productId == c.usbProduct;
        if (same) matches << p.node;
    }
    if (matches.size() == 1) return matches.first();
    const QString what = bySerial ? QStringLiteral("con el número de serie %1").arg(c.usbSerial)
                                  : QStringLiteral("%1:%2").arg(c.usbVendor, c.usbProduct);
    if (matches.isEmpty())
        *why = QStringLiteral("no hay ninguna impresora USB %1 conectada").arg(what);
    else
        // Cheap printers of one model often share a serial number too.
        *why = QStringLiteral("hay %1 impresoras USB %2 (%3); distíngalas con %4")
                   .arg(matches.size())
                   .arg(what, matches.join(QStringLiteral(", ")),
                        bySerial ? QStringLiteral("usb:/dev/usb/lpN") : QStringLiteral("usb:serie=NÚMERO"));
    return {};
}

}  // namespace tpv
