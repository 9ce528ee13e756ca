#pragma once
// The ticket output port: the print run hands each finished ticket to one
// named printer through it and learns nothing else of printers. The program
// sends through the printer panel (printer/PanelOutput.h); the delivery
// journal and the kitchen printers sit behind the same port.
#include <QString>
#include <functional>

namespace tpv {

// A sending: one job of the queue, named as the queue names it.
struct SendingKey {
    QString tpv, fecha, ord;  // PParg1, PPFecha, PPOrd as stored
};

class TicketOutput {
public:
    virtual ~TicketOutput() = default;
    // The print run of that sending starts; its tickets follow.
    virtual void beginSending(const SendingKey &) {}
    // The sending was marked done in the database.
    virtual void sendingCompleted() {}
    // Sends one ticket to the printer of that device name, or fails with the
    // error of the step that failed. `onSelected` runs once the printer has
    // been found in the printer list, before anything is sent.
    virtual void send(const QString &printer, const QString &ticketText, const std::function<void()> &onSelected) = 0;
};

}  // namespace tpv
