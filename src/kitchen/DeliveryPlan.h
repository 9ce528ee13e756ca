#pragma once
// Which tickets a printer gets in a run: what it still lacks of each dish
// routed to it, split by what the kitchen must be told about it. A dish the
// printer had before a reset of the order goes under "REIMPRESIÓN"; one that
// a ticket lost in a crash may already have printed goes under "POSIBLE
// REPETICIÓN"; the rest is news and goes on a ticket without a mark. A dish
// never printed before is never put under a mark, and a printer that lacks
// nothing gets no ticket.
#include "kitchen/DeliveryJournal.h"

#include <vector>

namespace tpv {

// One dish of the order as the run read it.
struct ReadDish {
    DishKey key;
    double ordered = 0;  // its quantity (TilCant, cantidad)
    double printed = 0;  // what the order tables mark printed (TilImp, imp)
};

enum class TicketKind { Reprint, PossibleRepeat, New };

// One ticket for one printer: the dishes it carries (by their position in
// the run's list for that printer) and how far each takes the printer.
struct PlannedTicket {
    TicketKind kind = TicketKind::New;
    struct Entry {
        size_t dish;  // index into the dishes planned
        DishPart part;
        double quantity() const { return part.to - part.from; }
    };
    std::vector<Entry> entries;
    // The doubtful parts this ticket settles once the printer has it.
    std::vector<qint64> settles;
};

struct PrinterPlan {
    std::vector<PlannedTicket> tickets;  // in the order they go out
    // Doubtful parts no ticket needs to carry (nothing of them is lacking).
    std::vector<qint64> settledWithoutTicket;
};

PrinterPlan planPrinter(const std::vector<ReadDish> &dishes, const QHash<DishKey, Received> &received,
                        const std::vector<DoubtfulPart> &doubtful);

}  // namespace tpv
