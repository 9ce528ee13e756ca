#pragma once
// The ticket output port: the print run hands each finished ticket to one
// named printer through it and learns nothing else of printers. The program
// sends through the printer panel (printer/PanelOutput.h); the delivery
// journal and the kitchen printers sit behind the same port.
#include <QString>
#include <functional>

namespace tpv {

class TicketOutput {
public:
    virtual ~TicketOutput() = default;
    // Sends one ticket to the printer of that device name, or fails with the
    // error of the step that failed. `onSelected` runs once the printer has
    // been found in the printer list, before anything is sent.
    virtual void send(const QString &printer, const QString &ticketText, const std::function<void()> &onSelected) = 0;
};

}  // namespace tpv
