#include "TickBench.h"

#include "BareOdbc.h"

#include "devices/folder/FolderPrinters.h"
#include "kitchen/Queue.h"
#include "sql/SqlConnection.h"

#include <QDir>
#include <sqlite3.h>
#include <time.h>
#include <algorithm>
#include <stdexcept>

namespace tpv::bench {

const QString kFecha = QStringLiteral("20261207");

namespace {
std::vector<Statement> *gRecording = nullptr;
void recordStatement(const QString &database, const QString &sql) {
    if (gRecording) gRecording->push_back({database, sql.toUtf8()});
}
}  // namespace

Recording::Recording() {
    gRecording = &statements;
    setStatementObserver(recordStatement);
}

Recording::~Recording() {
    setStatementObserver(nullptr);
    gRecording = nullptr;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

namespace {

// The program's own tables: the journal of deliveries and the turn.
bool onOwnTable(const QByteArray &sql) {
    return sql.contains("LectorRecibido") || sql.contains("LectorEnvio") || sql.contains("LectorTrabajo") ||
           sql.contains("LectorTurno");
}
bool startsWord(const QByteArray &sql, const char *word) {
    return sql.trimmed().toUpper().startsWith(QByteArray(word));
}

}  // namespace

BareReplay::BareReplay(const std::vector<Statement> &recorded, OwnTables own) {
    std::vector<const Statement *> kept;
    for (const Statement &s : recorded) {
        // The journal of deliveries and the turn are the program's own
        // tables, not SQL the order tables require: they are counted
        // apart (BM_JournalPerTicket, BM_TurnRenewal), and so is a
        // transaction of the journal's that is left empty without them.
        if (own == OwnTables::Apart && onOwnTable(s.sql)) {
            ++journalStatements_;
            continue;
        }
        if (own == OwnTables::Apart && startsWord(s.sql, "COMMIT") && !kept.empty() &&
            startsWord(kept.back()->sql, "BEGIN") && kept.back()->database == s.database) {
            kept.pop_back();
            journalStatements_ += 2;
            continue;
        }
        kept.push_back(&s);
    }
    for (const Statement *s : kept) {
        Bare bare{nullptr, nullptr, s->sql};
        if (isOdbcConnection(s->database)) {
            std::unique_ptr<BareOdbc> &c = odbc_[s->database];
            if (!c) c = std::make_unique<BareOdbc>(s->database);
            bare.odbc = c.get();
        } else {
            sqlite3 *&db = open_[s->database];
            if (!db) {
                if (sqlite3_open_v2(s->database.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
                    throw std::runtime_error("cannot open " + s->database.toStdString());
                sqlite3_busy_timeout(db, 5000);
            }
            bare.db = db;
        }
        statements_.push_back(std::move(bare));
    }
}

BareReplay::~BareReplay() {
    for (sqlite3 *db : std::as_const(open_)) sqlite3_close(db);
}

ReplayMs medianReplayMs(BareReplay &bare, int runs, const std::function<void()> &before) {
    std::vector<double> walls, cpus;
    int64_t sum = 0;
    for (int i = 0; i < runs; ++i) {
        if (before) before();
        Stopwatch w;
        w.time([&] { sum += bare.replay(); });
        walls.push_back(w.wall);
        cpus.push_back(w.cpu);
    }
    benchmark::DoNotOptimize(sum);
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2] * 1e3, cpus[cpus.size() / 2] * 1e3};
}

int64_t BareReplay::replay() {
    int64_t sum = 0;
    for (const Bare &b : statements_) {
        if (b.odbc) {
            sum += b.odbc->run(b.sql);
            continue;
        }
        sqlite3 *db = b.db;
        const QByteArray &sql = b.sql;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string("replay: ") + sqlite3_errmsg(db));
        const int n = sqlite3_column_count(st);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i) {
                switch (sqlite3_column_type(st, i)) {
                    case SQLITE_INTEGER:
                        sum += sqlite3_column_int64(st, i);
                        break;
                    case SQLITE_FLOAT:
                        sum += static_cast<int64_t>(sqlite3_column_double(st, i));
                        break;
                    case SQLITE_NULL:
                        break;
                    default:
                        sum += reinterpret_cast<intptr_t>(sqlite3_column_text(st, i)) != 0;
                        sum += sqlite3_column_bytes(st, i);
                }
            }
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) throw std::runtime_error(std::string("replay: ") + sqlite3_errmsg(db));
    }
    return sum;
}

void Server::tick() {
    f->requestFullRead();
    T_Timer(f->queue());
}

void Server::probedTick() { T_Timer(f->queue()); }

void Server::forgetDeliveries() { server->execute(QStringLiteral("DELETE FROM LectorRecibido")); }

void Server::resetPrinted() {
    server->execute(QStringLiteral("UPDATE Til SET TilImp = 0"));
    server->execute(QStringLiteral("UPDATE Tilm SET Imp = 0"));
    server->execute(QStringLiteral("UPDATE PendGar SET PPPend = 0"));
}

int Server::documents() const {
    int n = 0;
    for (const QString &p : QDir(printersDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        n += static_cast<int>(FolderPrinters::documents(QDir(printersDir).filePath(p)).size());
    return n;
}

// `done` jobs of the day already printed.
void addDoneJobs(Connection &cn, int done) {
    cn.execute(QStringLiteral("BEGIN"));
    for (int i = 1; i <= done; ++i)
        cn.execute(QStringLiteral("INSERT INTO PendGar (PPFecha, PPOrd, PPCod, PPPend, PParg1, PParg7, PParg3) "
                                  "VALUES ('%1', %2, 'Com', 1, '1', '1', '%3')")
                       .arg(kFecha)
                       .arg(i)
                       .arg(i % 30000));
    cn.execute(QStringLiteral("COMMIT"));
}

std::unique_ptr<tds::Server> serveThroughTds(Server &s) {
    tds::ServerSettings settings;
    settings.databaseFile = s.serverDb;
    auto tds = std::make_unique<tds::Server>(settings);
    if (!tds->start()) return nullptr;
    openSqliteFile(QDir(s.dataDir).filePath(QStringLiteral("ConfGarnet.mdb")))
        ->execute(QStringLiteral("UPDATE Confi SET Ip = '127.0.0.1,%1'").arg(tds->port()));
    return tds;
}

}  // namespace tpv::bench
