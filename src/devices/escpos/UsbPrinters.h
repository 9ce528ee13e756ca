#pragma once
// The USB printers plugged in now, as the kernel lists them: each printer
// node (/dev/usb/lpN) with the serial number and the vendor and product ids
// of its USB device. The number N can change from one boot to the next when
// two printers are plugged in; the serial number and the ids do not.
#include "devices/escpos/EscPosConnection.h"

#include <QString>
#include <vector>

namespace tpv {

struct UsbPrinter {
    QString node;      // the device node to open
    QString serial;    // empty when the device reports none
    QString vendorId;  // four lower-case hex digits
    QString productId;
};

// The folder that stands for "/" when looking for USB printers: "/" unless
// the environment variable TPV_USB_ROOT names another (for tests: a folder
// holding a made-up sys/class/usbmisc and dev/usb).
QString usbSystemRoot();

// The printers under ROOT/sys/class/usbmisc (lp*), in name order; the node
// is ROOT/dev/ + the DEVNAME of the entry's uevent, else ROOT/dev/usb/lpN.
std::vector<UsbPrinter> listUsbPrinters(const QString &root);

// The node of the one printer the connection names by serial number or by
// ids. Empty, with the reason in Spanish in *why, when no printer or more
// than one matches.
QString findUsbPrinterNode(const EscPosConnection &c, const QString &root, QString *why);

}  // namespace tpv
