#pragma once
// The connection key of impresoras.ini, taken apart: a network printer, a
// USB printer (by its device node, or by its serial number or vendor and
// product ids, found anew at each connection), or a serial line.
#include <QString>

namespace tpv {

struct EscPosConnection {
    enum class Kind { Tcp, Usb, Serial } kind = Kind::Tcp;
    QString host;       // Tcp
    int port = 0;       // Tcp
    QString device;     // Usb, Serial: absolute path of the device node; empty for a USB printer found by its ids
    int baud = 9600;    // Serial
    QString usbSerial;  // Usb: usb:serie=S
    QString usbVendor, usbProduct;  // Usb: usb:VVVV:PPPP, four lower-case hex digits each
};

// Parses "tcp://HOST:PORT", "usb:/dev/usb/lpN", "usb:serie=S", "usb:VVVV:PPPP"
// or "serie:DEVICE?baudios=N" (9600 when baudios is not given; 9600, 19200,
// 38400, 57600 or 115200). On a malformed text returns false and says in
// Spanish what is wrong.
bool parseEscPosConnection(const QString &text, EscPosConnection *out, QString *error);

// Where the connection goes, for messages: "127.0.0.1:9100", "/dev/usb/lp0",
// "USB con número de serie ABC123", "USB 04b8:0202".
QString escPosConnectionPlace(const EscPosConnection &c);

}  // namespace tpv
