// What standing by costs the PC that prints: the delivery journal of a print
// run and the renewal of the turn, each beside the bare SQL it is set
// against, on the embedded database (SQLite) and through the TDS test server
// (SQL Server's path through unixODBC and FreeTDS).
//   build/bench/tpv-bench --benchmark_filter='BM_JournalPerTicket|BM_TurnRenewal'
// Counters (wall time, and the calling thread's CPU where it says cpu):
//   BM_JournalPerTicket: journal_ms_per_ticket, journal_cpu_ms_per_ticket;
//     bare_run_ms, bare_run_cpu_ms: the run's bare SQL without the journal;
//     x_bare_run, x_bare_run_cpu: the journal of one run / the run's bare SQL.
//   BM_TurnRenewal: renew_us, renew_cpu_us; bare_us, bare_cpu_us: the
//     renewal's UPDATE alone; x_bare, x_bare_cpu: the first over the second.
#include "TickBench.h"

#include "kitchen/DeliveryPlan.h"
#include "kitchen/Queue.h"
#include "kitchen/Turn.h"
#include "sql/TurnStatements.h"

#include <cstdio>
#include <cstdlib>

using namespace tpv;
using namespace tpv::bench;

namespace {

// The folder's order database as the benchmark asks: its SQLite file, or
// the same file behind a TDS test server the settings point at.
struct Backend {
    Server s;
    std::unique_ptr<tds::Server> tds;
    bool start(bool throughTds) {
        if (throughTds && !(tds = serveThroughTds(s))) return false;
        s.startServer();
        return true;
    }
};

// An order of `dishes` lines, each routed to all three printers: a run
// prints three tickets of `dishes` dishes.
void addOrderToThreePrinters(Server &s, int dishes) {
    s.db()->execute(QStringLiteral("UPDATE PerfilEnvioImp SET destino1 = 1, destino2 = 2, destino3 = 3"));
    QList<demo::ALaCarteLine> lines;
    for (int i = 1; i <= dishes; ++i)
        lines << demo::ALaCarteLine{QStringLiteral("CAN"), QStringLiteral("Artículo %1").arg(i), 1, std::nullopt};
    demo::addOrder(*s.db(), 1, kFecha, 1, 7, lines, {});
}

// The print run of that order, recorded once, and the median of a few bare
// replays of its statements without the journal's and the turn's: the SQL
// the order tables require.
struct BareRun {
    double wallMs = 0, cpuMs = 0;
    size_t statements = 0;
    int journalStatements = 0, tickets = 0;
};
BareRun bareRunOf(Server &s) {
    s.resetPrinted();
    s.forgetDeliveries();
    const int before = s.documents();
    std::vector<Statement> recorded;
    {
        Recording r;
        s.tick();
        recorded = std::move(r.statements);
    }
    BareRun out;
    out.tickets = s.documents() - before;
    if (std::getenv("TPV_BENCH_DUMP"))
        for (const Statement &st : recorded) std::fprintf(stderr, "%s\n", st.sql.constData());
    BareReplay bare(recorded);
    out.statements = bare.size();
    out.journalStatements = bare.journalStatements();
    const ReplayMs median = medianReplayMs(bare, 9, [&] { s.resetPrinted(); });
    out.wallMs = median.wall;
    out.cpuMs = median.cpu;
    return out;
}

// The delivery journal of that run, for a new order each time: the order's
// deliveries read once, each printer's ticket announced and confirmed (a
// fenced transaction each), and, in the completion's transaction, the fence
// and what completion notes of the order. The completion's own BEGIN and
// COMMIT are the run's (the bare SQL has them) and are left out of the time.
void BM_JournalPerTicket(benchmark::State &state) {
    Backend b;
    const int dishes = static_cast<int>(state.range(0));
    addOrderToThreePrinters(b.s, dishes);
    if (!b.start(state.range(1) != 0)) {
        state.SkipWithError("the TDS server does not start");
        return;
    }
    const BareRun bare = bareRunOf(b.s);
    DeliveryJournal &journal = b.s.f->journal;
    Connection &db = *b.s.f->g.Cn2;
    const Fence fence = b.s.f->fence();
    const TransactionWords words;
    int order = 1000;
    Stopwatch journalTime;
    auto oneRun = [&](Stopwatch &w) {
        const OrderKey key{QStringLiteral("1"), kFecha, QString::number(++order)};
        std::vector<ReadDish> read;
        for (int i = 1; i <= dishes; ++i) read.push_back({{DishKey::Kind::ALaCarte, QString::number(i)}, 1, 0});
        w.time([&] {
            const OrderDeliveries deliveries = journal.read(key, {});
            for (int k = 1; k <= 3; ++k) {
                const QString printer = b.s.f->g.Impresoras.value(k);
                const PrinterPlan plan =
                    planPrinter(read, deliveries.received.value(printer), deliveries.doubtful.value(printer));
                for (const PlannedTicket &t : plan.tickets) {
                    std::vector<DishPart> parts;
                    for (const auto &e : t.entries) parts.push_back(e.part);
                    journal.delivered(journal.announce(key, printer, QStringLiteral("1"), parts, QStringLiteral("x")),
                                      {});
                }
            }
        });
        std::vector<std::pair<DishKey, double>> marked;
        for (const ReadDish &d : read) marked.push_back({d.key, d.ordered});
        db.execute(words.begin);
        w.time([&] {
            db.execute(sql::turn::fence(fence.tpv(), fence.generation()));
            DeliveryJournal::completed(db, key, marked, key.comanda, QTime(13, 5, 7));
        });
        db.execute(words.commit);
    };
    size_t journalStatements = 0;
    {
        Recording r;
        Stopwatch untimed;
        oneRun(untimed);
        journalStatements = r.statements.size() - 2;  // the completion's BEGIN and COMMIT
    }
    for (auto _ : state) {
        const Stopwatch before = journalTime;
        oneRun(journalTime);
        state.SetIterationTime(journalTime.wall - before.wall);
    }
    const double runs = static_cast<double>(state.iterations());
    const double perRunMs = journalTime.wall / runs * 1e3, perRunCpuMs = journalTime.cpu / runs * 1e3;
    state.counters["journal_ms_per_ticket"] = perRunMs / 3;
    state.counters["journal_cpu_ms_per_ticket"] = perRunCpuMs / 3;
    state.counters["journal_statements"] = static_cast<double>(journalStatements);
    state.counters["bare_run_ms"] = bare.wallMs;
    state.counters["bare_run_cpu_ms"] = bare.cpuMs;
    state.counters["bare_statements"] = static_cast<double>(bare.statements);
    state.counters["run_tickets"] = bare.tickets;
    state.counters["x_bare_run"] = perRunMs / bare.wallMs;
    state.counters["x_bare_run_cpu"] = perRunCpuMs / bare.cpuMs;
}
BENCHMARK(BM_JournalPerTicket)
    ->ArgNames({"dishes", "tds"})
    ->ArgsProduct({{1, 10, 30}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// One step of the turn while this PC holds it (the renewal, as the turn's
// thread runs it every second), and, in the same iteration, the UPDATE it
// sends replayed bare on a connection of its own.
void BM_TurnRenewal(benchmark::State &state) {
    Backend b;
    if (!b.start(state.range(0) != 0)) {
        state.SkipWithError("the TDS server does not start");
        return;
    }
    Turn &turn = *b.s.printServer->turn();
    if (turn.state().role != TurnRole::Active) {
        state.SkipWithError("the turn was not taken");
        return;
    }
    std::vector<Statement> recorded;
    {
        Recording r;
        turn.step();
        recorded = std::move(r.statements);
    }
    BareReplay bare(recorded, OwnTables::Kept);
    Stopwatch program, replay;
    int64_t sum = 0;
    // Through the TDS server, the requests each sends.
    const auto requests = [&] { return b.tds ? b.tds->requests().size() : 0; };
    qsizetype programRequests = 0, bareRequests = 0;
    for (auto _ : state) {
        const qsizetype r0 = requests();
        program.time([&] { turn.step(); });
        state.PauseTiming();
        const qsizetype r1 = requests();
        replay.time([&] { sum += bare.replay(); });
        programRequests += r1 - r0;
        bareRequests += requests() - r1;
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(sum);
    if (turn.state().role != TurnRole::Active || !turn.state().problem.isEmpty()) {
        state.SkipWithError("the turn was lost while renewing");
        return;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["renew_us"] = program.wall / n * 1e6;
    state.counters["renew_cpu_us"] = program.cpu / n * 1e6;
    state.counters["bare_us"] = replay.wall / n * 1e6;
    state.counters["bare_cpu_us"] = replay.cpu / n * 1e6;
    state.counters["x_bare"] = program.wall / replay.wall;
    state.counters["x_bare_cpu"] = program.cpu / replay.cpu;
    state.counters["statements"] = static_cast<double>(recorded.size());
    if (b.tds) {
        state.counters["requests"] = static_cast<double>(programRequests) / n;
        state.counters["bare_requests"] = static_cast<double>(bareRequests) / n;
    }
}
BENCHMARK(BM_TurnRenewal)->ArgName("tds")->Arg(0)->Arg(1)->Iterations(300)->Unit(benchmark::kMicrosecond);

}  // namespace
