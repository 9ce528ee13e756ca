// Speed of what a busy service does all evening -- print runs, poll ticks
// with a full day's queue, the drain of a queue of pending jobs -- each beside
// the bare SQL it executes: the same statement texts, recorded while the
// program runs them, replayed on the same SQLite files through the sqlite3 C
// API (the library the SQLite driver uses), every column of every row read.
//   build/bench/tpv-bench
// Counters: x_bare = CPU of the program path / CPU of its bare replay;
// bare_ms = CPU of one replay; tickets = documents written per run;
// statements = statements one run executes.
#include "ui/FrmPpal.h"
#include "devices/folder/FolderPrinters.h"
#include "ui/Lifecycle.h"
#include "LoopbackThermalPrinters.h"
#include "TickBench.h"
#include "app/Monitoring.h"
#include "app/CommandLine.h"
#include "devices/Printers.h"
#include "sql/SqlConnection.h"
#include "kitchen/DeliveryJournal.h"
#include "kitchen/DeliveryPlan.h"
#include "kitchen/Queue.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <time.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <thread>

using namespace tpv;
using namespace tpv::bench;

namespace {

// Times one tick of the program and, in the same iteration, the bare replay of
// the statements that tick executed (recorded on a first, untimed tick).
// `reset` puts the queue back between runs, untimed; `delivered` counts the
// tickets printed so far (the folder printers' documents by default).
// `apart`, when given, is timed on its own in every iteration, after the
// replay (`apart_ms`, and `apart_pct_of_bare` beside the bare SQL).
void measureTick(benchmark::State &state, Server &s, const std::function<void()> &reset,
                 std::function<int()> delivered = {}, const std::function<void()> &apart = {}) {
    if (!delivered) delivered = [&s] { return s.documents(); };
    std::vector<Statement> recorded;
    const std::function<void()> userReset = reset;
    const std::function<void()> resetAll = [&] {
        userReset();
        s.forgetDeliveries();
    };
    resetAll();
    const int docsBefore = delivered();
    {
        Recording recording;
        s.tick();
        recorded = std::move(recording.statements);
    }
    const int ticketsPerRun = delivered() - docsBefore;
    if (std::getenv("TPV_BENCH_DUMP")) {
        for (const Statement &st : recorded) std::fprintf(stderr, "%s\n", st.sql.constData());
    }
    BareReplay bare(recorded);
    Stopwatch program;
    double replay = 0, apartCpu = 0;
    int64_t sum = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetAll();
        state.ResumeTiming();
        program.time([&] { s.tick(); });
        state.PauseTiming();
        resetAll();
        const double t1 = cpuSeconds();
        sum += bare.replay();
        replay += cpuSeconds() - t1;
        if (apart) {
            const double t2 = cpuSeconds();
            apart();
            apartCpu += cpuSeconds() - t2;
        }
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(sum);
    const double n = static_cast<double>(state.iterations());
    state.counters["x_bare"] = replay > 0 ? program.cpu / replay : 0;
    state.counters["bare_ms"] = replay / n * 1e3;
    state.counters["statements"] = static_cast<double>(bare.size());
    state.counters["journal_statements"] = bare.journalStatements();
    state.counters["wall_ms"] = program.wall / n * 1e3;
    state.counters["tickets"] = ticketsPerRun;
    if (apart) {
        state.counters["apart_ms"] = apartCpu / n * 1e3;
        state.counters["apart_pct_of_bare"] = replay > 0 ? apartCpu / replay * 100 : 0;
    }
}

// Seven more stations beside the demo's Cocina (1), Barra (2) and Postres (3):
// printers 4 to 10 in prn order, each the only destination of a family of its
// own with one article, and each a folder printer as prepareDemo makes them.
struct ExtraStation {
    const char *printer, *family, *article, *name;
};
const ExtraStation kExtraStations[] = {
    {"Plancha", "PLA", "SEPIA", "Sepia a la plancha"},
    {"Freidora", "FRI", "CALA", "Calamares"},
    {"Horno", "HOR", "CORD", "Cordero asado"},
    {"Parrilla", "PAR", "CHUR", "Churrasco"},
    {"Frios", "FRS", "GAZP", "Gazpacho"},
    {"Cafeteria", "CAF", "CORT", "Cortado"},
    {"Terraza", "TER", "SANG", "Sangría"},
};

void addExtraStations(Server &s) {
    Connection &cn = *s.db();
    int destino = 4;
    for (const ExtraStation &e : kExtraStations) {
        const QString printer = QString::fromLatin1(e.printer);
        cn.execute(QStringLiteral("INSERT INTO prn VALUES ('%1')").arg(printer));
        cn.execute(QStringLiteral("INSERT INTO Artv VALUES ('%1', '%2', '%3')")
                       .arg(QString::fromLatin1(e.article), QString::fromUtf8(e.name), QString::fromLatin1(e.family)));
        cn.execute(QStringLiteral("INSERT INTO PerfilEnvioImp VALUES (1, 1, '%1', %2, 0, 0)")
                       .arg(QString::fromLatin1(e.family))
                       .arg(destino++));
        QDir().mkpath(QDir(s.printersDir).filePath(printer));
    }
}

// One order of `lines` lines (one in five with extras, one in ten with a menu
// dish) for 1, 3 or 10 printers. For 10 (once addExtraStations has run), the
// lines go round the ten articles, menu dishes included, so each printer gets
// lines.
void addBigOrder(Connection &cn, int comanda, int lines, int printers) {
    QStringList arts{QStringLiteral("CAN"), QStringLiteral("ENTR"),
                     QStringLiteral("TART")};  // bar, kitchen, desserts and kitchen
    if (printers == 10) {
        for (const ExtraStation &e : kExtraStations) arts << QString::fromLatin1(e.article);
    } else if (printers != 1 && printers != 3) {
        throw std::invalid_argument("addBigOrder: 1, 3 or 10 printers");
    }
    QList<demo::ALaCarteLine> aLaCarte;
    QList<demo::MenuDish> menu;
    for (int i = 0; i < lines; ++i) {
        const QString art = printers == 1 ? arts[0] : arts[i % printers];
        if (lines > 1 && i % 10 == 9 && printers > 1) {
            menu << demo::MenuDish{printers == 10 ? art : QStringLiteral("ENTR"),
                                   QStringLiteral("Plato %1").arg(i),
                                   1,
                                   std::nullopt,
                                   std::nullopt,
                                   std::nullopt,
                                   {},
                                   {},
                                   {}};
            continue;
        }
        demo::ALaCarteLine l{art, QStringLiteral("Artículo %1").arg(i), 1.0 + i % 3, std::nullopt};
        if (i % 5 == 0)
            l.extra = demo::Extra{2, QStringLiteral("Poco hecho"), 1, std::nullopt, QStringLiteral("Patatas"), {}};
        aLaCarte << l;
    }
    demo::addOrder(cn, 1, kFecha, comanda, 7, aLaCarte, menu);
}

// Fills each printer folder with `tickets` documents, as a day of printing leaves it.
void fillPrinterFolders(const Server &s, int tickets) {
    for (const QString &p : QDir(s.printersDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir d(QDir(s.printersDir).filePath(p));
        for (int i = 1; i <= tickets; ++i) {
            const QString base = QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'));
            QFile t(d.filePath(base + QStringLiteral(".txt")));
            if (t.open(QIODevice::WriteOnly)) t.write("ticket\n");
            QFile j(d.filePath(base + QStringLiteral(".json")));
            if (j.open(QIODevice::WriteOnly)) j.write("{}\n");
        }
    }
}

// A print run: args are lines and printers (1, 3 or 10).
void BM_PrintRun(benchmark::State &state) {
    Server s;
    const int printers = static_cast<int>(state.range(1));
    if (printers == 10) addExtraStations(s);
    addBigOrder(*s.db(), 1, static_cast<int>(state.range(0)), printers);
    s.startServer();
    measureTick(state, s, [&] { s.resetPrinted(); });
}
BENCHMARK(BM_PrintRun)
    ->ArgNames({"lines", "printers"})
    ->Args({1, 1})
    ->Args({1, 3})
    ->Args({30, 1})
    ->Args({30, 3})
    ->Args({300, 3})
    ->Args({30, 10})
    ->Unit(benchmark::kMillisecond);

// The 30-line run when each printer folder already holds 5,000 tickets.
void BM_PrintRunFullFolders(benchmark::State &state) {
    Server s;
    addBigOrder(*s.db(), 1, 30, 3);
    fillPrinterFolders(s, static_cast<int>(state.range(0)));
    s.startServer();
    measureTick(state, s, [&] { s.resetPrinted(); });
}
BENCHMARK(BM_PrintRunFullFolders)->ArgName("tickets_in_folder")->Arg(0)->Arg(5000)->Unit(benchmark::kMillisecond);

// The 30-line run for 3 printers, all of them kitchen thermal printers
// (declared in impresoras.ini, asking their state around each ticket).
void BM_PrintRunEscPos(benchmark::State &state) {
    bench::LoopbackThermalPrinters printers;
    Server s;
    addBigOrder(*s.db(), 1, 30, 3);
    printers.declareIn(s.dataDir);
    s.startServer();
    // The listener counts a ticket when it has read its cut, which may come
    // just after the tick: the count is read once it stops moving.
    measureTick(
        state, s, [&] { s.resetPrinted(); },
        [&] {
            int n = -1;
            for (int i = 0; i < 100 && n != printers.tickets(); ++i) {
                n = printers.tickets();
                ::usleep(2000);
            }
            return n;
        });
}
BENCHMARK(BM_PrintRunEscPos)->Unit(benchmark::kMillisecond);

// One tick with nothing to print and `done` done jobs of the day.
void BM_Tick(benchmark::State &state) {
    Server s;
    addDoneJobs(*s.db(), static_cast<int>(state.range(0)));
    s.startServer();
    measureTick(state, s, [] {});
    state.counters["done_listed"] = s.f->lstReal.listCount() - 1;
}
BENCHMARK(BM_Tick)->ArgName("done")->Arg(100)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

// What the monitoring adds to a tick: the print run of `lines` lines to
// `printers` printers with the monitoring on (each ticket publishes a
// snapshot as it goes and once sent, the tick's end one more), and, timed
// apart, those snapshots alone as the tick made them, beside the tick's bare
// SQL.
void BM_SnapshotCost(benchmark::State &state) {
    Server s;
    const int printers = static_cast<int>(state.range(1));
    // No lines: a tick with nothing to print, over 100 done jobs of the day.
    if (state.range(0) > 0)
        addBigOrder(*s.db(), 1, static_cast<int>(state.range(0)), printers);
    else
        addDoneJobs(*s.db(), 100);
    s.startServer();
    Monitoring monitoring(*s.printServer, QStringLiteral("bench"), [](LogPriority, const QString &) {});
    Monitor &m = monitoring.monitor();
    const QStringList names = {QStringLiteral("Cocina"), QStringLiteral("Barra"), QStringLiteral("Postres")};
    measureTick(
        state, s,
        [&] {
            if (state.range(0) > 0) s.resetPrinted();
        },
        {},
        [&] {
            m.tickStarted();
            for (int p = 0; p < printers; ++p) {
                m.ticketGoing(names[p]);
                m.ticketSent(names[p], names[p]);
            }
            m.tickEnded();
        });
}
BENCHMARK(BM_SnapshotCost)
    ->ArgNames({"lines", "printers"})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({30, 3})
    ->Args({300, 3})
    ->Unit(benchmark::kMillisecond);

// Draining a queue of `pending` 10-line jobs to 3 printers in one tick.
void BM_Drain(benchmark::State &state) {
    Server s;
    s.db()->execute(QStringLiteral("BEGIN"));
    for (int c = 1; c <= state.range(0); ++c) addBigOrder(*s.db(), c, 10, 3);
    s.db()->execute(QStringLiteral("COMMIT"));
    s.startServer();
    measureTick(state, s, [&] { s.resetPrinted(); });
}
BENCHMARK(BM_Drain)->ArgName("pending")->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
