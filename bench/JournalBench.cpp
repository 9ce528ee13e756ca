// The delivery journal alone, beside the print runs of PrintRunBench.cpp:
// its statements on the order database, as the program runs them.
#include "kitchen/DeliveryPlan.h"
#include "support/Harness.h"

#include <benchmark/benchmark.h>

using namespace tpv;

namespace {

// The delivery journal per ticket: an order of `dishes` lines to three
// printers, the order's deliveries read once, each printer's ticket
// announced and confirmed (a fenced transaction each), and what completion
// notes of the order, in the order database of a demo folder (SQLite).
// Wall time, as the cost is the disk's.
void BM_JournalPerTicket(benchmark::State &state) {
    demo::Harness h;
    h.prepare(QStringLiteral("20261207"));
    h.start();
    DeliveryJournal &journal = h.f->journal;
    Connection &db = *h.f->g.Cn2;
    const int dishes = static_cast<int>(state.range(0));
    int order = 0;
    for (auto _ : state) {
        const OrderKey key{QStringLiteral("1"), QStringLiteral("20261207"), QString::number(++order)};
        std::vector<ReadDish> read;
        for (int i = 1; i <= dishes; ++i) read.push_back({{DishKey::Kind::ALaCarte, QString::number(i)}, 1, 0});
        const OrderDeliveries deliveries = journal.read(key, {});
        for (int k = 1; k <= 3; ++k) {
            const QString printer = QStringLiteral("Impresora%1").arg(k);
            const PrinterPlan plan =
                planPrinter(read, deliveries.received.value(printer), deliveries.doubtful.value(printer));
            for (const PlannedTicket &t : plan.tickets) {
                std::vector<DishPart> parts;
                for (const auto &e : t.entries) parts.push_back(e.part);
                journal.delivered(journal.announce(key, printer, QStringLiteral("1"), parts, QStringLiteral("x")), {});
            }
        }
        std::vector<std::pair<DishKey, double>> marked;
        for (const ReadDish &d : read) marked.push_back({d.key, d.ordered});
        fencedTransaction(db, h.f->fence(),
                          [&] { DeliveryJournal::completed(db, key, marked, QString::number(order), QTime(13, 5, 7)); });
    }
    state.counters["ms_per_ticket"] = benchmark::Counter(static_cast<double>(state.iterations() * 3) / 1000.0,
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_JournalPerTicket)->ArgNames({"dishes"})->Arg(1)->Arg(10)->Arg(30)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
