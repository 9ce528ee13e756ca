// USB printers named by serial number or ids, found in a made-up sysfs tree
// laid out as the kernel lays out /sys/class/usbmisc.
#include "compat/Error.h"
#include "support/StatusText.h"
#include "devices/escpos/EscPosDevice.h"
#include "devices/escpos/EscPosEncoder.h"
#include "devices/escpos/UsbPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace tpv;

namespace {

// ROOT/sys/devices/usb1/PORT holds the USB device (idVendor, idProduct,
// serial), PORT:1.0 its interface with usbmisc/lpN; ROOT/sys/class/usbmisc/lpN
// links there, and ROOT/dev/usb/lpN stands for the node (a plain file).
class FakeUsbTree {
public:
    QString root() const { return dir_.path(); }

    void plug(const QString &lp, const QString &port, const QString &serial, const QString &vendor,
              const QString &product, const QString &devName = {}) {
        const QString device = path(QStringLiteral("sys/devices/usb1/") + port);
        const QString interface = device + QLatin1Char('/') + port + QStringLiteral(":1.0");
        const QString entry = interface + QStringLiteral("/usbmisc/") + lp;
        ASSERT_TRUE(QDir().mkpath(entry));
        write(device + QStringLiteral("/idVendor"), vendor + QLatin1Char('\n'));
        write(device + QStringLiteral("/idProduct"), product + QLatin1Char('\n'));
        if (!serial.isEmpty()) write(device + QStringLiteral("/serial"), serial + QLatin1Char('\n'));
        write(entry + QStringLiteral("/uevent"), QStringLiteral("MAJOR=180\nMINOR=0\nDEVNAME=%1\n")
                                                     .arg(devName.isEmpty() ? QStringLiteral("usb/") + lp : devName));
        link(interface, entry + QStringLiteral("/device"));
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("sys/class/usbmisc"))));
        link(entry, path(QStringLiteral("sys/class/usbmisc/") + lp));
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("dev/usb"))));
        write(node(devName.isEmpty() ? QStringLiteral("usb/") + lp : devName), QString());
    }
    // Every printer unplugged (the next boot may number them otherwise).
    void unplugAll() {
        QDir(path(QStringLiteral("sys"))).removeRecursively();
        QDir(path(QStringLiteral("dev"))).removeRecursively();
    }
    QString node(const QString &devName) const { return path(QStringLiteral("dev/") + devName); }
    QByteArray written(const QString &devName) const {
        QFile f(node(devName));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private:
    QString path(const QString &relative) const { return QDir(root()).filePath(relative); }
    static void write(const QString &file, const QString &text) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << file.toStdString();
        f.write(text.toUtf8());
    }
    static void link(const QString &target, const QString &name) {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(name).constData()), 0)
            << name.toStdString();
    }
    QTemporaryDir dir_;
};

// Two printers of one model: COCINA1 as lp0, BARRA2 as lp1.
void plugTwoOfOneModel(FakeUsbTree &usb) {
    usb.plug(QStringLiteral("lp0"), QStringLiteral("1-1"), QStringLiteral("COCINA1"), QStringLiteral("04b8"),
             QStringLiteral("0202"));
    usb.plug(QStringLiteral("lp1"), QStringLiteral("1-2"), QStringLiteral("BARRA2"), QStringLiteral("04b8"),
             QStringLiteral("0202"));
}

EscPosConnection bySerial(const QString &serial) {
    EscPosConnection c;
    c.kind = EscPosConnection::Kind::Usb;
    c.usbSerial = serial;
    return c;
}

EscPosConnection byIds(const QString &vendor, const QString &product) {
    EscPosConnection c;
    c.kind = EscPosConnection::Kind::Usb;
    c.usbVendor = vendor;
    c.usbProduct = product;
    return c;
}

}  // namespace

