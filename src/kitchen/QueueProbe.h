#pragma once
// Whether a tick must read the queue in full.
//
// A full read (the business date, the pending and done lists, the jobs no
// poll selects, the pending jobs to print) goes over the whole day's queue,
// and almost every tick would find what the last one found. So a tick first
// asks one small question (sql::probe::queueState): the pending jobs of this
// terminal and day, the highest done job number and the business date. The
// full read follows when the answer differs from the last one; when this PC
// wrote, or was asked to (requestFullRead: a job handed to the printing, an
// operator's action, a change of turn); when this PC may print again after
// a read it left to another; after the connections were opened anew; when
// the question failed; and at least every kFullReadEveryMs whatever
// happens, for what the question cannot see (a done job deleted, a column
// of a job edited).
//
// On SQLite even the question is skipped while PRAGMA data_version, asked on
// a connection of the probe's own that never writes, says that no other
// connection has written since the last tick.
#include "kitchen/Global.h"
#include "platform/Clock.h"

#include <memory>
#include <optional>
#include <vector>

namespace tpv {

class QueueProbe {
public:
    static constexpr qint64 kFullReadEveryMs = 30000;

    explicit QueueProbe(const Clock &clock) : clock_(clock) {}

    // The next tick reads the queue in full.
    void requestFullRead() { requested_ = true; }
    // The server connections are about to be opened anew: the probe's own
    // closes now, before them (an old connection closed after new ones
    // opened on a replaced SQLite file would fold the new file's journal
    // into the old one), and the next tick reads in full.
    void reconnecting();
    // True when this tick must read the queue in full; FECHA is the business
    // date the lists were last read for, MAYPRINT whether this PC prints
    // now (a read whose jobs were left to another PC is read again once
    // this one may print). A lost server is passed on (err::CannotOpen); any
    // other failure of the question means a full read.
    bool fullReadNeeded(Global &g, const QString &fecha, bool mayPrint);
    // The lists and checks were read in full: the backstop starts again.
    void fullReadDone();

private:
    // False when SQLite says nothing was written since the last look; true
    // when something was, or the database cannot tell (SQL Server).
    bool writtenSinceLastLook(Global &g);

    const Clock &clock_;
    std::unique_ptr<Connection> versionDb_;  // SQLite only: never writes
    std::optional<Variant> dataVersion_;
    std::optional<std::vector<Variant>> answer_;
    QString question_, questionFecha_;  // the statement, made once per day
    int questionTpv_ = -1;
    std::optional<qint64> fullReadAtMs_;
    bool requested_ = true;
    bool withheld_ = false;  // the last full read printed nothing: this PC might not
    QString failure_;  // the question's last failure, logged once
};

// The index the probe needs on PendGar, (PPFecha, PParg1, PPPend, PPOrd),
// as its text for people.
QString probeIndexColumns();
// The name of an index of PendGar whose keys start with the probe's
// columns (the three compared for equality in any order, then PPOrd); empty
// when there is none. Failures are passed on.
QString probeIndexName(Connection &cn);

}  // namespace tpv
