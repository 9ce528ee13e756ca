#pragma once
// One kitchen thermal printer: delivers a ticket's bytes over its link and,
// as configured, asks the printer its state before and after, so that a
// printer without paper or with its cover open is a failure, never a silent
// loss of the ticket.
#include "devices/PrinterStatus.h"
#include "devices/escpos/EscPosConfig.h"
#include "devices/escpos/UsbPrinters.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace tpv {

class EscPosLink;

enum class EscPosState {
    Unknown,
    Ready,
    PaperNearEnd,  // prints; the roll is nearly used up
    NoStatus,      // prints; the printer has never answered a state query (estado=auto)
    PaperEnd,
    CoverOpen,
    Offline,
    Error,
    NoAnswer,
    NoConnection
};

// The printer's state as every kind of printer reports it.
PrinterStatus printerStatus(EscPosState state);

// The state the three answers to DLE EOT 1, 2 and 4 describe.
EscPosState escPosStateFromAnswers(int printerStatus, int offlineCause, int paperSensor);

class EscPosDevice {
public:
    // usbRoot: where USB printers named by serial number or ids are looked
    // for (see UsbPrinters.h).
    explicit EscPosDevice(EscPosPrinterConfig cfg, QString usbRoot = usbSystemRoot());

    const EscPosPrinterConfig &config() const { return cfg_; }

    // Sends the ticket. Throws TpvError(err::PrinterError, cause in Spanish)
    // when the printer cannot be reached, refuses the bytes, or reports a
    // bad state: before the ticket nothing is sent; after it the ticket
    // counts as not delivered.
    void deliver(const QByteArray &ticket);

    // Looks at the printer between tickets, as its configuration allows: a
    // new connection, and its state asked. With estado=no only whether it
    // can be reached is known (Ready when it can); with estado=auto a printer
    // that has never answered is asked once, then only reached (NoStatus).
    // Returns the state seen, which state() then keeps; *cause says, in
    // Spanish, why the printer cannot print, or is left empty when it can.
    EscPosState probe(QString *cause);

    // What the printer was last seen to be (Unknown before the first ticket
    // or look; with estado=no, Ready after a blind write that went through).
    EscPosState state() const { return state_; }

    // A new poll tick: with estado=auto, a printer that has never answered
    // is asked once more at its next ticket (within a tick, once is enough).
    void newTick() { silentThisTick_ = false; }

private:
    [[noreturn]] void failWith(EscPosState state, const QString &cause);
    std::unique_ptr<EscPosLink> connect();
    bool checkBeforeTicket(EscPosLink &link);
    std::optional<EscPosState> askState(EscPosLink &link);
    EscPosState requireGoodState(const std::optional<EscPosState> &answered);
    QString stateCause(EscPosState state) const;
    void noteSilence();

    EscPosPrinterConfig cfg_;
    QString usbRoot_;
    EscPosState state_ = EscPosState::Unknown;
    bool answeredOnce_ = false;    // the printer has answered a state query since start
    bool silentThisTick_ = false;  // estado=auto: it did not answer during this tick
    bool silenceLogged_ = false;
    bool lookedSilent_ = false;  // estado=auto: a look found it silent; looks no longer ask
};

}  // namespace tpv
