#include "kitchen/PrinterWatch.h"

namespace tpv {

void PrinterWatch::start() { schedule(0); }

void PrinterWatch::stop() {
    if (handle_ >= 0) T_.engine().cancel(handle_);
    handle_ = -1;
}

void PrinterWatch::schedule(int ms) {
    stop();
    if (T_.ended()) return;
    handle_ = T_.engine().runLater(ms, [this] {
        handle_ = -1;
        lookNow();
    });
}

void PrinterWatch::lookNow() {
    if (T_.ended()) return;
    if (T_.insideTick()) {
        schedule(kEveryMs);
        return;
    }
    {
        const PollTimer::Busy busy(T_);
        const int count = printers_.count();
        for (int looked = 0; looked < count; ++looked) {
            // The tick that fell due goes first; the rest at the next round.
            if (looked > 0 && T_.tickWaiting()) break;
            const int i = next_ % count;
            next_ = (i + 1) % count;
            if (standingBy && standingBy() && printers_.sharedWithOtherPCs(i)) continue;
            const QString name = printers_.installed(i).name();
            const std::optional<PrinterCheck> check = printers_.probe(i);
            if (!check) continue;
            if (check->ok())
                health_.lookedWell(name);
            else
                health_.lookFailed(name, check->failure, clock_.steadyMs());
        }
        if (onLooked) onLooked();
    }
    schedule(kEveryMs);
}

}  // namespace tpv
