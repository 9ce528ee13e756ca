#pragma once
// A printer's state as a value: what a device found at a ticket or a look,
// carried as it is to the printer list, the log, the metrics and the status
// page. The Spanish the operator reads and the fixed words of the metrics
// are made from it here, and nowhere else.
#include <QString>
#include <vector>

namespace tpv {

enum class PrinterCondition {
    Unchecked,      // no ticket and no look has told anything yet
    Ready,          // prints
    LowPaper,       // prints; the roll is nearly used up
    NoStatus,       // prints blind: a thermal printer that never answered a state query
    JobsWaiting,    // prints; its queue still holds tickets of ours
    NoPaper,        // the rest cannot print
    CoverOpen,
    Offline,
    NotResponding,  // connected, but silent to a state query
    NoConnection,   // cannot be reached (a network printer, a folder that is gone)
    Rejecting,      // a print queue that does not accept jobs
    Stopped,        // a print queue stopped by its administrator
    NotInstalled,
    Error,          // failed for a reason the device cannot name
};

struct PrinterStatus {
    PrinterCondition condition = PrinterCondition::Unchecked;
    int waitingJobs = 0;  // JobsWaiting: how many

    bool operator==(const PrinterStatus &o) const = default;
    bool known() const { return condition != PrinterCondition::Unchecked; }
    // Whether a ticket can go to it now.
    bool canPrint() const;
    // It prints, but wants a look.
    bool isWarning() const;
    bool isFailure() const { return known() && !canPrint(); }
};

inline PrinterStatus statusOf(PrinterCondition c) { return {c, 0}; }

// What the operator reads: "Lista", "Sin papel", "3 tickets en espera",
// "Sin comprobar" before anything is known.
QString statusLabel(const PrinterStatus &status);
// The fixed word of the metrics and the page's JSON: "lista", "sin_papel",
// "en_espera", "desconocido" before anything is known.
QString statusWord(PrinterCondition condition);
// Every condition, in the order the metrics list their words.
const std::vector<PrinterCondition> &allConditions();

}  // namespace tpv
