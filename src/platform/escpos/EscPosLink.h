#pragma once
// The byte pipe to one kitchen thermal printer: raw TCP, a USB printer's
// device node or a serial line, all behind one small interface. Every wait
// is bounded; nothing here blocks without a limit.
#include <QByteArray>
#include <QString>
#include <memory>

namespace tpv {

namespace escpos {
constexpr int ConnectTimeoutMs = 3000;
constexpr int WriteTimeoutMs = 5000;   // for all the bytes of one ticket
constexpr int AnswerTimeoutMs = 1000;  // for each state answer
}  // namespace escpos

// The connection key of impresoras.ini, taken apart.
struct EscPosConnection {
    enum class Kind { Tcp, Usb, Serial } kind = Kind::Tcp;
    QString host;     // Tcp
    int port = 0;     // Tcp
    QString device;   // Usb, Serial: absolute path of the device node
    int baud = 9600;  // Serial
};

// Parses "tcp://HOST:PORT", "usb:/dev/usb/lpN" or "serie:DEVICE?baudios=N"
// (9600 when baudios is not given; 9600, 19200, 38400, 57600 or 115200).
// On a malformed text returns false and says in Spanish what is wrong.
bool parseEscPosConnection(const QString &text, EscPosConnection *out, QString *error);

// Where the connection goes, for messages: "127.0.0.1:9100", "/dev/usb/lp0".
QString escPosConnectionPlace(const EscPosConnection &c);

class EscPosLink {
public:
    virtual ~EscPosLink() = default;
    // Writes every byte within timeoutMs. On failure returns false and puts
    // the reason, in Spanish, in *why.
    virtual bool writeAll(const QByteArray &bytes, int timeoutMs, QString *why) = 0;
    // The next byte the printer sends, waiting at most timeoutMs; -1 if none.
    virtual int readByte(int timeoutMs) = 0;
    // Drops what the printer sent unasked (automatic status and the like).
    virtual void discardInput() = 0;
};

// Opens the link (connecting within ConnectTimeoutMs for TCP). Returns null
// and the reason, in Spanish, in *why when it cannot.
std::unique_ptr<EscPosLink> openEscPosLink(const EscPosConnection &c, QString *why);

}  // namespace tpv
