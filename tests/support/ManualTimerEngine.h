#pragma once
// The poll timer's clockwork driven by hand: ticks, posted calls and calls
// set for later run only when the test moves time on.
#include "platform/PollTimer.h"

#include <deque>
#include <vector>

namespace tpv {

// Time moves only when the test says so.
class ManualTimerEngine : public TimerEngine {
public:
    void start(int ms) override;
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    void post(std::function<void()> f) override { posted_.push_back(std::move(f)); }
    int runLater(int ms, std::function<void()> f) override;
    void cancel(int handle) override;

    // Moves time on by `ms`, running every posted call, every tick and every
    // call set for later that falls due on the way, in time order.
    void advance(int ms);
    // Runs what was posted (the event loop's turn), without moving time.
    void runPosted();
    long long now() const { return now_; }
    long long nextDue() const { return due_; }
    // Told how far time moved each time it moves (a test's fixed clock
    // follows it).
    std::function<void(int ms)> onTimeMoved;

private:
    void moveTo(long long t);

    struct Later {
        int handle;
        long long due;
        std::function<void()> f;
    };
    long long now_ = 0;
    long long due_ = 0;
    int interval_ = 0;
    bool active_ = false;
    std::deque<std::function<void()>> posted_;
    std::vector<Later> later_;
    int lastHandle_ = 0;
};

}  // namespace tpv
