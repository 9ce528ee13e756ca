// An idle tick, which asks the probe, beside the five statements every tick
// ran before it (the business date, the pending and done lists, the jobs no
// poll selects, the pending jobs to print) replayed bare on the same files;
// and an idle tick through the TDS test server: what goes over the wire.
//   build/bench/tpv-bench --benchmark_filter='BM_IdleTick'
// Counters: x_five = CPU of an idle tick / CPU of the five statements bare;
// five_ms = CPU of the five bare; statements = what an idle tick sends;
// idle_bare_us = CPU of those statements replayed bare.
#include "TickBench.h"

#include "kitchen/Queue.h"
#include "sql/SqlConnection.h"
#include "tds/TdsServer.h"

#include <QDir>

using namespace tpv;
using namespace tpv::bench;

namespace {

bool isProbe(const Statement &s) { return s.sql.startsWith("PRAGMA data_version") || s.sql.contains("FechaMayor"); }

// The five statements of a full read with nothing to print, the probe's own
// left out, and the CPU of one bare replay of them (the median of a few).
double fiveStatementsBareMs(Server &s, size_t *statements) {
    std::vector<Statement> five;
    {
        Recording r;
        s.tick();
        for (const Statement &st : r.statements)
            if (!isProbe(st)) five.push_back(st);
    }
    BareReplay bare(five);
    *statements = bare.size();
    return medianReplayMs(bare, 7).cpu;
}

// An idle tick over `done` done jobs of the day. With `written`, another
// connection writes a row nothing of the queue depends on before each tick
// (as the turn between PCs renews its row every second): SQLite's
// data_version moves, so the probe is asked; without, it is not.
void BM_IdleTick(benchmark::State &state) {
    Server s;
    addDoneJobs(*s.db(), static_cast<int>(state.range(0)));
    s.db()->execute(QStringLiteral("CREATE TABLE latido (n int)"));
    s.db()->execute(QStringLiteral("INSERT INTO latido VALUES (0)"));
    s.startServer();
    s.probedTick();  // the probe's own connection opens
    size_t fiveCount = 0;
    const double fiveMs = fiveStatementsBareMs(s, &fiveCount);
    const bool written = state.range(1) != 0;
    auto beat = [&] {
        if (written) s.db()->execute(QStringLiteral("UPDATE latido SET n = n + 1"));
    };
    s.probedTick();
    beat();
    std::vector<Statement> sent;
    {
        Recording r;
        s.probedTick();
        sent = r.statements;
    }
    BareReplay idleBare(sent);
    double program = 0, bare = 0;
    int64_t sum = 0;
    for (auto _ : state) {
        state.PauseTiming();
        beat();
        state.ResumeTiming();
        const double t = cpuSeconds();
        s.probedTick();
        program += cpuSeconds() - t;
        state.PauseTiming();
        beat();
        const double b = cpuSeconds();
        sum += idleBare.replay();
        bare += cpuSeconds() - b;
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(sum);
    const double n = static_cast<double>(state.iterations());
    const double idleMs = program / n * 1e3;
    state.counters["idle_us"] = idleMs * 1e3;
    state.counters["idle_bare_us"] = bare / n * 1e6;
    state.counters["five_ms"] = fiveMs;
    state.counters["x_five"] = idleMs / fiveMs;
    state.counters["statements"] = static_cast<double>(sent.size());
    state.counters["five_statements"] = static_cast<double>(fiveCount);
    state.counters["done_listed"] = s.f->lstReal.listCount() - 1;
}
BENCHMARK(BM_IdleTick)
    ->ArgNames({"done", "written"})
    ->ArgsProduct({{100, 10000, 100000}, {0, 1}})
    ->Iterations(500)
    ->Unit(benchmark::kMicrosecond);

// The order database behind the TDS test server (SQL Server's path through
// FreeTDS), 10,000 done jobs: the requests, rows and bytes of an idle tick,
// beside those of a full read.
void BM_IdleTickSqlServer(benchmark::State &state) {
    Server s;
    addDoneJobs(*s.db(), 10000);
    const std::unique_ptr<tds::Server> server = serveThroughTds(s);
    if (!server) {
        state.SkipWithError("the TDS server does not start");
        return;
    }
    tds::Server &tds = *server;
    s.startServer();
    struct Traffic {
        qsizetype requests;
        qint64 in, out;
    };
    auto traffic = [&] { return Traffic{tds.requests().size(), tds.bytesReceived(), tds.bytesSent()}; };
    s.probedTick();
    const Traffic beforeFull = traffic();
    s.tick();
    const Traffic afterFull = traffic();
    s.probedTick();
    const Traffic before = traffic();
    Stopwatch program;
    for (auto _ : state) program.time([&] { s.probedTick(); });
    const Traffic after = traffic();
    const double n = static_cast<double>(state.iterations());
    state.counters["statements"] = static_cast<double>(after.requests - before.requests) / n;
    state.counters["bytes_to_server"] = static_cast<double>(after.in - before.in) / n;
    state.counters["bytes_from_server"] = static_cast<double>(after.out - before.out) / n;
    state.counters["rows"] = static_cast<double>(conn(s.f->g.Cn).query(tds.requests().constLast()).rows.size());
    state.counters["full_statements"] = static_cast<double>(afterFull.requests - beforeFull.requests - 1);
    state.counters["full_bytes_from_server"] = static_cast<double>(afterFull.out - beforeFull.out);
    state.counters["cpu_us"] = program.cpu / n * 1e6;
    state.counters["wall_us"] = program.wall / n * 1e6;
}
BENCHMARK(BM_IdleTickSqlServer)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