TEST(UsbPrinters, SerialNumberFindsThePrinterWhateverNodeNumberItGotAtThisBoot) {
    FakeUsbTree usb;
    plugTwoOfOneModel(usb);
    QString why;
    EXPECT_EQ(findUsbPrinterNode(bySerial(QStringLiteral("BARRA2")), usb.root(), &why), usb.node("usb/lp1"));

    // The next boot numbers them the other way round.
    usb.unplugAll();
    usb.plug(QStringLiteral("lp0"), QStringLiteral("1-2"), QStringLiteral("BARRA2"), QStringLiteral("04b8"),
             QStringLiteral("0202"));
    usb.plug(QStringLiteral("lp1"), QStringLiteral("1-1"), QStringLiteral("COCINA1"), QStringLiteral("04b8"),
             QStringLiteral("0202"));
    EXPECT_EQ(findUsbPrinterNode(bySerial(QStringLiteral("BARRA2")), usb.root(), &why), usb.node("usb/lp0"));

    // Two of the same model cannot be told apart by their ids: neither is
    // chosen at random.
    EXPECT_EQ(findUsbPrinterNode(byIds(QStringLiteral("04b8"), QStringLiteral("0202")), usb.root(), &why), QString());
    EXPECT_EQ(why, QStringLiteral("hay 2 impresoras USB 04b8:0202 (%1, %2); distíngalas con usb:serie=NÚMERO")
                       .arg(usb.node("usb/lp0"), usb.node("usb/lp1")));
    EXPECT_EQ(findUsbPrinterNode(bySerial(QStringLiteral("TERRAZA")), usb.root(), &why), QString());
    EXPECT_EQ(why, QStringLiteral("no hay ninguna impresora USB con el número de serie TERRAZA conectada"));
}

TEST(UsbPrinters, IdsFindTheOnlyPrinterOfThatModelAtTheNodeUdevNamed) {
    FakeUsbTree usb;
    // No serial number (cheap printers often report none), node named by
    // udev elsewhere than usb/lpN.
    usb.plug(QStringLiteral("lp0"), QStringLiteral("3-4"), QString(), QStringLiteral("0fe6"), QStringLiteral("811e"),
             QStringLiteral("usb/impresora-cocina"));
    QString why;
    EXPECT_EQ(findUsbPrinterNode(byIds(QStringLiteral("0fe6"), QStringLiteral("811e")), usb.root(), &why),
              usb.node("usb/impresora-cocina"))
        << why.toStdString();
    const std::vector<UsbPrinter> all = listUsbPrinters(usb.root());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_TRUE(all[0].serial.isEmpty());
}

TEST(UsbPrinters, DeviceLooksThePrinterUpAgainAtEveryTicket) {
    FakeUsbTree usb;
    plugTwoOfOneModel(usb);
    EscPosPrinterConfig cfg;
    cfg.name = QStringLiteral("Barra");
    cfg.connection = QStringLiteral("usb:serie=BARRA2");
    cfg.stateQueries = EscPosPrinterConfig::StateQueries::Never;  // a plain file cannot answer
    EscPosDevice device(cfg, usb.root());
    const QByteArray ticket = escPosTicket(QStringLiteral("1 Caña\r\n"), cfg, {});
    device.deliver(ticket);
    EXPECT_EQ(usb.written("usb/lp1"), ticket);
    EXPECT_TRUE(usb.written("usb/lp0").isEmpty());

    usb.unplugAll();
    usb.plug(QStringLiteral("lp0"), QStringLiteral("1-2"), QStringLiteral("BARRA2"), QStringLiteral("04b8"),
             QStringLiteral("0202"));
    device.deliver(ticket);
    EXPECT_EQ(usb.written("usb/lp0"), ticket);

    usb.unplugAll();
    try {
        device.deliver(ticket);
        ADD_FAILURE() << "delivered to an unplugged printer";
    } catch (const TpvError &e) {
        EXPECT_EQ(e.description(), QStringLiteral("No se puede abrir el dispositivo USB con número de serie BARRA2 de "
                                                  "la impresora Barra: no hay ninguna impresora USB con el número de "
                                                  "serie BARRA2 conectada"));
    }
    EXPECT_EQ(statusText(printerStatus(device.state())), QStringLiteral("Sin conexión"));
}
