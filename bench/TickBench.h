#pragma once
// What the tick benchmarks share: a started print server on a prepared demo
// folder, the statements it sends recorded, and their bare replay through
// the sqlite3 C API (see README.md).
#include "support/Harness.h"
#include "tds/TdsServer.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

struct sqlite3;

namespace tpv::bench {

extern const QString kFecha;

struct Statement {
    QString database;
    QByteArray sql;
};

// Every statement the program sends while it lives, in order.
class Recording {
public:
    Recording();
    ~Recording();
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;
    std::vector<Statement> statements;
};

// CPU seconds of the calling thread.
double cpuSeconds();

// Wall and CPU time of the calling thread, summed over the parts timed.
struct Stopwatch {
    double wall = 0, cpu = 0;
    template <typename F>
    void time(F &&work) {
        const double c = cpuSeconds();
        const auto w = std::chrono::steady_clock::now();
        work();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w).count();
        cpu += cpuSeconds() - c;
    }
};

class BareOdbc;

// Whether the replay keeps the statements on the program's own tables (the
// delivery journal and the turn) or counts them apart.
enum class OwnTables { Apart, Kept };

// The recorded statements on their own connections to the same databases:
// the SQLite files through the sqlite3 C API, SQL Server's connections
// through the ODBC C API (BareOdbc.h).
class BareReplay {
public:
    // With OwnTables::Apart, a transaction left empty without them (the
    // journal's own) is left out too: what remains is the SQL of the order
    // tables.
    explicit BareReplay(const std::vector<Statement> &recorded, OwnTables own = OwnTables::Apart);
    ~BareReplay();
    BareReplay(const BareReplay &) = delete;
    BareReplay &operator=(const BareReplay &) = delete;
    size_t size() const { return statements_.size(); }
    int journalStatements() const { return journalStatements_; }

    // Prepares, steps and finalizes each statement as written, reading every
    // value; answers a checksum so nothing is left out.
    __attribute__((noinline)) int64_t replay();

private:
    struct Bare {
        sqlite3 *db = nullptr;
        BareOdbc *odbc = nullptr;
        QByteArray sql;
    };
    QHash<QString, sqlite3 *> open_;
    std::map<QString, std::unique_ptr<BareOdbc>> odbc_;
    std::vector<Bare> statements_;
    int journalStatements_ = 0;
};

// The median wall and CPU milliseconds of `runs` bare replays, `before`
// run untimed ahead of each.
struct ReplayMs {
    double wall = 0, cpu = 0;
};
ReplayMs medianReplayMs(BareReplay &bare, int runs, const std::function<void()> &before = {});

// A prepared folder and a started print server on it; the benchmark drives
// the ticks itself.
struct Server : demo::Harness {
    Server() { prepare(kFecha); }
    void startServer() {
        start();
        f->g.Tiempo = 0;
    }
    Connection *db() { return server.get(); }
    // A tick that reads the queue in full, as every tick did before the
    // probe: what the print runs and the full-read benchmarks measure.
    __attribute__((noinline)) void tick();
    // A tick as the timer runs it: the probe decides.
    __attribute__((noinline)) void probedTick();
    // Each run prints the order as new: what the journal knows of earlier
    // runs is forgotten with the queue (untimed).
    void forgetDeliveries();
    // Every line and job back to unprinted (untimed).
    void resetPrinted();
    int documents() const;
};

// `done` jobs of the day already printed.
void addDoneJobs(Connection &cn, int done);

// A TDS test server on the prepared folder's order database, and the
// settings pointed at it, before the server starts: SQL Server's path
// through unixODBC and FreeTDS. Null when it does not start.
std::unique_ptr<tds::Server> serveThroughTds(Server &s);

}  // namespace tpv::bench
