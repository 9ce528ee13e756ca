// Speed of the two things a busy service does all evening: one print run of
// a large order, and one poll tick with a full day's queue.
//   build/bench/tpv-bench
#include "app/FrmPpal.h"
#include "app/Lifecycle.h"
#include "demo_data.h"
#include "platform/Environment.h"
#include "platform/SqlConnection.h"
#include "queue/Queue.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tpv;

namespace {

const QString kFecha = QStringLiteral("20261207");

// A prepared folder and a started print server on it.
struct Server {
    QTemporaryDir tmp;
    std::unique_ptr<Connection> db;
    HeadlessDialogs dialogs{false};
    FixedClock clock{QTime(13, 5, 7)};
    std::unique_ptr<FolderPrinters> printers;
    std::unique_ptr<FrmPpal> f;
    std::unique_ptr<InstanceLock> lock;

    Server() {
        const auto p = demo::prepareDemo(tmp.filePath(QStringLiteral("d")), tmp.filePath(QStringLiteral("p")), kFecha);
        db = openSqliteFile(p.serverDb);
    }
    void start() {
        printers = std::make_unique<FolderPrinters>(tmp.filePath(QStringLiteral("p")));
        ConnectionOptions o;
        o.dataDir = tmp.filePath(QStringLiteral("d"));
        f = std::make_unique<FrmPpal>(dialogs, *printers, clock, o);
        lock = std::make_unique<InstanceLock>(o.dataDir);
        Form_Load(*f, *lock);
        Form_Activate(*f);
        f->g.Tiempo = 0;  // the benchmark drives the ticks
    }
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
    demo::addOrder(*s.db, 1, kFecha, 1, 7, lines, {});
    s.start();
    for (auto _ : state) {
        state.PauseTiming();
        s.db->execute(QStringLiteral("UPDATE Til SET TilImp = 0"));
        s.db->execute(QStringLiteral("UPDATE PendGar SET PPPend = 0"));
        state.ResumeTiming();
        T_Timer(*s.f);
    }
    state.counters["tickets"] = static_cast<double>(s.printers->count());
}
BENCHMARK(BM_PrintRun30Lines3Printers)->Unit(benchmark::kMillisecond);

void BM_TickWith10000JobsOfTheDay(benchmark::State &state) {
    Server s;
    s.db->execute(QStringLiteral("BEGIN"));
    for (int i = 1; i <= 10000; ++i)
        s.db->execute(QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg7, PParg3) "
                                     "VALUES ('%1', %2, 'Com', 1, '1', '1', '%3')")
                          .arg(kFecha)
                          .arg(i)
                          .arg(i % 30000));
    s.db->execute(QStringLiteral("COMMIT"));
    s.start();
    for (auto _ : state) T_Timer(*s.f);
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
