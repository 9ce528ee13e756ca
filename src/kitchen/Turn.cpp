#include "kitchen/Turn.h"

#include "compat/Error.h"
#include "platform/Log.h"
#include "sql/Database.h"
#include "sql/TurnStatements.h"

#include <QLocale>
#include <QSysInfo>
#include <QRandomGenerator>

namespace tpv {

namespace {

// The row of the turn as one look read it.
struct TurnRow {
    qint64 generation = 0;
    QString pc, nonce, station;
    qint64 renewedAgoMs = 0;
};

std::optional<TurnRow> readRow(Connection &db, int tpv) {
    const ResultSet rs = db.query(sql::turn::read(db.dialect(), tpv));
    if (rs.rows.empty()) return std::nullopt;
    const auto &r = rs.rows.front();
    // generacion, equipo, nonce, renovado, puesto, ahora
    return TurnRow{r[0].toText().toLongLong(), r[1].toText(), r[2].toText(), r[4].toText(),
                   r[5].toText().toLongLong() - r[3].toText().toLongLong()};
}

bool sameHolder(const TurnState &a, const TurnState &b) {
    return a.role == b.role && a.generation == b.generation && a.holder == b.holder;
}

}  // namespace

TurnIdentity TurnIdentity::ofThisProcess(const QString &dataDir) {
    QString pc = qEnvironmentVariable("TPV_EQUIPO");
    if (pc.isEmpty()) pc = QSysInfo::machineHostName();
    if (pc.isEmpty()) pc = QStringLiteral("equipo");
    return {pc, pc + QLatin1Char(':') + dataDir, QString::number(QRandomGenerator::system()->generate64(), 36)};
}

QString turnLostText(const QString &holder) {
    return holder.isEmpty()
               ? QStringLiteral("Este PC ya no tiene el turno de impresión del terminal: no escribe nada más")
               : QStringLiteral("Este PC ya no tiene el turno de impresión del terminal (lo tiene %1): no escribe "
                                "nada más")
                     .arg(holder);
}

Turn::Turn(int tpv, TurnIdentity identity, std::function<std::unique_ptr<Connection>()> connect, const Clock &clock)
    : tpv_(tpv), identity_(std::move(identity)), connect_(std::move(connect)), clock_(clock) {}

Turn::~Turn() = default;

void Turn::step() {
    TurnState next;
    {
        const std::lock_guard lock(mutex_);
        if (released_) return;
        next = state_;
    }
    const qint64 started = clock_.steadyMs();
    const qint64 generationBefore = next.generation;
    bool renewed = false;
    try {
        if (!db_) db_ = connect_();
        // An order database file removed or replaced under the connection
        // is a lost database here too: the turn lapses rather than being
        // renewed in a file nobody else reads.
        db_->checkSource();
        const TurnRole roleBefore = next.role;
        stepOn(*db_, next);
        renewed = next.role == TurnRole::Active &&
                  (roleBefore != TurnRole::Active || next.generation == generationBefore);
        next.problem.clear();
    } catch (const TpvError &e) {
        // The connection is opened anew at the next step. Meanwhile the
        // turn lapses by itself: no renewal went through.
        db_.reset();
        next.problem = e.description();
    }
    TurnState before;
    {
        const std::lock_guard lock(mutex_);
        before = state_;
        // A fenced write found the turn gone before this step did: the
        // change to tell is still the loss of the turn.
        if (fencedOut_) before.role = TurnRole::Active;
        fencedOut_ = false;
        if (generationBefore != 0 && next.generation != generationBefore) ++next.relays;
        state_ = next;
        if (renewed) renewedAtMs_ = started;
    }
    // The turn's own failures, once when they start and once when they end:
    // a PC that cannot reach the turn stops printing within its margin.
    if (before.problem.isEmpty() && !next.problem.isEmpty())
        logLine(LogPriority::Warning, QStringLiteral("No se puede renovar ni consultar el turno de impresión: ") +
                                          next.problem);
    else if (!before.problem.isEmpty() && next.problem.isEmpty())
        logLine(LogPriority::Info, QStringLiteral("El turno de impresión vuelve a responder"));
    if (onChange && !sameHolder(before, next)) onChange(before, next);
}

void Turn::stepOn(Connection &db, TurnState &next) {
    if (next.role == TurnRole::Active) {
        if (db.execute(sql::turn::renew(db.dialect(), tpv_, next.generation, identity_.nonce)) == 1) return;
        // The generation is gone: another PC took the turn.
        const std::optional<TurnRow> row = readRow(db, tpv_);
        next.role = TurnRole::Standby;
        next.generation = row ? row->generation : 0;
        next.holder = row ? row->pc : QString();
        next.holderStation = row ? row->station : QString();
        next.renewedAgoMs = row ? std::optional<qint64>(row->renewedAgoMs) : std::nullopt;
        return;
    }
    takeOrWatch(db, next);
}

void Turn::takeOrWatch(Connection &db, TurnState &next) {
    std::optional<TurnRow> row = readRow(db, tpv_);
    bool took = false;
    if (!row) {
        // The first PC of this terminal. Of two that start together, the
        // second's insert fails on the key and it reads the first's row.
        try {
            took = db.execute(sql::turn::create(db.dialect(), tpv_, identity_.pc, identity_.station,
                                                identity_.nonce)) == 1;
        } catch (const TpvError &) {
            took = false;
        }
    } else if (row->nonce == identity_.nonce) {
        // Ours already (a step that failed after taking it): renew it.
        took = db.execute(sql::turn::renew(db.dialect(), tpv_, row->generation, identity_.nonce)) == 1;
    } else if (row->renewedAgoMs > kStaleMs || row->station == identity_.station) {
        // A turn left by an earlier process of this same PC and data folder
        // is taken at once: the instance lock says that process is gone.
        const qint64 staleMs = row->station == identity_.station ? -kStaleMs : kStaleMs;
        took = db.execute(sql::turn::take(db.dialect(), tpv_, row->generation, staleMs, identity_.pc,
                                          identity_.station, identity_.nonce)) == 1;
    }
    if (took || !row) row = readRow(db, tpv_);
    if (!row) throw TpvError(err::CannotOpen, QStringLiteral("No se puede leer el turno de impresión del terminal"));
    const bool ours = row->nonce == identity_.nonce;
    if (ours && next.role != TurnRole::Active) next.since = clock_.timeOfDay();
    next.role = ours ? TurnRole::Active : TurnRole::Standby;
    next.generation = row->generation;
    next.holder = row->pc;
    next.holderStation = row->station;
    next.renewedAgoMs = ours ? std::nullopt : std::optional<qint64>(row->renewedAgoMs);
}

void Turn::release() {
    qint64 generation = 0;
    {
        const std::lock_guard lock(mutex_);
        released_ = true;
        if (state_.role != TurnRole::Active) return;
        generation = state_.generation;
        state_.role = TurnRole::Unknown;
    }
    try {
        auto db = connect_();
        db->execute(sql::turn::release(tpv_, generation, identity_.nonce));
    } catch (const TpvError &) {
        // Another PC takes over once the turn is stale, as after a crash.
    }
}

void Turn::disconnect() { db_.reset(); }

void Turn::generationGone() {
    const std::lock_guard lock(mutex_);
    if (state_.role != TurnRole::Active) return;
    state_.role = TurnRole::Standby;
    fencedOut_ = true;
}

TurnState Turn::state() const {
    const std::lock_guard lock(mutex_);
    TurnState s = state_;
    if (s.role == TurnRole::Active) s.renewedAgoMs = clock_.steadyMs() - renewedAtMs_;
    return s;
}

bool Turn::mayPrint() const {
    const std::lock_guard lock(mutex_);
    return state_.role == TurnRole::Active && !released_ && clock_.steadyMs() - renewedAtMs_ < kMarginMs;
}

qint64 Turn::fenceGeneration() const {
    const std::lock_guard lock(mutex_);
    return state_.role == TurnRole::Active ? state_.generation : 0;
}

void TurnThread::start() {
    stopping_ = false;
    thread_ = std::thread([this] {
        for (;;) {
            const auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(Turn::kRenewEveryMs);
            turn_.step();
            std::unique_lock lock(mutex_);
            if (wake_.wait_until(lock, next, [this] { return stopping_; })) break;
        }
        turn_.disconnect();
    });
}

void TurnThread::stop() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

QString renewedAgoText(qint64 agoMs) {
    return QStringLiteral("renovado hace %1 s").arg(QLocale(QLocale::Spanish).toString(agoMs / 1000.0, 'f', 1));
}

}  // namespace tpv
