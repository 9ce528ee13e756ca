#pragma once
// Where the kitchen screens' cards are kept: a table of ours in the order
// database (LectorPantalla), written from a thread of its own with its own
// connection, so that neither a page's "Hecho" on the HTTP thread nor the
// print run waits on the other.
//
// A card shown is kept before the print run counts it delivered (insert
// waits for it). A card marked done or brought back is written afterwards;
// a write that finds the database gone is tried again every kRetryMs, in
// order, until it goes through. When the connection is first made the
// tables of ours are made if missing and each screen's cards are read and
// handed to the hub.
#include "devices/screen/ScreenHub.h"

#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tpv {

class Connection;

class ScreenStore {
public:
    static constexpr int kRetryMs = 5000;

    using Connect = std::function<std::unique_ptr<Connection>()>;
    // HUB is handed each screen's cards once they are read; it must outlive
    // the store.
    ScreenStore(Connect connect, ScreenHub &hub);
    // Writes what is still queued (one try each) and ends the thread.
    ~ScreenStore();
    ScreenStore(const ScreenStore &) = delete;
    ScreenStore &operator=(const ScreenStore &) = delete;

    void start();

    // Waited for (the window's wait hook turns meanwhile): TpvError when
    // the card could not be written.
    void insert(const ScreenCard &card);
    // Whether the screen has shown a card of that ticket title; nullopt
    // when the database cannot tell.
    std::optional<bool> holds(const QString &screen, const QString &title);

    // Queued.
    void markDone(qint64 id, qint64 doneMs);
    void reopen(qint64 id);
    void forget(const std::vector<qint64> &ids);
    // Queued: each screen's cards are read again and handed to the hub. A PC
    // that takes a terminal's turn does it, since the PC that printed before
    // showed and marked cards this one never saw.
    void reload();

    // Whether each screen's cards have been read (for tests and start-up).
    bool loaded() const;
    // How long a write waits before the database is tried again.
    std::atomic<int> retryMs{kRetryMs};

private:
    struct Task {
        std::function<void(Connection &)> work;
        std::shared_ptr<std::promise<void>> waiter;  // set for a task someone waits for
    };
    void queue(Task task);
    void wait(std::future<void> &done);
    void run();
    // Connects, makes the tables and reads the cards; false when the
    // database cannot be reached now.
    bool connect(std::unique_lock<std::mutex> &lock);
    // Reads each screen's cards and hands them to the hub.
    void handCards(Connection &db);

    Connect connect_;
    ScreenHub &hub_;
    std::unique_ptr<Connection> db_;  // the store's thread's only

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    bool stopping_ = false;
    bool loaded_ = false;
    bool down_ = false;     // the last attempt found no database
    qint64 retryAtMs_ = 0;  // steady time of the next attempt while down
    std::thread thread_;
};

}  // namespace tpv
