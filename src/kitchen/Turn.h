#pragma once
// The turn between PCs that serve one terminal: exactly one of them prints.
//
// The turn is a row of ours in the order database, one per terminal: its
// generation, who holds it (the PC's name, where it keeps its data, and a
// nonce of the process) and when it was last renewed, in the database's
// clock. The PC that holds it renews it every second; another PC takes it
// once it has not been renewed for kStaleMs, by one compare-and-set that
// raises the generation, so of two PCs that try at once one wins.
//
// The PC that holds the turn sends no ticket once its last renewal that
// went through was started longer than kMarginMs ago (on its own monotonic
// clock), which is shorter than the time another PC waits before it takes
// over. Every write of a print run is fenced: it commits only while the
// writer's generation is still the current one (see fence()), so a PC that
// froze and wakes after another took over can neither complete a job nor
// move a delivery level.
//
// step() does one renewal or one look at the row. The program calls it from
// a thread of its own every second (TurnThread), so that a tick that waits
// on a printer never lets the turn lapse; tests call it by hand. The state
// is read from any thread.
#include "platform/Clock.h"

#include <QDateTime>
#include <condition_variable>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tpv {

class Connection;

// This process as the turn knows it.
struct TurnIdentity {
    QString pc;       // the PC's name as people read it (the host name by default)
    QString station;  // the PC and its data folder: who can look at its printers
    QString nonce;    // this process
    // The host name (or TPV_EQUIPO), this data folder, a new nonce.
    static TurnIdentity ofThisProcess(const QString &dataDir);
};

enum class TurnRole {
    Unknown,  // not known yet: the order database has not answered
    Active,   // this PC holds the turn and prints
    Standby,  // another PC holds it; this one watches and waits
};

struct TurnState {
    TurnRole role = TurnRole::Unknown;
    qint64 generation = 0;
    QString holder;                  // the PC that holds the turn (this one when active)
    QString holderStation;           // and where it keeps its data (see TurnIdentity)
    QTime since;                     // active: the time of day this PC took it
    // How long ago the turn was renewed: by this PC (active, on its own
    // clock) or by the holder (standby, in the database's clock).
    std::optional<qint64> renewedAgoMs;
    qint64 relays = 0;               // changes of holder this process has seen
    QString problem;                 // why the last step failed (empty when it did not)
};

// "renovado hace 1,2 s": a renewal's age as the window and
// lector-tpv-config say it, with a decimal comma.
QString renewedAgoText(qint64 agoMs);

class Turn {
public:
    static constexpr qint64 kRenewEveryMs = 1000;
    // How long a turn may go without renewal before another PC takes it.
    static constexpr qint64 kStaleMs = 3000;
    // How long the PC that holds the turn goes on sending tickets after the
    // start of its last renewal that went through.
    static constexpr qint64 kMarginMs = 2000;

    // CONNECT opens a connection to the order database for the steps; it is
    // called again after a step failed. CLOCK is this PC's, for the margin.
    Turn(int tpv, TurnIdentity identity, std::function<std::unique_ptr<Connection>()> connect, const Clock &clock);
    ~Turn();
    Turn(const Turn &) = delete;
    Turn &operator=(const Turn &) = delete;

    // One renewal (while active) or one look at the row, taking the turn
    // when it is free or stale. Never throws: a failure is kept in the state.
    void step();
    // Gives the turn up (the ordinary end of the program): another PC can
    // take it at once rather than after kStaleMs. No step runs afterwards.
    void release();
    // Closes the stepping thread's connection, on that thread.
    void disconnect();
    // A fenced write found this PC's generation gone: it stops printing at
    // once; the next step learns who holds the turn.
    void generationGone();

    TurnState state() const;
    // Whether this PC may send a ticket now: it holds the turn and renewed
    // it within the margin.
    bool mayPrint() const;
    // The generation writes are fenced with: this PC's while it holds the
    // turn, 0 otherwise (a fence that never passes).
    qint64 fenceGeneration() const;
    int tpv() const { return tpv_; }
    const TurnIdentity &identity() const { return identity_; }

    // Told on the thread that steps, after a step that changed the role or
    // the holder; the program passes it on to the window's thread.
    std::function<void(const TurnState &before, const TurnState &now)> onChange;

private:
    void stepOn(Connection &db, TurnState &next);
    void takeOrWatch(Connection &db, TurnState &next);

    const int tpv_;
    const TurnIdentity identity_;
    std::function<std::unique_ptr<Connection>()> connect_;
    const Clock &clock_;
    std::unique_ptr<Connection> db_;  // used only by the stepping thread

    mutable std::mutex mutex_;
    TurnState state_;
    qint64 renewedAtMs_ = 0;  // steady time the last renewal that went through started
    bool released_ = false;
    bool fencedOut_ = false;  // generationGone took the turn away; no step has told it yet
};

// Steps a turn every Turn::kRenewEveryMs from a thread of its own, whatever
// the window's thread is doing.
class TurnThread {
public:
    explicit TurnThread(Turn &turn) : turn_(turn) {}
    ~TurnThread() { stop(); }
    TurnThread(const TurnThread &) = delete;
    TurnThread &operator=(const TurnThread &) = delete;
    void start();
    // Waits for a step under way to end.
    void stop();

private:
    Turn &turn_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
};

// The text of a fenced write that found its generation gone.
QString turnLostText(const QString &holder);

}  // namespace tpv
