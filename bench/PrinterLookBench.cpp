// One round of looks at the printers between ticks (PrinterWatch): how long
// a tick that falls due meanwhile may wait, for folder printers and for
// kitchen thermal printers on loopback that answer at once.
#include "LoopbackThermalPrinters.h"
#include "devices/folder/FolderPrinters.h"
#include "support/Harness.h"
#include "kitchen/PrinterWatch.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <stdexcept>

using namespace tpv;

namespace {

// Wall time, as the cost is the printers' answers.
void lookRounds(benchmark::State &state, demo::Harness &h) {
    h.start();
    PrinterWatch watch(*h.printers, h.f->health, h.clock, h.f->T);
    for (auto _ : state) watch.lookNow();
    state.counters["printers"] = h.printers->count();
    const auto states = h.printers->states();
    state.counters["ready"] =
        static_cast<double>(std::count_if(states.begin(), states.end(), [](const PrinterLayer::Status &s) {
            return s.status.condition == PrinterCondition::Ready;
        }));
}

void BM_LookRoundFolderPrinters(benchmark::State &state) {
    demo::Harness h;
    h.prepare(QStringLiteral("20261207"));
    lookRounds(state, h);
}
BENCHMARK(BM_LookRoundFolderPrinters)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Cocina, Barra and Postres as thermal printers asked always (three state
// queries each, on a new connection).
void BM_LookRoundThermalPrinters(benchmark::State &state) {
    bench::LoopbackThermalPrinters printers;
    demo::Harness h;
    h.prepare(QStringLiteral("20261207"));
    printers.declareIn(h.dataDir, QStringLiteral("estado=si\n"));
    lookRounds(state, h);
}
BENCHMARK(BM_LookRoundThermalPrinters)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
