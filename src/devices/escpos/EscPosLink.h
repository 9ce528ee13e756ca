#pragma once
// The byte pipe to one kitchen thermal printer: raw TCP, a USB printer's
// device node or a serial line, all behind one small interface. Every wait
// is bounded; nothing here blocks without a limit.
#include "devices/escpos/EscPosConnection.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace tpv {

namespace escpos {
constexpr int ConnectTimeoutMs = 3000;
constexpr int WriteTimeoutMs = 5000;   // for all the bytes of one ticket
constexpr int AnswerTimeoutMs = 1000;  // for each state answer
constexpr int CloseTimeoutMs = 1000;   // for a network printer to close its side at the end
// A network printer is sent at most this much at a time, and each piece is
// taken before the next goes: printers with a small buffer lose bytes when
// more arrive than they can hold.
constexpr int NetworkPieceBytes = 512;
}  // namespace escpos

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
    // Ends a delivery that went well so that the printer keeps its last
    // bytes (a network printer's side is awaited, at most CloseTimeoutMs).
    virtual void finish() {}
};

// Opens the link (connecting within ConnectTimeoutMs for TCP; a USB printer
// named by serial number or ids is looked for under usbRoot, see
// UsbPrinters.h). Returns null and the reason, in Spanish, in *why when it
// cannot.
std::unique_ptr<EscPosLink> openEscPosLink(const EscPosConnection &c, QString *why, const QString &usbRoot);

}  // namespace tpv
