#pragma once
// The ticket output port: the print run hands each finished ticket to one
// named printer through it and learns nothing else of printers. The program
// sends through the printer panel (printer/PanelOutput.h), with the backup
// printers in front of it (printer/BackupOutput.h).
#include "ticket/Document.h"

#include <QString>
#include <functional>
#include <optional>

namespace tpv {

class TicketOutput {
public:
    virtual ~TicketOutput() = default;
    // Sends one ticket meant for the printer of that device name, or fails
    // with the error of the step that failed. `onSelected` runs once the
    // printer has been found in the printer list, before anything is sent.
    // Returns the device name of the printer that took it (another one when
    // a backup printer stood in).
    virtual QString send(const QString &printer, const Document &ticket, const std::function<void()> &onSelected) = 0;
    // Whether a ticket meant for that printer, sent by an earlier process
    // that died before noting it, reached a printer: found by its title, or
    // by the digest of its text. nullopt when the printer cannot tell.
    virtual std::optional<bool> arrived(const QString &printer, const QString &title, const QString &digest) {
        (void)printer;
        (void)title;
        (void)digest;
        return std::nullopt;
    }
};

}  // namespace tpv
