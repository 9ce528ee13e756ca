// Speed of the two things a busy service does all evening: one print run of
// a large order, and one poll tick with a full day's queue.
//   build/bench/tpv-bench
#include "app/FrmPpal.h"
#include "app/Lifecycle.h"
#include "harness.h"
#include "platform/Environment.h"
#include "platform/SqlConnection.h"
#include "queue/Queue.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tpv;

namespace {

const QString kFecha = QStringLiteral("20261207");

// A prepared folder and a started print server on it; the benchmark drives
// the ticks itself.
struct Server : demo::Harness {
    Server() { prepare(kFecha); }
    void startServer() {
        start();
        f->g.Tiempo = 0;
    }
    Connection *db() { return server.get(); }
};

void BM_PrintRun30Lines3Printers(benchmark::State &state) {
    Server s;
    QList<demo::CartaLine> lines;
    const char *const arts[] = {"CAN", "ENTR", "TART"};  // bar, kitchen, desserts and kitchen
    for (int i = 0; i < 30; ++i) {
        demo::CartaLine l{QString::fromLatin1(arts[i % 3]), QStringLiteral("Artículo %1").arg(i), 1.0 + i % 3, std::nullopt};
        if (i % 5 == 0) l.extra = demo::Extra{2, QStringLiteral("Poco hecho"), 1, std::nullopt, QStringLiteral("Patatas"), {}};
        lines << l;
    }
    demo::addOrder(*s.db(), 1, kFecha, 1, 7, lines, {});
    s.startServer();
    for (auto _ : state) {
        state.PauseTiming();
        s.db()->execute(QStringLiteral("UPDATE Til SET TilImp = 0"));
        s.db()->execute(QStringLiteral("UPDATE PendGar SET PPPend = 0"));
        state.ResumeTiming();
        T_Timer(s.f->queue());
    }
    state.counters["tickets"] = static_cast<double>(s.printers->count());
}
BENCHMARK(BM_PrintRun30Lines3Printers)->Unit(benchmark::kMillisecond);

void BM_TickWith10000JobsOfTheDay(benchmark::State &state) {
    Server s;
    s.db()->execute(QStringLiteral("BEGIN"));
    for (int i = 1; i <= 10000; ++i)
        s.db()->execute(QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg7, PParg3) "
                                     "VALUES ('%1', %2, 'Com', 1, '1', '1', '%3')")
                          .arg(kFecha)
                          .arg(i)
                          .arg(i % 30000));
    s.db()->execute(QStringLiteral("COMMIT"));
    s.startServer();
    for (auto _ : state) T_Timer(s.f->queue());
    state.counters["done_listed"] = s.f->lstReal.listCount() - 1;
}
BENCHMARK(BM_TickWith10000JobsOfTheDay)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
