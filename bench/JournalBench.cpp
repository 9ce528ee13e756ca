// The delivery journal alone, beside the print runs of PrintRunBench.cpp.
#include "kitchen/DeliveryJournal.h"
#include "kitchen/DeliveryPlan.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tpv;

namespace {

// The delivery journal alone, per dish: an order of `dishes` lines to three
// printers, the order's deliveries read once, each printer's ticket
// announced and confirmed, and the order marked completed, in the data folder
// of a temporary directory (two durable writes per ticket and one per
// completion). Wall time, as the cost is the disk's.
void BM_JournalPerDish(benchmark::State &state) {
    QTemporaryDir dir;
    DeliveryJournal journal(dir.path());
    const int dishes = static_cast<int>(state.range(0));
    const bool jobTime = state.range(1) != 0;  // the completion notes when the job was done
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
        if (jobTime)
            journal.completed(key, marked, QString::number(order), QTime(13, 5, 7));
        else
            journal.completed(key, marked);
    }
    state.counters["ms_per_dish"] = benchmark::Counter(static_cast<double>(state.iterations() * dishes) / 1000.0,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_JournalPerDish)
    ->ArgNames({"dishes", "job_time"})
    ->ArgsProduct({{1, 10, 30}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
