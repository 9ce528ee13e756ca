#pragma once
// One kitchen thermal printer: delivers a ticket's bytes over its link and,
// when configured to, asks the printer its state before and after, so that
// a printer without paper or with its cover open is a failure, never a
// silent loss of the ticket.
#include "platform/escpos/EscPosConfig.h"

#include <QByteArray>
#include <QString>

namespace tpv {

class EscPosLink;

enum class EscPosState { Unknown, Ready, PaperEnd, CoverOpen, Offline, Error, NoAnswer, NoConnection };

// The short Spanish label for a list of printers: "Lista", "Sin papel", ...
QString stateLabel(EscPosState state);

// The state the three answers to DLE EOT 1, 2 and 4 describe.
EscPosState escPosStateFromAnswers(int printerStatus, int offlineCause, int paperSensor);

class EscPosDevice {
public:
    explicit EscPosDevice(EscPosPrinterConfig cfg);

    const EscPosPrinterConfig &config() const { return cfg_; }

    // Sends the ticket. Throws TpvError(err::PrinterError, cause in Spanish)
    // when the printer cannot be reached, refuses the bytes, or reports a
    // bad state: before the ticket nothing is sent; after it the ticket
    // counts as not delivered.
    void deliver(const QByteArray &ticket);

    // What the printer was last seen to be (Unknown before the first ticket;
    // with estado=no, Ready after a blind write that went through).
    EscPosState state() const { return state_; }

private:
    [[noreturn]] void failWith(EscPosState state, const QString &cause);
    void checkState(EscPosLink &link);
    QString stateCause(EscPosState state) const;

    EscPosPrinterConfig cfg_;
    EscPosState state_ = EscPosState::Unknown;
};

}  // namespace tpv
