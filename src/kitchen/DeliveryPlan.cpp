#include "kitchen/DeliveryPlan.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tpv {

namespace {

constexpr double kEpsilon = 1e-9;

bool same(double a, double b) { return std::fabs(a - b) < kEpsilon; }

// How much of the way from `from` to `to` lies within [lo, hi] (either
// order), with the sign of the way.
double overlap(double from, double to, double a, double b) {
    const double lo = std::max(std::min(from, to), std::min(a, b));
    const double hi = std::min(std::max(from, to), std::max(a, b));
    const double amount = std::max(0.0, hi - lo);
    return to >= from ? amount : -amount;
}

}  // namespace

PrinterPlan planPrinter(const std::vector<ReadDish> &dishes, const QHash<DishKey, Received> &received,
                        const std::vector<DoubtfulPart> &doubtful) {
    std::array<PlannedTicket, 3> byKind;
    byKind[0].kind = TicketKind::Reprint;
    byKind[1].kind = TicketKind::PossibleRepeat;
    byKind[2].kind = TicketKind::New;
    for (size_t i = 0; i < dishes.size(); ++i) {
        const ReadDish &d = dishes[i];
        const double I = d.printed, C = d.ordered;
        double have = I;  // where the printer stands
        double held = I;  // what it held before a reset of the order
        bool reset = false;
        if (const auto it = received.constFind(d.key); it != received.cend()) {
            if (same(I, it->base)) {
                have = it->level;  // parts delivered since the order was last marked
            } else if (I < it->base) {
                reset = true;  // marked printed, then made unprinted again
                held = it->level;
            }
            // I above the base: marked printed since; the printer has I.
        }
        if (same(C, have)) continue;
        double at = have;
        auto take = [&](int kind, double quantity, bool last) {
            if (same(quantity, 0) && !last) return;
            const double to = last ? C : at + quantity;
            if (!same(to, at)) byKind[static_cast<size_t>(kind)].entries.push_back({i, {d.key, I, at, to}});
            at = to;
        };
        // What the printer held before the reset, and gets again.
        const double again = reset && C > have ? std::clamp(std::min(C, held) - have, 0.0, C - have) : 0.0;
        take(0, again, false);
        double maybe = 0;
        for (const DoubtfulPart &p : doubtful)
            if (p.part.dish == d.key) maybe += overlap(at, C, p.part.from, p.part.to);
        if (std::fabs(maybe) > std::fabs(C - at)) maybe = C - at;
        take(1, maybe, false);
        take(2, C - at, true);
    }
    PrinterPlan plan;
    std::vector<qint64> doubtfulIds;
    for (const DoubtfulPart &p : doubtful)
        if (std::find(doubtfulIds.begin(), doubtfulIds.end(), p.sending) == doubtfulIds.end())
            doubtfulIds.push_back(p.sending);
    for (PlannedTicket &t : byKind)
        if (!t.entries.empty()) plan.tickets.push_back(std::move(t));
    // The doubtful parts are settled by the ticket that carries them again,
    // else by the first ticket the printer takes; when nothing is lacking any
    // more, they are simply forgotten.
    if (plan.tickets.empty()) {
        plan.settledWithoutTicket = doubtfulIds;
        return plan;
    }
    auto repeat = std::find_if(plan.tickets.begin(), plan.tickets.end(),
                               [](const PlannedTicket &t) { return t.kind == TicketKind::PossibleRepeat; });
    (repeat != plan.tickets.end() ? *repeat : plan.tickets.front()).settles = doubtfulIds;
    return plan;
}

}  // namespace tpv
