#pragma once
// Looks at every printer at start and every few seconds between ticks, so
// that the printer list and the log show each printer's state before a
// ticket fails on it ("Cocina: Sin papel"), and a printer found failing
// counts as failing from then on for its backup printer.
//
// A look waits on the printer within its device's limits (a network printer
// that does not answer costs up to the connect limit). It runs as work of the
// poll timer: a tick that falls due meanwhile waits for it, and a round that
// a tick is waiting on stops after the printer in hand and goes on with the
// next printer at the next round.
#include "platform/Clock.h"
#include "platform/PollTimer.h"
#include "devices/Printers.h"
#include "kitchen/PrinterHealth.h"

#include <functional>

namespace tpv {

class PrinterWatch {
public:
    static constexpr int kEveryMs = 5000;

    PrinterWatch(PrinterLayer &printers, PrinterHealth &health, const Clock &clock, PollTimer &T)
        : printers_(printers), health_(health), clock_(clock), T_(T) {}
    ~PrinterWatch() { stop(); }
    PrinterWatch(const PrinterWatch &) = delete;
    PrinterWatch &operator=(const PrinterWatch &) = delete;

    // The first round as soon as the event loop turns, then one every
    // kEveryMs after the last ended.
    void start();
    void stop();
    // One round now; inside a tick (or other work of the poll timer), at the
    // next turn instead.
    void lookNow();
    // Told after every round (the window refreshes its printer list).
    std::function<void()> onLooked;
    // Whether this PC stands by for another: it then leaves the printers
    // other PCs reach too (a network thermal printer takes one connection
    // at a time) to the PC that prints.
    std::function<bool()> standingBy;

private:
    void schedule(int ms);

    PrinterLayer &printers_;
    PrinterHealth &health_;
    const Clock &clock_;
    PollTimer &T_;
    int next_ = 0;  // the printer the next round begins with
    int handle_ = -1;
};

}  // namespace tpv
