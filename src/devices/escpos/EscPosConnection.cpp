#include "devices/escpos/EscPosConnection.h"

#include <QRegularExpression>

namespace tpv {

namespace {

bool fail(QString *error, const QString &why) {
    if (error) *error = why;
    return false;
}

bool parseTcp(const QString &rest, EscPosConnection *out, QString *error) {
    static const QRegularExpression re(QStringLiteral("^([^:/?#\\s]+):(\\d{1,5})$"));
    const auto m = re.match(rest);
    if (!m.hasMatch())
        return fail(error, QStringLiteral("se esperaba tcp://EQUIPO:PUERTO (por ejemplo tcp://192.168.1.50:9100)"));
    const int port = m.captured(2).toInt();
    if (port < 1 || port > 65535)
        return fail(error, QStringLiteral("el puerto %1 no existe (debe ir de 1 a 65535)").arg(m.captured(2)));
    out->kind = EscPosConnection::Kind::Tcp;
    out->host = m.captured(1);
    out->port = port;
    return true;
}

// usb:/dev/usb/lpN names the node; usb:serie=S and usb:VVVV:PPPP name the
// printer itself, whatever number the system gave its node at this boot.
bool parseUsb(const QString &rest, EscPosConnection *out, QString *error) {
    out->kind = EscPosConnection::Kind::Usb;
    static const QRegularExpression serial(QStringLiteral("^serie=(\\S+)$"));
    static const QRegularExpression ids(QStringLiteral("^([0-9A-Fa-f]{4}):([0-9A-Fa-f]{4})$"));
    if (const auto m = serial.match(rest); m.hasMatch()) {
        out->usbSerial = m.captured(1);
        return true;
    }
    if (const auto m = ids.match(rest); m.hasMatch()) {
        out->usbVendor = m.captured(1).toLower();
        out->usbProduct = m.captured(2).toLower();
        return true;
    }
    if (!rest.startsWith(QLatin1Char('/')) || rest.size() < 2 || rest.contains(QLatin1Char('?')))
        return fail(error, QStringLiteral("se esperaba usb:/dev/usb/lpN (la ruta completa del dispositivo), "
                                          "usb:serie=NÚMERO o usb:VVVV:PPPP (fabricante:producto)"));
    out->device = rest;
    return true;
}

bool baudSupported(int baud) {
    for (int b : {9600, 19200, 38400, 57600, 115200})
        if (b == baud) return true;
    return false;
}

bool parseSerial(const QString &rest, EscPosConnection *out, QString *error) {
    const qsizetype q = rest.indexOf(QLatin1Char('?'));
    const QString device = q < 0 ? rest : rest.left(q);
    if (!device.startsWith(QLatin1Char('/')) || device.size() < 2)
        return fail(error,
                    QStringLiteral("se esperaba serie:/dev/ttyUSB0?baudios=19200 (la ruta completa del dispositivo)"));
    int baud = 9600;
    if (q >= 0) {
        static const QRegularExpression re(QStringLiteral("^baudios=(\\d+)$"));
        const auto m = re.match(rest.mid(q + 1));
        if (!m.hasMatch()) return fail(error, QStringLiteral("tras la ruta solo puede ir ?baudios=N"));
        baud = m.captured(1).toInt();
        if (!baudSupported(baud))
            return fail(
                error,
                QStringLiteral("la velocidad %1 no se admite (9600, 19200, 38400, 57600 o 115200)").arg(m.captured(1)));
    }
    out->kind = EscPosConnection::Kind::Serial;
    out->device = device;
    out->baud = baud;
    return true;
}

}  // namespace

bool parseEscPosConnection(const QString &text, EscPosConnection *out, QString *error) {
    const QString t = text.trimmed();
    EscPosConnection parsed;
    bool ok = false;
    if (t.startsWith(QLatin1String("tcp://")))
        ok = parseTcp(t.mid(6), &parsed, error);
    else if (t.startsWith(QLatin1String("usb:")))
        ok = parseUsb(t.mid(4), &parsed, error);
    else if (t.startsWith(QLatin1String("serie:")))
        ok = parseSerial(t.mid(6), &parsed, error);
    else if (t.isEmpty())
        ok = fail(error, QStringLiteral("está vacía"));
    else
        ok = fail(error, QStringLiteral("debe empezar por tcp://, usb: o serie:"));
    if (ok && out) *out = parsed;
    return ok;
}

QString escPosConnectionPlace(const EscPosConnection &c) {
    if (c.kind == EscPosConnection::Kind::Tcp) return c.host + QLatin1Char(':') + QString::number(c.port);
    if (!c.usbSerial.isEmpty()) return QStringLiteral("USB con número de serie %1").arg(c.usbSerial);
    if (!c.usbVendor.isEmpty()) return QStringLiteral("USB %1:%2").arg(c.usbVendor, c.usbProduct);
    return c.device;
}

}  // namespace tpv
