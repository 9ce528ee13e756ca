#include "devices/screen/ScreenStore.h"

#include "compat/Error.h"
#include "platform/Log.h"
#include "platform/Waiting.h"
#include "sql/Database.h"
#include "sql/OwnTables.h"
#include "sql/ScreenStatements.h"

#include <chrono>
#include <map>

namespace tpv {

namespace {

qint64 steadyNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Each screen's cards as the table keeps them.
std::map<QString, std::vector<ScreenCard>> readCards(Connection &db, const QStringList &screens) {
    std::map<QString, std::vector<ScreenCard>> out;
    for (const QString &s : screens) out[s];
    // id, pantalla, titulo, llegada, hecha, tarjeta
    for (const auto &r : db.query(sql::screen::cardsOf(screens)).rows) {
        ScreenCard c{r[0].toText().toLongLong(), r[1].toText(), r[2].toText(),
                     r[3].toText().toLongLong(), std::nullopt,  r[5].toText().toUtf8()};
        if (!r[4].isNull()) c.doneMs = r[4].toText().toLongLong();
        out[c.screen].push_back(std::move(c));
    }
    return out;
}

}  // namespace

ScreenStore::ScreenStore(Connect connect, ScreenHub &hub) : connect_(std::move(connect)), hub_(hub) {}

ScreenStore::~ScreenStore() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void ScreenStore::start() {
    thread_ = std::thread([this] { run(); });
}

bool ScreenStore::loaded() const {
    const std::lock_guard lock(mutex_);
    return loaded_;
}

void ScreenStore::queue(Task task) {
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_all();
}

void ScreenStore::wait(std::future<void> &done) {
    while (done.wait_for(std::chrono::milliseconds(waiting::kSliceMs)) != std::future_status::ready) waiting::turn();
    done.get();
}

void ScreenStore::insert(const ScreenCard &card) {
    auto waiter = std::make_shared<std::promise<void>>();
    std::future<void> done = waiter->get_future();
    const sql::screen::CardRow row{card.id, card.screen, card.title, card.arrivedMs, QString::fromUtf8(card.content)};
    queue({[row](Connection &db) { db.execute(sql::screen::insertCard(row)); }, waiter});
    wait(done);
}

std::optional<bool> ScreenStore::holds(const QString &screen, const QString &title) {
    auto waiter = std::make_shared<std::promise<void>>();
    std::future<void> done = waiter->get_future();
    auto count = std::make_shared<int>(0);
    queue({[=](Connection &db) {
               const ResultSet rs = db.query(sql::screen::countWithTitle(screen, title));
               *count = rs.rows.empty() ? 0 : rs.rows[0][0].toInt32();
           },
           waiter});
    try {
        wait(done);
    } catch (const TpvError &) {
        return std::nullopt;
    }
    return *count > 0;
}

void ScreenStore::markDone(qint64 id, qint64 doneMs) {
    queue({[=](Connection &db) { db.execute(sql::screen::markDone(id, doneMs)); }, nullptr});
}

void ScreenStore::reload() {
    queue({[this](Connection &db) { handCards(db); }, nullptr});
}

void ScreenStore::handCards(Connection &db) {
    QStringList names;
    for (const ScreenConfig &c : hub_.screens()) names << c.name;
    for (auto &[screen, cards] : readCards(db, names))
        if (const std::vector<qint64> cut = hub_.load(screen, std::move(cards)); !cut.empty())
            db.execute(sql::screen::forget(cut));
}

void ScreenStore::reopen(qint64 id) {
    queue({[=](Connection &db) { db.execute(sql::screen::reopen(id)); }, nullptr});
}

void ScreenStore::forget(const std::vector<qint64> &ids) {
    queue({[=](Connection &db) { db.execute(sql::screen::forget(ids)); }, nullptr});
}

bool ScreenStore::connect(std::unique_lock<std::mutex> &lock) {
    const bool readCardsNow = !loaded_;
    lock.unlock();
    std::unique_ptr<Connection> db;
    QString why;
    try {
        db = connect_();
        sql::own::ensureTables(*db);
        if (readCardsNow) handCards(*db);
    } catch (const TpvError &e) {
        db.reset();
        why = e.description();
    }
    lock.lock();
    if (!db) {
        if (!down_)
            logLine(LogPriority::Warning,
                    QStringLiteral("Las pantallas de cocina no pueden guardar sus tarjetas en la base de datos de "
                                   "comandas (%1); se reintenta cada %2 s")
                        .arg(why)
                        .arg(retryMs / 1000.0));
        down_ = true;
        retryAtMs_ = steadyNowMs() + retryMs;
        // Whoever waits is told at once rather than after the next try.
        for (auto it = tasks_.begin(); it != tasks_.end();) {
            if (!it->waiter) {
                ++it;
                continue;
            }
            it->waiter->set_exception(std::make_exception_ptr(TpvError(err::CannotOpen, why)));
            it = tasks_.erase(it);
        }
        return false;
    }
    if (down_ && loaded_)
        logLine(LogPriority::Info, QStringLiteral("Las pantallas de cocina vuelven a guardar sus tarjetas"));
    db_ = std::move(db);
    down_ = false;
    loaded_ = true;
    return true;
}

void ScreenStore::run() {
    std::unique_lock lock(mutex_);
    const auto waitedFor = [this] {
        return std::any_of(tasks_.begin(), tasks_.end(), [](const Task &t) { return t.waiter != nullptr; });
    };
    for (;;) {
        if (stopping_ && tasks_.empty()) break;
        if (!stopping_) {
            // Nothing to do; or, while the database is gone, nothing that
            // cannot wait for the next try (someone waiting is told at once).
            if (loaded_ && tasks_.empty()) {
                wake_.wait(lock);
                continue;
            }
            if (const qint64 left = retryAtMs_ - steadyNowMs(); down_ && !waitedFor() && left > 0) {
                wake_.wait_for(lock, std::chrono::milliseconds(left));
                continue;
            }
        }
        if (!db_ && !connect(lock)) {
            if (!stopping_) continue;
            if (!tasks_.empty())
                logLine(LogPriority::Error,
                        QStringLiteral("Al terminar, %1 cambios de las tarjetas de las pantallas no se han podido "
                                       "guardar")
                            .arg(tasks_.size()));
            break;
        }
        if (tasks_.empty()) continue;
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        std::optional<TpvError> failed;
        try {
            task.work(*db_);
        } catch (const TpvError &e) {
            failed = e;
        }
        lock.lock();
        if (!failed) {
            if (task.waiter) task.waiter->set_value();
            continue;
        }
        if (failed->number() == err::CannotOpen) db_.reset();
        if (task.waiter) {
            task.waiter->set_exception(std::make_exception_ptr(*failed));
        } else if (failed->number() == err::CannotOpen && !stopping_) {
            // The database went away: this write and those behind it wait
            // for it, in order.
            tasks_.push_front(std::move(task));
        } else {
            logLine(LogPriority::Warning, QStringLiteral("No se ha podido guardar un cambio de las tarjetas de las "
                                                         "pantallas: %1")
                                              .arg(failed->description()));
        }
    }
    db_.reset();
}

}  // namespace tpv
