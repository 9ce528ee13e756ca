#pragma once
// What the kitchen screens show, for every screen at once: the cards that
// show (in the order they arrived) and the last ones marked done, and the
// pages open on each screen. The print run offers a card and waits until a
// page has shown it; pages mark cards done and bring them back. Every change
// goes to each open page of the screen as the screen's whole state (one
// Server-Sent Event), and to the store, so that a restart or a reload shows
// the same cards.
//
// Thread-safe: the print run calls it on the window's thread, the pages on
// the HTTP thread, the store on its own. Nothing here waits on another
// thread but showAndKeep, which the print run calls.
#include "devices/screen/ScreenConfig.h"
#include "ticket/Document.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tpv {

class ScreenStore;

// One card as it is kept.
struct ScreenCard {
    qint64 id = 0;
    QString screen;
    QString title;         // the ticket's, to find it again after a restart
    qint64 arrivedMs = 0;  // since 1970
    std::optional<qint64> doneMs;
    QByteArray content;  // the card as its page reads it (JSON, with id and arrival)
};

// An open page of a screen, as the hub pushes to it. Called with the hub's
// lock held: it must only queue what it is given.
class ScreenPage {
public:
    virtual ~ScreenPage() = default;
    // False once the page has gone.
    virtual bool send(const QByteArray &event) = 0;
    virtual bool isOpen() const = 0;
};

class ScreenHub {
public:
    // How long the print run waits for a page to show a card.
    static constexpr int kShownWithinMs = 5000;
    // How many cards marked done each screen keeps to bring back.
    static constexpr int kKeptDone = 10;

    explicit ScreenHub(std::vector<ScreenConfig> screens);
    ~ScreenHub();
    ScreenHub(const ScreenHub &) = delete;
    ScreenHub &operator=(const ScreenHub &) = delete;

    // The screens, as configured (never changed after construction).
    const std::vector<ScreenConfig> &screens() const { return configs_; }
    const ScreenConfig *screen(const QString &name) const;

    // Where the cards are kept; until one is set no card can be shown.
    void setStore(std::shared_ptr<ScreenStore> store);
    ScreenStore *store() const;

    // The print run: shows the ticket on the screen as a new card and
    // returns once an open page has shown it and it is kept. TpvError when
    // no page is open, none showed it in time or it could not be kept (the
    // card is then taken off the pages again); *unreachable says whether it
    // was for want of a page. While it waits, the window's wait hook turns.
    void showAndKeep(const QString &screen, const Document &ticket, bool *unreachable);
    // How many pages of the screen are open.
    int openPages(const QString &screen);

    // The pages: a page opened (it is sent the state at once), cards it has
    // shown, a card marked done, the last one done brought back. False when
    // there is no such card.
    void addPage(const QString &screen, std::shared_ptr<ScreenPage> page);
    void shown(const QString &screen, const std::vector<qint64> &ids);
    bool markDone(const QString &screen, qint64 id);
    bool recall(const QString &screen);

    // The store: the cards it keeps for a screen (those marked done, most
    // recent first, are cut to kKeptDone). Returns the ids cut, for the
    // store to forget on its own thread: the hub must not take a reference
    // to the store there, or the store could end up destroyed by itself.
    std::vector<qint64> load(const QString &screen, std::vector<ScreenCard> cards);

    // The state event of a screen as its pages are sent it.
    QByteArray stateEvent(const QString &screen);

    // Where the time comes from, in milliseconds since 1970 (the system's
    // clock by default).
    void setEpochClock(std::function<qint64()> clock);
    // How long showAndKeep waits for a page (kShownWithinMs by default).
    std::atomic<int> shownWithinMs{kShownWithinMs};

private:
    struct Card {
        ScreenCard kept;
        bool pending = false;  // offered, not yet shown and kept
        std::vector<std::pair<QString, double>> dishes;
    };
    struct Screen {
        std::vector<Card> showing;  // in arrival order
        std::deque<Card> done;      // most recent first
        std::vector<std::shared_ptr<ScreenPage>> pages;
        std::vector<qint64> shownIds;  // pending cards a page has shown
    };

    Screen *find(const QString &name);
    qint64 stampLocked();
    int openPagesLocked(Screen &s);
    void publishLocked(const QString &name, Screen &s);
    QByteArray stateLocked(const QString &name, Screen &s);
    void withdraw(const QString &screen, qint64 id);
    void keepDoneLocked(Screen &s, std::vector<qint64> *forgotten);

    std::vector<ScreenConfig> configs_;
    std::function<qint64()> now_;
    mutable std::mutex mutex_;
    std::condition_variable shownChanged_;
    std::map<QString, Screen> screens_;
    std::shared_ptr<ScreenStore> store_;
    qint64 lastStampMs_ = 0;
};

// The card of a ticket as its page reads it.
QByteArray cardJson(qint64 id, qint64 arrivedMs, const Document &ticket);

}  // namespace tpv
